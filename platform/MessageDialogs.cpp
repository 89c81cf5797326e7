#include "platform/MessageDialogs.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/Application.h"
#include "platform/ModalRun.h"
#include "platform/QtStrings.h"

namespace {
bool Show(TMessageBoxKind kind, const std::string& text) {
  // The platform's exclamation and question sounds: the system bell here.
  QApplication::beep();
  const std::string& caption = Application::Title();
  QMessageBox::Icon icon = kind == TMessageBoxKind::Error     ? QMessageBox::Critical
                           : kind == TMessageBoxKind::Warning ? QMessageBox::Warning
                                                              : QMessageBox::Question;
  QMessageBox::StandardButtons buttons =
      kind == TMessageBoxKind::Question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  QMessageBox box(icon, ToQ(caption), ToQ(text), buttons,
                  QApplication::activeWindow());
  box.setObjectName("MessageBox");
  if (kind == TMessageBoxKind::Question) box.setDefaultButton(QMessageBox::Yes);
  return RunModal(box) == QMessageBox::Yes;
}
}  // namespace

void MessageError(const std::string& text) { Show(TMessageBoxKind::Error, text); }
void MessageWarning(const std::string& text) { Show(TMessageBoxKind::Warning, text); }
bool MessageQuestion(const std::string& text) { return Show(TMessageBoxKind::Question, text); }
