// "Önizleme" on the main window: the modal preview window opens on the
// window's report, shows page 1 with the photo and the margin lines, and
// answers its keys; closing it returns from the command.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <functional>

#include "app/MainForm.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"
#include "tests/TestSupport.h"
#include "tests/app/Form1TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

class PreviewCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    errors().clear();
    AnswerErrorBoxes([](const std::string&, const std::string& text) { errors().push_back(text); });
    form = std::make_unique<TForm1>();
    form->show();
    QApplication::processEvents();
    form->cxImage1->Picture().LoadFromFile(WriteTestJpeg(dir, "photo.jpg", 1600, 1200));
    QApplication::processEvents();
  }
  void TearDown() override { AnswerErrorBoxes(nullptr); }

  // Runs "Önizleme"; inspect runs inside the open modal window, then the
  // window is closed, which ends the command.
  void Preview(const std::function<void(TCustomdxPSPreviewWindow&)>& inspect) { RunPreviewCommand(*form, inspect); }

  static std::vector<std::string>& errors() {
    static std::vector<std::string> list;
    return list;
  }
  ScratchDir dir;
  std::unique_ptr<TForm1> form;
};

// Pixels of the preview control as shown.
QImage Shown(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

int CountNear(const QImage& image, unsigned rgb, int tolerance) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += ColorNear(PixelRGB(image, x, y), rgb, tolerance);
  return n;
}

}  // namespace

TEST_F(PreviewCommand, OpensPrintPreviewOnPageOneOfTheWindow) {
  Preview([&](TCustomdxPSPreviewWindow& window) {
    EXPECT_EQ(window.windowTitle(), "Print Preview");
    EXPECT_EQ(window.PageCount(), 1);
    EXPECT_EQ(window.SelectedPageIndex(), 0);
    // Status bar: "Page:" 1 "of" 1 "Pages", Letter paper, "Ready".
    TdxPSPanelBar* status = window.StatusBar();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->PanelText(TCustomdxPSPreviewWindow::spPageCaption), "Page:");
    EXPECT_EQ(status->PanelText(TCustomdxPSPreviewWindow::spPage), "1");
    EXPECT_EQ(status->PanelText(TCustomdxPSPreviewWindow::spOfCaption), "of");
    EXPECT_EQ(status->PanelText(TCustomdxPSPreviewWindow::spPageCount), "1");
    EXPECT_EQ(status->PanelText(TCustomdxPSPreviewWindow::spPagesCaption), "Pages");
    EXPECT_EQ(status->PanelText(TCustomdxPSPreviewWindow::spPaperSizeCaption), "Paper Size:");
    EXPECT_NE(status->PanelText(TCustomdxPSPreviewWindow::spPaperSize).find("215.9"), std::string::npos)
        << status->PanelText(TCustomdxPSPreviewWindow::spPaperSize);
    // Without a printer it says so; with one "Ready", unless the stored
    // footer (4.6 mm) lies in the printer's unprintable strip.
    const bool inside = form->yaziciLink1->RealPrinterPage().MarginsInPrintableArea();
    EXPECT_EQ(status->PanelText(TCustomdxPSPreviewWindow::spStatus),
              !GetPrintDevice().HasPrinters() ? "No printers are installed"
              : inside                        ? "Ready"
                                              : "One or more margins are set outside the printable area of the page");
    TdxPSPanelBar* margins = window.MarginBar();
    ASSERT_NE(margins, nullptr);
    EXPECT_EQ(margins->PanelText(0), "Margins");

    // The page shows the photo: its red, blue and green areas are on screen.
    window.PreviewControl()->SetZoomFactor(100);
    QApplication::processEvents();
    const QImage page = Shown(window.PreviewControl());
    EXPECT_GT(CountNear(page, 0xFF0000, 60), 1000);
    EXPECT_GT(CountNear(page, 0x0000FF, 60), 1000);
    EXPECT_GT(CountNear(page, 0x00FF00, 60), 100);
  });
  EXPECT_TRUE(errors().empty());
}

TEST_F(PreviewCommand, ZoomKeysAndThumbnailsWork) {
  Preview([&](TCustomdxPSPreviewWindow& window) {
    TdxPreview* preview = window.PreviewControl();
    auto key = [&](int k, Qt::KeyboardModifiers mods) {
      QKeyEvent press(QEvent::KeyPress, k, mods);
      QKeyEvent release(QEvent::KeyRelease, k, mods);
      QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : preview, &press);
      QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : preview, &release);
      QApplication::processEvents();
    };
    preview->setFocus();
    preview->SetZoomFactor(100);
    key(Qt::Key_1, Qt::ControlModifier);  // whole page
    const int whole = preview->ZoomFactor();
    EXPECT_LT(whole, 100);
    key(Qt::Key_0, Qt::ControlModifier);  // page width
    EXPECT_GT(preview->ZoomFactor(), whole);

    window.SetThumbnailsVisible(true);
    QApplication::processEvents();
    EXPECT_TRUE(window.ThumbnailsPane()->isVisible());
    window.SetThumbnailsVisible(false);
    QApplication::processEvents();
    EXPECT_FALSE(window.ThumbnailsPane()->isVisible());
  });
}
