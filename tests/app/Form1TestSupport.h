// Working the main window from a test: its commands, with the answers of the
// dialogs they open.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "app/MainForm.h"
#include "platform/Dialogs.h"
#include "preview/PreviewWindow.h"
#include "tests/ModalAnswers.h"

// "Fotoğraf Seçiniz" on form, the file dialog answering with path (nothing:
// Cancel).
inline void ChoosePicture(TForm1& form, const std::optional<std::string>& path) {
  AnswerFileDialogs([path](TFileDialog&) { return path; });
  form.FotorafSeiniz1->trigger();
  AnswerFileDialogs(nullptr);
}

// Runs "Önizleme" on form; inspect works the open window, which is closed
// afterwards and so ends the command. The window is modal: inspect runs from
// the event loop it opens.
inline void RunPreviewCommand(TForm1& form, const std::function<void(TdxfmStdPreview&)>& inspect) {
  bool inspected = false;
  QTimer::singleShot(0, [&] {
    auto* window = dynamic_cast<TdxfmStdPreview*>(QApplication::activeModalWidget());
    if (!window) window = dynamic_cast<TdxfmStdPreview*>(form.yazici->PreviewWindow());
    ASSERT_NE(window, nullptr);
    QApplication::processEvents();
    inspect(*window);
    inspected = true;
    window->close();
  });
  form.nizleme1->trigger();
  EXPECT_TRUE(inspected);
  EXPECT_FALSE(form.yazici->Previewing());
}
