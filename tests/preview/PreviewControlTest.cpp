#include <gtest/gtest.h>

#include <QLocale>
#include <QScrollBar>
#include <QTimer>

#include "platform/EnumBits.h"
#include "platform/Registry.h"
#include "preview/PreviewControl.h"
#include "tests/TestSupport.h"
#include "tests/preview/PreviewTestSupport.h"

using namespace preview_test;

namespace {
constexpr unsigned kWhite = 0xFFFFFF;      // clWindow
constexpr unsigned kBlack = 0x000000;      // clWindowFrame, clWindowText
constexpr unsigned kShadowGrey = 0x808080; // clBtnShadow
constexpr unsigned kHighlight = 0x000080;  // clHighlight
constexpr unsigned kRed = 0xFF0000;

// Sets the C locale for number texts while a test runs.
class CLocale {
 public:
  CLocale() : saved_(QLocale()) { QLocale::setDefault(QLocale::c()); }
  ~CLocale() { QLocale::setDefault(saved_); }

 private:
  QLocale saved_;
};

int CountColorInColumn(const QImage& img, int x, int top, int bottom, unsigned rgb) {
  int n = 0;
  for (int y = top; y < bottom; ++y) n += PixelRGB(img, x, y) == rgb;
  return n;
}
int CountColorInRow(const QImage& img, int y, int left, int right, unsigned rgb) {
  int n = 0;
  for (int x = left; x < right; ++x) n += PixelRGB(img, x, y) == rgb;
  return n;
}
}  // namespace

// ---------------------------------------------------------------------------
// Defaults and property limits

TEST(PreviewControl, NewControlHasDocumentedDefaults) {
  TdxPreview preview;
  EXPECT_EQ(preview.size(), QSize(320, 460));
  EXPECT_EQ(preview.ZoomFactor(), 100);
  EXPECT_TRUE(preview.ZoomedIn());
  EXPECT_EQ(preview.ZoomMode(), pzmNone);
  EXPECT_EQ(preview.PageCount(), 0);
  EXPECT_EQ(preview.SelectedPageIndex(), -1);
  EXPECT_EQ(preview.OriginalPageSize().Point(), (TPoint{2100, 2970}));
  EXPECT_EQ(preview.PageSizeInPixels(), (TPoint{794, 1123}));
  EXPECT_EQ(preview.Indent(), 13);
  EXPECT_EQ(preview.Color(), clBtnShadow);
  EXPECT_EQ(preview.MinZoomFactor(), 5);
  EXPECT_EQ(preview.MaxZoomFactor(), 500);
  EXPECT_EQ(preview.OptionsBehavior(), dxBit(pobAllowDragMargins) | dxBit(pobKeyNavigation) |
                                           dxBit(pobThumbTracking) | dxBit(pobAutoSwapMargins));
  const int expected[7] = {254, 254, 254, 254, 0, 127, 127};
  for (int k = 0; k < 7; ++k) {
    const TdxPreviewMargin& m = preview.Margins()[TdxPreviewMarginType(k)];
    EXPECT_EQ(m.Value(), expected[k]) << k;
    EXPECT_TRUE(m.Enabled() && m.Visible());
    EXPECT_EQ(m.MaxValue(), -1);
  }
  EXPECT_EQ(preview.Margins().Left().NamePath(), "Margins[pmLeft]");
  EXPECT_EQ(preview.Margins().Footer().Caption(), "Footer");
}

TEST(PreviewControl, ZoomFactorStaysWithinLimits) {
  TdxPreview preview;
  preview.SetZoomFactor(3);
  EXPECT_EQ(preview.ZoomFactor(), 5);
  preview.SetZoomFactor(1000);
  EXPECT_EQ(preview.ZoomFactor(), 500);
  preview.SetMinZoomFactor(600);
  EXPECT_EQ(preview.MinZoomFactor(), 500);
  preview.SetMinZoomFactor(1);
  EXPECT_EQ(preview.MinZoomFactor(), 5);
  preview.SetMaxZoomFactor(2);
  EXPECT_EQ(preview.MaxZoomFactor(), 5);
  EXPECT_EQ(preview.ZoomFactor(), 5);
  preview.SetZoomStep(0);
  EXPECT_EQ(preview.ZoomStep(), 1);
}

