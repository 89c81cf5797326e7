#include "platform/ModalRun.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "platform/ScopeExit.h"

namespace {
struct TRun {
  QWidget* window;
  QEventLoop* loop = nullptr;
  bool ended = false;
};

// The runs in progress, innermost last.
std::vector<TRun*>& Runs() {
  static std::vector<TRun*> runs;
  return runs;
}

TRun* FindRun(const QWidget& window) {
  auto& runs = Runs();
  for (auto it = runs.rbegin(); it != runs.rend(); ++it)
    if ((*it)->window == &window) return *it;
  return nullptr;
}

TModalRunHook& Hook() {
  static TModalRunHook hook;
  return hook;
}

// Offers the window to the hook; answers whether the hook took its run.
bool Intercepted(QWidget& window) {
  if (!Hook()) return false;
  TModalRunHook hook = Hook();  // the hook may replace itself
  return hook(window);
}
}  // namespace

bool RunModal(QWidget& window, const TModalRunOptions& options) {
  QPointer<QWidget> guard(&window);
  TRun run{&window};
  Runs().push_back(&run);
  ScopeExit leave([&run] {
    auto& runs = Runs();
    runs.erase(std::find(runs.begin(), runs.end(), &run));
  });
  if (options.Modality != Qt::NonModal) window.setWindowModality(options.Modality);
  window.show();
  window.raise();
  if (options.Activate) window.activateWindow();
  if (options.Shown) options.Shown();
  if (!guard) return false;
  if (run.ended) return true;
  if (Intercepted(window)) return !guard.isNull();
  if (!guard) return false;
  if (run.ended) return true;
  QEventLoop loop;
  run.loop = &loop;
  QObject::connect(&window, &QObject::destroyed, &loop, &QEventLoop::quit);
  loop.exec(options.Modality != Qt::NonModal ? QEventLoop::DialogExec : QEventLoop::AllEvents);
  return !guard.isNull();
}

void EndModal(QWidget& window) {
  TRun* run = FindRun(window);
  if (!run) return;
  run->ended = true;
  if (run->loop) run->loop->quit();
}

bool IsRunningModal(const QWidget& window) { return FindRun(window) != nullptr; }

int RunModal(QDialog& dialog) {
  if (Hook()) {
    QPointer<QDialog> guard(&dialog);
    // The window that was active gets the input back when the dialog is done,
    // as the window system gives it back.
    QPointer<QWidget> active = QApplication::activeWindow();
    ScopeExit reactivate([&active] {
      if (active && active->isVisible() && !QApplication::activeWindow()) active->activateWindow();
    });
    TRun run{&dialog};
    Runs().push_back(&run);
    ScopeExit leave([&run] {
      auto& runs = Runs();
      runs.erase(std::find(runs.begin(), runs.end(), &run));
    });
    dialog.setResult(QDialog::Rejected);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    if (Intercepted(dialog)) {
      if (!guard) return QDialog::Rejected;
      if (dialog.isVisible()) dialog.reject();
      return dialog.result();
    }
  }
  return dialog.exec();
}

void SetModalRunHook(TModalRunHook hook) { Hook() = std::move(hook); }
