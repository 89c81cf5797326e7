// The preview window under keys as the window system delivers them (to the
// widget that has the focus, after the shortcuts): the zoom box takes typed
// values, Delete edits the page box, Enter zooms only where a click would,
// menus and buttons show what they do, the zoom list shows its entries whole
// and the status bar tells whether there is a printer.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QToolButton>
#include <memory>

#include "editors/DialogControls.h"
#include "engine/ComponentPrinter.h"
#include "preview/PreviewWindow.h"
#include "tests/TestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/layout/TestPage.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// A report of three A4 pages, a grey cell near the top of each.
class TThreePagesLink : public TBasedxReportLink {
  DX_CLASS(TThreePagesLink, TBasedxReportLink)

 public:
  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.ClearItems();
    cells.Cells()->SetBounds(0, 0, 600, 2400);
    cells.Cells()->SetTransparent(true);
    for (int y = 10; y < 2400; y += 800) {
      auto* cell = new TdxReportCell(cells.Cells());
      cell->SetBounds(10, y, 200, 100);
      cell->SetColor(clGray);
      cell->SetTransparent(false);
    }
  }
};

class PreviewKeyboardTest : public ::testing::Test {
 protected:
  void TearDown() override {
    printer_.reset();
    Settle();
  }

  void AddPrinter() {
    env_.Device().SetOnlyPrinter(HandLetterPrinter("Hand"));
    env_.Device().RefreshPrinters();
  }

  // The window, active, with the focus on its preview.
  TdxfmStdPreview* Open() {
    auto* link = new TThreePagesLink;
    link->PrinterPage().SetMeasurementUnits(muMillimeters);  // the page's sizes are in millimetres
    SetUpTestPage(link->PrinterPage(), kTestA4);
    TdxfmStdPreview* window = preview_test::ShowPreview(*printer_, link, component_);
    if (!window) return nullptr;
    QApplication::setActiveWindow(window);
    window->PreviewControl()->setFocus();
    Settle();
    return window;
  }

  preview_test::PreviewWindowEnvironment env_;
  QWidget component_;
  std::unique_ptr<TdxComponentPrinter> printer_ = std::make_unique<TdxComponentPrinter>();
};

}  // namespace

// ---- Zoom box -------------------------------------------------------------------------------

// Alt+Z, a typed value and Enter: each input as the zoom box rules say; the
// focus returns to the preview. Esc puts the zoom back into the box.
TEST_F(PreviewKeyboardTest, TheZoomBoxTakesTypedValues) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPreview& preview = *window->PreviewControl();
  QComboBox* box = window->ZoomBox();
  ASSERT_TRUE(window->isActiveWindow());

  const struct {
    const char* typed;
    int zoom;
  } cases[] = {{"333", 333}, {"1000", 500}, {"37", 37}, {"abc", 37}, {"75%", 75}, {"3", 10}, {"33.6", 34}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    ASSERT_TRUE(PressKey(Qt::Key_Z, Qt::AltModifier));
    ASSERT_TRUE(box->hasFocus());
    box->lineEdit()->selectAll();
    TypeKeys(QString::fromLatin1(c.typed));
    PressKey(Qt::Key_Return);
    EXPECT_EQ(preview.ZoomFactor(), c.zoom);
    EXPECT_EQ(preview.ZoomMode(), pzmNone);
    EXPECT_EQ(box->currentText().toStdString(), std::to_string(c.zoom) + "%");
    EXPECT_TRUE(preview.hasFocus());
  }

  PressKey(Qt::Key_Z, Qt::AltModifier);
  box->lineEdit()->selectAll();
  TypeKeys("200");
  EXPECT_TRUE(box->currentText().startsWith("200"));  // the list may complete it
  PressKey(Qt::Key_Escape);
  EXPECT_EQ(preview.ZoomFactor(), 34);
  EXPECT_EQ(box->currentText().toStdString(), "34%");
  EXPECT_TRUE(preview.hasFocus());
}

// The open list is wide enough for its longest entry.
TEST_F(PreviewKeyboardTest, TheZoomListShowsItsEntriesWhole) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  QComboBox* box = window->ZoomBox();
  box->showPopup();
  Settle();
  QAbstractItemView* list = box->view();
  const int longest = list->fontMetrics().horizontalAdvance("Widen to Source Width");
  EXPECT_GT(longest, 0);
  EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0));
  EXPECT_GT(list->viewport()->width(), longest);
  box->hidePopup();
}

