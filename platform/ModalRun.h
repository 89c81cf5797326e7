// The modal run of the program's windows: the window shows in front of the
// others, takes the input of the application (or of the window it belongs
// to), and the messages are processed until the window gives its result.
// Every window runs modally through here; each keeps its own result and the
// code that decides it.
//
// Tests answer windows through the one hook of the run: it gets every window
// once the window shows, acts on it and gives its result; the window's run
// then ends, and a window left without a result counts as cancelled by its
// own rule.
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>

struct TModalRunOptions {
  // Qt::NonModal leaves the window's modality as it is (a pop-up takes the
  // input by itself).
  Qt::WindowModality Modality = Qt::ApplicationModal;
  // Whether the window is made the active window when it shows.
  bool Activate = true;
  // Called once the window shows, before the messages run (focus, events of
  // the window's owner).
  std::function<void()> Shown;
};

// Shows the window, runs the messages until EndModal(window), the window's
// destruction or the application's quit, and answers whether the window
// still exists. EndModal during Shown ends the run before any message runs.
bool RunModal(QWidget& window, const TModalRunOptions& options = {});
// Ends the run of the window; nothing when the window does not run.
void EndModal(QWidget& window);
// Whether the window is in its modal run.
bool IsRunningModal(const QWidget& window);

// The run of a dialog of the platform's own kind (message box, file, colour
// and font dialog): shown application-modal until it is done; answers its
// result (QDialog::Rejected when it was destroyed meanwhile).
int RunModal(QDialog& dialog);

// The hook for tests: answers true when it took the window's run (the window
// was answered, or left open to be cancelled), false to let the window run as
// usual. An empty hook restores the runs.
using TModalRunHook = std::function<bool(QWidget& window)>;
void SetModalRunHook(TModalRunHook hook);
