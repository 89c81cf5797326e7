// The preview window: opened through the component printer on a link that
// builds coloured cells; its texts, painting, zoom box, page box, command
// enabling, margin dragging into the printer page, panes, progress from the
// event bus, shortcuts and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QUrl>
#include <QDragEnterEvent>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QMouseEvent>
#include <memory>

#include "editors/DialogControls.h"
#include "engine/ComponentPrinter.h"
#include "platform/EnumBits.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "preview/PreviewWindow.h"
#include "report/EngineSettings.h"
#include "report/EventBus.h"
#include "tests/TestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/layout/TestPage.h"
#include "tests/preview/PreviewTestSupport.h"
#include "tests/ModalAnswers.h"

// The shortcut dispatch of the GUI library: offers a key to the shortcut map
// as the window system's key delivery does.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false,
                                               ushort count = 1);

namespace {

QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Mouse input at a client point of a preview control.
void SendMouse(TCustomdxPreview& preview, QEvent::Type type, TPoint p, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  const TRect c = preview.ClientRect();
  const QPointF local(p.X + c.Left, p.Y + c.Top);
  QMouseEvent e(type, local, preview.mapToGlobal(local), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(&preview, &e);
}
void Press(TCustomdxPreview& preview, TPoint p) {
  SendMouse(preview, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}
void Move(TCustomdxPreview& preview, TPoint p) {
  SendMouse(preview, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
}
void Release(TCustomdxPreview& preview, TPoint p) {
  SendMouse(preview, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

// A report of one column of cells, 600 pixels wide: a red cell at (10, 10)
// 200 x 100 and a green cell at (300, 10) 100 x 100, then blue cells lower
// down; ReportHeightPx decides how many pages it takes.
class TColourCellsLink : public TBasedxReportLink {
  DX_CLASS(TColourCellsLink, TBasedxReportLink)

 public:
  int ReportHeightPx = 2400;
  int Paints = 0;
  std::vector<int> PaintZooms;

  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.ClearItems();
    cells.Cells()->SetBounds(0, 0, 600, ReportHeightPx);
    cells.Cells()->SetTransparent(true);
    auto add = [&](int x, int y, int w, int h, TColor color) {
      auto* cell = new TdxReportCell(cells.Cells());
      cell->SetBounds(x, y, w, h);
      cell->SetColor(color);
      cell->SetTransparent(false);
      cell->SetCellSides(0);
    };
    add(10, 10, 200, 100, clRed);
    add(300, 10, 100, 100, clLime);
    for (int y = 400; y + 100 <= ReportHeightPx; y += 400) add(10, y, 100, 100, clBlue);
  }
  void PaintPage(TCanvas& canvas, const TRect& pageRect, int zoom, int pageIndex) override {
    ++Paints;
    PaintZooms.push_back(zoom);
    TBasedxReportLink::PaintPage(canvas, pageRect, zoom, pageIndex);
  }
};

class TestPrinter : public TdxComponentPrinter {
 public:
  void SetPrinting(bool value) { printing_ = value; }
  void SetBuilding(bool value) { building_ = value; }
  void ClearAbort() { abortRequested_ = false; }
};

void SetUpPage(TdxPrinterPage& page, TdxMeasurementUnits units) {
  page.BeginUpdate();
  page.SetMeasurementUnits(units);
  if (units == muMillimeters) {
    SetUpTestPage(page, kTestA4);
  } else {
    page.SetOrientation(poPortrait);
    page.SetDMPaper(1);
    page.SetPageSize({8500, 11000});
    page.SetMinMargins(TRect());
    page.SetMargins(TRect(500, 500, 500, 500));
    page.SetHeader(250);
    page.SetFooter(250);
  }
  page.SetScaleFactor(100);
  page.EndUpdate();
}

void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printer_ = std::make_unique<TestPrinter>();
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      questions_.push_back(text);
      return answer_;
    });
    dxPSSetBeepHook([this] { ++beeps_; });
  }

  void TearDown() override {
    printer_.reset();
    AnswerMessageBoxes({});
    dxPSSetBeepHook({});
    dxPSPreviewWindowDialogs() = TdxPreviewWindowDialogs();
    Settle();
  }

  // A printer with one Letter printer, without unprintable margins unless
  // asked (hundredths of a millimetre).
  void AddPrinter(int unprintable = 0) {
    env_.Device().SetOnlyPrinter(HandLetterPrinter("Hand", 100, unprintable));
    env_.Device().RefreshPrinters();
  }

  TdxfmStdPreview* Open(int reportHeight = 2400, TdxMeasurementUnits units = muMillimeters) {
    link_ = new TColourCellsLink;
    link_->ReportHeightPx = reportHeight;
    SetUpPage(link_->PrinterPage(), units);
    TdxfmStdPreview* window = preview_test::ShowPreview(*printer_, link_, component_);
    if (!window) return nullptr;
    window->activateWindow();
    Settle();
    return window;
  }

  QImage GrabPreview(TdxfmStdPreview& window) {
    window.PreviewControl()->repaint();
    return Grab(*window.PreviewControl());
  }

  // The widget rectangle of a preview page.
  static QRect PageRect(TdxPreview& preview, int index) {
    const TRect c = preview.ClientRect();
    const TRect& r = preview.Pages()[std::size_t(index)].Bounds;
    return QRect(r.Left + c.Left, r.Top + c.Top, r.Width(), r.Height());
  }

  preview_test::PreviewWindowEnvironment env_;
  QWidget component_;
  std::unique_ptr<TestPrinter> printer_;
  TColourCellsLink* link_ = nullptr;
  std::vector<std::string> questions_;
  bool answer_ = false;
  int beeps_ = 0;
};

}  // namespace

// ---- Texts and layout --------------------------------------------------------------

