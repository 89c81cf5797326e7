// Helpers shared by the pieces of the preview window (PreviewWindow.cpp,
// PreviewWindowParts.cpp, PreviewWindowCommands.cpp). Internal to the window.
#pragma once

#include <exception>

#include "platform/Application.h"

namespace PreviewWindowHelpers {

constexpr int kSplitterWidth = 5;

// Runs a command body; a failure goes to the application's error display and
// the window stays open.
template <typename F>
void Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}

}  // namespace PreviewWindowHelpers
