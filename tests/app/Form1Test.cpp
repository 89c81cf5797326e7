#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include "app/MainForm.h"
#include "editors/ImageEditor.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "tests/TestSupport.h"
#include "tests/app/Form1TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {
std::vector<std::string> g_errors;
void CollectError(const std::string& title, const std::string& text) {
  EXPECT_EQ(title, "Ardel Sorvan");
  g_errors.push_back(text);
}

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    Application::SetTitle("Ardel Sorvan");
    AnswerErrorBoxes(CollectError);
    g_errors.clear();
    form = std::make_unique<TForm1>();
    form->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    AnswerFileDialogs(nullptr);
    AnswerErrorBoxes(nullptr);
  }
  // Chooses a photo through the menu command, the dialog answering with path.
  void Choose(const std::optional<std::string>& path) { ChoosePicture(*form, path); }
  QImage PhotoPixels() { return form->cxImage1->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  std::unique_ptr<TForm1> form;
};
}  // namespace

TEST_F(Form1Test, WindowHasItsStoredLayout) {
  EXPECT_EQ(form->windowTitle(), "Ardel Sorvan");
  EXPECT_EQ(form->size(), QSize(730, 761));
  EXPECT_EQ(form->cxImage1->geometry(), QRect(16, 0, 670, 506));
  EXPECT_EQ(form->MonthCalendar1->geometry(), QRect(16, 512, 673, 466));
  EXPECT_TRUE(form->cxImage1->Properties().Stretch());
  EXPECT_EQ(form->cxImage1->Properties().Caption(),
            "Fotoğraf seçmek ve yazdırmak için farenin sağ tuşunu tıklayınız");
  // The calendar reaches below the client area: a vertical scroll bar.
  EXPECT_TRUE(form->ScrollBox()->verticalScrollBar()->isVisible());
  EXPECT_FALSE(form->ScrollBox()->horizontalScrollBar()->isVisible());
}

TEST_F(Form1Test, CalendarShowsMay2006WithThe25thSelected) {
  EXPECT_EQ(form->MonthCalendar1->selectedDate(), QDate(2006, 5, 25));
  EXPECT_EQ(form->MonthCalendar1->monthShown(), 5);
  EXPECT_EQ(form->MonthCalendar1->yearShown(), 2006);
  EXPECT_EQ(form->MonthCalendar1->verticalHeaderFormat(), QCalendarWidget::NoVerticalHeader);
}

