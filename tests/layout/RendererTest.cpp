// Drawing pages: where the content, the title, the header and footer cells
// and the page header and footer bands land on screens and printers of
// different resolutions, the expanded header/footer functions, reversed
// titles, line thickness per device, and every border kind, fill pattern
// and shape operation checked on pixels at two zooms.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <functional>
#include <string>
#include <vector>

#include "layout/HeaderFooterFunctions.h"
#include "platform/MetafileRecorder.h"
#include "layout/ReportRenderer.h"
#include "report/CellBorders.h"
#include "report/DataItems.h"
#include "report/ShapeItems.h"
#include "tests/TestSupport.h"
#include "tests/layout/PrintTestSupport.h"
#include "tests/layout/RenderTestLink.h"

namespace {

// US Letter at 96 dpi and 100 %: 816 x 1056 pixels, 50 report units each.
constexpr int kPageW = 816;
constexpr int kPageH = 1056;

QImage WhitePage(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// The page drawn on a 96 dpi screen image at zoom percent.
QImage RenderScreen(TRenderTestLink& link, int zoom, int pageIndex = 0, int visiblePage = -1) {
  int w = MulDiv(kPageW, zoom, 100), h = MulDiv(kPageH, zoom, 100);
  QImage image = WhitePage(w, h);
  TCanvas canvas(&image);
  link.renderer.RenderPage(canvas, TRect(0, 0, w, h), zoom, pageIndex, visiblePage < 0 ? pageIndex : visiblePage);
  return image;
}

// Caps of a device of the given resolution and technology.
TDeviceCaps Caps(int dpi, int technology, int size) {
  TDeviceCaps caps;
  caps.Technology = technology;
  caps.HorzRes = caps.VertRes = caps.PhysicalWidth = caps.PhysicalHeight = size;
  caps.LogPixelsX = caps.LogPixelsY = dpi;
  return caps;
}

// The top-left part (size x size) of a full page drawn at dpi: the target is
// the whole page, the canvas clips to the image.
QImage RenderDevice(TRenderTestLink& link, int dpi, int technology, int size, int pageIndex = 0) {
  QImage image = WhitePage(size, size);
  TCanvas canvas(&image, Caps(dpi, technology, size));
  link.renderer.RenderPage(canvas, TRect(0, 0, MulDiv(85, dpi, 10), MulDiv(110, dpi, 10)), 100, pageIndex,
                           pageIndex);
  return image;
}

bool Dark(QRgb c) { return qGray(c) < 128; }
unsigned PixelRGBOf(QRgb c) { return unsigned(c) & 0xFFFFFFu; }

// Bounding box of the pixels in area that satisfy pred; empty when none.
TRect Box(const QImage& image, const TRect& area, const std::function<bool(QRgb)>& pred) {
  TRect box(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  for (int y = std::max(0, area.Top); y < std::min(image.height(), area.Bottom); ++y)
    for (int x = std::max(0, area.Left); x < std::min(image.width(), area.Right); ++x)
      if (pred(image.pixel(x, y))) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box.Left == INT_MAX ? TRect() : box;
}

TRect DarkBox(const QImage& image, const TRect& area) { return Box(image, area, Dark); }

unsigned RGBOf(TColor color) {
  std::uint32_t c = ColorToRGB(color);
  return unsigned(GetRValue(c)) << 16 | unsigned(GetGValue(c)) << 8 | unsigned(GetBValue(c));
}
unsigned At(const QImage& image, int x, int y) { return PixelRGB(image, x, y); }

// The shared page-number values are process-wide: set and put back.
class HFNumbering {
 public:
  HFNumbering() : saved_(*GetHFFormatObject()) {
    GetHFFormatObject()->StartPageIndex = 1;
    GetHFFormatObject()->PageNumberFormat = pnfNumeral;
  }
  ~HFNumbering() { *GetHFFormatObject() = saved_; }

 private:
  TdxHFFunctionFormatObject saved_;
};

// The device rectangle of the header band at 96 dpi (report units / 50).
TRect HeaderBandPixels(TRenderTestLink& link) {
  TRect r = link.info.PageHeaderRect();
  return TRect(r.Left / 50, r.Top / 50, r.Right / 50 + 1, r.Bottom / 50 + 1);
}

}  // namespace

// ---- Page content ---------------------------------------------------------------------

TEST(RendererPage, ContentLandsAtTheMarginOffsetsOnScreenAndAt300Dpi) {
  TRenderTestLink link;
  link.SetReportSize(36000, 48000);
  link.AddCell(TRect(0, 0, 4800, 4800), clRed);
  link.AddCell(TRect(9600, 4800, 14400, 9600), clBlue);
  link.info.Calculate();

  // 96 dpi: half-inch margin (48 px) plus one line thickness (1 px).
  QImage screen = RenderScreen(link, 100);
  EXPECT_EQ(At(screen, 49, 49), 0xFF0000u);
  EXPECT_EQ(At(screen, 144, 144), 0xFF0000u);
  EXPECT_EQ(At(screen, 48, 60), 0xFFFFFFu);
  EXPECT_EQ(At(screen, 60, 48), 0xFFFFFFu);
  EXPECT_EQ(At(screen, 145, 60), 0xFFFFFFu);
  EXPECT_EQ(Box(screen, TRect(0, 0, kPageW, kPageH), [](QRgb c) { return PixelRGBOf(c) == 0x0000FFu; }),
            TRect(241, 145, 337, 241));
  EXPECT_EQ(link.pagesDrawn, std::vector<int>{0});

  // 300 dpi: 150 px margin, 16 report units per pixel, one-pixel lines.
  QImage high = RenderDevice(link, 300, DT_RASDISPLAY, 800);
  EXPECT_EQ(Box(high, TRect(0, 0, 800, 800), [](QRgb c) { return PixelRGBOf(c) == 0xFF0000u; }),
            TRect(151, 151, 451, 451));
  EXPECT_EQ(Box(high, TRect(0, 0, 800, 800), [](QRgb c) { return PixelRGBOf(c) == 0x0000FFu; }),
            TRect(751, 451, 800, 751));
}

TEST(RendererPage, EachPageShowsItsOwnPartOfTheReport) {
  TRenderTestLink link;
  link.SetReportSize(72000, 1000);
  link.AddCell(TRect(36000 - 960, 0, 36000 + 960, 960), clRed);  // across the column cut
  link.info.Calculate();
  ASSERT_EQ(link.info.PageCount(), 2);
  auto red = [](QRgb c) { return PixelRGBOf(c) == 0xFF0000u; };
  // Page 0 ends at the right margin (768 px + 1); page 1 starts at its left margin.
  EXPECT_EQ(Box(RenderScreen(link, 100, 0), TRect(0, 0, kPageW, kPageH), red), TRect(750, 49, 769, 68));
  // The content clip reaches one line thickness into the left margin.
  EXPECT_EQ(Box(RenderScreen(link, 100, 1), TRect(0, 0, kPageW, kPageH), red), TRect(48, 49, 68, 68));
}

TEST(RendererPage, HiddenEmptyPageIsNotDrawn) {
  TRenderTestLink link;
  link.supportsEmptyPages = true;
  link.showEmptyPages = false;
  // Three page widths with cells in the first and the last: the middle page
  // holds nothing.
  link.SetReportSize(3 * 36000, 1000);
  link.AddCell(TRect(0, 0, 1000, 1000), clRed);
  link.AddCell(TRect(72000, 0, 73000, 1000), clRed);
  link.showPageHeader = true;
  link.page.PageHeader().SetCenterTitle({"Başlık"});
  link.info.Calculate();
  ASSERT_TRUE(link.info.Page(1).IsEmpty);
  QImage image = RenderScreen(link, 100, 1);
  EXPECT_TRUE(DarkBox(image, TRect(0, 0, kPageW, kPageH)).IsEmpty());
  EXPECT_TRUE(link.pagesDrawn.empty());
  EXPECT_EQ(link.renderer.Canvas(), nullptr);
}

TEST(RendererPage, HeaderAndFooterCellsFrameTheBody) {
  TRenderTestLink link;
  link.SetReportSize(36000, 2 * 48000);
  link.AddCell(TRect(0, 0, 4800, 96000), clRed);  // the body, two pages tall
  TdxReportCell* header = link.cells->HeaderCell();
  header->SetBoundsRect(TRect(0, 0, 36000, 2400));
  auto* h = new TdxReportCell(header);
  h->SetBoundsRect(TRect(0, 0, 2400, 2400));
  h->SetCellSides(0);
  h->SetColor(clLime);
  h->SetTransparent(false);
  TdxReportCell* footer = link.cells->FooterCell();
  footer->SetBoundsRect(TRect(0, 0, 36000, 2400));
  auto* f = new TdxReportCell(footer);
  f->SetBoundsRect(TRect(0, 0, 2400, 2400));
  f->SetCellSides(0);
  f->SetColor(clBlue);
  f->SetTransparent(false);
  link.info.Calculate();
  ASSERT_TRUE(link.info.BandsFit());
  ASSERT_GE(link.info.PageCount(), 3);

  auto color = [](unsigned rgb) { return [rgb](QRgb c) { return PixelRGBOf(c) == rgb; }; };
  for (int page : {0, 1}) {
    SCOPED_TRACE(page);
    QImage image = RenderScreen(link, 100, page);
    const TRect all(0, 0, kPageW, kPageH);
    // Header 48 px, body (48000 - 4800) / 50 = 864 px, then the footer.
    EXPECT_EQ(Box(image, all, color(0x00FF00u)), TRect(49, 49, 97, 97));
    EXPECT_EQ(Box(image, all, color(0xFF0000u)), TRect(49, 97, 145, 961));
    EXPECT_EQ(Box(image, all, color(0x0000FFu)), TRect(49, 961, 97, 1009));
  }
  // On the last row the footer follows the last cell drawn.
  int last = link.info.PageCount() - 1;
  QImage image = RenderScreen(link, 100, last);
  TRect red = Box(image, TRect(0, 0, kPageW, kPageH), color(0xFF0000u));
  TRect blue = Box(image, TRect(0, 0, kPageW, kPageH), color(0x0000FFu));
  ASSERT_FALSE(red.IsEmpty());
  EXPECT_EQ(blue.Top, red.Bottom);
}

TEST(RendererPage, TitleIsDrawnAboveTheContent) {
  TRenderTestLink link;
  link.SetReportSize(36000, 10000);
  link.AddCell(TRect(0, 0, 4800, 4800), clRed);
  link.title.SetMode(tmOnFirstPage);
  link.title.SetText("TTTTTT");
  link.title.SetTransparent(false);
  link.title.SetColor(clYellow);
  link.titleHeight = 96;
  link.info.Calculate();
  QImage image = RenderScreen(link, 100);
  // Title area (48, 48) to (768, 144): yellow with dark text centred.
  EXPECT_EQ(At(image, 52, 52), 0xFFFF00u);
  EXPECT_EQ(At(image, 760, 140), 0xFFFF00u);
  TRect text = DarkBox(image, TRect(48, 48, 768, 144));
  ASSERT_FALSE(text.IsEmpty());
  EXPECT_NEAR((text.Left + text.Right) / 2, 408, 3);
  EXPECT_NEAR((text.Top + text.Bottom) / 2, 96, 4);
  // The content follows the title.
  EXPECT_EQ(At(image, 49, 145), 0xFF0000u);
  EXPECT_EQ(At(image, 49, 143), 0xFFFF00u);
}

// ---- Page header and footer -------------------------------------------------------------

TEST(RendererBands, PageNumberFunctionIsExpandedInTheBand) {
  HFNumbering numbering;
  auto render = [](const std::string& header, const std::string& footer, int page) {
    TRenderTestLink link;
    link.SetReportSize(72000, 1000);
    link.showPageHeader = link.showPageFooter = true;
    link.page.PageHeader().SetCenterTitle({header});
    link.page.PageFooter().SetRightTitle({footer});
    link.info.Calculate();
    QImage image = RenderScreen(link, 100, page);
    TRect f = link.info.PageFooterRect();
    TRect footerBand(f.Left / 50, f.Top / 50, f.Right / 50 + 1, f.Bottom / 50 + 1);
    return std::pair{DarkBox(image, HeaderBandPixels(link)), DarkBox(image, footerBand)};
  };
  for (int page : {0, 1}) {
    SCOPED_TRACE(page);
    std::string number = std::to_string(page + 1);
    auto [header, footer] = render("[Page #]", "[Page #]", page);
    auto [literalHeader, literalFooter] = render(number, number, page);
    ASSERT_FALSE(header.IsEmpty());
    // " 1 " centred shows the digit where "1" centred shows it.
    EXPECT_NEAR(header.Left, literalHeader.Left, 1);
    EXPECT_NEAR(header.Width(), literalHeader.Width(), 1);
    EXPECT_EQ(header.Top, literalHeader.Top);
    // Right-aligned, the trailing blank keeps it off the edge.
    ASSERT_FALSE(footer.IsEmpty());
    EXPECT_LT(footer.Right, literalFooter.Right);
    EXPECT_NEAR(footer.Width(), literalFooter.Width(), 1);
    // The band lies between the header distance and the top margin.
    EXPECT_GE(header.Top, 24);
    EXPECT_LE(header.Bottom, 49);
  }
}

TEST(RendererBands, ReverseTitlesOnEvenPagesSwapsLeftAndRight) {
  auto render = [](bool reverse, int page) {
    TRenderTestLink link;
    link.SetReportSize(72000, 1000);
    link.showPageHeader = true;
    link.page.SetReverseTitlesOnEvenPages(reverse);
    link.page.PageHeader().SetLeftTitle({"XXXXXXXX"});
    link.page.PageHeader().SetRightTitle({"I"});
    link.page.PageHeader().SetRightTextAlignY(taTop);
    link.info.Calculate();
    QImage image = RenderScreen(link, 100, page);
    return std::pair{DarkBox(image, TRect(0, 0, kPageW / 2, 49)), DarkBox(image, TRect(kPageW / 2, 0, kPageW, 49))};
  };
  auto [left1, right1] = render(true, 0);
  auto [left2, right2] = render(true, 1);
  auto [left2plain, right2plain] = render(false, 1);
  // Page 1 as set; page 2 shows the right section's text on the left and the
  // left section's on the right, with their alignments.
  EXPECT_GT(left1.Width(), 4 * right1.Width());
  EXPECT_NEAR(left1.Left, 48, 2);
  EXPECT_NEAR(right1.Right, 768, 2);
  EXPECT_NEAR(left2.Width(), right1.Width(), 1);
  EXPECT_NEAR(left2.Left, 48, 2);
  EXPECT_NEAR(right2.Width(), left1.Width(), 1);
  EXPECT_NEAR(right2.Right, 768, 2);
  // Each text took its vertical alignment along (top for "I", centred for "X").
  EXPECT_EQ(left2.Top, right1.Top);
  EXPECT_EQ(right2.Top, left1.Top);
  EXPECT_LT(right1.Top, left1.Top);
  EXPECT_EQ(left2plain, left1);
  EXPECT_EQ(right2plain, right1);
}

TEST(RendererBands, LaterSectionsDoNotOverwriteEarlierLines) {
  auto render = [](bool withCenter) {
    TRenderTestLink link;
    link.SetReportSize(1000, 1000);
    link.showPageHeader = true;
    link.page.PageHeader().SetLeftTitle({std::string(80, 'M')});
    if (withCenter) link.page.PageHeader().SetCenterTitle({"||||||||||"});
    link.info.Calculate();
    return RenderScreen(link, 100);
  };
  QImage left = render(false), both = render(true);
  EXPECT_FALSE(DarkBox(left, TRect(0, 0, kPageW, 49)).IsEmpty());
  EXPECT_EQ(left.copy(0, 0, kPageW, 49), both.copy(0, 0, kPageW, 49));
}

TEST(RendererBands, LinkMayTakeOverTheBand) {
  TRenderTestLink link;
  link.SetReportSize(1000, 1000);
  link.showPageHeader = true;
  link.page.PageHeader().SetCenterTitle({"Metin"});
  TRect seen;
  link.onBand = [&](bool isHeader, TCanvas& canvas, const TRect& rect) {
    if (isHeader) seen = rect;
  };
  link.info.Calculate();
  RenderScreen(link, 100);
  EXPECT_EQ(seen, link.info.PageHeaderRect());
}

// ---- Line thickness -------------------------------------------------------------------------

namespace {
// A cell with a one-line flat border whose left line is measured in pixels.
struct LineProbe {
  TRenderTestLink link;
  int thickness = 0, pixelSize = 0;
  LineProbe() {
    link.SetReportSize(36000, 48000);
    TdxReportCell* cell = link.AddCell(TRect(4800, 4800, 9600, 9600));
    cell->SetBorderClass(TdxPSCellUltraFlatBorder::StaticClass());
    cell->SetCellSides(isdLeft | isdTop | isdRight | isdBottom);
    cell->SetBorderColor(clBlack);
    link.showPageHeader = true;
    link.onBand = [this](bool, TCanvas&, const TRect&) {
      thickness = link.renderer.LineThickness();
      pixelSize = link.renderer.PixelSize();
    };
    link.info.Calculate();
  }
  // Width of the dark run of the left line at the cell's middle row.
  static int LeftLineWidth(const QImage& image, int y) {
    int x = 0;
    while (x < image.width() && !Dark(image.pixel(x, y))) ++x;
    int start = x;
    while (x < image.width() && Dark(image.pixel(x, y))) ++x;
    return x - start;
  }
};
}  // namespace

TEST(RendererLines, HalfAPointOnA600DpiPrinter) {
  LineProbe probe;
  QImage image = RenderDevice(probe.link, 600, DT_RASPRINTER, 1200);
  EXPECT_EQ(probe.pixelSize, 8);
  EXPECT_EQ(probe.thickness, 4800 / 144);  // 33 units: half a point
  EXPECT_EQ(probe.link.renderer.LineThickness(), 1);  // reset after the page
  // Cell middle: (0.5 + 1.5) inch = 1200 device pixels down; 33 / 8 units.
  int w = LineProbe::LeftLineWidth(image, 1100);
  EXPECT_GE(w, 4);
  EXPECT_LE(w, 5);
}

TEST(RendererLines, ScreenLinesFollowTheZoomAboveOneHundred) {
  struct Case {
    int zoom, thickness, pixels;
  };
  for (const Case& c : {Case{100, 50, 1}, Case{250, 40, 2}, Case{400, 52, 4}, Case{50, 100, 1}}) {
    SCOPED_TRACE(c.zoom);
    LineProbe probe;
    QImage image = RenderScreen(probe.link, c.zoom);
    EXPECT_EQ(probe.thickness, c.thickness);
    int y = MulDiv(192, c.zoom, 100);  // 2 inches down: the cell's middle
    EXPECT_EQ(LineProbe::LeftLineWidth(image, y), c.pixels);
  }
}

// ---- Borders and fill patterns through the renderer ------------------------------------------

namespace {

// A lime frame cell holding one red cell of the border class under test;
// the colour runs between the lime and the red are read from outside in.
struct BorderPage {
  TRenderTestLink link;
  TdxReportCell* cell = nullptr;
  explicit BorderPage(TdxClass cls) {
    link.SetReportSize(9600, 9600);
    TdxReportCell* frame = link.AddCell(TRect(0, 0, 4800, 4800), clLime);
    cell = new TdxReportCell(frame);
    cell->SetBoundsRect(TRect(1000, 1000, 3800, 3800));
    cell->SetColor(clRed);
    cell->SetTransparent(false);
    cell->SetBorderColor(clBlue);
    cell->SetBorderClass(dxAsBorderClass(cls));
    cell->SetCellSides(isdLeft | isdTop | isdRight | isdBottom);
    link.info.Calculate();
  }
};

struct Run {
  unsigned rgb;
  int length;
  friend bool operator==(const Run&, const Run&) = default;
};
std::ostream& operator<<(std::ostream& os, const Run& r) {
  return os << std::hex << r.rgb << std::dec << "x" << r.length;
}

// Runs of colour from (x, y) stepping by (dx, dy) after the last lime pixel
// and before the first red one.
std::vector<Run> Runs(const QImage& image, int x, int y, int dx, int dy) {
  while (PixelRGB(image, x, y) != 0x00FF00u) x += dx, y += dy;
  while (PixelRGB(image, x, y) == 0x00FF00u) x += dx, y += dy;
  std::vector<Run> runs;
  for (int i = 0; i < 200 && PixelRGB(image, x, y) != 0xFF0000u; ++i, x += dx, y += dy) {
    unsigned c = PixelRGB(image, x, y);
    if (!runs.empty() && runs.back().rgb == c)
      ++runs.back().length;
    else
      runs.push_back({c, 1});
  }
  return runs;
}

std::vector<Run> Expected(std::initializer_list<TColor> rings, int linePixels) {
  std::vector<Run> runs;
  for (TColor c : rings) {
    unsigned rgb = RGBOf(c);
    if (!runs.empty() && runs.back().rgb == rgb)
      runs.back().length += linePixels;
    else
      runs.push_back({rgb, linePixels});
  }
  return runs;
}

}  // namespace

TEST(RendererBorders, EveryBorderKindAtTwoZooms) {
  const TColor border = clBlue, dark = clWindowText, light = clBtnHighlight, shadow = clBtnShadow, face = clBtnFace;
  struct Case {
    TdxClass cls;
    std::initializer_list<TColor> nearRings;  // left and top, outside in
    std::initializer_list<TColor> farRings;   // right and bottom, outside in
  };
  const Case cases[] = {
      {TdxPSCustomCellBorder::StaticClass(), {}, {}},
      {TdxPSCellFlatBorder::StaticClass(), {}, {}},
      {TdxPSCellNullBorder::StaticClass(), {}, {}},
      {TdxPSCellUltraFlatBorder::StaticClass(), {border}, {border}},
      {TdxPSCellBoldFlatBorder::StaticClass(), {border, border}, {border, border}},
      {TdxPSSolidEdgePattern::StaticClass(), {border}, {border}},
      {TdxPSCellRaisedBorder::StaticClass(), {dark, light}, {dark, shadow}},
      {TdxPSCellRaisedSoftBorder::StaticClass(), {dark, light}, {dark, face}},
      {TdxPSCellSunkenBorder::StaticClass(), {dark, shadow}, {light, face}},
      {TdxPSCellSunkenSoftBorder::StaticClass(), {dark, face}, {light, face}},
      {TdxPSCellTwistedBorder::StaticClass(), {}, {}},
      {TdxPSCellEtchedBorder::StaticClass(), {dark, light}, {light, dark}},
      {TdxPSCellBumpedBorder::StaticClass(), {light, dark}, {dark, light}},
  };
  for (int zoom : {100, 200}) {
    const int linePixels = zoom / 100;  // one line: 50 report units
    const int unit = 50 * 100 / zoom;   // report units per pixel
    const int mid = (2450 + 2400) / unit;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.cls->ClassName()) + " at " + std::to_string(zoom));
      BorderPage page(c.cls);
      QImage image = RenderScreen(page.link, zoom);
      const int frameLeft = 2450 / unit, frameRight = (2450 + 4800) / unit - 1;
      EXPECT_EQ(Runs(image, frameLeft, mid, 1, 0), Expected(c.nearRings, linePixels));
      EXPECT_EQ(Runs(image, mid, frameLeft, 0, 1), Expected(c.nearRings, linePixels));
      EXPECT_EQ(Runs(image, frameRight, mid, -1, 0), Expected(c.farRings, linePixels));
      EXPECT_EQ(Runs(image, mid, frameRight, 0, -1), Expected(c.farRings, linePixels));
    }
  }
}