TEST_F(PreviewWindowTest, OpensWithCaptionBarsAndStatusTexts) {
  AddPrinter();
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle().toStdString(), "Print Preview");
  EXPECT_EQ(link_->PageCount(), 3);
  EXPECT_EQ(window->PageCount(), 3);
  EXPECT_EQ(window->ThumbnailsPreview()->PageCount(), 3);
  EXPECT_EQ(window->SelectedPageIndex(), 0);

  TdxPSPanelBar& status = *window->StatusBar();
  ASSERT_EQ(status.PanelCount(), 10);
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spPageCaption), "Page:");
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spPage), "1");
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spOfCaption), "of");
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spPageCount), "3");
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spPagesCaption), "Pages");
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spPaperSizeCaption), "Paper Size:");
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spPaperSize), "210 x 297 mm");
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spStatusCaption), "Status:");
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spStatus), "Ready");
  EXPECT_EQ(status.PanelWidth(TCustomdxPSPreviewWindow::spPage), 45);
  EXPECT_TRUE(status.PanelLowered(TCustomdxPSPreviewWindow::spPaperSize));
  EXPECT_FALSE(status.PanelLowered(TCustomdxPSPreviewWindow::spPaperSizeCaption));
  EXPECT_GE(status.PanelWidth(TCustomdxPSPreviewWindow::spPaperSizeCaption), 80);
  // The last panel takes the rest of the bar.
  const QRect last = status.PanelRect(TCustomdxPSPreviewWindow::spStatus);
  EXPECT_GT(last.width(), 100);

  TdxPSPanelBar& margins = *window->MarginBar();
  EXPECT_EQ(margins.PanelText(0), "Margins");
  EXPECT_EQ(margins.PanelText(1), "Left:");
  EXPECT_EQ(margins.PanelText(TCustomdxPSPreviewWindow::MarginValuePanel(pmLeft)), "12.7 mm");
  EXPECT_EQ(margins.PanelText(TCustomdxPSPreviewWindow::MarginValuePanel(pmHeader)), "6.4 mm");
  EXPECT_EQ(margins.PanelText(TCustomdxPSPreviewWindow::MarginValuePanel(pmFooter) - 1), "Footer:");
  EXPECT_EQ(margins.PanelWidth(TCustomdxPSPreviewWindow::MarginValuePanel(pmTop)), 70);

  // The parts carry the names the window gives them.
  for (const char* name : {"PreviewPane", "MarginBar", "PreviewControl", "ThumbnailsSplitter", "ThumbnailsPane",
                           "ThumbnailsPreview", "StatusBar", "ExplorerPane", "ZoomBox", "PageBox"})
    EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_FALSE(window->ThumbnailsPane()->isVisible());
  EXPECT_EQ(window->ZoomBox()->toolTip().toStdString(), "Zoom");
  EXPECT_EQ(window->PageBox()->toolTip().toStdString(), "Active Page");
  EXPECT_EQ(window->ToolButtonHint(pcZoomWholePage), "Whole Page (Ctrl+1)");
  EXPECT_EQ(window->ToolButtonHint(pcZoom100), "Zoom 100% (Ctrl+\\)");
  EXPECT_EQ(window->ToolButtonHint(pcPageSetup), "Page Setup");
  EXPECT_EQ(window->ToolButton(pcClose)->toolTip().toStdString(), "Close Preview (Alt+X)");
  EXPECT_EQ(window->Action(pcPrintDialog)->text().toStdString(), "&Print...");
  EXPECT_EQ(window->Action(pcZoomPageWidth)->shortcut(), QKeySequence("Ctrl+0"));
  EXPECT_EQ(window->Action(pcNextPage)->shortcut(), QKeySequence(Qt::Key_PageDown));
  EXPECT_GE(window->width(), 360);
}

TEST_F(PreviewWindowTest, ZoomListHoldsPercentagesAndModes) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  QComboBox* box = window->ZoomBox();
  ASSERT_EQ(box->count(), 13);
  const char* expected[] = {"500%",       "200%",       "150%",      "100%",       "75%",
                            "50%",        "25%",        "10%",       "Page Width", "Whole Page",
                            "Two Pages",  "Four Pages", "Widen to Source Width"};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(box->itemText(i).toStdString(), expected[i]);
  EXPECT_EQ(box->currentText().toStdString(), std::to_string(window->PreviewControl()->ZoomFactor()) + "%");
}

// ---- Painting -----------------------------------------------------------------------------

TEST_F(PreviewWindowTest, FirstPageShowsTheCellsAndTheMarginLines) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPreview& preview = *window->PreviewControl();
  window->ZoomToPercent(100);
  Settle();
  ASSERT_EQ(preview.ZoomFactor(), 100);
  const QImage image = GrabPreview(*window);
  const QRect page = PageRect(preview, 0);
  // 12.7 mm margins are 48 pixels at 96 dpi and 100 %.
  const int left = page.left() + 48, top = page.top() + 48;
  EXPECT_EQ(PixelRGB(image, left + 110, top + 60), 0xFF0000u);  // inside the red cell
  EXPECT_EQ(PixelRGB(image, left + 350, top + 60), 0x00FF00u);  // inside the green cell
  EXPECT_EQ(PixelRGB(image, left + 250, top + 60), 0xFFFFFFu);  // between them
  EXPECT_EQ(PixelRGB(image, page.left() + 20, page.top() + 20), 0xFFFFFFu);
  // The page was painted at the preview's zoom on the screen.
  ASSERT_FALSE(link_->PaintZooms.empty());
  EXPECT_EQ(link_->PaintZooms.back(), 100);

  // The selected page shows dotted margin lines in the window-text colour.
  const TRect c = preview.ClientRect();
  const int lineX = preview.MarginPos(preview.Margins().Left()) + c.Left;
  const int lineY = preview.MarginPos(preview.Margins().Top()) + c.Top;
  auto darkAlongColumn = [&](int x, int y0, int y1) {
    int dark = 0;
    for (int y = y0; y < y1; ++y) dark += qGray(image.pixel(x, y)) < 80;
    return dark;
  };
  auto darkAlongRow = [&](int y, int x0, int x1) {
    int dark = 0;
    for (int x = x0; x < x1; ++x) dark += qGray(image.pixel(x, y)) < 80;
    return dark;
  };
  EXPECT_GE(darkAlongColumn(lineX, page.top() + 5, page.top() + 40), 5);
  EXPECT_GE(darkAlongRow(lineY, page.left() + 5, page.left() + 40), 5);
  EXPECT_EQ(darkAlongColumn(lineX + 3, page.top() + 5, page.top() + 40), 0);

  // Without margins shown the lines go.
  window->Action(pcMargins)->trigger();
  EXPECT_FALSE(window->ShowMargins());
  const QImage plain = GrabPreview(*window);
  int dark = 0;
  for (int y = page.top() + 5; y < page.top() + 40; ++y) dark += qGray(plain.pixel(lineX, y)) < 80;
  EXPECT_EQ(dark, 0);
}