TEST(PreviewControl, IndentFollowsZoom) {
  TdxPreview preview;
  EXPECT_EQ(preview.Indent(), 13);
  preview.SetZoomFactor(50);
  EXPECT_EQ(preview.Indent(), 8);
  EXPECT_FALSE(preview.ZoomedIn());
}

TEST(PreviewControl, PageCountBelowOneBecomesOneAndSwitchesToPagesMode) {
  TdxPreview preview;
  int modeChanges = 0;
  preview.OnZoomModeChanged = [&](TCustomdxPreview&) { ++modeChanges; };
  preview.SetPageXCount(0);
  EXPECT_EQ(preview.PageXCount(), 1);
  EXPECT_EQ(preview.ZoomMode(), pzmPages);
  EXPECT_EQ(modeChanges, 1);
}

TEST(PreviewControl, UltraFlatLookLightensTheDefaultColourAndBackRestoresIt) {
  TdxPreview preview;
  preview.SetLookAndFeel(plfUltraFlat);
  EXPECT_EQ(ColorToRGB(preview.Color()), RGBValue(170, 170, 170));
  preview.SetLookAndFeel(plfStandard);
  EXPECT_EQ(preview.Color(), clBtnShadow);
  // A colour of the owner's choosing stays.
  preview.SetColor(clRed);
  preview.SetLookAndFeel(plfUltraFlat);
  EXPECT_EQ(preview.Color(), clRed);
}

// ---------------------------------------------------------------------------
// Zoom modes

TEST(PreviewZoomModes, PageWidthFitsTheClientWidth) {
  TdxPreview preview;
  preview.SetBorderStyle(bsNone);
  preview.SetScrollBars(ssNone);
  preview.resize(800, 600);
  preview.SetPageCount(3);
  preview.SetZoomMode(pzmPageWidth);
  ASSERT_EQ(preview.ClientWidth(), 800);
  EXPECT_EQ(preview.ZoomFactor(), 98);  // 800 x 100 / (794 + 26)
  EXPECT_EQ(preview.ColumnCount(), 1);
  EXPECT_EQ(preview.RowCount(), 3);
  EXPECT_EQ(preview.VisibleRowCount(), 1);
  EXPECT_EQ(preview.ZoomMode(), pzmPageWidth);
  // The fit follows the client.
  preview.resize(410, 600);
  EXPECT_EQ(preview.ZoomFactor(), 50);  // 410 x 100 / 820
  EXPECT_EQ(preview.ZoomMode(), pzmPageWidth);
}

TEST(PreviewZoomModes, TwoPagesTakeTheSmallerOfWidthAndHeightFits) {
  TdxPreview preview;
  preview.SetBorderStyle(bsNone);
  preview.SetScrollBars(ssNone);
  preview.resize(1000, 2000);
  preview.SetPageCount(4);
  preview.SetPageXYCount(2, 1);
  EXPECT_EQ(preview.ZoomFactor(), 61);  // (1000 - 12) x 100 / (2 x 803 + 9)
  EXPECT_EQ(preview.ColumnCount(), 2);
  // A short client: the height rule (600 - 8) x 100 / (1132 + 9) gives less.
  preview.resize(1000, 600);
  EXPECT_EQ(preview.ZoomFactor(), 52);
  EXPECT_EQ(preview.ZoomMode(), pzmPages);
}