TEST(RendererPatterns, EveryFillPatternAtTwoZoomsIsAnchoredAtTheArea) {
  const TdxPSFillPatternClass patterns[] = {
      TdxPSSolidFillPattern::StaticClass(),      TdxPSGray50FillPattern::StaticClass(),
      TdxPSHorizontalFillPattern::StaticClass(), TdxPSVerticalFillPattern::StaticClass(),
      TdxPSFDiagonalFillPattern::StaticClass(),  TdxPSBDiagonalFillPattern::StaticClass(),
      TdxPSCrossFillPattern::StaticClass(),      TdxPSDiagCrossFillPattern::StaticClass(),
  };
  for (int zoom : {100, 200}) {
    for (TdxPSFillPatternClass pattern : patterns) {
      SCOPED_TRACE(std::string(pattern->ClassName()) + " at " + std::to_string(zoom));
      TRenderTestLink link;
      link.SetReportSize(9600, 9600);
      TdxReportCell* cell = link.AddCell(TRect(1050, 1150, 3450, 3550));
      auto* shape = new TdxReportCellRectangle(cell);
      shape->SetBoundsRect(TRect(0, 0, 2400, 2400));
      shape->SetCellSides(0);
      shape->SetShapeBorderThickness(0);
      shape->SetContentPattern(pattern);
      shape->SetShapeColor(clBlue);
      shape->SetContentBkColor(clYellow);
      link.info.Calculate();
      QImage image = RenderScreen(link, zoom);
      TRect area = Box(image, TRect(0, 0, image.width(), image.height()), [](QRgb c) {
        unsigned rgb = PixelRGBOf(c);
        return rgb == 0x0000FFu || rgb == 0xFFFF00u;
      });
      ASSERT_FALSE(area.IsEmpty());
      EXPECT_NEAR(area.Width(), 48 * zoom / 100, 1);
      std::span<const std::uint16_t> bits = pattern->PatternBits();
      int wrong = 0;
      for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x) {
          bool background = (bits[std::size_t((y - area.Top) % 8)] >> ((x - area.Left) % 8)) & 1;
          if (At(image, x, y) != (background ? 0xFFFF00u : 0x0000FFu)) ++wrong;
        }
      EXPECT_EQ(wrong, 0);
    }
  }
}