TEST_F(PreviewWindowTest, ThumbnailsPaintAtTheThumbnailZoom) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  window->Action(pcThumbnails)->trigger();
  Settle();
  ASSERT_TRUE(window->ThumbnailsPane()->isVisible());
  EXPECT_EQ(window->ThumbnailsPane()->width(), 400);
  link_->PaintZooms.clear();
  window->ThumbnailsPreview()->repaint();
  Grab(*window->ThumbnailsPreview());
  ASSERT_FALSE(link_->PaintZooms.empty());
  EXPECT_EQ(link_->PaintZooms.front(), 10);  // large thumbnails
  window->Action(pcSmallThumbnails)->trigger();
  EXPECT_EQ(window->ThumbnailsPreview()->ZoomFactor(), 5);
  link_->PaintZooms.clear();
  window->ThumbnailsPreview()->repaint();
  Grab(*window->ThumbnailsPreview());
  ASSERT_FALSE(link_->PaintZooms.empty());
  EXPECT_EQ(link_->PaintZooms.front(), 5);
}

// ---- Zoom box ---------------------------------------------------------------------------

TEST_F(PreviewWindowTest, ZoomBoxInputFollowsTheRules) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPreview& preview = *window->PreviewControl();
  QComboBox* box = window->ZoomBox();
  auto type = [&](const char* text) {
    box->setFocus();
    box->lineEdit()->setText(text);
    box->lineEdit()->setModified(true);
    // The box takes the keys (its edit passes the focus on to it).
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
  };
  type("75%");
  EXPECT_EQ(preview.ZoomFactor(), 75);
  EXPECT_EQ(preview.ZoomMode(), pzmNone);
  EXPECT_EQ(box->currentText().toStdString(), "75%");
  type("1000");
  EXPECT_EQ(preview.ZoomFactor(), 500);
  EXPECT_EQ(box->currentText().toStdString(), "500%");
  type("abc");
  EXPECT_EQ(preview.ZoomFactor(), 500);
  EXPECT_EQ(box->currentText().toStdString(), "500%");
  type("33.6");
  EXPECT_EQ(preview.ZoomFactor(), 34);
  EXPECT_EQ(box->currentText().toStdString(), "34%");
  type("60%%");
  EXPECT_EQ(preview.ZoomFactor(), 60);
  type("3");
  EXPECT_EQ(preview.ZoomFactor(), 10);

  window->ApplyZoomText("Page Width");
  EXPECT_EQ(preview.ZoomMode(), pzmPageWidth);
  window->ApplyZoomText("Two Pages");
  EXPECT_EQ(preview.ZoomMode(), pzmPages);
  EXPECT_EQ(preview.PageXCount(), 2);
  EXPECT_EQ(preview.PageYCount(), 1);
  window->ApplyZoomText("Widen to Source Width");
  EXPECT_EQ(preview.PageXCount(), link_->RenderInfo().ColumnCount());
  EXPECT_EQ(preview.PageYCount(), 1);
  // The box shows the zoom that resulted.
  EXPECT_EQ(box->currentText().toStdString(), std::to_string(preview.ZoomFactor()) + "%");

  // Esc puts the zoom back into the box and leaves the zoom alone.
  const int zoom = preview.ZoomFactor();
  box->setFocus();
  box->lineEdit()->setText("200");
  box->lineEdit()->setModified(true);
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(box, &esc);
  EXPECT_EQ(preview.ZoomFactor(), zoom);
  EXPECT_EQ(box->currentText().toStdString(), std::to_string(zoom) + "%");
}

// ---- Enabling -----------------------------------------------------------------------------

TEST_F(PreviewWindowTest, OnePageReportDisablesMultiPageZoomAndNavigation) {
  TdxfmStdPreview* window = Open(300);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->PageCount(), 1);
  for (TdxPreviewCommand c : {pcZoomTwoPages, pcZoomFourPages, pcFirstPage, pcPrevPage, pcNextPage, pcLastPage}) {
    EXPECT_FALSE(window->Action(c)->isEnabled()) << c;
    EXPECT_FALSE(window->ToolButton(c)->isEnabled()) << c;
  }
  EXPECT_TRUE(window->Action(pcZoomWholePage)->isEnabled());
  EXPECT_TRUE(window->Action(pcZoomPageWidth)->isEnabled());
  auto* model = qobject_cast<QStandardItemModel*>(window->ZoomBox()->model());
  ASSERT_NE(model, nullptr);
  EXPECT_FALSE(model->item(10)->isEnabled());  // Two Pages
  EXPECT_FALSE(model->item(11)->isEnabled());  // Four Pages
  EXPECT_TRUE(model->item(9)->isEnabled());
  EXPECT_FALSE(window->PageBox()->isEnabled());
  EXPECT_TRUE(window->PageBox()->text().isEmpty());
  // Typing a disabled entry does nothing either.
  const int zoom = window->PreviewControl()->ZoomFactor();
  window->ApplyZoomText("Four Pages");
  EXPECT_EQ(window->PreviewControl()->ZoomFactor(), zoom);
  EXPECT_NE(window->PreviewControl()->ZoomMode(), pzmPages);
}