TEST(PreviewZoomModes, WholePageAndFourPages) {
  TdxPreview preview;
  preview.SetBorderStyle(bsNone);
  preview.SetScrollBars(ssNone);
  preview.resize(820, 1149);
  preview.SetPageCount(8);
  preview.SetPageXYCount(1, 1);
  // Width: 812 x 100 / 812 = 100; height: 1141 x 100 / 1141 = 100.
  EXPECT_EQ(preview.ZoomFactor(), 100);
  EXPECT_EQ(preview.ColumnCount(), 1);
  preview.SetPageXYCount(2, 2);
  // Width: 808 x 100 / 1615 = 50; height: 1137 x 100 / 2273 = 50.
  EXPECT_EQ(preview.ZoomFactor(), 50);
  EXPECT_EQ(preview.ColumnCount(), 2);
  EXPECT_EQ(preview.VisibleRowCount(), 2);
  // Setting the zoom directly leaves the fit mode.
  preview.SetZoomFactor(75);
  EXPECT_EQ(preview.ZoomMode(), pzmNone);
}

TEST(PreviewZoomModes, FitNeverGoesBelowTheMinimum) {
  TdxPreview preview;
  preview.SetBorderStyle(bsNone);
  preview.SetScrollBars(ssNone);
  preview.resize(100, 100);
  preview.SetMinZoomFactor(10);
  preview.SetPageCount(20);
  preview.SetPageXYCount(10, 10);
  EXPECT_EQ(preview.ZoomFactor(), 10);
}

TEST(PreviewZoomModes, ToggleZoomSwitchesBetweenHundredAndThePreviousView) {
  auto preview = MakeSmallPreview(3);
  ASSERT_FALSE(preview->ZoomedIn());
  // A click on the selected page (away from the margins) zooms in.
  Click(*preview, {118, 117});
  EXPECT_EQ(preview->ZoomFactor(), 100);
  EXPECT_TRUE(preview->ZoomedIn());
  preview->MakePageVisible(0);
  Key(*preview, Qt::Key_Return);
  EXPECT_EQ(preview->ZoomFactor(), 20);
  EXPECT_FALSE(preview->ZoomedIn());
  // Zooming while zoomed in: the toggle goes back to 100 first.
  preview->ToggleZoom(true);
  preview->SetZoomFactor(150);
  preview->ToggleZoom(false);
  EXPECT_EQ(preview->ZoomFactor(), 100);
  preview->ToggleZoom(false);
  EXPECT_EQ(preview->ZoomFactor(), 20);
}

// Enter zooms like a click on the selected page: without zoom on click (the
// thumbnails pane) it leaves the zoom alone.
TEST(PreviewZoomModes, EnterTogglesOnlyWithZoomOnClick) {
  auto preview = MakeSmallPreview(3);
  preview->SetOptionsZoom(preview->OptionsZoom() & ~dxBit(pozZoomOnClick));
  ASSERT_EQ(preview->SelectedPageIndex(), 0);
  const int zoom = preview->ZoomFactor();
  Key(*preview, Qt::Key_Return);
  Key(*preview, Qt::Key_Enter);
  EXPECT_EQ(preview->ZoomFactor(), zoom);
  Click(*preview, {118, 117});
  EXPECT_EQ(preview->ZoomFactor(), zoom);
  preview->SetOptionsZoom(preview->OptionsZoom() | dxBit(pozZoomOnClick));
  Key(*preview, Qt::Key_Return);
  EXPECT_EQ(preview->ZoomFactor(), 100);
}

TEST(PreviewZoomModes, ToggleRestoresAFitMode) {
  TdxPreview preview;
  preview.SetBorderStyle(bsNone);
  preview.SetScrollBars(ssNone);
  preview.resize(820, 1149);
  preview.SetPageCount(8);
  preview.SetPageXYCount(2, 2);
  ASSERT_EQ(preview.ZoomFactor(), 50);
  preview.ToggleZoom(true);
  EXPECT_EQ(preview.ZoomFactor(), 100);
  EXPECT_EQ(preview.ZoomMode(), pzmNone);
  preview.ToggleZoom(false);
  EXPECT_EQ(preview.ZoomMode(), pzmPages);
  EXPECT_EQ(preview.ZoomFactor(), 50);
}

// ---------------------------------------------------------------------------
// Layout and painting

