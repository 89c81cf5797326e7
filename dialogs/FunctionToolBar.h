// The tool bar of header and footer functions: one button per function of a
// library (its glyph, its hint) and, optionally, an "Insert AutoText" button
// that drops down the auto-text entries. The page setup dialog and the
// auto-text editor build theirs with BuildHFToolBar.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QToolBar;
class QToolButton;
class TdxHFFunctionLibrary;

namespace dxPSHFToolBarTexts {
inline constexpr const char* InsertAutoText = "In&sert AutoText";
}

// Width of one function button.
inline constexpr int dxHFToolBarButtonWidth = 23;

struct TdxHFToolBarParams {
  // Centred horizontally in the tool bar's parent (a parent with a layout
  // centres it itself).
  bool Centered = true;
  // Room for the bar: <= 0 takes the parent's width (no limit without one).
  int AvailableWidth = 0;
  // Clicked function button: the function's position in the library.
  std::function<void(int functionIndex)> OnFunctionClick;
  bool WithAutoTextButton = false;
  const std::vector<std::string>* AutoTextEntries = nullptr;
  // Chosen auto-text entry: its index.
  std::function<void(int entryIndex)> OnAutoTextClick;
};

// Removes the bar's buttons and makes them again: one per function (the
// action's data and the button's icon index are the function's position; the
// tool tip is its Hint), as many as fit, then the auto-text button. The bar
// gets the width of its buttons + 4 and is visible only with buttons.
void BuildHFToolBar(QToolBar& toolBar, const TdxHFFunctionLibrary& functions, const TdxHFToolBarParams& params);

// The auto-text button of a bar built with one, else null.
QToolButton* dxHFToolBarAutoTextButton(QToolBar& toolBar);
// The function buttons of a bar, in order.
std::vector<QToolButton*> dxHFToolBarFunctionButtons(QToolBar& toolBar);