// ---- Shape operations -------------------------------------------------------------------------

namespace {
// A renderer whose canvas preparation the tests call directly: a page of
// the test link mapped onto a 96 dpi image at zoom.
struct OpenRenderer : TdxPSReportRenderer {
  using TdxPSReportRenderer::PrepareCanvas;
  using TdxPSReportRenderer::TdxPSReportRenderer;
};

struct ShapeCanvas {
  TRenderTestLink link;
  OpenRenderer renderer{&link};
  QImage image;
  std::unique_ptr<TCanvas> canvas;
  explicit ShapeCanvas(int zoom = 100) {
    link.SetReportSize(1000, 1000);
    link.info.Calculate();
    renderer.SetRenderInfo(&link.info);
    image = WhitePage(400, 400);
    canvas = std::make_unique<TCanvas>(&image);
    renderer.PrepareCanvas(*canvas, TRect(0, 0, MulDiv(kPageW, zoom, 100), MulDiv(kPageH, zoom, 100)), zoom);
  }
};
}  // namespace

TEST(RendererShapes, EllipsesFillAndFrame) {
  ShapeCanvas s;  // 50 units a pixel, 1-pixel lines
  s.renderer.FillEllipse(*s.canvas, TRect(0, 0, 5000, 5000), TdxPSSolidFillPattern::StaticClass(), clNone, clRed);
  EXPECT_EQ(At(s.image, 50, 50), 0xFF0000u);
  EXPECT_EQ(At(s.image, 2, 2), 0xFFFFFFu);   // outside the ellipse
  EXPECT_EQ(At(s.image, 1, 50), 0xFF0000u);  // its left end
  EXPECT_EQ(At(s.image, 100, 50), 0xFFFFFFu);

  s.renderer.FrameEllipse(*s.canvas, TRect(5000, 0, 10000, 5000), 3, clBlue);
  EXPECT_EQ(At(s.image, 101, 50), 0x0000FFu);
  EXPECT_EQ(At(s.image, 102, 50), 0x0000FFu);
  EXPECT_EQ(At(s.image, 106, 50), 0xFFFFFFu);  // inside the ring, three lines in
  EXPECT_EQ(At(s.image, 150, 50), 0xFFFFFFu);

  // Frame plus a patterned interior.
  s.renderer.DrawEllipse(*s.canvas, TRect(0, 5000, 5000, 10000), 2, clBlack, TdxPSCrossFillPattern::StaticClass(),
                         clYellow, clGreen);
  EXPECT_EQ(At(s.image, 1, 150), 0x000000u);
  unsigned inner = At(s.image, 50, 150);
  EXPECT_TRUE(inner == 0xFFFF00u || inner == 0x008000u);
}

