// Pagination: the page grid the render info cuts a document into (columns,
// rows, break candidates, scale, title, header and footer cells, centring,
// empty pages), its queries and its stream form; the report title and the
// font and bitmap pools of the link.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "layout/ReportRenderer.h"
#include "layout/RenderLink.h"
#include "platform/Exceptions.h"
#include "tests/layout/RenderTestLink.h"
#include "tests/report/TestStream.h"

namespace {

// Printable area of the test page at 100 %: 7.5 x 10 inches.
constexpr int kW = 36000;
constexpr int kH = 48000;
// Half-inch margins.
constexpr int kMargin = 2400;

std::vector<int> V(std::initializer_list<int> values) { return values; }

}  // namespace

// ---- Columns and rows -----------------------------------------------------------------

TEST(RenderInfoGrid, SizesFollowThePage) {
  TRenderTestLink link;
  link.SetReportSize(1000, 1000);
  link.AddCell(TRect(0, 0, 1000, 1000));
  link.info.Calculate();
  EXPECT_EQ(link.info.PageSize(), (TPoint{40800, 52800}));
  EXPECT_EQ(link.info.ContentSize(), (TPoint{kW, kH}));
  EXPECT_EQ(link.info.ScaleNumerator(), 100);
  EXPECT_EQ(link.info.ScaleDenominator(), 100);
  EXPECT_EQ(link.info.ToReportUnits(127), kMargin);
  ASSERT_EQ(link.info.PageCount(), 1);
  EXPECT_EQ(link.info.Page(0).Offset, (TPoint{kMargin, kMargin}));
  EXPECT_EQ(link.info.Page(0).ContentRect, TRect(0, 0, 1000, 1000));
}

