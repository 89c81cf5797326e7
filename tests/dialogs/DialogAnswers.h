// Answers for the dialogs of this folder that tests answer with a value, on
// the one hook of the modal run (tests/ModalAnswers.h).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/FontDialog.h"
#include "dialogs/PageSetupDialog.h"
#include "tests/ModalAnswers.h"

// The engine's font dialog: answer gets the font it starts with and answers
// the choice, or nothing for Cancel.
inline void AnswerFontDialogs(std::function<std::optional<TFont>(const TFont& initial)> answer) {
  if (!answer) {
    AnswerModal<TdxPSFontDialog>(nullptr);
    return;
  }
  AnswerModal<TdxPSFontDialog>([answer = std::move(answer)](TdxPSFontDialog& dialog) {
    const std::optional<TFont> chosen = answer(dialog.InitialFont());
    if (chosen)
      dialog.Choose(*chosen);
    else
      dialog.reject();
  });
}

// The margin warnings of the page setup dialog: answer gets the kind, the
// text and the button captions and answers the index of the button chosen.
inline void AnswerPageSetupWarnings(
    std::function<int(TdxPageSetupWarning kind, const std::string& text, const std::vector<std::string>& captions)>
        answer) {
  if (!answer) {
    AnswerModal<TdxPageSetupWarningBox>(nullptr);
    return;
  }
  AnswerModal<TdxPageSetupWarningBox>([answer = std::move(answer)](TdxPageSetupWarningBox& box) {
    const int chosen = answer(box.Kind(), box.text().toStdString(), box.Captions());
    box.Button(chosen)->click();
  });
}
