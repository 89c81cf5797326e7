// The zoom dialog driven through clicks and keys on a running dialog: the
// initial choice, the radio and percent rules, what reaches the caller's
// preview control, the page chooser from btnManyPages, and the two pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <memory>

#include "editors/DialogControls.h"
#include "preview/PreviewDialogs.h"
#include "tests/TestSupport.h"
#include "tests/preview/PreviewTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

using preview_test::WaitFor;

void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// A left click where a button (or a radio's indicator) takes it.
void Click(QWidget* w) {
  const QPoint p = qobject_cast<QRadioButton*>(w) ? QPoint(6, w->height() / 2) : w->rect().center();
  SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

// A key as the window system delivers it: to the focused widget.
void Key(int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(target, &release);
}

void Type(const QString& digits) {
  for (QChar c : digits) Key(Qt::Key_0 + (c.unicode() - '0'), QString(c));
}

void Activate(QWidget& window) {
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(WaitFor([&] { return window.isActiveWindow(); }));
}

int Rgb(TColor color) { return int(ColorToQColor(color).rgb() & 0xFFFFFF); }

class ZoomDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSSetDesktopWorkArea(QRect(0, 0, 1024, 738));
    window_ = std::make_unique<QWidget>();
    window_->resize(700, 600);
    preview_ = new TdxPreview(window_.get());
    preview_->setGeometry(0, 0, 600, 500);
    preview_->SetPageCount(6);
    window_->show();
  }

  void TearDown() override {
    AnswerModal<TdxPSDialogForm>({});
    AnswerModal<TfmPageChooser>({});
    dxPSSetDesktopWorkArea(QRect());
    window_.reset();
  }

  // Opens the dialog on the preview; the script drives it while it runs.
  bool Run(const std::function<void(TfmZoom&)>& script) {
    bool ran = false;
    AnswerModal<TdxPSDialogForm>([&](TdxPSDialogForm& form) {
      auto* zoom = dynamic_cast<TfmZoom*>(&form);
      ASSERT_NE(zoom, nullptr);
      ran = true;
      Activate(*zoom);
      script(*zoom);
    });
    const bool result = ShowZoomDialog(*preview_);
    EXPECT_TRUE(ran);
    return result;
  }

  std::unique_ptr<QWidget> window_;
  TdxPreview* preview_ = nullptr;
};

// ---- Opening ----------------------------------------------------------------------

TEST_F(ZoomDialogTest, MatchingPercentageOpensCheckedAndFocused) {
  preview_->SetZoomFactor(75);
  EXPECT_FALSE(Run([](TfmZoom& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Zoom");
    EXPECT_EQ(dialog.CheckedTag(), TfmZoom::ztPercent75);
    EXPECT_EQ(QApplication::focusWidget(), dialog.RadioButton(TfmZoom::ztPercent75));
    EXPECT_EQ(dialog.PercentBox()->Value(), 75);
    EXPECT_EQ(dialog.PercentBox()->text(), "75 %");
    EXPECT_FALSE(dialog.Changed());
    // OK at once: nothing changed, nothing to apply.
    Key(Qt::Key_Return);
  }));
  EXPECT_EQ(preview_->ZoomFactor(), 75);

  preview_->SetZoomFactor(80);
  Run([](TfmZoom& dialog) {
    EXPECT_EQ(dialog.CheckedTag(), -1);
    EXPECT_EQ(dialog.PercentBox()->Value(), 80);
  });
}