TEST(RenderInfoGrid, SeveralColumnsAndRowsWithoutCandidates) {
  TRenderTestLink link;
  link.SetReportSize(3 * kW + kW / 2, 2 * kH + 1000);
  link.AddCell(TRect(0, 0, 3 * kW + kW / 2, 2 * kH + 1000));
  link.info.Calculate();
  EXPECT_EQ(link.info.ColumnBounds(), V({0, kW, 2 * kW, 3 * kW, 3 * kW + kW / 2}));
  EXPECT_EQ(link.info.RowBounds(), V({0, kH, 2 * kH, 2 * kH + 1000}));
  ASSERT_EQ(link.info.ColumnCount(), 4);
  ASSERT_EQ(link.info.RowCount(), 3);
  ASSERT_EQ(link.info.PageCount(), 12);
  // Pages go row by row.
  const TdxPSPageRenderInfo& p5 = link.info.Page(5);  // column 1, row 1
  EXPECT_EQ(p5.ContentRect, TRect(kW, kH, 2 * kW, 2 * kH));
  EXPECT_EQ(p5.PageRect, p5.ContentRect);
  EXPECT_FALSE(p5.IsFirstRow);
  EXPECT_FALSE(p5.IsLastRow);
  EXPECT_TRUE(link.info.Page(3).IsFirstRow);
  EXPECT_FALSE(link.info.Page(4).IsFirstRow);
  EXPECT_TRUE(link.info.Page(8).IsLastRow);
  EXPECT_FALSE(link.info.Page(7).IsLastRow);
  EXPECT_EQ(link.info.Page(11).ContentRect, TRect(3 * kW, 2 * kH, 3 * kW + kW / 2, 2 * kH + 1000));
  // The one cell spans every page.
  for (int i = 0; i < 12; ++i) EXPECT_EQ(link.info.Page(i).Runs, (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST(RenderInfoGrid, OneAndAHalfPageWidthsCutAtExactlyOnePageWidth) {
  for (int scale : {100, 80}) {
    SCOPED_TRACE(scale);
    TRenderTestLink link;
    link.page.SetScaleFactor(scale);
    int pageWidth = MulDiv(kW, 100, scale);
    link.SetReportSize(pageWidth + pageWidth / 2, 1000);
    link.info.Calculate();
    EXPECT_EQ(link.info.ColumnBounds(), V({0, pageWidth, pageWidth + pageWidth / 2}));
    EXPECT_EQ(link.info.ColumnCount(), 2);
  }
}

TEST(RenderInfoGrid, CandidateExactlyAtThePageWidthIsTaken) {
  TRenderTestLink link;
  link.SetReportSize(kW + kW / 2, 1000);
  link.horzDelimiters = {20000, kW};
  link.info.Calculate();
  EXPECT_EQ(link.info.ColumnBounds(), V({0, kW, kW + kW / 2}));

  // One unit further it is out of reach: the cut goes to the candidate before.
  link.horzDelimiters = {20000, kW + 1};
  link.info.Calculate();
  EXPECT_EQ(link.info.ColumnBounds(), V({0, 20000, kW + kW / 2}));
  EXPECT_EQ(link.info.HorzBreaks(), V({0, 20000, kW + 1, kW + kW / 2}));
}

TEST(RenderInfoGrid, ItemWiderThanAPageIsCutAtThePageWidth) {
  TRenderTestLink link;
  link.SetReportSize(100000, 1000);
  // A cell from 10000 to 90000: no candidate between lies within reach.
  link.horzDelimiters = {10000, 90000, 250000, -5};
  link.info.Calculate();
  EXPECT_EQ(link.info.HorzBreaks(), V({0, 10000, 90000, 100000}));  // out-of-range candidates dropped
  EXPECT_EQ(link.info.ColumnBounds(), V({0, 10000, 10000 + kW, 10000 + 2 * kW, 100000}));
}

// Where the report has items, no column holds only the window's background
// while items follow, and none is a sliver of a few pixels: the cut goes to
// the room instead; a last column of background or a sliver joins the one
// before it, whose page shows what fits. Where the candidates give columns
// with items, they stay.
TEST(RenderInfoGrid, NoColumnHoldsOnlyBackgroundOrASliver) {
  const int px = 50;  // report units of a screen pixel
  const struct {
    const char* what;
    int width;
    std::vector<TRect> cells;
    std::vector<int> delimiters;
    std::vector<int> bounds;
  } cases[] = {
      {"the items 16 pixels in", kW + 40 * px, {TRect(16 * px, 0, kW + 30 * px, 1000)}, {16 * px, kW + 30 * px},
       V({0, kW, kW + 40 * px})},
      {"background after the last cut", kW + 3 * px, {TRect(0, 0, kW, 1000)}, {kW}, V({0, kW + 3 * px})},
      {"a sliver after the last cut", kW + 3 * px, {TRect(0, 0, kW + 3 * px, 1000), TRect(100, 0, kW, 500)}, {kW},
       V({0, kW + 3 * px})},
      {"a sliver before the next candidate", 3 * kW,
       {TRect(0, 0, 3 * px, 1000), TRect(3 * px, 0, 3 * kW, 1000)}, {3 * px}, V({0, kW, 2 * kW, 3 * kW})},
      {"columns with items", kW + kW / 2, {TRect(0, 0, 20000, 1000), TRect(20000, 0, kW + kW / 2, 1000)},
       {20000, kW + 1}, V({0, 20000, kW + kW / 2})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TRenderTestLink link;
    link.SetReportSize(c.width, 1000);
    for (const TRect& r : c.cells) link.AddCell(r, clRed);
    link.horzDelimiters = c.delimiters;
    link.info.Calculate();
    EXPECT_EQ(link.info.ColumnBounds(), c.bounds);
    // No page is wider than the printable area.
    for (int i = 0; i < link.info.GridPageCount(); ++i) EXPECT_LE(link.info.Page(i).PageRect.Width(), kW);
  }
}

// Rows likewise, here at 200 %: the window's top strip above the items is
// no row of its own.
TEST(RenderInfoGrid, NoRowHoldsOnlyBackground) {
  TRenderTestLink link;
  link.page.SetScaleFactor(200);
  const int room = kH / 2;
  link.SetReportSize(1000, 2 * room + 600);
  link.AddCell(TRect(0, 600, 1000, 2 * room + 300), clRed);
  link.vertDelimiters = {600, 2 * room + 300};
  link.info.Calculate();
  EXPECT_EQ(link.info.RowBounds(), V({0, room, 2 * room, 2 * room + 600}));
  for (int i = 0; i < link.info.GridPageCount(); ++i) EXPECT_FALSE(link.info.Page(i).Runs.empty()) << i;
}

TEST(RenderInfoGrid, RowsUseVerticalCandidatesAndScale) {
  TRenderTestLink link;
  link.page.SetScaleFactor(50);  // a page holds twice as much
  link.SetReportSize(1000, 200000);
  link.vertDelimiters = {50000, 95000, 97000, 150000};
  link.info.Calculate();
  EXPECT_EQ(link.info.ScaleDenominator(), 50);
  EXPECT_EQ(link.info.RowBounds(), V({0, 95000, 150000, 200000}));
  EXPECT_EQ(link.info.ToReportUnits(127), 2 * kMargin);
  EXPECT_EQ(link.info.Page(0).Offset, (TPoint{2 * kMargin, 2 * kMargin}));
}

TEST(RenderInfoGrid, PreferredBreaksWithinReachWin) {
  TRenderTestLink link;
  link.SetReportSize(1000, 100000);
  link.vertDelimiters = {10000, 20000, 30000, 40000, 60000, 90000};
  link.info.Calculate();
  EXPECT_EQ(link.info.RowBounds(), V({0, 40000, 60000, 100000}));
  link.preferredBreaks = {10000, 20000, 90000};
  link.info.Calculate();
  // The last preferred candidate within reach; none within reach: the last
  // candidate; the rest fits: no cut.
  EXPECT_EQ(link.info.RowBounds(), V({0, 20000, 60000, 100000}));
  link.preferEarliest = true;
  link.info.Calculate();
  EXPECT_EQ(link.info.RowBounds(), V({0, 10000, 20000, 60000, 100000}));
}

TEST(RenderInfoGrid, FitScaleTwiceAsWideGives49) {
  TRenderTestLink link;
  link.page.SetScaleMode(smFit);
  link.SetReportSize(2 * kW, 3 * kH);
  link.info.Calculate();
  EXPECT_EQ(link.info.ScaleDenominator(), 49);
  EXPECT_EQ(link.info.ColumnCount(), 1);
  // Rows hold kH x 100 / 49 units each.
  EXPECT_EQ(link.info.RowBounds()[1], MulDiv(kH, 100, 49));
  EXPECT_EQ(dxPSCalcScaleFactor(link.page, 0), 100);
  link.page.SetScaleMode(smAdjust);
  link.page.SetScaleFactor(130);
  EXPECT_EQ(dxPSCalcScaleFactor(link.page, 2 * kW), 130);
}

TEST(RenderInfoGrid, EmptyDocumentHasNoPages) {
  TRenderTestLink link;
  link.SetReportSize(0, 5000);
  link.info.Calculate();
  EXPECT_EQ(link.info.ColumnCount(), 0);
  EXPECT_EQ(link.info.PageCount(), 0);
  EXPECT_TRUE(link.info.ColumnBounds().empty());
  EXPECT_EQ(link.info.VisiblePageToIndex(0), -1);
  EXPECT_FALSE(link.info.IsPageShown(0));
}

TEST(RenderInfoGrid, HugeDamagedDocumentStaysWithinThePageLimit) {
  // A page that holds a few dozen units of a document of the largest size a
  // report file may give would need billions of pages.
  struct TinyPageLink : TRenderTestLink {
    int RealScaleFactor() override { return 1000000; }
  } link;
  link.SetReportSize(dxMaxReportLength, dxMaxReportLength);
  link.info.Calculate();
  EXPECT_EQ(link.info.ColumnCount(), TdxPSReportRenderInfo::MaxColumns);
  EXPECT_LE(link.info.GridPageCount(), TdxPSReportRenderInfo::MaxPages);
  EXPECT_EQ(link.info.ColumnBounds().back(), dxMaxReportLength);
  EXPECT_EQ(link.info.RowBounds().back(), dxMaxReportLength);
  EXPECT_EQ(link.info.ColumnBounds()[1], MulDiv(kW, 100, 1000000));  // ordinary columns before the last
}

TEST(RenderInfoGrid, CalculateDoesNothingWhileLocked) {
  TRenderTestLink link;
  link.SetReportSize(2 * kW, 1000);
  link.info.Lock();
  link.info.Calculate();
  EXPECT_EQ(link.info.PageCount(), 0);
  link.info.Unlock();
  link.info.Calculate();
  EXPECT_EQ(link.info.PageCount(), 2);
}

// ---- Centring and offsets -----------------------------------------------------------------

TEST(RenderInfoOffsets, CenterOnPageShiftsNarrowContentByHalfTheDifference) {
  TRenderTestLink link;
  link.SetReportSize(kW + kW / 2, 10000);
  link.page.SetCenterOnPageH(true);
  link.info.Calculate();
  ASSERT_EQ(link.info.PageCount(), 2);
  EXPECT_EQ(link.info.Page(0).Offset.X, kMargin);                  // a full page wide
  EXPECT_EQ(link.info.Page(1).Offset.X, kMargin + (kW / 2) / 2);  // half a page wide
  EXPECT_EQ(link.info.Page(1).Offset.Y, kMargin);

  link.page.SetCenterOnPageH(false);
  link.page.SetCenterOnPageV(true);
  link.info.Calculate();
  EXPECT_EQ(link.info.Page(1).Offset.X, kMargin);
  EXPECT_EQ(link.info.Page(1).Offset.Y, kMargin + (kH - 10000) / 2);

  // At 50 % the difference on paper is converted back to report units.
  link.page.SetCenterOnPageV(false);
  link.page.SetCenterOnPageH(true);
  link.page.SetScaleFactor(50);
  link.SetReportSize(18000, 1000);
  link.info.Calculate();
  ASSERT_EQ(link.info.PageCount(), 1);
  EXPECT_EQ(link.info.Page(0).Offset.X, 2 * kMargin + (kW - 9000) / 2 * 2);
}

TEST(RenderInfoOffsets, PageHeaderAndFooterBandsWhenShown) {
  TRenderTestLink link;
  link.SetReportSize(1000, 1000);
  link.info.Calculate();
  EXPECT_TRUE(link.info.PageHeaderRect().IsEmpty());
  EXPECT_TRUE(link.info.PageFooterRect().IsEmpty());
  link.showPageHeader = link.showPageFooter = true;
  link.info.Calculate();
  // Header band from 6.35 mm (64 tenths) to the 12.7 mm top margin, between
  // the side margins; the footer band likewise at the bottom.
  const int band = link.info.ToReportUnits(64);
  EXPECT_EQ(band, 1209);
  EXPECT_EQ(link.info.PageHeaderRect(), TRect(kMargin, band, 40800 - kMargin, kMargin));
  EXPECT_EQ(link.info.PageFooterRect(),
            TRect(kMargin, 52800 - kMargin, 40800 - kMargin, link.info.ToReportUnits(2731)));  // (279.4 - 6.35) mm
}

// ---- Title ------------------------------------------------------------------------------------

TEST(RenderInfoTitle, OnFirstPageOnlyOrOnEveryTopPage) {
  TRenderTestLink link;
  link.SetReportSize(2 * kW, 2 * kH);
  link.title.SetText("Yıllık rapor");
  link.titleHeight = 96;  // one inch
  link.title.SetMode(tmOnFirstPage);
  link.info.Calculate();
  EXPECT_EQ(link.info.TitleRect(), TRect(0, 0, kW, 4800));
  // The first row's body leaves room for the title.
  EXPECT_EQ(link.info.RowBounds()[1], kH - 4800);
  ASSERT_EQ(link.info.ColumnCount(), 2);
  EXPECT_TRUE(link.info.HasTitle(0));
  EXPECT_FALSE(link.info.HasTitle(1));
  EXPECT_FALSE(link.info.HasTitle(2));
  EXPECT_EQ(link.info.Page(0).TitleOffset, (TPoint{kMargin, kMargin}));
  EXPECT_EQ(link.info.Page(0).Offset, (TPoint{kMargin, kMargin + 4800}));
  EXPECT_EQ(link.info.Page(1).Offset, (TPoint{kMargin, kMargin}));
  // A page with the title has less room: the page rectangle is cut to it.
  EXPECT_EQ(link.info.Page(0).PageRect.Height(), kH - 4800);

  link.title.SetMode(tmOnEveryTopPage);
  link.info.Calculate();
  EXPECT_TRUE(link.info.HasTitle(0));
  EXPECT_TRUE(link.info.HasTitle(1));
  EXPECT_FALSE(link.info.HasTitle(2));
  EXPECT_EQ(link.info.Page(1).Offset, (TPoint{kMargin, kMargin + 4800}));
  EXPECT_EQ(link.info.Page(3).Offset, (TPoint{kMargin, kMargin}));

  link.title.SetMode(tmNone);
  link.info.Calculate();
  EXPECT_TRUE(link.info.TitleRect().IsEmpty());
  EXPECT_FALSE(link.info.HasTitle(0));
  EXPECT_EQ(link.info.RowBounds()[1], kH);
}

TEST(RenderInfoTitle, MeasuredHeightIsLimitedAndScaled) {
  TRenderTestLink link;
  link.SetReportSize(kW, kH);
  link.title.SetMode(tmOnFirstPage);
  link.title.SetText("Başlık");
  link.info.Calculate();
  // Measured on the screen: one line of 14-point text plus 4 pixels.
  int h = link.info.TitleRect().Height();
  EXPECT_GT(h, MulDiv(19 + 4, 4800, 96));
  EXPECT_LT(h, MulDiv(40 + 4, 4800, 96));

  // Never more than half the printable height (960 / 2 screen pixels).
  link.titleHeight = 100000;
  link.info.Calculate();
  EXPECT_EQ(link.info.TitleRect().Height(), kH / 2);
  link.titleHeight = -50;
  link.info.Calculate();
  EXPECT_EQ(link.info.TitleRect().Height(), 0);

  // At 50 % the title keeps its size on paper: twice the report units.
  link.titleHeight = 96;
  link.page.SetScaleFactor(50);
  link.info.Calculate();
  EXPECT_EQ(link.info.TitleRect(), TRect(0, 0, 2 * kW, 9600));
}

TEST(RenderInfoTitle, EmptyTextPrintsNoTitle) {
  TRenderTestLink link;
  link.SetReportSize(kW, 2 * kH);
  link.title.SetMode(tmOnFirstPage);
  link.info.Calculate();
  EXPECT_TRUE(link.info.TitleRect().IsEmpty());
  EXPECT_EQ(link.info.RowBounds()[1], kH);
  EXPECT_EQ(link.info.Page(0).Offset.Y, kMargin);
}

// ---- Header and footer cells --------------------------------------------------------------

TEST(RenderInfoBands, HeaderAndFooterCellsRepeatWhenTheyFit) {
  TRenderTestLink link;
  link.SetReportSize(kW, 3 * kH);
  link.cells->HeaderCell()->SetBoundsRect(TRect(0, 0, kW, 4000));
  link.cells->FooterCell()->SetBoundsRect(TRect(0, 0, kW, 2000));
  link.info.Calculate();
  EXPECT_TRUE(link.info.BandsFit());
  EXPECT_EQ(link.info.HeaderCellRect(), TRect(0, 0, kW, 4000));
  const int body = kH - 6000;
  EXPECT_EQ(link.info.RowBounds()[1], body);
  EXPECT_EQ(link.info.RowBounds()[2], 2 * body);
  for (int i = 0; i < link.info.GridPageCount(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(link.info.Page(i).DrawHeaderCell);
    EXPECT_TRUE(link.info.Page(i).DrawFooterCell);
  }
  EXPECT_EQ(link.info.Page(0).PageRect, TRect(0, 0, kW, kH));
}

TEST(RenderInfoBands, BandsThatDoNotFitAreDrawnOnTheFirstAndLastRowsOnly) {
  TRenderTestLink link;
  link.SetReportSize(kW, 3 * kH);
  link.cells->HeaderCell()->SetBoundsRect(TRect(0, 0, kW, 30000));
  link.cells->FooterCell()->SetBoundsRect(TRect(0, 0, kW, 20000));
  link.info.Calculate();
  EXPECT_FALSE(link.info.BandsFit());
  int rows = link.info.RowCount();
  ASSERT_GE(rows, 3);
  const std::vector<int>& b = link.info.RowBounds();
  // The first row gives room to the header; every row with its bands fits a page.
  EXPECT_EQ(b[1], kH - 30000);
  for (int r = 0; r < rows; ++r) {
    SCOPED_TRACE(r);
    const TdxPSPageRenderInfo& p = link.info.Page(r);
    EXPECT_EQ(p.DrawHeaderCell, r == 0);
    EXPECT_EQ(p.DrawFooterCell, r == rows - 1);
    int used = (b[r + 1] - b[r]) + (p.DrawHeaderCell ? 30000 : 0) + (p.DrawFooterCell ? 20000 : 0);
    EXPECT_LE(used, kH);
    EXPECT_EQ(p.PageRect.Height(), used);
  }
  EXPECT_EQ(b.back(), 3 * kH);
}

TEST(RenderInfoBands, HeaderCellOnlyWhenTheLinkShowsIt) {
  struct NoBandsLink : TRenderTestLink {
    bool ShowHeaderCell() const override { return false; }
  } link;
  link.SetReportSize(kW, kH);
  link.cells->HeaderCell()->SetBoundsRect(TRect(0, 0, kW, 4000));
  link.info.Calculate();
  EXPECT_TRUE(link.info.HeaderCellRect().IsEmpty());
  EXPECT_FALSE(link.info.Page(0).DrawHeaderCell);
  EXPECT_EQ(link.info.RowCount(), 1);
}

// ---- Item lists and empty pages -------------------------------------------------------------

TEST(RenderInfoItems, RunsAndOverlayIndexesPerPage) {
  TRenderTestLink link;
  link.SetReportSize(2 * kW, 2 * kH);
  link.AddCell(TRect(0, 0, 1000, 1000));                // 0: page 0
  link.AddCell(TRect(kW + 10, 10, kW + 500, 500));      // 1: page 1
  link.AddCell(TRect(2000, 2000, 3000, 3000));          // 2: page 0
  link.AddCell(TRect(kW - 100, kH - 100, kW + 100, kH + 100));  // 3: all four
  link.AddCell(TRect(5000, kH, 6000, kH));              // 4: zero height at the row cut: page 2
  link.AddCell(TRect(5000, 100, 5000, 200));            // 5: zero width: nowhere
  TdxReportCell* overlay = link.cells->AddOverlay();
  overlay->SetBoundsRect(TRect(kW, 0, 2 * kW, 2 * kH));
  auto* oc = new TdxReportCell(overlay);
  oc->SetBoundsRect(TRect(10, kH + 10, 20, kH + 20));   // absolute (kW + 10, kH + 10): page 3
  link.info.Calculate();
  ASSERT_EQ(link.info.GridPageCount(), 4);
  using Runs = std::vector<std::pair<int, int>>;
  EXPECT_EQ(link.info.Page(0).Runs, (Runs{{0, 0}, {2, 3}}));
  EXPECT_EQ(link.info.Page(1).Runs, (Runs{{1, 1}, {3, 3}}));
  EXPECT_EQ(link.info.Page(2).Runs, (Runs{{3, 4}}));
  EXPECT_EQ(link.info.Page(3).Runs, (Runs{{3, 3}}));
  for (int i = 0; i < 4; ++i) ASSERT_EQ(link.info.Page(i).OverlayIndexes.size(), 1u);
  EXPECT_TRUE(link.info.Page(1).OverlayIndexes[0].empty());
  EXPECT_EQ(link.info.Page(3).OverlayIndexes[0], V({0}));
}

TEST(RenderInfoItems, EmptyPagesHiddenOrShown) {
  TRenderTestLink link;
  link.supportsEmptyPages = true;
  link.SetReportSize(2 * kW, 2 * kH);
  link.AddCell(TRect(0, 0, 1000, 1000));                // page 0
  link.AddCell(TRect(kW + 5, kH + 5, kW + 100, kH + 100));  // page 3
  link.showEmptyPages = false;
  link.info.Calculate();
  EXPECT_EQ(link.info.GridPageCount(), 4);
  EXPECT_EQ(link.info.EmptyPageCount(), 2);
  EXPECT_TRUE(link.info.Page(1).IsEmpty);
  EXPECT_TRUE(link.info.Page(2).IsEmpty);
  EXPECT_EQ(link.info.PageCount(), 2);
  EXPECT_EQ(link.info.VisiblePageToIndex(0), 0);
  EXPECT_EQ(link.info.VisiblePageToIndex(1), 3);
  EXPECT_EQ(link.info.VisiblePageToIndex(2), -1);
  EXPECT_EQ(link.info.IndexToVisiblePage(3), 1);
  EXPECT_EQ(link.info.IndexToVisiblePage(1), -1);
  EXPECT_FALSE(link.info.IsPageShown(1));
  EXPECT_TRUE(link.info.IsPageShown(3));

  link.showEmptyPages = true;
  EXPECT_EQ(link.info.PageCount(), 4);
  EXPECT_EQ(link.info.VisiblePageToIndex(1), 1);
  EXPECT_EQ(link.info.IndexToVisiblePage(3), 3);
  EXPECT_TRUE(link.info.IsPageShown(1));

  // A link without empty-page support never has empty pages.
  link.supportsEmptyPages = false;
  link.showEmptyPages = false;
  link.info.Calculate();
  EXPECT_EQ(link.info.EmptyPageCount(), 0);
  EXPECT_EQ(link.info.PageCount(), 4);
}

// ---- Stream form ---------------------------------------------------------------------------------

TEST(RenderInfoStream, BreaksRoundTrip) {
  TRenderTestLink link;
  link.SetReportSize(100000, 60000);
  link.horzDelimiters = {30000, 60000};
  link.vertDelimiters = {45000};
  link.info.Calculate();
  TTestWriter writer;
  link.info.WriteBreaks(writer);
  ASSERT_EQ(writer.Values.size(), 1u + 4u + 1u + 3u);
  EXPECT_EQ(std::get<std::int32_t>(writer.Values[0]), 4);

  TdxPSReportRenderInfo read;
  TTestReader reader(writer.Values);
  read.ReadBreaks(reader);
  EXPECT_EQ(read.HorzBreaks(), V({0, 30000, 60000, 100000}));
  EXPECT_EQ(read.VertBreaks(), V({0, 45000, 60000}));
  EXPECT_EQ(read.LoadedHorzBreaks(), read.HorzBreaks());
}

TEST(RenderInfoStream, HostileCountsAreRejectedAndLoseNothing) {
  TdxPSReportRenderInfo info;
  {
    TTestReader good({std::int32_t(2), std::int32_t(0), std::int32_t(500), std::int32_t(1), std::int32_t(7)});
    info.ReadBreaks(good);
  }
  for (std::int32_t count : {-1, INT_MAX, TdxPSReportRenderInfo::dxMaxStoredBreaks + 1}) {
    SCOPED_TRACE(count);
    TTestReader bad({count, std::int32_t(1)});
    EXPECT_THROW(info.ReadBreaks(bad), EReadError);
    EXPECT_EQ(info.HorzBreaks(), V({0, 500}));
  }
  // A truncated list fails without touching the lists either.
  TTestReader truncated({std::int32_t(3), std::int32_t(1), std::int32_t(2)});
  EXPECT_THROW(info.ReadBreaks(truncated), EReadError);
  EXPECT_EQ(info.VertBreaks(), V({7}));
  // Values beyond the report length limit are kept within it.
  TTestReader far({std::int32_t(1), std::int32_t(INT_MAX), std::int32_t(0)});
  info.ReadBreaks(far);
  EXPECT_EQ(info.HorzBreaks(), V({dxMaxReportLength}));
}

// ---- Report title --------------------------------------------------------------------------------

TEST(ReportTitle, DefaultsAndAcceptedAlignments) {
  TdxReportTitle title;
  EXPECT_EQ(title.Mode(), tmOnEveryTopPage);
  EXPECT_EQ(title.Font().Name, "Times New Roman");
  EXPECT_EQ(title.Font().Size(), 14);
  EXPECT_EQ(title.Font().Style, unsigned(fsBold));
  EXPECT_EQ(title.Color(), clWhite);
  EXPECT_TRUE(title.Transparent());
  EXPECT_FALSE(title.AdjustOnReportScale());
  title.SetTextAlignX(taJustifyX);
  title.SetTextAlignY(taDistributeY);
  EXPECT_EQ(title.TextAlignX(), taCenterX);
  EXPECT_EQ(title.TextAlignY(), taCenterY);
  title.SetTextAlignX(taRight);
  title.SetTextAlignY(taBottom);
  EXPECT_EQ(title.TextAlignX(), taRight);
  EXPECT_EQ(title.TextAlignY(), taBottom);
}

TEST(ReportTitle, LinkHearsOfLayoutChangesOnlyAndAssignNotifiesOnce) {
  TRenderTestLink link;
  TdxReportTitle& title = link.title;
  int before = link.titleChanges;
  title.SetText("A");
  title.SetMode(tmOnFirstPage);
  title.SetAdjustOnReportScale(true);
  TFont f = title.Font();
  f.Name = "Liberation Serif";
  title.SetFont(f);
  EXPECT_EQ(link.titleChanges, before + 4);
  title.SetText("A");  // unchanged
  title.SetColor(clRed);
  title.SetTransparent(false);
  title.SetTextAlignX(taLeft);
  EXPECT_EQ(link.titleChanges, before + 4);

  TdxReportTitle other;
  other.SetText("B");
  other.SetMode(tmOnEveryTopPage);
  other.SetColor(clBlue);
  title.Assign(&other);
  EXPECT_EQ(link.titleChanges, before + 5);
  EXPECT_EQ(title.Text(), "B");
  EXPECT_EQ(title.Color(), clBlue);
  EXPECT_EQ(title.Font(), other.Font());

  // Changes inside an update bracket are reported once, at its end.
  title.BeginUpdate();
  title.SetText("C");
  title.SetMode(tmNone);
  EXPECT_EQ(link.titleChanges, before + 5);
  title.EndUpdate();
  EXPECT_EQ(link.titleChanges, before + 6);
  title.RestoreDefaults();
  EXPECT_EQ(link.titleChanges, before + 7);
  EXPECT_EQ(title.Mode(), tmOnEveryTopPage);
}

TEST(ReportTitle, ReportDataRoundTrip) {
  TdxReportTitle title;
  title.SetAdjustOnReportScale(true);
  title.SetColor(clYellow);
  TFont f;
  f.Name = "Liberation Sans";
  f.SetSize(18);
  f.Style = fsItalic | fsUnderline;
  f.Color = clNavy;
  title.SetFont(f);
  title.SetMode(tmOnFirstPage);
  title.SetText("Takvim 2026");
  title.SetTextAlignX(taRight);
  title.SetTextAlignY(taTop);
  title.SetTransparent(false);
  TTestWriter writer;
  title.WriteData(writer);

  TdxReportTitle read;
  TTestReader reader(writer.Values);
  read.ReadData(reader);
  EXPECT_TRUE(read.AdjustOnReportScale());
  EXPECT_EQ(read.Color(), clYellow);
  EXPECT_EQ(read.Font().Name, "Liberation Sans");
  EXPECT_EQ(read.Font().Size(), 18);
  EXPECT_EQ(read.Font().Style, unsigned(fsItalic | fsUnderline));
  EXPECT_EQ(read.Font().Color, clNavy);
  EXPECT_EQ(read.Mode(), tmOnFirstPage);
  EXPECT_EQ(read.Text(), "Takvim 2026");
  EXPECT_EQ(read.TextAlignX(), taRight);
  EXPECT_EQ(read.TextAlignY(), taTop);
  EXPECT_FALSE(read.Transparent());

  // Out-of-range enumerations from a damaged stream are ignored.
  std::vector<TStreamValue> values = writer.Values;
  for (TStreamValue& v : values)
    if (std::holds_alternative<std::int32_t>(v) && std::get<std::int32_t>(v) == tmOnFirstPage) v = std::int32_t(77);
  TdxReportTitle damaged;
  TTestReader r2(values);
  damaged.ReadData(r2);
  EXPECT_EQ(damaged.Mode(), tmOnEveryTopPage);

  // A truncated stream fails and changes nothing.
  std::vector<TStreamValue> cut(writer.Values.begin(), writer.Values.end() - 2);
  TdxReportTitle kept;
  kept.SetText("Eski");
  TTestReader r3(cut);
  EXPECT_THROW(kept.ReadData(r3), EReadError);
  EXPECT_EQ(kept.Text(), "Eski");
  EXPECT_FALSE(kept.AdjustOnReportScale());
  EXPECT_EQ(kept.Font().Name, "Times New Roman");
}

// ---- Pools ---------------------------------------------------------------------------------------

TEST(FontPool, AddFindsEqualFontsAndScaleSetsHeights) {
  TdxPSReportFontPool pool;
  TFont a;
  a.Name = "Tahoma";
  a.SetSize(8);
  a.Color = clBlack;
  EXPECT_EQ(pool.Add(a), 0);
  TFont charset = a;
  charset.Charset = TURKISH_CHARSET;
  EXPECT_EQ(pool.Add(charset), 0);  // the character set is not compared
  TFont lower = a;
  lower.Name = "tahoma";
  EXPECT_EQ(pool.Add(lower), 1);  // names compare exactly
  TFont bold = a;
  bold.Style = fsBold;
  EXPECT_EQ(pool.Add(bold), 2);
  TFont bigger = a;
  bigger.SetSize(9);
  EXPECT_EQ(pool.Add(bigger), 3);
  TFont red = a;
  red.Color = clRed;
  EXPECT_EQ(pool.Add(red), 4);
  TFont fixed = a;
  fixed.Pitch = fpFixed;
  EXPECT_EQ(pool.Add(fixed), 5);
  EXPECT_EQ(pool.Count(), 6);

  pool.Scale(4800);
  EXPECT_EQ(pool.Font(0).Height, -MulDiv(8, 4800, 72));
  EXPECT_EQ(pool.Font(3).Height, -600);
  EXPECT_EQ(pool.PointSize(3), 9);
  // The entry keeps the point size it was added with, whatever its height now.
  pool.Scale(960);
  EXPECT_EQ(pool.Font(3).Height, -120);
  EXPECT_EQ(pool.Add(a), 0);
}

TEST(BackgroundBitmapPool, EqualBitmapsShareAnEntry) {
  TdxPSBackgroundBitmapPool pool;
  TBitmap a;
  a.SetSize(4, 4);
  TBitmap b(a);
  QImage image = b.Image();
  image.setPixel(1, 1, qRgb(255, 0, 0));
  b.SetImage(image);
  EXPECT_EQ(pool.Add(a), 0);
  EXPECT_EQ(pool.Add(b), 1);
  EXPECT_EQ(pool.Add(TBitmap(a)), 0);
  EXPECT_EQ(pool.Count(), 2);
  EXPECT_EQ(pool.Bitmap(-1), nullptr);
  EXPECT_EQ(pool.Bitmap(2), nullptr);
  ASSERT_NE(pool.Bitmap(1), nullptr);
  EXPECT_EQ(pool.Bitmap(1)->Image().pixel(1, 1), qRgb(255, 0, 0));
}
