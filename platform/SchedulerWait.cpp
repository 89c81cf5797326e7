#include "platform/SchedulerWait.h"

#include <cups/cups.h>

#include <QApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <chrono>

#include "platform/Application.h"
#include "platform/Types.h"
#include "platform/QtStrings.h"

namespace PrintBackend {
namespace {

long long NowMsec() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Unanswered {
  long long until = 0;
  std::string reason;
};
Unanswered& LastUnanswered() {
  static Unanswered state;
  return state;
}

int KeepWaitingCallback(http_t*, void* data) { return static_cast<TSchedulerWatch*>(data)->KeepWaiting() ? 1 : 0; }

bool OnGuiThread() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
         QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

struct TSchedulerWatch::Window {
  QPointer<QProgressDialog> dialog;
  bool cancelled = false;
};

TSchedulerWatch::~TSchedulerWatch() { CloseWindow(); }

void TSchedulerWatch::Attach(http_t* http, const std::string& server) {
  server_ = server;
  httpSetTimeout(http, SchedulerPollMsec / 1000.0, KeepWaitingCallback, this);
}

void TSchedulerWatch::CloseWindow() {
  if (!window_) return;
  if (window_->dialog) {
    window_->dialog->hide();
    delete window_->dialog.data();
  }
  delete window_;
  window_ = nullptr;
}

bool TSchedulerWatch::KeepWaiting() {
  // The library may try a request again after a wait gave up: once given up,
  // the connection waits no more.
  if (gaveUp_) return false;
  const long long now = NowMsec();
  // Polls follow each other closely while one answer is awaited; a gap means
  // an answer came and this is the wait for the next one.
  if (lastPoll_ == 0 || now - lastPoll_ > 3 * SchedulerPollMsec) waitStart_ = now - SchedulerPollMsec;
  lastPoll_ = now;
  const bool cancelled = window_ && window_->cancelled;
  if (cancelled || now - waitStart_ >= SchedulerAnswerMsec) {
    Unanswered& state = LastUnanswered();
    state.until = now + SchedulerQuietMsec;
    state.reason = cancelled ? Format(SchedulerMessages::Cancelled, server_.c_str())
                             : Format(SchedulerMessages::NoAnswer, server_.c_str(), SchedulerAnswerMsec / 1000);
    CloseWindow();
    gaveUp_ = true;
    return false;
  }
  // A scheduler that answers within the delay is waited for as before:
  // nothing else runs meanwhile.
  if (!OnGuiThread() || (!window_ && now - waitStart_ < SchedulerWindowDelayMsec)) return true;
  if (!window_) {
    window_ = new Window;
    auto* dialog = new QProgressDialog(ToQ(Format(SchedulerMessages::Waiting, server_.c_str())),
                                       QStringLiteral("Cancel"), 0, 0, QApplication::activeWindow());
    dialog->setObjectName(QStringLiteral("SchedulerWaitDialog"));
    dialog->setWindowTitle(ToQ(Application::Title()));
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    Window* window = window_;
    QObject::connect(dialog, &QProgressDialog::canceled, [window] { window->cancelled = true; });
    window_->dialog = dialog;
    dialog->show();
    dialog->raise();
  }
  // The program goes on painting; input reaches only the wait window (the
  // other windows are blocked while it is shown).
  QCoreApplication::processEvents();
  return true;
}

bool SchedulerUnanswered(std::string* reason) {
  const Unanswered& state = LastUnanswered();
  if (NowMsec() >= state.until) return false;
  if (reason) *reason = state.reason;
  return true;
}

std::string SchedulerError() {
  std::string reason;
  if (SchedulerUnanswered(&reason)) return reason;
  const char* text = cupsLastErrorString();
  return text && *text ? text : "no answer";
}

void ResetSchedulerWait() { LastUnanswered() = Unanswered{}; }

}  // namespace PrintBackend
