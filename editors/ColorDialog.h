// The process's one colour dialog, shared by every colour picker of the
// engine's dialogs. Its custom colours come from and go back to the engine's
// custom-colour list (dxPSCustomColors), one line "ColorA=BBGGRR" .. "ColorP=..."
// per slot, the value in hexadecimal digits of the colour value.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Types.h"

class QWidget;

// Runs the dialog modally, starting with color (clNone and system colours
// start from their plain value; clNone as black). On OK: true, color is the
// choice and the custom colours are written back to the list.
bool dxPSExecuteColorDialog(TColor& color, QWidget* parent = nullptr);

// The sixteen custom colour slots of the dialog (0x00BBGGRR; white when unset).
std::vector<TColor> dxPSDialogCustomColors();
void dxPSSetDialogCustomColor(int index, TColor color);
// Reads the list's "ColorX=hex" lines into the slots (other or damaged lines
// are ignored) and writes the slots back into the list (lines of the slots
// replaced in place, missing ones appended, other lines kept).
void dxPSLoadDialogCustomColors();
void dxPSStoreDialogCustomColors();