// ---- Spin boxes -----------------------------------------------------------------------------

// Delete removes the character after the cursor in the page box, as
// Backspace removes the one before it.
TEST_F(PreviewKeyboardTest, DeleteAndBackspaceEditThePageBox) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPSSpinEdit* box = window->PageBox();
  ASSERT_TRUE(box->isEnabled());
  box->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(box->hasFocus());
  box->setText("23");
  box->setCursorPosition(0);
  PressKey(Qt::Key_Delete);
  EXPECT_EQ(box->text().toStdString(), "3");
  box->setText("23");
  box->setCursorPosition(2);
  PressKey(Qt::Key_Backspace);
  EXPECT_EQ(box->text().toStdString(), "2");
  PressKey(Qt::Key_Return);
  EXPECT_EQ(window->SelectedPageIndex(), 1);
}

// ---- Enter ----------------------------------------------------------------------------------

// The thumbnails do not zoom on a click, so Enter leaves them alone too; in
// the main preview Enter zooms as a click does.
TEST_F(PreviewKeyboardTest, EnterZoomsOnlyWhereAClickWould) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  window->Action(pcThumbnails)->trigger();
  Settle();
  TdxPreview& thumbnails = *window->ThumbnailsPreview();
  ASSERT_TRUE(thumbnails.isVisible());
  thumbnails.setFocus();
  Settle();
  ASSERT_TRUE(thumbnails.hasFocus());
  const int small = thumbnails.ZoomFactor();
  PressKey(Qt::Key_Return);
  EXPECT_EQ(thumbnails.ZoomFactor(), small);

  TdxPreview& preview = *window->PreviewControl();
  preview.setFocus();
  preview.SetZoomFactor(50);
  PressKey(Qt::Key_Return);
  EXPECT_EQ(preview.ZoomFactor(), 100);
}

// ---- Menus and tool buttons -----------------------------------------------------------------

// A menu whose items are all hidden is not offered: Help shows only while
// the help command is visible.
TEST_F(PreviewKeyboardTest, TheHelpMenuShowsOnlyWithItsCommand) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  QMenuBar* bar = window->findChild<QMenuBar*>("MainMenu");
  ASSERT_NE(bar, nullptr);
  auto title = [&](const char* text) -> QAction* {
    for (QAction* a : bar->actions())
      if (a->text() == QLatin1String(text)) return a;
    return nullptr;
  };
  ASSERT_NE(title("&Help"), nullptr);
  ASSERT_FALSE(window->VisibleOptions() & (1u << pvoHelp));
  EXPECT_FALSE(title("&Help")->isVisible());
  for (const char* shown : {"&File", "&View", "F&ormat", "&Go"})
    if (QAction* a = title(shown)) {
      EXPECT_TRUE(a->isVisible()) << shown;
    }
  window->SetVisibleOptions(window->VisibleOptions() | (1u << pvoHelp));
  EXPECT_TRUE(title("&Help")->isVisible());
}

// The zoom and pane shortcuts run short commands: no tool button stays
// drawn pressed after them.
TEST_F(PreviewKeyboardTest, NoToolButtonStaysPressedAfterAShortcut) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  for (int key : {int(Qt::Key_1), int(Qt::Key_0), int(Qt::Key_Backslash), int(Qt::Key_W), int(Qt::Key_U),
                  int(Qt::Key_2)}) {
    SCOPED_TRACE(QKeySequence(key | Qt::ControlModifier).toString().toStdString());
    window->PreviewControl()->setFocus();
    EXPECT_TRUE(PressKey(key, Qt::ControlModifier));
    Settle();
    for (int c = 0; c < pcCommandCount; ++c)
      if (QToolButton* button = window->ToolButton(TdxPreviewCommand(c))) {
        EXPECT_FALSE(button->isDown()) << c;
      }
  }
  EXPECT_TRUE(window->ThumbnailsVisible());  // Ctrl+U did run
}

// ---- Status bar -----------------------------------------------------------------------------

// Without a printer there is no printable area: the status says so instead
// of blaming the margins.
TEST_F(PreviewKeyboardTest, TheStatusTellsWhenThereIsNoPrinter) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->StatusBar()->PanelText(TCustomdxPSPreviewWindow::spStatus), "No printers are installed");
  AddPrinter();
  window->UpdateControls();
  EXPECT_EQ(window->StatusBar()->PanelText(TCustomdxPSPreviewWindow::spStatus), "Ready");
}
