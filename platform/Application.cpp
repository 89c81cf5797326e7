#include "platform/Application.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>

#include "platform/Exceptions.h"
#include "platform/Fonts.h"
#include "platform/Graphics.h"
#include "platform/ModalRun.h"
#include "platform/ScopeExit.h"
#include "platform/QtStrings.h"

void InitializePlatform() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterSubstituteFonts();
  TPicture::FileFormats();  // registers the picture kinds in their fixed order
  Application::Terminating();  // the quit requests are watched from now on
}

namespace Application {
namespace {
std::string& TitleStore() {
  static std::string title;
  return title;
}
}  // namespace

const std::string& Title() { return TitleStore(); }

void SetTitle(const std::string& title) {
  TitleStore() = title;
  if (qApp) QApplication::setApplicationDisplayName(ToQ(title));
}

std::string ErrorText(const std::string& message) {
  // A full stop is added when the last character sorts after "." in the
  // usual linguistic order: white space and the punctuation marks _ - , ; :
  // ! ? and "." itself sort before or at it; brackets, quotes, symbols,
  // digits and letters (any non-ASCII character included) sort after.
  std::string text = message;
  if (text.empty()) return text;
  static const std::string kAtOrBeforeDot = " \t\r\n_-,;:!?.";
  if (kAtOrBeforeDot.find(text.back()) == std::string::npos) text += '.';
  return text;
}

void ShowException(const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e)) return;
  std::string text = ErrorText(e.what());
  QMessageBox box(QMessageBox::Critical, ToQ(Title()), ToQ(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.setObjectName("ErrorBox");
  RunModal(box);
}

void ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

namespace {
bool g_quitRequested = false;

// Takes the application's Quit event through the application with the
// request noted: a window that refuses to close (the application ignores the
// event then) withdraws it.
class QuitWatch : public QObject {
 public:
  explicit QuitWatch(QCoreApplication* app) : QObject(app) { app->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != parent() || event->type() != QEvent::Quit) return false;
    const bool before = g_quitRequested;
    g_quitRequested = true;
    event->accept();
    watched->event(event);
    if (!event->isAccepted()) g_quitRequested = before;
    return true;
  }
};

void WatchQuit() {
  static QCoreApplication* watched = nullptr;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || app == watched) return;
  watched = app;
  new QuitWatch(app);
}
}  // namespace

bool Terminating() {
  WatchQuit();
  return g_quitRequested || QCoreApplication::closingDown();
}

int Run() {
  WatchQuit();
  g_quitRequested = false;
  ScopeExit over([] { g_quitRequested = false; });
  return QCoreApplication::exec();
}

void Quit(int code) {
  WatchQuit();
  g_quitRequested = true;
  QCoreApplication::exit(code);
}
}  // namespace Application