TEST_F(ZoomDialogTest, InitialChoiceFollowsModeAndLayoutColumns) {
  struct Case {
    TdxPreviewZoomMode mode;
    int columns, rows;
    int tag;
  };
  const Case cases[] = {{pzmPageWidth, 1, 1, TfmZoom::ztPageWidth},
                        {pzmPages, 1, 1, TfmZoom::ztWholePage},
                        {pzmPages, 2, 1, TfmZoom::ztTwoPages},
                        {pzmPages, 2, 2, TfmZoom::ztTwoPages},  // the layout has two columns
                        {pzmPages, 4, 1, TfmZoom::ztFourPages},
                        {pzmPages, 3, 1, TfmZoom::ztManyPages}};
  for (const Case& c : cases) {
    preview_->SetZoomMode(c.mode);
    if (c.mode == pzmPages) preview_->SetPageXYCount(c.columns, c.rows);
    TfmZoom dialog;
    dialog.Initialize(*preview_);
    EXPECT_EQ(dialog.CheckedTag(), c.tag) << c.columns << " x " << c.rows;
    EXPECT_EQ(dialog.PercentBox()->Value(), preview_->ZoomFactor());
    EXPECT_EQ(dialog.HiddenPreview()->ZoomFactor(), preview_->ZoomFactor());
    EXPECT_FALSE(dialog.Changed());
  }
}

TEST_F(ZoomDialogTest, PageGridRadiosNeedEnoughPages) {
  for (int pages : {1, 2, 3, 4}) {
    preview_->SetPageCount(pages);
    TfmZoom dialog;
    dialog.Initialize(*preview_);
    EXPECT_EQ(dialog.RadioButton(TfmZoom::ztTwoPages)->isEnabled(), pages > 1) << pages;
    EXPECT_EQ(dialog.RadioButton(TfmZoom::ztFourPages)->isEnabled(), pages > 3) << pages;
  }
}

TEST_F(ZoomDialogTest, WithoutHelpContextOkAndCancelMoveRight) {
  TfmZoom dialog;
  EXPECT_TRUE(dialog.HelpButton()->isHidden());
  EXPECT_EQ(dialog.OkButton()->x(), 266);
  EXPECT_EQ(dialog.CancelButton()->x(), 346);
  EXPECT_EQ(dialog.size(), QSize(428, 280));
  EXPECT_EQ(dialog.PreviewPanel()->size(), QSize(183, 123));
  EXPECT_EQ(dialog.FontPanel()->size(), QSize(214, 54));
}

// ---- Radios ------------------------------------------------------------------------

TEST_F(ZoomDialogTest, PercentageRadioAppliesItsZoom) {
  preview_->SetZoomMode(pzmPageWidth);
  EXPECT_TRUE(Run([](TfmZoom& dialog) {
    Click(dialog.RadioButton(TfmZoom::ztPercent200));
    EXPECT_TRUE(dialog.RadioButton(TfmZoom::ztPercent200)->isChecked());
    EXPECT_EQ(dialog.PercentBox()->Value(), 200);
    EXPECT_EQ(dialog.HiddenPreview()->ZoomFactor(), 200);
    EXPECT_EQ(dialog.HiddenPreview()->ZoomMode(), pzmNone);
    EXPECT_TRUE(dialog.Changed());
    Click(dialog.OkButton());
  }));
  EXPECT_EQ(preview_->ZoomFactor(), 200);
  EXPECT_EQ(preview_->ZoomMode(), pzmNone);
}

TEST_F(ZoomDialogTest, FourPagesConfirmedReopensAsTwoPages) {
  EXPECT_TRUE(Run([](TfmZoom& dialog) {
    Click(dialog.RadioButton(TfmZoom::ztFourPages));
    EXPECT_EQ(dialog.HiddenPreview()->ZoomMode(), pzmPages);
    EXPECT_EQ(dialog.HiddenPreview()->PageXCount(), 2);
    EXPECT_EQ(dialog.HiddenPreview()->PageYCount(), 2);
    EXPECT_EQ(dialog.PercentBox()->Value(), dialog.HiddenPreview()->ZoomFactor());
    Click(dialog.OkButton());
  }));
  EXPECT_EQ(preview_->ZoomMode(), pzmPages);
  EXPECT_EQ(preview_->PageXCount(), 2);
  EXPECT_EQ(preview_->ColumnCount(), 2);
  Run([](TfmZoom& dialog) { EXPECT_EQ(dialog.CheckedTag(), TfmZoom::ztTwoPages); });
}