TEST_F(PreviewWindowTest, NavigationAndPageBoxFollowTheSelection) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->PageCount(), 3);
  EXPECT_FALSE(window->Action(pcFirstPage)->isEnabled());
  EXPECT_FALSE(window->Action(pcPrevPage)->isEnabled());
  EXPECT_TRUE(window->Action(pcNextPage)->isEnabled());
  EXPECT_TRUE(window->Action(pcZoomTwoPages)->isEnabled());
  EXPECT_FALSE(window->Action(pcZoomFourPages)->isEnabled());  // needs more than 3 pages
  EXPECT_TRUE(window->PageBox()->isEnabled());
  EXPECT_EQ(window->PageBox()->AsInteger(), 1);

  window->Action(pcLastPage)->trigger();
  EXPECT_EQ(window->SelectedPageIndex(), 2);
  EXPECT_FALSE(window->Action(pcNextPage)->isEnabled());
  EXPECT_TRUE(window->Action(pcFirstPage)->isEnabled());
  EXPECT_EQ(window->StatusBar()->PanelText(TCustomdxPSPreviewWindow::spPage), "3");
  EXPECT_EQ(link_->CurrentPage(), 3);
  // The thumbnails follow the main preview, and the other way round.
  EXPECT_EQ(window->ThumbnailsPreview()->SelectedPageIndex(), 2);
  window->ThumbnailsPreview()->SetSelectedPageIndex(1);
  EXPECT_EQ(window->SelectedPageIndex(), 1);
  EXPECT_EQ(link_->CurrentPage(), 2);

  // Page box: typed number and Enter, then its keys.
  TdxPSSpinEdit* box = window->PageBox();
  box->setFocus();
  box->setText("3");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(box, &enter);
  EXPECT_EQ(window->SelectedPageIndex(), 2);
  box->setFocus();
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(box, &down);
  EXPECT_EQ(window->SelectedPageIndex(), 1);
  QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
  QApplication::sendEvent(box, &pageDown);
  EXPECT_EQ(window->SelectedPageIndex(), 2);
  QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
  QApplication::sendEvent(box, &pageUp);
  EXPECT_EQ(window->SelectedPageIndex(), 1);
  QKeyEvent ctrlUp(QEvent::KeyPress, Qt::Key_Up, Qt::ControlModifier);
  QApplication::sendEvent(box, &ctrlUp);
  EXPECT_EQ(window->SelectedPageIndex(), 2);
  EXPECT_EQ(box->AsInteger(), 3);
  // A page number beyond the report selects nothing new.
  box->setText("9");
  QApplication::sendEvent(box, &enter);
  EXPECT_EQ(window->SelectedPageIndex(), 2);
}

TEST_F(PreviewWindowTest, PrintCommandsFollowEnableAndVisibleOptions) {
  AddPrinter();
  dxPSPreviewWindowDialogs().PrintDialog = true;
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->Action(pcPrintDialog)->isEnabled());
  EXPECT_TRUE(window->ToolButton(pcPrint)->isEnabled());
  EXPECT_TRUE(window->ToolButton(pcPrintDialog)->isEnabled());
  EXPECT_EQ(window->ToolButton(pcPrint)->toolTip().toStdString(), "Print (Hand)");

  const TdxPreviewEnableOptions all = window->EnableOptions();
  window->SetEnableOptions(all & ~(1u << unsigned(peoPrint)));
  EXPECT_FALSE(window->Action(pcPrintDialog)->isEnabled());
  EXPECT_FALSE(window->ToolButton(pcPrint)->isEnabled());
  EXPECT_FALSE(window->ToolButton(pcPrintDialog)->isEnabled());
  EXPECT_TRUE(window->Action(pcPrintDialog)->isVisible());

  window->SetEnableOptions(all);
  window->SetVisibleOptions(window->VisibleOptions() & ~(1u << unsigned(pvoPrint)));
  Settle();  // the tool bar lays its buttons out when it gets to it
  EXPECT_FALSE(window->Action(pcPrintDialog)->isVisible());
  EXPECT_FALSE(window->ToolButton(pcPrint)->isVisible());
  EXPECT_FALSE(window->ToolButton(pcPrintDialog)->isVisible());
  EXPECT_TRUE(window->ToolButton(pcPageSetup)->isVisible());

  // While a job runs nothing more can be printed and the window cannot be
  // closed from its commands.
  window->SetVisibleOptions(window->VisibleOptions() | (1u << unsigned(pvoPrint)));
  printer_->SetPrinting(true);
  window->UpdateControls();
  EXPECT_FALSE(window->ToolButton(pcPrint)->isEnabled());
  EXPECT_FALSE(window->Action(pcClose)->isEnabled());
  EXPECT_FALSE(window->CanChangeMargins());
  printer_->SetPrinting(false);
  window->UpdateControls();
  EXPECT_TRUE(window->ToolButton(pcPrint)->isEnabled());
}

TEST_F(PreviewWindowTest, CommandsWithoutTheirDialogsAreUnavailable) {
  AddPrinter();
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  for (TdxPreviewCommand c : {pcPrintDialog, pcPageSetup, pcOptions, pcBackground, pcZoomSetup, pcTitle,
                              pcDateTime, pcPageNumbering, pcDesign, pcLoad, pcSave, pcUnload})
    EXPECT_FALSE(window->Action(c)->isEnabled()) << c;
  // Not offered by the defaults, or without an explorer.
  EXPECT_FALSE(window->Action(pcHelp)->isVisible());
  EXPECT_FALSE(window->Action(pcExplorer)->isVisible());
  EXPECT_FALSE(window->Action(pcAutoText)->isVisible());
  // The print button prints at once, without a dialog.
  EXPECT_TRUE(window->ToolButton(pcPrint)->isEnabled());

  // Given the dialogs, the commands come on and open them.
  int titles = 0, zooms = 0;
  dxPSPreviewWindowDialogs().Title = [&](TBasedxReportLink& link) {
    ++titles;
    EXPECT_EQ(&link, link_);
    return true;
  };
  dxPSPreviewWindowDialogs().ZoomSetup = [&](TCustomdxPreview& preview) {
    ++zooms;
    preview.SetZoomFactor(150);
    return true;
  };
  window->UpdateControls();
  ASSERT_TRUE(window->Action(pcTitle)->isEnabled());
  window->Action(pcTitle)->trigger();
  window->Action(pcZoomSetup)->trigger();
  EXPECT_EQ(titles, 1);
  EXPECT_EQ(zooms, 1);
  EXPECT_EQ(window->ZoomBox()->currentText().toStdString(), "150%");
}