TEST(PreviewLayout, PagesSitInRowsAndColumnsCentredHorizontally) {
  auto preview = MakeSmallPreview(3);
  EXPECT_EQ(preview->Indent(), 5);
  EXPECT_EQ(preview->ColumnCount(), 2);
  EXPECT_EQ(preview->RowCount(), 2);
  EXPECT_EQ(preview->Pages()[0].Bounds, TRect(38, 5, 197, 230));
  EXPECT_EQ(preview->Pages()[1].Bounds, TRect(202, 5, 361, 230));
  EXPECT_EQ(preview->Pages()[2].Bounds, TRect(38, 235, 197, 460));
  EXPECT_EQ(preview->PageCell(1), TRect(200, 3, 364, 233));
  EXPECT_EQ(preview->PageIndexFromPoint({250, 100}), 1);
  EXPECT_EQ(preview->PageIndexFromPoint({5, 100}), -1);
  // pobNonCenterizePages keeps the block at the indent.
  preview->SetOptionsBehavior(preview->OptionsBehavior() | dxBit(pobNonCenterizePages));
  EXPECT_EQ(preview->Pages()[0].Bounds.Left, 5);
}

TEST(PreviewLayout, PaintShowsPagesFramesSelectionShadowAndBackground) {
  auto preview = MakeSmallPreview(3);
  ASSERT_EQ(preview->SelectedPageIndex(), 0);
  const QImage img = Grab(*preview);
  EXPECT_EQ(PixelRGB(img, 10, 10), kShadowGrey);            // control colour around the pages
  EXPECT_EQ(PixelRGB(img, 280, 100), kWhite);                // page 1 inside (window colour)
  EXPECT_EQ(PixelRGB(img, 201, 100), kBlack);                // page 1 frame, one pixel outside
  EXPECT_EQ(PixelRGB(img, 200, 100), kShadowGrey);
  EXPECT_EQ(PixelRGB(img, 362, 100), kBlack);                // page 1 drop shadow, 2 pixels
  EXPECT_EQ(PixelRGB(img, 363, 100), kBlack);
  EXPECT_EQ(PixelRGB(img, 362, 5), kShadowGrey);             // the shadow starts below the top
  EXPECT_EQ(PixelRGB(img, 364, 100), kShadowGrey);
  EXPECT_EQ(PixelRGB(img, 36, 100), kHighlight);             // selected page 0: two highlight pixels
  EXPECT_EQ(PixelRGB(img, 37, 100), kHighlight);
  EXPECT_EQ(PixelRGB(img, 35, 100), kShadowGrey);
  EXPECT_EQ(PixelRGB(img, 100, 3), kHighlight);
  // Selecting page 1 moves the frame.
  preview->SetSelectedPageIndex(1);
  const QImage img2 = Grab(*preview);
  EXPECT_EQ(PixelRGB(img2, 200, 100), kHighlight);
  EXPECT_EQ(PixelRGB(img2, 37, 100), kBlack);
  EXPECT_EQ(PixelRGB(img2, 36, 100), kShadowGrey);
  // A wider selection frame grows into the page.
  preview->SetSelectionFrameWidth(4);
  const QImage img3 = Grab(*preview);
  for (int x : {200, 201, 202, 203, 204}) EXPECT_EQ(PixelRGB(img3, x, 100), kHighlight) << x;
  EXPECT_EQ(PixelRGB(img3, 205, 100), kWhite);
}

TEST(PreviewLayout, SelectedPageShowsDottedMarginLines) {
  auto preview = MakeSmallPreview(3);
  preview->SetMarginColor(clRed);
  const QImage img = Grab(*preview);
  // Left margin x = 57, right x = 177, top y = 24, bottom y = 210.
  EXPECT_GT(CountColorInColumn(img, 57, 30, 200, kRed), 40);
  EXPECT_LT(CountColorInColumn(img, 57, 30, 200, kRed), 170);  // dotted, not solid
  EXPECT_EQ(CountColorInColumn(img, 59, 30, 200, kRed), 0);
  EXPECT_GT(CountColorInColumn(img, 177, 30, 200, kRed), 40);
  EXPECT_GT(CountColorInRow(img, 24, 60, 170, kRed), 30);
  EXPECT_GT(CountColorInRow(img, 210, 60, 170, kRed), 30);
  // No lines on the other pages.
  EXPECT_EQ(CountColorInColumn(img, 202 + 19, 30, 200, kRed), 0);
  // povMargins off hides them.
  preview->SetOptionsView(preview->OptionsView() & ~dxBit(povMargins));
  EXPECT_FALSE(preview->Margins().Left().Visible());
  EXPECT_EQ(CountColorInColumn(Grab(*preview), 57, 30, 200, kRed), 0);
}