TEST(RendererShapes, RoundRectsKeepTheirCornersFree) {
  ShapeCanvas s;
  s.renderer.FillRoundRect(*s.canvas, TRect(0, 0, 5000, 5000), TdxPSSolidFillPattern::StaticClass(), clNone, clRed,
                           2000, 2000);
  EXPECT_EQ(At(s.image, 1, 1), 0xFFFFFFu);   // rounded corner
  EXPECT_EQ(At(s.image, 50, 0), 0xFF0000u);  // straight edge
  EXPECT_EQ(At(s.image, 50, 50), 0xFF0000u);

  s.renderer.FrameRoundRect(*s.canvas, TRect(5000, 0, 10000, 5000), 2, clBlue, 2000, 2000);
  EXPECT_EQ(At(s.image, 101, 1), 0xFFFFFFu);
  EXPECT_EQ(At(s.image, 150, 0), 0x0000FFu);
  EXPECT_EQ(At(s.image, 150, 1), 0x0000FFu);
  EXPECT_EQ(At(s.image, 150, 2), 0xFFFFFFu);
  EXPECT_EQ(At(s.image, 150, 50), 0xFFFFFFu);

  s.renderer.DrawRoundRect(*s.canvas, TRect(0, 5000, 5000, 10000), 1, clBlack, TdxPSSolidFillPattern::StaticClass(),
                           clNone, clLime, 2000, 2000);
  EXPECT_EQ(At(s.image, 50, 100), 0x000000u);
  EXPECT_EQ(At(s.image, 50, 101), 0x00FF00u);
  EXPECT_EQ(At(s.image, 1, 101), 0xFFFFFFu);
}