TEST_F(PreviewWindowTest, PreferencesApplyToThePreviewAndThePageUnit) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  dxPSPreviewWindowDialogs().Preferences = [](TdxPreviewWindowPreferences& p) {
    EXPECT_EQ(p.MeasurementUnits, 2);  // the page's millimetres
    EXPECT_TRUE(p.ShowMargins);
    p.MeasurementUnits = 1;
    p.ShowMargins = false;
    p.ZoomStep = 25;
    p.MarginColor = clRed;
    p.ZoomOnMouseRoll = true;
    return true;
  };
  window->UpdateControls();
  window->Action(pcOptions)->trigger();
  TdxPreview& preview = *window->PreviewControl();
  EXPECT_EQ(preview.MeasurementUnits(), pmuInches);
  EXPECT_FALSE(window->ShowMargins());
  EXPECT_FALSE(preview.Margins().Gutter().Visible());
  EXPECT_EQ(preview.ZoomStep(), 25);
  EXPECT_EQ(preview.MarginColor(), clRed);
  EXPECT_TRUE(preview.OptionsZoom() & dxBit(pozZoomOnMouseRoll));
  EXPECT_EQ(link_->PrinterPage().MeasurementUnits(), muInches);
  // In inches the page keeps its size to a tenth of an inch.
  EXPECT_EQ(link_->PrinterPage().PageSize().X(), 8300);
  EXPECT_EQ(window->StatusBar()->PanelText(TCustomdxPSPreviewWindow::spPaperSize), "8.3 x 11.7 \"");
}

// ---- Margins ---------------------------------------------------------------------------

namespace {

// Drags the left margin of the selected page to value (tenths of a
// millimetre) with the mouse.
void DragLeftMargin(TdxPreview& preview, int value) {
  TdxPreviewMargin& left = preview.Margins().Left();
  const TRect& page = preview.Pages()[std::size_t(preview.SelectedPageIndex())].Bounds;
  const int y = page.Top + 300;
  const int from = preview.MarginPos(left);
  // The pixel whose value is the one asked for.
  const int to = page.Left + MulDiv(value, preview.ScreenPixelsPerInch() * preview.ZoomFactor(), 25400);
  Press(preview, {from, y});
  ASSERT_EQ(preview.DraggingMargin(), &left);
  Move(preview, {(from + to) / 2, y});
  Move(preview, {to, y});
  Release(preview, {to, y});
  ASSERT_EQ(preview.DraggingMargin(), nullptr);
}

}  // namespace

TEST_F(PreviewWindowTest, DraggedMarginReachesTheMillimetrePageAndRepaginates) {
  AddPrinter();
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPreview& preview = *window->PreviewControl();
  window->ZoomToPercent(200);
  Settle();
  ASSERT_TRUE(preview.isActiveWindow() || window->isActiveWindow());
  const int paintsBefore = link_->Paints;
  DragLeftMargin(preview, 300);
  EXPECT_EQ(preview.Margins().Left().Value(), 300);
  EXPECT_EQ(link_->PrinterPage().Margins().Left(), 30000);
  EXPECT_EQ(window->MarginBar()->PanelText(TCustomdxPSPreviewWindow::MarginValuePanel(pmLeft)), "30 mm");

  // The report was laid out again: the red cell now starts 30 mm in.
  const QImage image = GrabPreview(*window);
  EXPECT_GT(link_->Paints, paintsBefore);
  const QRect page = PageRect(preview, 0);
  const int top = page.top() + 96 + 20;         // 12.7 mm at 200 % plus some
  const int oldLeft = page.left() + 96 + 20;    // 12.7 mm at 200 % = 96 pixels
  const int newLeft = page.left() + 227 + 20;   // 30 mm at 200 % = 227 pixels
  EXPECT_EQ(PixelRGB(image, newLeft + 10, top + 40), 0xFF0000u);
  EXPECT_NE(PixelRGB(image, oldLeft + 10, top + 40), 0xFF0000u);
  EXPECT_EQ(beeps_, 0);
  EXPECT_EQ(window->StatusText(), "Ready");
}

TEST_F(PreviewWindowTest, DraggedMarginIsStoredInThousandthsOfAnInchOnAnInchPage) {
  TdxfmStdPreview* window = Open(2400, muInches);
  ASSERT_NE(window, nullptr);
  TdxPreview& preview = *window->PreviewControl();
  EXPECT_EQ(preview.MeasurementUnits(), pmuInches);
  window->ZoomToPercent(200);
  Settle();
  DragLeftMargin(preview, 300);
  EXPECT_EQ(preview.Margins().Left().Value(), 300);
  EXPECT_EQ(link_->PrinterPage().Margins().Left(), 1181);
}

TEST_F(PreviewWindowTest, MarginLeavingThePrintableAreaBeepsOnceAndSaysSo) {
  AddPrinter(630);
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPreview& preview = *window->PreviewControl();
  window->ZoomToPercent(200);
  Settle();
  DragLeftMargin(preview, 40);  // 4 mm: inside the 6.3 mm strip nobody can print on
  EXPECT_EQ(link_->PrinterPage().Margins().Left(), 4000);
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(window->StatusText(), "One or more margins are set outside the printable area of the page");
  EXPECT_EQ(window->StatusBar()->PanelText(TCustomdxPSPreviewWindow::spStatus), window->StatusText());
  DragLeftMargin(preview, 30);
  EXPECT_EQ(beeps_, 1);  // only the transition beeps
  DragLeftMargin(preview, 200);
  EXPECT_EQ(window->StatusText(), "Ready");
}

TEST_F(PreviewWindowTest, LoadingThePageValuesDoesNotWriteThemBack) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPrinterPage& page = link_->PrinterPage();
  page.Margins().SetTop(20000);
  // The page's change came back into the preview, and nothing else moved.
  EXPECT_EQ(window->PreviewControl()->Margins().Top().Value(), 200);
  EXPECT_EQ(page.Margins().Left(), 12700);
  EXPECT_EQ(page.Header(), 6350);
}

// ---- Panes and focus ---------------------------------------------------------------------

TEST_F(PreviewWindowTest, HidingThumbnailsMovesTheFocusAndShowingRestoresTheWidth) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  window->Action(pcThumbnails)->trigger();
  Settle();
  window->SetThumbnailsPaneWidth(300);
  EXPECT_EQ(window->ThumbnailsPane()->width(), 300);
  window->ThumbnailsPreview()->setFocus();
  Settle();
  window->Action(pcThumbnails)->trigger();
  Settle();
  EXPECT_FALSE(window->ThumbnailsPane()->isVisible());
  EXPECT_TRUE(window->PreviewControl()->hasFocus() || QApplication::focusWidget() == window->PreviewControl());
  EXPECT_FALSE(window->Action(pcThumbnails)->isChecked());
  window->Action(pcThumbnails)->trigger();
  Settle();
  EXPECT_EQ(window->ThumbnailsPane()->width(), 300);
  // The preview keeps at least 200 pixels.
  window->SetThumbnailsPaneWidth(5000);
  EXPECT_GE(window->PreviewControl()->width(), 200);
  window->resize(400, 400);
  Settle();
  EXPECT_GE(window->PreviewControl()->width(), 200);
}