TEST(PreviewLayout, PageBackgroundFillsPagesAndRepaints) {
  auto preview = MakeSmallPreview(2);
  preview->PageBackground().SetMode(bmBrush);
  preview->PageBackground().SetBrushColor(clRed);
  QImage img = Grab(*preview);
  EXPECT_EQ(PixelRGB(img, 120, 100), kRed);
  EXPECT_EQ(PixelRGB(img, 280, 100), kRed);
  // A drawing handler replaces the default background.
  preview->OnDrawPageBackground = [](TCustomdxPreview&, TCanvas& canvas, const TRect& r, int index) {
    canvas.FillRect(r, index == 0 ? clLime : clBlue);
  };
  preview->InvalidatePages();
  img = Grab(*preview);
  EXPECT_EQ(PixelRGB(img, 120, 100), 0x00FF00u);
  EXPECT_EQ(PixelRGB(img, 280, 100), 0x0000FFu);
}

TEST(PreviewLayout, NoPagesShowsTheMessage) {
  TestPreview preview;
  preview.SetBorderStyle(bsNone);
  preview.resize(400, 300);
  preview.show();
  const QImage img = Grab(preview);
  EXPECT_EQ(PixelRGB(img, 5, 5), kShadowGrey);
  // The text is drawn in the window colour around the centre, nowhere else.
  auto light = [&](int top, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < 400; ++x) n += ColorNear(PixelRGB(img, x, y), kWhite, 0x30);
    return n;
  };
  EXPECT_GT(light(130, 170), 50);
  EXPECT_EQ(light(0, 120), 0);
  EXPECT_EQ(light(180, 300), 0);
  // Page keys do nothing.
  Key(preview, Qt::Key_End);
  Key(preview, Qt::Key_PageDown);
  EXPECT_EQ(preview.SelectedPageIndex(), -1);
}

TEST(PreviewLayout, StandardBorderIsASunkenEdge) {
  TdxPreview preview;
  preview.resize(200, 200);
  preview.SetPageCount(1);
  EXPECT_EQ(preview.ClientRect().Left, 2);
  const QImage img = Grab(preview);
  EXPECT_EQ(PixelRGB(img, 0, 100), kShadowGrey);  // btn shadow outer left
  EXPECT_EQ(PixelRGB(img, 1, 100), kBlack);       // 3D dark shadow inner left
  preview.SetLookAndFeel(plfFlat);
  EXPECT_EQ(preview.ClientRect().Left, 1);
}

// ---------------------------------------------------------------------------
// Only the visible pages are painted

TEST(PreviewPainting, OnlyVisiblePagesOfAThousandAreAskedToPaint) {
  auto preview = MakeSmallPreview(1000);
  PaintLog log;
  log.Attach(*preview, clYellow);
  Grab(*preview);
  EXPECT_EQ(log.Distinct(), (std::set<int>{0, 1, 2, 3}));
  EXPECT_EQ(log.pages.size(), 4u);
  EXPECT_EQ(log.rects[0], preview->Pages()[log.pages[0]].Bounds);

  // Ten rows further down: rows 10 and 11.
  log.Clear();
  preview->SetTopPos(230 * 10);
  Grab(*preview);
  EXPECT_EQ(log.Distinct(), (std::set<int>{20, 21, 22, 23}));

  // The real paint after a one-line scroll asks only for pages in the
  // uncovered strip, and never for a page out of view.
  QApplication::processEvents();
  log.Clear();
  Wheel(*preview, -1);
  EXPECT_EQ(preview->TopPos(), 2330);
  QApplication::processEvents();
  for (int page : log.pages) EXPECT_TRUE(page >= 20 && page <= 25) << page;
  EXPECT_LE(log.pages.size(), 6u);
}