TEST_F(ZoomDialogTest, FitModeSurvivesOnAFramelessCaller) {
  // The dialog computes the fit on a control shaped like the caller's, so the
  // factor it hands back is the caller's own fit and the mode stays.
  preview_->SetBorderStyle(bsNone);
  preview_->SetScrollBars(ssNone);
  EXPECT_TRUE(Run([](TfmZoom& dialog) {
    Click(dialog.RadioButton(TfmZoom::ztTwoPages));
    Click(dialog.OkButton());
  }));
  EXPECT_EQ(preview_->ZoomMode(), pzmPages);
  EXPECT_EQ(preview_->PageXCount(), 2);
  EXPECT_EQ(preview_->PageYCount(), 1);
}

TEST_F(ZoomDialogTest, PageWidthRecomputesTheFactor) {
  preview_->SetZoomFactor(50);
  EXPECT_TRUE(Run([](TfmZoom& dialog) {
    Click(dialog.RadioButton(TfmZoom::ztPageWidth));
    // The page's width at 100 % plus 26 fills the client width.
    TdxPreview& hidden = *dialog.HiddenPreview();
    EXPECT_EQ(hidden.ZoomMode(), pzmPageWidth);
    EXPECT_EQ(hidden.ZoomFactor(), MulDiv(hidden.ClientWidth(), 100, hidden.PageSizeInPixels().X + 26));
    EXPECT_EQ(dialog.PercentBox()->Value(), hidden.ZoomFactor());
    Key(Qt::Key_Return);
  }));
  EXPECT_EQ(preview_->ZoomFactor(), MulDiv(preview_->ClientWidth(), 100, preview_->PageSizeInPixels().X + 26));
}

TEST_F(ZoomDialogTest, CancelAndEscapeLeaveTheCallerAlone) {
  preview_->SetZoomFactor(100);
  EXPECT_FALSE(Run([](TfmZoom& dialog) {
    Click(dialog.RadioButton(TfmZoom::ztPercent500));
    Click(dialog.RadioButton(TfmZoom::ztTwoPages));
    Click(dialog.CancelButton());
  }));
  EXPECT_FALSE(Run([](TfmZoom& dialog) {
    Click(dialog.RadioButton(TfmZoom::ztPercent10));
    Key(Qt::Key_Escape);
  }));
  EXPECT_FALSE(Run([](TfmZoom& dialog) {
    Click(dialog.RadioButton(TfmZoom::ztPercent25));
    dialog.close();
  }));
  EXPECT_EQ(preview_->ZoomFactor(), 100);
  EXPECT_EQ(preview_->ZoomMode(), pzmNone);
}

TEST_F(ZoomDialogTest, EnterOnTheFocusedCancelButtonCancels) {
  EXPECT_FALSE(Run([](TfmZoom& dialog) {
    Click(dialog.RadioButton(TfmZoom::ztPercent50));
    dialog.CancelButton()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Return);
  }));
  EXPECT_EQ(preview_->ZoomFactor(), 100);
}

// ---- Percent box ---------------------------------------------------------------------

TEST_F(ZoomDialogTest, TypedPercentAppliesOnLeavingAndKeepsTheRadio) {
  EXPECT_TRUE(Run([](TfmZoom& dialog) {
    ASSERT_EQ(dialog.CheckedTag(), TfmZoom::ztPercent100);
    dialog.PercentBox()->setFocus(Qt::TabFocusReason);
    Type("37");
    EXPECT_TRUE(dialog.Changed());
    Key(Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), dialog.PercentBox());
    EXPECT_EQ(dialog.HiddenPreview()->ZoomFactor(), 37);
    EXPECT_EQ(dialog.PercentBox()->text(), "37 %");
    EXPECT_EQ(dialog.CheckedTag(), TfmZoom::ztPercent100);
    Click(dialog.OkButton());
  }));
  EXPECT_EQ(preview_->ZoomFactor(), 37);
}