TEST_F(PreviewWindowTest, DraggingTheThumbnailsSplitterResizesThePane) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  window->SetThumbnailsVisible(true);
  Settle();
  TdxPSPaneSplitter* splitter = window->ThumbnailsSplitter();
  const int before = window->ThumbnailsPane()->width();
  const QPointF start(2, 50);
  QMouseEvent press(QEvent::MouseButtonPress, start, splitter->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(splitter, &press);
  const QPointF moved(-48, 50);
  QMouseEvent move(QEvent::MouseMove, moved, splitter->mapToGlobal(moved), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(splitter, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, moved, splitter->mapToGlobal(moved), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(splitter, &release);
  EXPECT_EQ(window->ThumbnailsPane()->width(), before + 50);
}

TEST_F(PreviewWindowTest, BarsCanBeHidden) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  const int previewTop = window->PreviewControl()->y();
  window->Action(pcMarginBar)->trigger();
  window->Action(pcStatusBar)->trigger();
  Settle();
  EXPECT_FALSE(window->MarginBar()->isVisible());
  EXPECT_FALSE(window->StatusBar()->isVisible());
  EXPECT_LT(window->PreviewControl()->y(), previewTop);
  EXPECT_FALSE(window->Action(pcMarginBar)->isChecked());
}

// ---- Shortcuts ----------------------------------------------------------------------------

TEST_F(PreviewWindowTest, KeyboardShortcutsZoom) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  QApplication::setActiveWindow(window);
  window->PreviewControl()->setFocus();
  Settle();
  TdxPreview& preview = *window->PreviewControl();
  auto shortcut = [&](int key) {
    QObject* target = QApplication::focusWidget() ? static_cast<QObject*>(QApplication::focusWidget()) : window;
    return qt_sendShortcutOverrideEvent(target, 0, key, Qt::ControlModifier);
  };
  EXPECT_TRUE(shortcut(Qt::Key_1));
  EXPECT_EQ(preview.ZoomMode(), pzmPages);
  EXPECT_EQ(preview.PageXCount(), 1);
  EXPECT_EQ(preview.PageYCount(), 1);
  EXPECT_TRUE(shortcut(Qt::Key_0));
  EXPECT_EQ(preview.ZoomMode(), pzmPageWidth);
  EXPECT_TRUE(shortcut(Qt::Key_2));
  EXPECT_EQ(preview.PageXCount(), 2);
  EXPECT_TRUE(shortcut(Qt::Key_Backslash));
  EXPECT_EQ(preview.ZoomMode(), pzmNone);
  EXPECT_EQ(preview.ZoomFactor(), 100);
}

// ---- Progress --------------------------------------------------------------------------------

TEST_F(PreviewWindowTest, BuildAndPrintProgressShowInTheStatusBar) {
  AddPrinter();
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPSPanelBar& status = *window->StatusBar();
  const int panels = status.PanelCount();
  auto bus = dxPSEventSystem();

  // Another printer's notifications are not this window's.
  TdxComponentPrinter other;
  bus->ProcessEvent(std::make_unique<TdxPSBuildEvent>(&other, 0.0, nullptr, dxPSStageStart));
  EXPECT_EQ(window->ProgressBar(), nullptr);

  bus->ProcessEvent(std::make_unique<TdxPSBuildEvent>(printer_.get(), 0.0, link_, dxPSStageStart));
  ASSERT_NE(window->ProgressBar(), nullptr);
  EXPECT_EQ(window->ProgressBar()->maximum(), 100);
  EXPECT_EQ(status.PanelCount(), panels + 1);
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spStatus), "0 %");
  EXPECT_EQ(status.PanelWidth(TCustomdxPSPreviewWindow::spStatus), status.TextWidth("  999 %  "));
  EXPECT_EQ(window->PageCount(), 0);
  EXPECT_FALSE(status.SizeGrip());
  bus->ProcessEvent(std::make_unique<TdxPSBuildEvent>(printer_.get(), 42.4, link_, dxPSStageProgress));
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spStatus), "42 %");
  EXPECT_EQ(window->ProgressBar()->value(), 42);
  bus->ProcessEvent(std::make_unique<TdxPSBuildEvent>(printer_.get(), 100.0, link_, dxPSStageEnd));
  EXPECT_EQ(window->ProgressBar(), nullptr);
  EXPECT_EQ(status.PanelCount(), panels);
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spStatus), "Ready");
  EXPECT_TRUE(status.SizeGrip());

  bus->ProcessEvent(std::make_unique<TdxPSPrintEvent>(printer_.get(), 3, 0, link_, dxPSStageStart));
  ASSERT_NE(window->ProgressBar(), nullptr);
  EXPECT_EQ(window->ProgressBar()->maximum(), 3);
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spStatus), "1");
  bus->ProcessEvent(std::make_unique<TdxPSPrintEvent>(printer_.get(), 3, 1, link_, dxPSStageProgress));
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spStatus), "2");
  bus->ProcessEvent(std::make_unique<TdxPSPrintEvent>(printer_.get(), 3, 3, link_, dxPSStageEnd));
  EXPECT_EQ(window->ProgressBar(), nullptr);
  EXPECT_EQ(status.PanelText(TCustomdxPSPreviewWindow::spStatus), "Ready");
}

TEST_F(PreviewWindowTest, RebuildKeepsTheSelectedPage) {
  AddPrinter();
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  window->SelectPage(1);
  printer_->RebuildLink();
  EXPECT_EQ(window->PageCount(), 3);
  EXPECT_EQ(window->SelectedPageIndex(), 1);
  EXPECT_EQ(window->StatusText(), "Ready");
  // A shorter report moves the selection onto its last page.
  window->SelectPage(2);
  link_->ReportHeightPx = 1500;
  printer_->RebuildLink();
  EXPECT_EQ(window->PageCount(), 2);
  EXPECT_EQ(window->SelectedPageIndex(), 1);
}

