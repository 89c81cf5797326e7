// Process-wide start-up of the platform layer and the application object's
// services: title, error display, wait cursor, message processing.
#pragma once

#include <exception>
#include <string>

// Loads the substitute fonts and registers the picture kinds. Call once after
// the Qt application object exists; further calls do nothing.
void InitializePlatform();

namespace Application {
// Title of the application (caption of error boxes and of the task-bar entry).
const std::string& Title();
void SetTitle(const std::string& title);

// The text the error box shows for a message: a full stop is added when the
// last character sorts after ".".
std::string ErrorText(const std::string& message);
// Shows an exception in a message box titled with the application title, an
// error icon and an OK button, run modally (platform/ModalRun.h) as the
// window named "ErrorBox". EAbort is not shown.
void ShowException(const std::exception& e);

// Handles pending window messages (input, paint, timers) and returns.
void ProcessMessages();

// Runs the program's main loop until the program is asked to quit; answers
// the exit code.
int Run();
// The program is ending: it was asked to quit during Run (by Quit, or by the
// application's Quit event that the window system and the session send), or
// the application object is being destroyed. Long work that processes
// messages (a print job) stops when it sees this.
bool Terminating();
// Asks the program to end with code: Terminating answers true from now on
// and the main loop ends when control returns to it.
void Quit(int code);
}  // namespace Application
