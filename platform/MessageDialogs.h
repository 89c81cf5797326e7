// The engine's message boxes: a sound, then a modal box captioned with the
// application title. Tests install a hook that answers instead of the box.
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

// When set, the boxes call the hook instead of opening: it gets the kind, the
// caption and the text and answers Yes (true) or No (ignored for Error and
// Warning). An empty hook restores the boxes.
using TMessageBoxHook = std::function<bool(TMessageBoxKind kind, const std::string& caption, const std::string& text)>;
void SetMessageBoxHook(TMessageBoxHook hook);