TEST_F(PreviewWindowTest, ShrinkToPageAndHeaderSwitchesReachTheLink) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  window->Action(pcFitToPage)->trigger();
  EXPECT_TRUE(link_->ShrinkToPageWidth());
  EXPECT_TRUE(window->Action(pcFitToPage)->isChecked());
  EXPECT_EQ(window->PageCount(), link_->PageCount());
  window->Action(pcPageHeaders)->trigger();
  EXPECT_FALSE(link_->ShowPageHeader());
  EXPECT_FALSE(window->Action(pcPageHeaders)->isChecked());
  window->Action(pcPageFooters)->trigger();
  EXPECT_FALSE(link_->ShowPageFooter());
}

// ---- Closing ---------------------------------------------------------------------------------

TEST_F(PreviewWindowTest, ClosingWhilePrintingAsksAndStaysOpen) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  QPointer<QWidget> guard(window);
  printer_->SetPrinting(true);
  answer_ = false;
  EXPECT_FALSE(window->close());
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0], "Abort printing ?");
  EXPECT_FALSE(printer_->AbortRequested());
  EXPECT_TRUE(window->isVisible());
  // Asked once: a second attempt while the job runs asks nothing more.
  EXPECT_FALSE(window->close());
  EXPECT_EQ(questions_.size(), 1u);
  EXPECT_TRUE(window->CloseRequested());
  // When the job is over the close goes through.
  printer_->SetPrinting(false);
  EXPECT_TRUE(window->close());
  Settle();
  EXPECT_TRUE(guard.isNull());
  EXPECT_FALSE(printer_->Previewing());
}

TEST_F(PreviewWindowTest, AnsweringYesAbortsThePrintJob) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  printer_->SetPrinting(true);
  answer_ = true;
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(printer_->AbortRequested());
  EXPECT_TRUE(window->isVisible());
  printer_->SetPrinting(false);
}

TEST_F(PreviewWindowTest, EscAbortsPrinting) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  printer_->SetPrinting(true);
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(window->PreviewControl(), &esc);
  EXPECT_TRUE(printer_->AbortRequested());
  printer_->SetPrinting(false);
  // Without a job the preview keeps the key (it ends a margin drag there).
  printer_->ClearAbort();
  QApplication::sendEvent(window->PreviewControl(), &esc);
  EXPECT_FALSE(printer_->AbortRequested());
}

TEST_F(PreviewWindowTest, ModalPreviewReturnsWhenTheWindowCloses) {
  link_ = new TColourCellsLink;
  SetUpPage(link_->PrinterPage(), muMillimeters);
  preview_test::AttachLink(*printer_, link_, component_);
  bool sawWindow = false;
  int afterPreview = 0;
  printer_->OnAfterPreview = [&](TCustomdxComponentPrinter&, TBasedxReportLink*) { ++afterPreview; };
  QTimer::singleShot(0, [&] {
    auto* window = dynamic_cast<TdxfmStdPreview*>(printer_->PreviewWindow());
    ASSERT_NE(window, nullptr);
    sawWindow = window->isVisible() && window->isModal() && window->PageCount() == 3;
    EXPECT_FALSE(window->HoldsWaitCursor());
    window->Action(pcClose)->trigger();
  });
  printer_->Preview(true);
  EXPECT_TRUE(sawWindow);
  EXPECT_FALSE(printer_->Previewing());
  EXPECT_EQ(printer_->PreviewWindow(), nullptr);
  EXPECT_EQ(afterPreview, 1);
  EXPECT_EQ(dxPSWaitDepth(), 0);
}

// ---- Persistence -----------------------------------------------------------------------------

TEST_F(PreviewWindowTest, SettingsAreKeptOnlyWithARegistryPath) {
  ScratchDir dir;
  SetRegistryFile(dir.Path("registry.ini"));
  const std::string key = "Software\\Test\\Preview\\FormLayouts\\dxfmStdPreview";
  {
    TdxfmStdPreview* window = Open();
    ASSERT_NE(window, nullptr);
    window->SetThumbnailsVisible(true);
    window->close();
    Settle();
  }
  {
    TRegistry r;
    EXPECT_FALSE(r.KeyExists("\\" + key));
  }

  dxPSEngine()->RegistryPath = "Software\\Test\\Preview";
  {
    auto* window = new TdxfmStdPreview;
    window->AfterConstruction();
    window->SetThumbnailsVisible(true);
    window->SetThumbnailsLarge(false);
    window->SetShowMarginBar(false);
    window->SetLargeButtons(true);
    delete window;
  }
  {
    TRegistry r;
    ASSERT_TRUE(r.OpenKeyReadOnly("\\" + key));
    EXPECT_EQ(r.ReadInteger("ThumbnailsVisibility"), 2);
    EXPECT_FALSE(r.ReadBool("MarginBar"));
    EXPECT_TRUE(r.ReadBool("LargeBtns"));
    EXPECT_TRUE(r.ValueExists("ThumbnailsPaneWidth"));
    EXPECT_TRUE(r.ValueExists("Left"));
    EXPECT_TRUE(r.KeyExists("\\" + key + "\\PreviewControl"));
  }
  {
    TdxfmStdPreview* window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->ThumbnailsVisible());
    EXPECT_FALSE(window->ShowMarginBar());
    EXPECT_TRUE(window->LargeButtons());
    EXPECT_EQ(window->ToolBar()->height(), 54);
  }
  dxPSEngine()->RegistryPath.clear();
  printer_.reset();
  SetRegistryFile("");
}

// ---- Page setup, drops and the engine form ------------------------------------------------------