TEST_F(ZoomDialogTest, TypedPercentIsLimitedAndEmptyTextIsTheMinimum) {
  Run([](TfmZoom& dialog) {
    dialog.PercentBox()->setFocus(Qt::TabFocusReason);
    Type("700");
    Key(Qt::Key_Tab);
    EXPECT_EQ(dialog.HiddenPreview()->ZoomFactor(), 500);
    EXPECT_EQ(dialog.PercentBox()->Value(), 500);

    dialog.PercentBox()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Backspace);
    EXPECT_TRUE(dialog.PercentBox()->text().isEmpty());
    Key(Qt::Key_Tab);
    EXPECT_EQ(dialog.HiddenPreview()->ZoomFactor(), 10);
    EXPECT_EQ(dialog.PercentBox()->Value(), 10);
    Key(Qt::Key_Escape);
  });
}

TEST_F(ZoomDialogTest, EnterInThePercentBoxAppliesAndConfirms) {
  preview_->SetZoomMode(pzmPages);
  EXPECT_TRUE(Run([](TfmZoom& dialog) {
    dialog.PercentBox()->setFocus(Qt::TabFocusReason);
    Type("150");
    Key(Qt::Key_Enter);
  }));
  EXPECT_EQ(preview_->ZoomFactor(), 150);
  EXPECT_EQ(preview_->ZoomMode(), pzmNone);
}

TEST_F(ZoomDialogTest, SpinStepChecksTheMatchingPercentage) {
  preview_->SetZoomFactor(99);
  EXPECT_TRUE(Run([](TfmZoom& dialog) {
    EXPECT_EQ(dialog.CheckedTag(), -1);
    dialog.PercentBox()->ButtonClick(btLine, true);
    EXPECT_EQ(dialog.PercentBox()->Value(), 100);
    EXPECT_EQ(dialog.HiddenPreview()->ZoomFactor(), 100);
    EXPECT_EQ(dialog.CheckedTag(), TfmZoom::ztPercent100);
    EXPECT_FALSE(dialog.IsUpdateLocked());
    dialog.PercentBox()->ButtonClick(btLine, true);
    EXPECT_EQ(dialog.CheckedTag(), -1);
    Click(dialog.OkButton());
  }));
  EXPECT_EQ(preview_->ZoomFactor(), 101);
}

TEST_F(ZoomDialogTest, PercentLabelFocusesTheBox) {
  Run([](TfmZoom& dialog) {
    QWidget* label = dialog.PercentLabel();
    SendMouse(label, QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton, Qt::LeftButton);
    SendMouse(label, QEvent::MouseButtonRelease, QPoint(3, 3), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(QApplication::focusWidget(), dialog.PercentBox());
  });
}

// ---- Many pages ------------------------------------------------------------------------

TEST_F(ZoomDialogTest, ManyPagesChooserSetsTheGrid) {
  // 600 x 500 hidden preview, A4 (794 x 1123 at 100 %): 79 pixels wide at
  // 10 %, 225 high at 20 %.
  {
    TfmZoom dialog;
    dialog.Initialize(*preview_);
    int maxColumns, maxRows, columns, rows;
    dialog.ManyPagesChooserParams(maxColumns, maxRows, columns, rows);
    EXPECT_EQ(maxColumns, 600 / 79);
    EXPECT_EQ(maxRows, 500 / 225);
    EXPECT_EQ(columns, 3);
    EXPECT_EQ(rows, 2);
  }

  int chooserRuns = 0;
  AnswerModal<TfmPageChooser>([&](TfmPageChooser& chooser) {
    ++chooserRuns;
    EXPECT_EQ(chooser.SelectedColumns(), 2);
    EXPECT_EQ(chooser.SelectedRows(), 1);
    EXPECT_EQ(chooser.CellWidth(), 26);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&chooser, &right);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&chooser, &enter);
  });
  EXPECT_TRUE(Run([](TfmZoom& dialog) {
    QPushButton* button = dialog.ManyPagesButton();
    Click(button);
    TdxPreview& hidden = *dialog.HiddenPreview();
    EXPECT_EQ(hidden.ZoomMode(), pzmPages);
    EXPECT_EQ(hidden.PageXCount(), 3);
    EXPECT_EQ(hidden.PageYCount(), 1);
    EXPECT_EQ(dialog.CheckedTag(), TfmZoom::ztManyPages);
    EXPECT_EQ(dialog.PercentBox()->Value(), hidden.ZoomFactor());
    EXPECT_TRUE(dialog.Changed());
    Click(dialog.OkButton());
  }));
  EXPECT_EQ(chooserRuns, 1);
  EXPECT_EQ(preview_->ZoomMode(), pzmPages);
  EXPECT_EQ(preview_->PageXCount(), 3);
  EXPECT_EQ(preview_->ColumnCount(), 3);
}