TEST(RendererShapes, RectanglesRegionsAndTheBrushPool) {
  ShapeCanvas s(200);  // 25 units a pixel, 2-pixel lines
  s.renderer.DrawRect(*s.canvas, TRect(0, 0, 2500, 2500), 1, clBlack, TdxPSGray50FillPattern::StaticClass(), clWhite,
                      clRed);
  EXPECT_EQ(At(s.image, 0, 50), 0x000000u);
  EXPECT_EQ(At(s.image, 1, 50), 0x000000u);
  EXPECT_EQ(At(s.image, 99, 50), 0x000000u);
  EXPECT_EQ(At(s.image, 2, 2) == 0xFF0000u, At(s.image, 3, 2) != 0xFF0000u);  // 50 % gray: alternate pixels

  TRegion region(TRect(0, 5000, 1000, 6000));
  region.Combine(TRegion(TRect(2000, 5000, 3000, 6000)), RGN_OR);
  s.renderer.FillRegion(*s.canvas, region, TdxPSSolidFillPattern::StaticClass(), clNone, clBlue);
  EXPECT_EQ(At(s.image, 20, 220), 0x0000FFu);
  EXPECT_EQ(At(s.image, 60, 220), 0xFFFFFFu);
  EXPECT_EQ(At(s.image, 100, 220), 0x0000FFu);

  int before = s.renderer.BrushPool().Count();
  s.renderer.FillRect(*s.canvas, TRect(0, 7000, 100, 7100), clBtnFace);
  s.renderer.FillRect(*s.canvas, TRect(0, 7000, 100, 7100), TColor(ColorToRGB(clBtnFace)));
  s.renderer.FillRect(*s.canvas, TRect(0, 7000, 100, 7100), clNone);
  EXPECT_EQ(s.renderer.BrushPool().Count(), before + 1);
}