TEST_F(PreviewWindowTest, DoubleClicksOpenPageSetupOnTheirTabs) {
  std::vector<int> tabs;
  dxPSSetPageSetupDialog([&](TBasedxReportLink& link, int activeTab, bool*, bool*) {
    tabs.push_back(activeTab);
    link.RealPrinterPage().Margins().SetTop(25400);
    return true;
  });
  dxPSPreviewWindowDialogs().PageSetup = true;
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  auto doubleClick = [](QWidget& w, QPoint p) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), QPointF(w.mapToGlobal(p)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), QPointF(w.mapToGlobal(p)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &release);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(p), QPointF(w.mapToGlobal(p)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &dbl);
  };
  TdxPSPanelBar& status = *window->StatusBar();
  EXPECT_EQ(status.HintAt(status.PanelRect(TCustomdxPSPreviewWindow::spPaperSize).center()),
            "Double Click for Change Paper Size");
  doubleClick(status, status.PanelRect(TCustomdxPSPreviewWindow::spPaperSize).center());
  TdxPSPanelBar& bar = *window->MarginBar();
  doubleClick(bar, bar.PanelRect(TCustomdxPSPreviewWindow::MarginValuePanel(pmLeft)).center());
  TdxPreview& preview = *window->PreviewControl();
  const TRect c = preview.ClientRect();
  const int x = preview.MarginPos(preview.Margins().Left());
  doubleClick(preview, QPoint(x + c.Left, preview.Pages()[0].Bounds.Top + 300 + c.Top));
  EXPECT_EQ(tabs, (std::vector<int>{0, 1, 1}));
  // A confirmed page setup is taken into the preview.
  EXPECT_EQ(preview.Margins().Top().Value(), 254);
  EXPECT_EQ(window->MarginBar()->PanelText(TCustomdxPSPreviewWindow::MarginValuePanel(pmTop)), "25.4 mm");

  // Without the margin permission the margin bar does not answer.
  window->SetEnableOptions(window->EnableOptions() & ~(1u << unsigned(peoCanChangeMargins)));
  doubleClick(bar, bar.PanelRect(TCustomdxPSPreviewWindow::MarginValuePanel(pmLeft)).center());
  EXPECT_EQ(tabs.size(), 3u);
  EXPECT_FALSE(preview.OptionsBehavior() & dxBit(pobAllowDragMargins));
  dxPSSetPageSetupDialog({});
}

TEST_F(PreviewWindowTest, DroppedReportFileIsLoadedWhenFileOperationsAreShown) {
  auto& storage = dxPSReportLinkStorage();
  storage.IsReportStream = [](TByteView data) {
    return data.size() >= 3 && data[0] == 'R' && data[1] == 'P' && data[2] == 'T';
  };
  storage.ReadReport = [](TBasedxReportLink& link, TByteView data) {
    link.SetReportTitleText(std::string(data.begin() + 3, data.end()));
  };
  storage.WriteReport = [](TBasedxReportLink&, TBytes& data) { data = {'R', 'P', 'T'}; };
  ScratchDir dir;
  const std::string file = dir.Write("stored.rps", std::string("RPTStored"));
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->Action(pcLoad)->isEnabled());
  EXPECT_TRUE(window->Action(pcSave)->isEnabled());
  EXPECT_FALSE(window->Action(pcUnload)->isEnabled());

  auto drop = [&](QEvent::Type type) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    if (type == QEvent::DragEnter) {
      QDragEnterEvent e(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(window->PreviewControl(), &e);
      return std::make_pair(e.isAccepted(), e.dropAction());
    }
    QDropEvent e(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->PreviewControl(), &e);
    return std::make_pair(e.isAccepted(), e.dropAction());
  };

  window->SetVisibleOptions(window->VisibleOptions() & ~(1u << unsigned(pvoReportFileOperations)));
  auto refused = drop(QEvent::DragEnter);
  EXPECT_FALSE(refused.first);
  EXPECT_EQ(refused.second, Qt::IgnoreAction);

  window->SetVisibleOptions(window->VisibleOptions() | (1u << unsigned(pvoReportFileOperations)));
  auto accepted = drop(QEvent::DragEnter);
  EXPECT_TRUE(accepted.first);
  EXPECT_EQ(accepted.second, Qt::CopyAction);
  drop(QEvent::Drop);
  EXPECT_EQ(link_->StorageName(), file);
  EXPECT_TRUE(link_->IsExternalStorage());
  EXPECT_EQ(link_->ReportTitleText(), "Stored");
  EXPECT_EQ(window->windowTitle().toStdString(), "Print Preview - " + file);
  EXPECT_TRUE(window->Action(pcUnload)->isEnabled());
  window->Action(pcUnload)->trigger();
  EXPECT_FALSE(link_->IsExternalStorage());
  EXPECT_EQ(window->windowTitle().toStdString(), "Print Preview");
  storage = TdxReportLinkStorage();
}

TEST_F(PreviewWindowTest, EngineFormHoldsTheWaitCursorUntilShown) {
  const int depth = dxPSWaitDepth();
  {
    TdxfmStdPreview unshown;
    EXPECT_TRUE(unshown.HoldsWaitCursor());
    EXPECT_EQ(dxPSWaitDepth(), depth + 1);
  }
  EXPECT_EQ(dxPSWaitDepth(), depth);
  auto* shown = new TdxfmStdPreview;
  shown->show();
  EXPECT_FALSE(shown->HoldsWaitCursor());
  EXPECT_EQ(dxPSWaitDepth(), depth);
  EXPECT_EQ(shown->FormClassName(), "TdxfmStdPreview");
  EXPECT_TRUE(shown->Constructed());
  // The window cannot be made smaller than 360 x 300.
  shown->resize(100, 100);
  EXPECT_GE(shown->width(), 360);
  EXPECT_GE(shown->height(), 300);
  delete shown;
}

TEST_F(PreviewWindowTest, ClosingDuringABuildAsksNothingAndWaits) {
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  printer_->SetBuilding(true);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(questions_.empty());
  EXPECT_TRUE(window->CloseRequested());
  printer_->SetBuilding(false);
  EXPECT_TRUE(window->close());
}

TEST_F(PreviewWindowTest, PrintButtonPrintsAndACloseAskedMeanwhileFollowsTheJob) {
  AddPrinter();
  ScratchDir dir;
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->ToolButton(pcPrint)->isEnabled());
  QPointer<QWidget> guard(window);
  const std::string out = dir.Path("preview.pdf");
  GetPrintDevice().JobOutputFile = out;
  std::vector<std::string> statuses;
  answer_ = false;  // printing goes on
  printer_->OnNewPage = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
    statuses.push_back(window->StatusText());
    if (!window->CloseRequested()) window->close();
  };
  window->ToolButton(pcPrint)->click();
  EXPECT_EQ(PdfPageCount(out), 3);
  EXPECT_EQ(questions_, std::vector<std::string>{"Abort printing ?"});
  EXPECT_EQ(statuses, (std::vector<std::string>{"1", "2"}));
  Settle();
  EXPECT_TRUE(guard.isNull());
  EXPECT_FALSE(printer_->Previewing());
}
