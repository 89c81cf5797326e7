// The engine's message boxes: a sound, then a modal box captioned with the
// application title. Each runs modally (platform/ModalRun.h) as the window
// named "MessageBox".
#pragma once

#include <functional>
#include <string>

enum class TMessageBoxKind { Error, Warning, Question };

// Error icon, OK button.
void MessageError(const std::string& text);
// Warning icon, OK button.
void MessageWarning(const std::string& text);
// Question icon, Yes and No buttons; true when Yes was chosen.
bool MessageQuestion(const std::string& text);