TEST(RendererPage, PageBackgroundOnPrintersOnly) {
  TRenderTestLink link;
  link.SetReportSize(1000, 1000);
  link.page.Background().SetMode(bmBrush);
  link.page.Background().SetBrushColor(clAqua);
  link.info.Calculate();
  // The printer page gets it (the preview paints its own page background).
  QImage printed = RenderDevice(link, 96, DT_RASPRINTER, 300);
  EXPECT_EQ(At(printed, 10, 10), 0x00FFFFu);
  EXPECT_EQ(At(printed, 200, 200), 0x00FFFFu);
  QImage screen = RenderDevice(link, 96, DT_RASDISPLAY, 300);
  EXPECT_EQ(At(screen, 10, 10), 0xFFFFFFu);
  // A printed page with no background is cleared to white.
  link.page.Background().SetMode(bmNone);
  QImage grey = WhitePage(300, 300);
  grey.fill(Qt::gray);
  {
    TCanvas canvas(&grey, Caps(96, DT_RASPRINTER, 300));
    link.renderer.RenderPage(canvas, TRect(0, 0, kPageW, kPageH), 100, 0, 0);
  }
  EXPECT_EQ(At(grey, 10, 10), 0xFFFFFFu);
}

TEST(RendererPage, LinkDrawsItsCustomDrawnItemsClippedToThem) {
  struct CustomLink : TRenderTestLink {
    TRect bounds, client;
    bool IsCustomDrawn(const TAbstractdxReportCellData& item) const override {
      return item.ClassType() == TdxReportCellBox::StaticClass();
    }
    bool CustomDrawItem(TAbstractdxReportCellData& item, TCanvas& canvas, const TRect& b,
                        const TRect& clientBounds) override {
      bounds = b;
      client = clientBounds;
      canvas.FillRect(TRect(-100000, -100000, 100000, 100000), clGreen);  // the clip keeps it to the item
      return true;
    }
  } link;
  link.SetReportSize(9600, 9600);
  TdxReportCell* cell = link.AddCell(TRect(0, 0, 4800, 4800));
  auto* box = new TdxReportCellBox(cell);
  box->SetBoundsRect(TRect(1000, 1000, 2000, 2000));
  box->SetCellSides(0);
  link.info.Calculate();
  QImage image = RenderScreen(link, 100);
  EXPECT_EQ(link.bounds, TRect(1000, 1000, 2000, 2000));
  EXPECT_EQ(link.client, TRect(1000, 1000, 2000, 2000));
  // (1000 + 2450) / 50 = 69 to (2000 + 2450) / 50 = 89.
  EXPECT_EQ(Box(image, TRect(0, 0, kPageW, kPageH), [](QRgb c) { return PixelRGBOf(c) == 0x008000u; }),
            TRect(69, 69, 89, 89));
}