TEST(PreviewPainting, ContentIsNeverStaleAfterZoomScrollOrChange) {
  auto preview = MakeSmallPreview(4);
  TColor fill = clLime;
  std::vector<TRect> rects;
  preview->OnDrawPageContent = [&](TCustomdxPreview&, TCanvas& canvas, TRect& rect, int) {
    rects.push_back(rect);
    canvas.FillRect(rect, fill);
  };
  EXPECT_EQ(PixelRGB(Grab(*preview), 120, 100), 0x00FF00u);
  fill = clBlue;
  preview->InvalidatePages();
  EXPECT_EQ(PixelRGB(Grab(*preview), 120, 100), 0x0000FFu);
  rects.clear();
  preview->SetZoomFactor(30);
  Grab(*preview);
  ASSERT_FALSE(rects.empty());
  EXPECT_EQ(rects[0].Width(), 238);  // MulDiv(794, 30, 100)
}

// ---------------------------------------------------------------------------
// Selection and keyboard

TEST(PreviewSelection, EventsAndRefusal) {
  auto preview = MakeSmallPreview(5);
  std::vector<std::string> log;
  preview->OnSelectedPageChanging = [&](TCustomdxPreview&, int i) { log.push_back("changing " + std::to_string(i)); };
  preview->OnSelectedPageChanged = [&](TCustomdxPreview&, int i) { log.push_back("changed " + std::to_string(i)); };
  preview->SetSelectedPageIndex(3);
  EXPECT_EQ(log, (std::vector<std::string>{"changing 0", "changed 3"}));
  preview->SetSelectedPageIndex(99);
  EXPECT_EQ(preview->SelectedPageIndex(), 4);
  preview->OnSelectingPage = [](TCustomdxPreview&, int index, bool& can) { can = index != 2; };
  preview->SetSelectedPageIndex(2);
  EXPECT_EQ(preview->SelectedPageIndex(), 4);
  preview->SetSelectedPageIndex(1);
  preview->SelectNextPage();  // 2 is refused: 3
  EXPECT_EQ(preview->SelectedPageIndex(), 3);
  preview->SelectPrevPage();
  EXPECT_EQ(preview->SelectedPageIndex(), 1);
}

TEST(PreviewSelection, ShrinkingThePageCountRepairsTheSelection) {
  auto preview = MakeSmallPreview(5);
  preview->SetSelectedPageIndex(4);
  preview->OnSelectingPage = [](TCustomdxPreview&, int index, bool& can) { can = index != 2; };
  preview->SetPageCount(3);
  EXPECT_EQ(preview->SelectedPageIndex(), 1);  // nearest selectable at or before the old one
  preview->SetPageCount(0);
  EXPECT_EQ(preview->SelectedPageIndex(), -1);
}

TEST(PreviewKeyboard, PagingThroughRowsAndColumns) {
  // Two columns: rows [0 1] [2 3] [4].
  auto preview = MakeSmallPreview(5);
  auto sel = [&] { return preview->SelectedPageIndex(); };
  Key(*preview, Qt::Key_End);
  EXPECT_EQ(sel(), 4);
  Key(*preview, Qt::Key_PageUp);
  EXPECT_EQ(sel(), 3);
  Key(*preview, Qt::Key_Left);
  EXPECT_EQ(sel(), 2);
  Key(*preview, Qt::Key_Left);  // stays in its row
  EXPECT_EQ(sel(), 2);
  Key(*preview, Qt::Key_Right);
  EXPECT_EQ(sel(), 3);
  Key(*preview, Qt::Key_Right);
  EXPECT_EQ(sel(), 3);
  Key(*preview, Qt::Key_Up);
  EXPECT_EQ(sel(), 1);
  Key(*preview, Qt::Key_Down);
  EXPECT_EQ(sel(), 3);
  Key(*preview, Qt::Key_Down);  // below is empty: the last page
  EXPECT_EQ(sel(), 4);
  Key(*preview, Qt::Key_Down);
  EXPECT_EQ(sel(), 4);
  Key(*preview, Qt::Key_Home);
  EXPECT_EQ(sel(), 0);
  Key(*preview, Qt::Key_PageDown);
  EXPECT_EQ(sel(), 1);
  // Selecting a page scrolls its cell into view.
  Key(*preview, Qt::Key_End);
  EXPECT_EQ(preview->TopPos(), 393);  // cell bottom 465 + 225 + 3 minus the client height
}