TEST_F(ZoomDialogTest, CancelledChooserChangesNothing) {
  AnswerModal<TfmPageChooser>([](TfmPageChooser& chooser) {
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&chooser, &esc);
  });
  EXPECT_FALSE(Run([](TfmZoom& dialog) {
    Click(dialog.ManyPagesButton());
    EXPECT_EQ(dialog.HiddenPreview()->ZoomMode(), pzmNone);
    EXPECT_EQ(dialog.CheckedTag(), TfmZoom::ztPercent100);
    EXPECT_FALSE(dialog.Changed());
    Click(dialog.OkButton());
  }));
}

// ---- Pictures ------------------------------------------------------------------------------

TEST(ZoomDialogPicture, WindowRectangleKeepsTheOwnerProportions) {
  // Half the work area: 69 x 40 fits the 158 x 83 screen 83 high.
  EXPECT_EQ(TfmZoom::WindowPictureRect(QSize(1024, 738), QSize(512, 369)), TRect(19, 10, 162, 93));
  // A tall window: centred horizontally.
  EXPECT_EQ(TfmZoom::WindowPictureRect(QSize(1024, 738), QSize(200, 700)), TRect(76, 10, 106, 93));
  // A wide window: the whole width, centred vertically.
  EXPECT_EQ(TfmZoom::WindowPictureRect(QSize(1024, 738), QSize(1024, 200)), TRect(12, 39, 170, 63));
  // Degenerate sizes still give a rectangle on the screen.
  for (QSize owner : {QSize(0, 0), QSize(0, 500), QSize(5000, 0)}) {
    const TRect r = TfmZoom::WindowPictureRect(QSize(1024, 738), owner);
    EXPECT_FALSE(r.IsEmpty());
    EXPECT_GE(r.Left, 12);
    EXPECT_LE(r.Right, 170);
    EXPECT_GE(r.Top, 10);
    EXPECT_LE(r.Bottom, 93);
  }
  EXPECT_FALSE(TfmZoom::WindowPictureRect(QSize(0, 0), QSize(100, 100)).IsEmpty());
}

class ZoomDialogPictureTest : public ZoomDialogTest {
 protected:
  QImage PaintWindow(TfmZoom& dialog) {
    QImage image(183, 123, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    TCanvas canvas(&image);
    dialog.PaintWindowPicture(canvas, TRect(0, 0, 183, 123));
    return image;
  }
  // Page boxes crossed by a horizontal line of the window picture.
  static int BoxesOnLine(const QImage& image, int y, int left, int right) {
    int boxes = 0;
    bool inside = false;
    for (int x = left; x < right; ++x) {
      const bool face = int(image.pixel(x, y) & 0xFFFFFF) == Rgb(clBtnFace);
      if (face && !inside) ++boxes;
      inside = face;
    }
    return boxes;
  }
};

TEST_F(ZoomDialogPictureTest, WindowPictureShowsThePagesOfTheLayout) {
  // Three pages at 25 %: two columns of 199 x 281 pixels, centred.
  preview_->SetPageCount(3);
  preview_->SetZoomFactor(25);
  TfmZoom dialog;
  dialog.Initialize(*preview_);
  dialog.SetOwnerSize(QSize(512, 369));
  const QImage picture = PaintWindow(dialog);
  // The window rectangle (19, 10)-(162, 93): double dark frame, shadow inside.
  EXPECT_EQ(int(picture.pixel(19, 10) & 0xFFFFFF), Rgb(cl3DDkShadow));
  EXPECT_EQ(int(picture.pixel(20, 11) & 0xFFFFFF), Rgb(cl3DDkShadow));
  EXPECT_EQ(int(picture.pixel(161, 92) & 0xFFFFFF), Rgb(cl3DDkShadow));
  EXPECT_EQ(int(picture.pixel(22, 14) & 0xFFFFFF), Rgb(clBtnShadow));
  EXPECT_EQ(int(picture.pixel(18, 40) & 0xFFFFFF), Rgb(clBtnFace));
  // Nothing is left unpainted.
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) ASSERT_NE(picture.pixel(x, y) & 0xFFFFFF, 0xFF00FFu) << x << "," << y;
  EXPECT_EQ(BoxesOnLine(picture, 52, 21, 160), 2);