TEST(RendererBands, BandBackgroundAndCustomDrawSwitches) {
  struct BandLink : TRenderTestLink {
    bool text = true, background = true;
    void CustomDrawPageHeaderOrFooter(bool isHeader, TCanvas& canvas, int pageIndex, TRect& rect, int nom,
                                      int denom, bool& defaultDrawText, bool& defaultDrawBackground) override {
      defaultDrawText = text;
      defaultDrawBackground = background;
    }
  };
  auto render = [](bool text, bool background) {
    BandLink link;
    link.text = text;
    link.background = background;
    link.SetReportSize(1000, 1000);
    link.showPageHeader = true;
    link.page.PageHeader().SetCenterTitle({"Metin"});
    link.page.PageHeader().Background().SetMode(bmBrush);
    link.page.PageHeader().Background().SetBrushColor(clYellow);
    link.info.Calculate();
    return RenderScreen(link, 100);
  };
  QImage both = render(true, true);
  EXPECT_EQ(At(both, 60, 30), 0xFFFF00u);
  EXPECT_FALSE(DarkBox(both, TRect(0, 0, kPageW, 49)).IsEmpty());
  QImage noText = render(false, true);
  EXPECT_EQ(At(noText, 60, 30), 0xFFFF00u);
  EXPECT_TRUE(DarkBox(noText, TRect(0, 0, kPageW, 49)).IsEmpty());
  QImage noBackground = render(true, false);
  EXPECT_EQ(At(noBackground, 60, 30), 0xFFFFFFu);
  EXPECT_FALSE(DarkBox(noBackground, TRect(0, 0, kPageW, 49)).IsEmpty());
}

