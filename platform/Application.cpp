#include "platform/Application.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/Exceptions.h"
#include "platform/Fonts.h"
#include "platform/Graphics.h"

void InitializePlatform() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterSubstituteFonts();
  TPicture::FileFormats();  // registers the picture kinds in their fixed order
}

namespace Application {
namespace {
std::string& TitleStore() {
  static std::string title;
  return title;
}
ErrorSink g_errorSink = nullptr;
}  // namespace

const std::string& Title() { return TitleStore(); }

void SetTitle(const std::string& title) {
  TitleStore() = title;
  if (qApp) QApplication::setApplicationDisplayName(QString::fromStdString(title));
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

void SetErrorSink(ErrorSink sink) { g_errorSink = sink; }

void ShowException(const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e)) return;
  std::string text = ErrorText(e.what());
  if (g_errorSink) {
    g_errorSink(Title(), text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(Title()), QString::fromStdString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }
}  // namespace Application