  // The grid of the hidden preview decides what shows.
  dialog.HiddenPreview()->SetPageXYCount(3, 1);
  EXPECT_EQ(BoxesOnLine(PaintWindow(dialog), 52, 21, 160), 3);
  dialog.HiddenPreview()->SetPageXYCount(1, 1);
  EXPECT_EQ(BoxesOnLine(PaintWindow(dialog), 52, 21, 160), 1);

  // A page larger than the window is cut at the window's edges.
  dialog.SetZoom(200);
  const QImage large = PaintWindow(dialog);
  EXPECT_EQ(int(large.pixel(161, 60) & 0xFFFFFF), Rgb(cl3DDkShadow));
  EXPECT_EQ(int(large.pixel(163, 60) & 0xFFFFFF), Rgb(clBtnFace));

  // No pages: the window stays empty.
  preview_->SetPageCount(0);
  TfmZoom empty;
  empty.Initialize(*preview_);
  empty.SetOwnerSize(QSize(512, 369));
  EXPECT_EQ(BoxesOnLine(PaintWindow(empty), 52, 21, 160), 0);
}

TEST_F(ZoomDialogPictureTest, FontSampleFollowsTheZoom) {
  TfmZoom dialog;
  dialog.Initialize(*preview_);
  const std::pair<int, int> sizes[] = {{10, 1}, {75, 9}, {100, 12}, {150, 18}, {500, 60}};
  for (auto [zoom, points] : sizes) {
    dialog.SetZoom(zoom);
    EXPECT_EQ(dialog.FontSampleFont().Size(), points) << zoom;
    EXPECT_EQ(dialog.FontSampleFont().Name, "Times New Roman");
  }

  auto paint = [&](int zoom) {
    dialog.SetZoom(zoom);
    QImage image(214, 54, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    TCanvas canvas(&image);
    dialog.PaintFontSample(canvas, TRect(0, 0, 214, 54));
    return image;
  };
  // The height of the first band of rows with ink (the first text line).
  auto firstLineHeight = [](const QImage& image) {
    int top = -1;
    for (int y = 4; y < image.height() - 2; ++y) {
      bool ink = false;
      for (int x = 2; x < image.width() - 2 && !ink; ++x) ink = qGray(image.pixel(x, y)) < 128;
      if (ink && top < 0) top = y;
      if (!ink && top >= 0) return y - top;
    }
    return top < 0 ? 0 : image.height() - 2 - top;
  };
  const QImage normal = paint(100);
  // The top two rows are left as they were; the frame starts below them.
  EXPECT_EQ(normal.pixel(100, 0) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_EQ(int(normal.pixel(100, 2) & 0xFFFFFF), Rgb(clWindowText));
  EXPECT_EQ(int(normal.pixel(0, 30) & 0xFFFFFF), Rgb(clWindowText));
  EXPECT_EQ(int(normal.pixel(3, 4) & 0xFFFFFF), Rgb(clWindow));
  // 12-point text at 100 %, three times as tall at 300 %.
  const int line = firstLineHeight(normal);
  EXPECT_GE(line, 8);
  EXPECT_LE(line, 20);
  EXPECT_GT(firstLineHeight(paint(300)), 2 * line);
}

}  // namespace