TEST_F(Form1Test, PopupMenuHasTheFourCommandsOnThePhotoOnly) {
  QStringList texts;
  for (QAction* a : form->PopupMenu1->actions()) texts << a->text();
  EXPECT_EQ(texts, QStringList({"Fotoğraf Seçiniz", "Önizleme", "Yazdır", "Çıkış"}));
  for (QAction* a : form->PopupMenu1->actions()) {
    EXPECT_TRUE(a->shortcut().isEmpty());
    EXPECT_TRUE(a->icon().isNull());
    EXPECT_FALSE(a->isCheckable());
  }
  // Right click on the (empty) photo: the window's menu, never the editor's own.
  QPoint at(300, 200);
  QContextMenuEvent onPhoto(QContextMenuEvent::Mouse, at, form->cxImage1->mapToGlobal(at));
  QApplication::sendEvent(form->cxImage1, &onPhoto);
  EXPECT_TRUE(form->PopupMenu1->isVisible());
  EXPECT_EQ(form->cxImage1->BuiltInMenu(), nullptr);
  form->PopupMenu1->hide();
  // The calendar and the window have no context menu.
  EXPECT_EQ(form->MonthCalendar1->contextMenuPolicy(), Qt::NoContextMenu);
  for (QWidget* w : form->MonthCalendar1->findChildren<QWidget*>())
    EXPECT_EQ(w->contextMenuPolicy(), Qt::NoContextMenu) << w->metaObject()->className();
  EXPECT_EQ(form->contextMenuPolicy(), Qt::NoContextMenu);
  EXPECT_EQ(form->ClientArea()->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(Form1Test, PictureDialogOffersTheSevenEntryFilter) {
  EXPECT_EQ(form->Open1.Filter,
            "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
            "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
            "Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
  auto native = TFileDialog::NativeFilters(form->Open1.Filter);
  ASSERT_EQ(native.size(), 7u);
  EXPECT_EQ(native[0], "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf) (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf)");
}

TEST_F(Form1Test, EmptyPhotoAreaShowsTheHintText) {
  QImage img = PhotoPixels();
  int ink = 0;
  for (int x = 2; x < img.width() - 2; ++x)
    for (int y = 240; y < 266; ++y)
      if (PixelRGB(img, x, y) != 0xFFFFFF) ++ink;
  EXPECT_GT(ink, 200) << "hint text not painted around the middle row";
  // Only the middle band holds text.
  for (int x = 2; x < img.width() - 2; x += 7) EXPECT_EQ(PixelRGB(img, x, 100), 0xFFFFFFu);
}

TEST_F(Form1Test, UpperCaseJpgLoadsScaledToFit) {
  ScratchDir dir;
  std::string path = WriteTestJpeg(dir, "PHOTO.JPG", 1600, 1200);
  Choose(path);
  EXPECT_TRUE(g_errors.empty()) << (g_errors.empty() ? "" : g_errors[0]);
  ASSERT_FALSE(form->cxImage1->Picture().Empty());
  EXPECT_EQ(form->cxImage1->Picture().Graphic()->ClassType(), TJPEGImage::Class());
  QImage img = PhotoPixels();
  EXPECT_TRUE(ColorNear(PixelRGB(img, 20, 250), 0xFF0000, 48));
  EXPECT_TRUE(ColorNear(PixelRGB(img, 650, 250), 0x0000FF, 48));
  EXPECT_TRUE(ColorNear(PixelRGB(img, 335, 252), 0x00FF00, 48));
  EXPECT_EQ(PixelRGB(img, 20, 502), 0xFFFFFFu);  // background below the fitted picture
}

TEST_F(Form1Test, CancelAndBadFilesKeepTheOldPhoto) {
  ScratchDir dir;
  Choose(WriteTestJpeg(dir, "a.jpg", 64, 48));
  ASSERT_EQ(form->cxImage1->Picture().Width(), 64);

  Choose(std::nullopt);
  EXPECT_EQ(form->cxImage1->Picture().Width(), 64);
  EXPECT_TRUE(g_errors.empty());

  Choose(dir.Write("photo.png", std::string("\x89PNG\r\n\x1a\n", 8)));
  ASSERT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(g_errors[0], "Unknown picture file extension (.png).");
  EXPECT_EQ(form->cxImage1->Picture().Width(), 64);

  Choose(dir.Write("broken.bmp", std::string("BM\x10\x00\x00\x00garbage", 14)));
  ASSERT_EQ(g_errors.size(), 2u);
  EXPECT_EQ(g_errors[1], "Bitmap image is not valid.");
  EXPECT_EQ(form->cxImage1->Picture().Width(), 64);

  Choose(dir.Write("broken.jpg", std::string("\xFF\xD8\xFF\xE0 truncated", 15)));
  ASSERT_EQ(g_errors.size(), 3u);
  EXPECT_EQ(g_errors[2].rfind("JPEG error #", 0), 0u) << g_errors[2];
  EXPECT_EQ(g_errors[2].back(), '.');
  EXPECT_EQ(form->cxImage1->Picture().Width(), 64);
  EXPECT_EQ(form->cxImage1->Picture().Graphic()->ClassType(), TJPEGImage::Class());
}

TEST_F(Form1Test, ExitEndsWithCodeZeroEvenWithAPhoto) {
  ScratchDir dir;
  Choose(WriteTestJpeg(dir, "a.jpg", 32, 32));
  int code = -1;
  form->OnHalt = [&](int c) { code = c; };
  form->k1->trigger();
  EXPECT_EQ(code, 0);
}

TEST_F(Form1Test, PreviewAndPrintWithAnEmptyPhotoRaiseNothing) {
  // Without a printer the print job asks about the margins (refused here) or
  // reports through the printer's own error box, never through the
  // application's handler.
  std::vector<std::string> boxes;
  AnswerMessageBoxes([&](TMessageBoxKind, const std::string&, const std::string& text) {
    boxes.push_back(text);
    return false;
  });
  // The preview is modal: close it as soon as it shows.
  QTimer::singleShot(0, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  form->nizleme1->trigger();
  form->Yazdr1->trigger();
  AnswerMessageBoxes({});
  EXPECT_TRUE(g_errors.empty());
  for (const std::string& text : boxes)
    EXPECT_TRUE(text.rfind("Printer has encountered error !", 0) == 0 || text.find("margins") != std::string::npos)
        << text;
}

TEST(ApplicationErrorText, FullStopOnlyAfterCharactersSortingAfterDot) {
  EXPECT_EQ(Application::ErrorText("Bitmap image is not valid"), "Bitmap image is not valid.");
  EXPECT_EQ(Application::ErrorText("Done."), "Done.");
  EXPECT_EQ(Application::ErrorText("Really?"), "Really?");
  EXPECT_EQ(Application::ErrorText("Stop!"), "Stop!");
  EXPECT_EQ(Application::ErrorText("extension (.png)"), "extension (.png).");
  EXPECT_EQ(Application::ErrorText("JPEG error #53"), "JPEG error #53.");
  EXPECT_EQ(Application::ErrorText("Dosya açılamadı ı"), "Dosya açılamadı ı.");
  EXPECT_EQ(Application::ErrorText(""), "");
}
