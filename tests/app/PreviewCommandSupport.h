// Runs the main window's "Önizleme" from a test: the preview window is modal,
// so the test's look at it runs from the event loop the window opens.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>

#include "app/Unit1.h"
#include "preview/dxPSPrevWnd.h"

// Runs "Önizleme" on form; inspect works the open window, which is closed
// afterwards and so ends the command.
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