TEST(PreviewKeyboard, RefusedPagesLeaveTheSelection) {
  auto preview = MakeSmallPreview(5);
  preview->SetSelectedPageIndex(2);
  preview->OnSelectingPage = [](TCustomdxPreview&, int, bool& can) { can = false; };
  for (int key : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Left, Qt::Key_Right,
                  Qt::Key_Up, Qt::Key_Down}) {
    Key(*preview, key);
    EXPECT_EQ(preview->SelectedPageIndex(), 2) << key;
  }
}

TEST(PreviewKeyboard, SingleColumnScrollsAndAltZooms) {
  auto preview = MakeLargePreview();
  preview->resize(900, 600);
  preview->SetPageCount(3);
  ASSERT_EQ(preview->ColumnCount(), 1);
  const int start = preview->TopPos();
  Key(*preview, Qt::Key_Down);
  EXPECT_EQ(preview->TopPos(), start + 30);
  Key(*preview, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(preview->TopPos(), start + 90);
  Key(*preview, Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(preview->ZoomFactor(), 110);
  Key(*preview, Qt::Key_Down, Qt::AltModifier);
  Key(*preview, Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(preview->ZoomFactor(), 90);
  // Numpad minus toggles out, plus back in; with Ctrl they step.
  preview->SetZoomFactor(100);
  Key(*preview, Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier);
  EXPECT_EQ(preview->ZoomFactor(), 110);
  // Without key navigation the arrows are not the control's.
  preview->SetOptionsBehavior(preview->OptionsBehavior() & ~dxBit(pobKeyNavigation));
  const int top = preview->TopPos();
  Key(*preview, Qt::Key_Down);
  EXPECT_EQ(preview->TopPos(), top);
}

// ---------------------------------------------------------------------------
// Mouse wheel and clicks

TEST(PreviewMouse, WheelScrollsOneLineOrZooms) {
  auto preview = MakeSmallPreview(10);
  Wheel(*preview, -1);
  EXPECT_EQ(preview->TopPos(), 30);
  Wheel(*preview, -1);
  EXPECT_EQ(preview->TopPos(), 60);
  Wheel(*preview, 1);
  EXPECT_EQ(preview->TopPos(), 30);
  Wheel(*preview, 1, Qt::ControlModifier);
  EXPECT_EQ(preview->ZoomFactor(), 30);
  preview->SetOptionsZoom(dxBit(pozZoomOnMouseRoll));
  Wheel(*preview, -1);
  EXPECT_EQ(preview->ZoomFactor(), 20);
}

TEST(PreviewMouse, ClickSelectsAnotherPageWithoutZooming) {
  auto preview = MakeSmallPreview(3);
  Click(*preview, {280, 100});
  EXPECT_EQ(preview->SelectedPageIndex(), 1);
  EXPECT_EQ(preview->ZoomFactor(), 20);
  // A click while the form is inactive only activates it.
  preview->active = false;
  Click(*preview, {120, 100});
  EXPECT_EQ(preview->SelectedPageIndex(), 1);
}

TEST(PreviewMouse, HotTrackSelectsThePageUnderTheMouse) {
  auto preview = MakeSmallPreview(3);
  preview->SetOptionsBehavior(preview->OptionsBehavior() | dxBit(pobHotTrack));
  Move(*preview, {120, 300 - 40});
  EXPECT_EQ(preview->SelectedPageIndex(), 2);
}

TEST(PreviewMouse, CursorShowsMarginSizingAndZoom) {
  auto preview = MakeSmallPreview(3);
  Move(*preview, {57, 100});
  EXPECT_EQ(preview->cursor().shape(), Qt::SplitHCursor);
  Move(*preview, {120, 24});
  EXPECT_EQ(preview->cursor().shape(), Qt::SplitVCursor);
  Move(*preview, {120, 100});
  EXPECT_EQ(preview->cursor().shape(), Qt::BitmapCursor);
  Move(*preview, {280, 100});  // not the selected page
  EXPECT_EQ(preview->cursor().shape(), Qt::ArrowCursor);
}

// ---------------------------------------------------------------------------
// Auto scrolling

TEST(PreviewAutoScroll, DirectionAndSpeed) {
  int speed = -1;
  EXPECT_EQ(dxPreviewAutoScrollDirection(0, 0, 14, true, true, &speed), asdNone);
  EXPECT_EQ(speed, 0);
  EXPECT_EQ(dxPreviewAutoScrollDirection(10, -12, 14, true, true), asdNone);  // inside the square
  EXPECT_EQ(dxPreviewAutoScrollDirection(20, 0, 14, true, true, &speed), asdRight);
  EXPECT_EQ(speed, 2);
  EXPECT_EQ(dxPreviewAutoScrollDirection(200, 0, 14, true, true, &speed), asdRight);
  EXPECT_EQ(speed, 12);
  EXPECT_EQ(dxPreviewAutoScrollDirection(50, -10, 14, true, true), asdRight);  // within arcsin(14/51)
  EXPECT_EQ(dxPreviewAutoScrollDirection(100, -100, 14, true, true), asdUpRight);
  EXPECT_EQ(dxPreviewAutoScrollDirection(-100, 100, 14, true, true), asdDownLeft);
  EXPECT_EQ(dxPreviewAutoScrollDirection(0, -40, 14, true, true), asdUp);
  EXPECT_EQ(dxPreviewAutoScrollDirection(-40, 5, 14, true, true), asdLeft);
  // One axis only: no diagonals, and the other axis is one wide band.
  EXPECT_EQ(dxPreviewAutoScrollDirection(100, -100, 14, true, false), asdRight);
  EXPECT_EQ(dxPreviewAutoScrollDirection(100, 100, 14, false, true), asdDown);
  EXPECT_EQ(dxPreviewAutoScrollDirection(300, 10, 14, false, true), asdNone);
  EXPECT_EQ(dxPreviewAutoScrollDirection(100, 100, 14, false, false), asdNone);
}

TEST(PreviewAutoScroll, MiddleButtonScrollsUntilEscape) {
  auto preview = MakeSmallPreview(40);
  const QPoint center = preview->mapToGlobal(QPoint(200, 150));
  bool sentMove = false, sawDown = false;
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!preview->IsAutoScrolling()) return;
    if (!sentMove) {
      // The pointer 200 pixels below the press point: down at full speed.
      QMouseEvent move(QEvent::MouseMove, QPointF(200, 350), QPointF(center + QPoint(0, 200)), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(preview.get(), &move);
      sentMove = true;
      sawDown = preview->AutoScrollDirection() == asdDown;
    } else if (preview->TopPos() > 0 || elapsed.elapsed() > 5000) {
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(preview.get(), &esc);
    }
  });
  poll.start();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(200, 150), QPointF(center), Qt::MiddleButton, Qt::MiddleButton,
                    Qt::NoModifier);
  QApplication::sendEvent(preview.get(), &press);  // returns when the loop ends
  poll.stop();
  EXPECT_TRUE(sawDown);
  EXPECT_FALSE(preview->IsAutoScrolling());
  EXPECT_GT(preview->TopPos(), 0);
  EXPECT_EQ(preview->TopPos() % 30, 0);
  EXPECT_EQ(preview->LeftPos(), 0);
}
