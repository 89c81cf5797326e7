// Tests answer the program's modal windows through the one hook of the modal
// run (platform/ModalRun.h). AnswerModal<W>(answer) has every window of class
// W (or of a class derived from it) that runs modally taken by answer: it
// gets the shown window, acts on it and gives its result; a window it leaves
// open is cancelled by the window's own rule. With a name, only the windows
// of that object name are taken ("MessageBox", "ErrorBox", ...). An empty
// answer lets those windows run again. When several answers fit a window, the
// one given last takes it; windows that no answer fits run as in the program.
#pragma once

#include <QAbstractButton>
#include <QColorDialog>
#include <QMessageBox>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Dialogs.h"
#include "platform/MessageDialogs.h"
#include "platform/ModalRun.h"

namespace modal_answers {
struct TAnswer {
  std::type_index kind;
  std::string name;
  std::function<bool(QWidget&)> take;
};

inline std::vector<TAnswer>& Answers() {
  static std::vector<TAnswer> answers;
  return answers;
}

inline bool Take(QWidget& window) {
  // A copy: an answer may replace the answers.
  const std::vector<TAnswer> answers = Answers();
  for (auto it = answers.rbegin(); it != answers.rend(); ++it)
    if (it->take(window)) return true;
  return false;
}
}  // namespace modal_answers

template <class W>
void AnswerModal(const std::string& name, std::function<void(W&)> answer) {
  auto& answers = modal_answers::Answers();
  const std::type_index kind(typeid(W));
  std::erase_if(answers, [&](const modal_answers::TAnswer& a) { return a.kind == kind && a.name == name; });
  if (answer)
    answers.push_back({kind, name, [name, answer = std::move(answer)](QWidget& window) {
                         W* shown = dynamic_cast<W*>(&window);
                         if (!shown || (!name.empty() && window.objectName().toStdString() != name)) return false;
                         answer(*shown);
                         return true;
                       }});
  SetModalRunHook(answers.empty() ? TModalRunHook() : TModalRunHook(modal_answers::Take));
}

template <class W>
void AnswerModal(std::function<void(W&)> answer) {
  AnswerModal<W>(std::string(), std::move(answer));
}

// The engine's message boxes (platform/MessageDialogs.h): answer gets the kind,
// the caption and the text and answers Yes (true) or No; Error and Warning
// boxes close with OK whatever it answers. An empty answer lets them run.
inline void AnswerMessageBoxes(
    std::function<bool(TMessageBoxKind kind, const std::string& caption, const std::string& text)> answer) {
  if (!answer) {
    AnswerModal<QMessageBox>("MessageBox", nullptr);
    return;
  }
  AnswerModal<QMessageBox>("MessageBox", [answer = std::move(answer)](QMessageBox& box) {
    const TMessageBoxKind kind = box.icon() == QMessageBox::Critical  ? TMessageBoxKind::Error
                                 : box.icon() == QMessageBox::Warning ? TMessageBoxKind::Warning
                                                                      : TMessageBoxKind::Question;
    const bool yes = answer(kind, box.windowTitle().toStdString(), box.text().toStdString());
    const QMessageBox::StandardButton button =
        kind != TMessageBoxKind::Question ? QMessageBox::Ok : yes ? QMessageBox::Yes : QMessageBox::No;
    if (QAbstractButton* b = box.button(button)) b->click();
  });
}

// The error box of Application::ShowException: answer gets the title and the
// text; the box closes with OK. An empty answer lets it run.
inline void AnswerErrorBoxes(std::function<void(const std::string& title, const std::string& text)> answer) {
  if (!answer) {
    AnswerModal<QMessageBox>("ErrorBox", nullptr);
    return;
  }
  AnswerModal<QMessageBox>("ErrorBox", [answer = std::move(answer)](QMessageBox& box) {
    answer(box.windowTitle().toStdString(), box.text().toStdString());
    if (QAbstractButton* b = box.button(QMessageBox::Ok)) b->click();
  });
}

// The colour dialog (editors/ColorDialog.h): answer gets the colour it starts
// with and answers the choice, or nothing for Cancel.
inline void AnswerColorDialogs(std::function<std::optional<TColor>(TColor initial)> answer) {
  if (!answer) {
    AnswerModal<QColorDialog>(nullptr);
    return;
  }
  AnswerModal<QColorDialog>([answer = std::move(answer)](QColorDialog& dialog) {
    const QColor start = dialog.currentColor();
    const std::optional<TColor> chosen = answer(TColor(RGBValue(start.red(), start.green(), start.blue())));
    if (!chosen) {
      dialog.reject();
      return;
    }
    dialog.setCurrentColor(ColorToQColor(*chosen));
    dialog.accept();
  });
}

// The file dialogs of TFileDialog (platform/Dialogs.h): answer gets a copy of
// the request and answers the file chosen, or nothing for Cancel.
inline void AnswerFileDialogs(std::function<std::optional<std::string>(TFileDialog& request)> answer) {
  if (!answer) {
    AnswerModal<TFileDialogWindow>("FileDialog", nullptr);
    return;
  }
  AnswerModal<TFileDialogWindow>("FileDialog", [answer = std::move(answer)](TFileDialogWindow& window) {
    TFileDialog request = *window.Request();
    const std::optional<std::string> chosen = answer(request);
    if (chosen)
      window.Choose(*chosen);
    else
      window.reject();
  });
}