// ---- Paper ----------------------------------------------------------------------------------------

// A printed page holds nothing translucent: a spooler feeding a PostScript
// printer turns a page with any transparency into one picture. A page with
// patterned shapes on clear and coloured grounds, 3D borders, text and a
// soft-edged picture goes into a PDF at 600 dpi without a soft mask or a
// translucent graphics state.
TEST(RendererPaper, PrintedPageHoldsNoTransparency) {
  TRenderTestLink link;
  link.SetReportSize(36000, 24000);
  TdxReportCell* cell = link.AddCell(TRect(0, 0, 36000, 24000));
  int x = 0;
  for (TColor ground : {clNone, clYellow}) {
    auto* shape = new TdxReportCellEllipse(cell);
    shape->SetBoundsRect(TRect(x, 0, x + 4800, 4800));
    shape->SetContentPattern(TdxPSDiagCrossFillPattern::StaticClass());
    shape->SetShapeColor(clBlue);
    shape->SetContentBkColor(ground);
    x += 6000;
  }
  auto* text = new TdxReportCellString(cell);
  text->SetBoundsRect(TRect(0, 6000, 20000, 8000));
  text->SetText("Ardel Sorvan 2006");
  text->SetBorderClass(TdxPSCellRaisedBorder::StaticClass());
  text->SetCellSides(isdLeft | isdTop | isdRight | isdBottom);
  QImage soft(32, 32, QImage::Format_ARGB32);
  for (int y = 0; y < 32; ++y)
    for (int i = 0; i < 32; ++i) soft.setPixel(i, y, qRgba(200, 0, 0, i * 8));
  TBitmap bitmap;
  bitmap.SetImage(soft);
  auto* picture = new TdxReportCellGraphic(cell);
  picture->SetBoundsRect(TRect(0, 9000, 4800, 13800));
  picture->SetImage(&bitmap);
  // The same picture inside a control's recorded metafile.
  TMetafileRecorder recorder(32, 32);
  {
    QPainter painter(&recorder);
    painter.drawImage(QPointF(0, 0), soft);
  }
  TMetafile metafile;
  metafile.SetEnhancedData(recorder.EnhancedData());
  auto* recorded = new TdxReportCellGraphic(cell);
  recorded->SetBoundsRect(TRect(6000, 9000, 10800, 13800));
  recorded->SetImage(&metafile);
  link.info.Calculate();

  ScratchDir dir;
  ASSERT_TRUE(PrintAt600Dpi(dir.Path("paper.pdf"), [&](TCanvas& printer, const TRect& area) {
    link.renderer.RenderPage(printer, area, 100, 0, 0);
  }));
  QFile pdf(QString::fromStdString(dir.Path("paper.pdf")));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QString bytes = QString::fromLatin1(pdf.readAll());
  EXPECT_TRUE(bytes.contains("/ImageMask true")) << "the picture's clear part is cut out";
  EXPECT_FALSE(bytes.contains(QRegularExpression("/SMask \\d+ 0 R"))) << "a soft mask";
  EXPECT_FALSE(bytes.contains(QRegularExpression("/(ca|CA) 0"))) << "a translucent state";
}
