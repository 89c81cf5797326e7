#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <climits>
#include <stdexcept>

#include "platform/Canvas.h"
#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "tests/TestSupport.h"

namespace {

constexpr unsigned kWhite = 0xFFFFFF;
constexpr unsigned kBlack = 0x000000;
constexpr unsigned kRed = 0xFF0000;
constexpr unsigned kBlue = 0x0000FF;
constexpr unsigned kGreen = 0x00FF00;
constexpr unsigned kSilver = 0xC0C0C0;
constexpr unsigned kGray = 0x808080;

QImage Blank(int w, int h, unsigned rgb = kWhite, int dpi = 96) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(QColor::fromRgb(rgb));
  int dpm = int(dpi / 0.0254 + 0.5);
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  return image;
}

TBrush Solid(TColor c, TBrushStyle style = bsSolid) {
  TBrush b;
  b.Color = c;
  b.Style = style;
  return b;
}

// Bounding box of the pixels darker than mid-grey within area.
QRect InkBox(const QImage& image, QRect area = QRect()) {
  if (area.isNull()) area = image.rect();
  int l = INT_MAX, t = INT_MAX, r = INT_MIN, b = INT_MIN;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qGray(image.pixel(x, y)) < 128) {
        l = std::min(l, x);
        t = std::min(t, y);
        r = std::max(r, x);
        b = std::max(b, y);
      }
  if (l == INT_MAX) return QRect();
  return QRect(QPoint(l, t), QPoint(r, b));
}

int CountColor(const QImage& image, unsigned rgb, QRect area = QRect()) {
  if (area.isNull()) area = image.rect();
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += PixelRGB(image, x, y) == rgb;
  return n;
}

// A graphic that paints its upper half red and its lower half blue.
class TwoBands : public TGraphic {
 public:
  static TGraphicClass Class() {
    static const TGraphicClassInfo info{"TTwoBands", "tb", [] { return std::unique_ptr<TGraphic>(new TwoBands); }};
    return &info;
  }
  TGraphicClass ClassType() const override { return Class(); }
  bool Empty() const override { return false; }
  int Width() const override { return 8; }
  int Height() const override { return 6; }
  void Draw(QPainter& p, const QRectF& dest) const override {
    p.fillRect(QRectF(dest.left(), dest.top(), dest.width(), dest.height() / 2), QColor(255, 0, 0));
    p.fillRect(QRectF(dest.left(), dest.top() + dest.height() / 2, dest.width(), dest.height() / 2),
               QColor(0, 0, 255));
    p.setPen(Qt::green);  // leaves painter state changed on purpose
  }
  void LoadFromStream(TByteView) override {}
  TBytes SaveToStream() const override { return {}; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TwoBands>(); }
};

}  // namespace

// ---- Device and caps -----------------------------------------------------------

TEST(CanvasCaps, FromImagePictureAndPrinter) {
  QImage image = Blank(200, 100, kWhite, 254);
  TDeviceCaps caps = TDeviceCaps::FromDevice(&image);
  EXPECT_EQ(caps.Technology, DT_RASDISPLAY);
  EXPECT_EQ(caps.HorzRes, 200);
  EXPECT_EQ(caps.VertRes, 100);
  EXPECT_EQ(caps.LogPixelsX, 254);
  EXPECT_EQ(caps.LogPixelsY, 254);
  EXPECT_EQ(caps.HorzSize, 20);  // mm
  EXPECT_EQ(caps.PhysicalWidth, 200);
  EXPECT_EQ(caps.PhysicalOffsetX, 0);
  EXPECT_EQ(caps.NumColors, -1);

  QPicture picture;
  EXPECT_EQ(TDeviceCaps::FromDevice(&picture).Technology, DT_METAFILE);

  ScratchDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir.Path("out.pdf")));
  printer.setResolution(300);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(10, 20, 10, 20), QPageLayout::Millimeter);
  TDeviceCaps pc = TDeviceCaps::FromDevice(&printer);
  EXPECT_EQ(pc.Technology, DT_RASPRINTER);
  EXPECT_EQ(pc.LogPixelsX, 300);
  EXPECT_NEAR(pc.PhysicalWidth, 2480, 2);   // 210 mm at 300 dpi
  EXPECT_NEAR(pc.PhysicalHeight, 3508, 2);  // 297 mm
  EXPECT_NEAR(pc.PhysicalOffsetX, 118, 2);  // 10 mm
  EXPECT_NEAR(pc.PhysicalOffsetY, 236, 2);  // 20 mm
  EXPECT_NEAR(pc.HorzRes, pc.PhysicalWidth - 2 * pc.PhysicalOffsetX, 2);
}

TEST(CanvasCaps, OverriddenCapsAreReported) {
  QImage image = Blank(50, 50);
  TDeviceCaps caps;
  caps.Technology = DT_METAFILE;
  caps.HorzRes = 1000;
  caps.VertRes = 800;
  caps.LogPixelsX = caps.LogPixelsY = 600;
  TCanvas c(&image, caps);
  EXPECT_EQ(c.GetDeviceCaps(TECHNOLOGY), DT_METAFILE);
  EXPECT_EQ(c.GetDeviceCaps(LOGPIXELSY), 600);
  EXPECT_EQ(c.GetDeviceCaps(HORZRES), 1000);
  EXPECT_EQ(c.GetDeviceCaps(12345), 0);
  EXPECT_TRUE(c.IsMetafile());
  // A metafile reference device has no edge: far-away rectangles are visible.
  EXPECT_TRUE(c.RectVisible(TRect(100000, 100000, 100010, 100010)));
}

TEST(CanvasCaps, UnpaintableDeviceRaises) {
  QImage null;
  EXPECT_THROW(TCanvas c(&null), EInvalidGraphicOperation);
  EXPECT_THROW(TCanvas c(static_cast<QPaintDevice*>(nullptr)), EInvalidGraphicOperation);
}

// ---- Mapping --------------------------------------------------------------------

TEST(CanvasMapping, AnisotropicFillRectLandsOnExactPixels) {
  QImage image = Blank(200, 200);
  {
    TCanvas c(&image);
    EXPECT_EQ(c.SetMapMode(MM_ANISOTROPIC), MM_TEXT);
    ASSERT_TRUE(c.SetWindowExt(4800, 4800));
    ASSERT_TRUE(c.SetViewportExt(96, 96));  // 50 logical units per pixel
    c.FillRect(TRect(500, 1000, 1500, 2050), clRed);  // x 10..30, y 20..41
    // Halves round up: 525 -> 10.5 -> 11, 1475 -> 29.5 -> 30.
    c.FillRect(TRect(525, 3000, 1475, 3500), clBlue);  // x 11..30, y 60..70
    // The painter's world transform is the mapping.
    EXPECT_EQ(c.Painter()->worldTransform().map(QPointF(4800, 2400)), QPointF(96, 48));
    EXPECT_EQ(c.LPtoDP(TPoint{4800, -50}), (TPoint{96, -1}));
    EXPECT_EQ(c.DPtoLP(TPoint{96, 3}), (TPoint{4800, 150}));
  }
  EXPECT_EQ(PixelRGB(image, 10, 20), kRed);
  EXPECT_EQ(PixelRGB(image, 29, 40), kRed);
  EXPECT_EQ(PixelRGB(image, 9, 20), kWhite);
  EXPECT_EQ(PixelRGB(image, 30, 20), kWhite);
  EXPECT_EQ(PixelRGB(image, 10, 19), kWhite);
  EXPECT_EQ(PixelRGB(image, 10, 41), kWhite);
  EXPECT_EQ(CountColor(image, kRed), 20 * 21);
  EXPECT_EQ(PixelRGB(image, 10, 60), kWhite);
  EXPECT_EQ(PixelRGB(image, 11, 60), kBlue);
  EXPECT_EQ(PixelRGB(image, 29, 69), kBlue);
  EXPECT_EQ(PixelRGB(image, 30, 69), kWhite);
}

TEST(CanvasMapping, NeighboursShareAnEdgeAtAnyScale) {
  for (int den : {7, 13, 96}) {
    QImage image = Blank(120, 4);
    {
      TCanvas c(&image);
      c.SetMapMode(MM_ANISOTROPIC);
      c.SetWindowExt(1000, 1000);
      c.SetViewportExt(den, den);
      c.SetWindowOrg(-37, 0);
      int edges[] = {0, 123, 377, 512, 999, 1234};
      for (int i = 0; i + 1 < 6; ++i) c.FillRect(TRect(edges[i], 0, edges[i + 1], 1000), i % 2 ? clRed : clBlue);
    }
    int painted = CountColor(image, kRed, QRect(0, 0, 120, 1)) + CountColor(image, kBlue, QRect(0, 0, 120, 1));
    // No gaps and no overlaps: every pixel between the outer edges is painted once.
    int x0 = (37 * den + 500) / 1000, x1 = ((1234 + 37) * den + 500) / 1000;
    EXPECT_EQ(painted, std::min(x1, 120) - x0) << den;
  }
}

TEST(CanvasMapping, LoMetricOn254DpiImage) {
  QImage image = Blank(100, 100, kWhite, 254);
  {
    TCanvas c(&image);
    c.SetMapMode(MM_LOMETRIC);  // 0.1 mm = one pixel at 254 dpi, y upwards
    EXPECT_EQ(c.GetWindowExt(), (TSize{254, 254}));
    EXPECT_EQ(c.GetViewportExt(), (TSize{254, -254}));
    EXPECT_EQ(c.LPtoDP(TPoint{25, -40}), (TPoint{25, 40}));
    c.FillRect(TRect(10, -10, 50, -40), clRed);
    EXPECT_EQ(c.DeviceRect(TRect(10, -10, 50, -40)), TRect(10, 10, 50, 40));
    c.SetMapMode(MM_HIMETRIC);
    EXPECT_EQ(c.LPtoDP(TPoint{1000, -2000}), (TPoint{100, 200}));
    c.SetMapMode(MM_TWIPS);
    EXPECT_EQ(c.LPtoDP(TPoint{1440, 0}), (TPoint{254, 0}));
    // Extents are fixed outside the scalable modes.
    EXPECT_FALSE(c.SetWindowExt(10, 10));
    EXPECT_EQ(c.SetMapMode(99), 0);
    EXPECT_EQ(c.GetMapMode(), MM_TWIPS);
  }
  EXPECT_EQ(PixelRGB(image, 10, 10), kRed);
  EXPECT_EQ(PixelRGB(image, 49, 39), kRed);
  EXPECT_EQ(PixelRGB(image, 50, 39), kWhite);
  EXPECT_EQ(PixelRGB(image, 49, 40), kWhite);
  EXPECT_EQ(PixelRGB(image, 9, 10), kWhite);
}

TEST(CanvasMapping, IsotropicKeepsUnitsSquare) {
  TCanvas c(TDeviceCaps::Screen());
  c.SetMapMode(MM_ISOTROPIC);
  ASSERT_TRUE(c.SetWindowExt(100, 100));
  ASSERT_TRUE(c.SetViewportExt(200, 400));
  EXPECT_EQ(c.GetViewportExt(), (TSize{200, 200}));
  ASSERT_TRUE(c.SetViewportExt(300, -150));
  EXPECT_EQ(c.GetViewportExt(), (TSize{150, -150}));
  EXPECT_FALSE(c.SetViewportExt(0, 10));
  EXPECT_EQ(c.GetViewportExt(), (TSize{150, -150}));
  // Anisotropic keeps the current extents.
  c.SetMapMode(MM_ANISOTROPIC);
  EXPECT_EQ(c.GetViewportExt(), (TSize{150, -150}));
  ASSERT_TRUE(c.ScaleWindowExt(100, 49, 100, 49));
  EXPECT_EQ(c.GetWindowExt(), (TSize{204, 204}));
  EXPECT_FALSE(c.ScaleWindowExt(1, 0, 1, 1));
  EXPECT_FALSE(c.ScaleWindowExt(0, 1, 1, 1));
  TPoint old;
  c.SetWindowOrg(10, 20);
  c.OffsetWindowOrg(5, -5, &old);
  EXPECT_EQ(old, (TPoint{10, 20}));
  EXPECT_EQ(c.GetWindowOrg(), (TPoint{15, 15}));
}

TEST(CanvasMapping, HostileCoordinatesDoNotOverflow) {
  QImage image = Blank(20, 20);
  {
    TCanvas c(&image);
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExt(1, 1);
    c.SetViewportExt(INT_MAX, INT_MAX);
    c.SetWindowOrg(INT_MIN, INT_MIN);
    c.FillRect(TRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), clRed);
    c.OffsetWindowOrg(INT_MIN, INT_MIN);
    c.LineTo(INT_MAX, INT_MAX);
    c.Ellipse(TRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    c.TextOut(INT_MAX, INT_MIN, "x");
    c.SetMapMode(MM_TEXT);
    TFont huge;
    huge.Height = INT_MIN;
    c.SetFont(huge);
    EXPECT_GT(c.TextWidth("W"), 0);
    c.TextOut(0, 0, "W");
    huge.Height = INT_MAX;
    c.SetFont(huge);
    c.TextOut(-1000, -1000, "W");
    c.FillRect(TRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), clBlue);
  }
  EXPECT_EQ(PixelRGB(image, 5, 5), kBlue);
}

// ---- State and clipping -----------------------------------------------------------

TEST(CanvasState, SaveAndRestoreIncludingRelativeIndexes) {
  TCanvas c(TDeviceCaps::Screen());
  EXPECT_EQ(c.SaveDC(), 1);
  c.SetMapMode(MM_ANISOTROPIC);
  c.SetTextColor(clRed);
  EXPECT_EQ(c.SaveDC(), 2);
  c.SetWindowOrg(5, 5);
  c.SetBkMode(TRANSPARENT);
  EXPECT_EQ(c.SaveDC(), 3);
  c.Pen().Color = clBlue;
  EXPECT_TRUE(c.RestoreDC(-1));  // back to depth 3's state
  EXPECT_EQ(c.SavedDepth(), 2);
  EXPECT_EQ(c.Pen().Color, clBlack);
  EXPECT_EQ(c.GetWindowOrg(), (TPoint{5, 5}));
  EXPECT_FALSE(c.RestoreDC(3));
  EXPECT_FALSE(c.RestoreDC(0));
  EXPECT_FALSE(c.RestoreDC(-3));
  EXPECT_TRUE(c.RestoreDC(1));
  EXPECT_EQ(c.SavedDepth(), 0);
  EXPECT_EQ(c.GetMapMode(), MM_TEXT);
  EXPECT_EQ(c.GetTextColor(), clWindowText);
  EXPECT_EQ(c.GetBkMode(), OPAQUE);
  EXPECT_FALSE(c.RestoreDC(-1));
}

TEST(CanvasState, GuardRestoresMappingAndClipWhenAnExceptionPasses) {
  QImage image = Blank(40, 40);
  {
    TCanvas c(&image);
    try {
      TCanvasStateSaver guard(c);
      c.SetMapMode(MM_ANISOTROPIC);
      c.SetWindowExt(1, 1);
      c.SetViewportExt(2, 2);
      c.IntersectClipRect(TRect(0, 0, 5, 5));
      c.SetBrush(Solid(clRed));
      throw std::runtime_error("boom");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(c.GetMapMode(), MM_TEXT);
    EXPECT_FALSE(c.HasClipRgn());
    EXPECT_EQ(c.SavedDepth(), 0);
    EXPECT_EQ(c.Brush().Color, clWhite);
    c.FillRect(TRect(0, 0, 40, 40), clBlue);  // the painter's clip went too
  }
  EXPECT_EQ(CountColor(image, kBlue), 40 * 40);
}

TEST(CanvasClip, ExcludeClipRectLeavesAHole) {
  QImage image = Blank(30, 30);
  {
    TCanvas c(&image);
    EXPECT_EQ(c.ExcludeClipRect(TRect(10, 10, 20, 20)), COMPLEXREGION);
    TRegion clip;
    ASSERT_TRUE(c.GetClipRgn(clip));
    EXPECT_EQ(clip.Box(), TRect(0, 0, 30, 30));
    EXPECT_FALSE(clip.Contains({15, 15}));
    EXPECT_FALSE(c.RectVisible(TRect(12, 12, 18, 18)));
    EXPECT_TRUE(c.RectVisible(TRect(5, 5, 11, 11)));
    EXPECT_FALSE(c.RectVisible(TRect(5, 5, 5, 11)));  // empty
    EXPECT_FALSE(c.RectVisible(TRect(30, 0, 40, 10)));  // off the device
    c.FillRect(TRect(0, 0, 30, 30), clRed);
  }
  EXPECT_EQ(PixelRGB(image, 15, 15), kWhite);
  EXPECT_EQ(PixelRGB(image, 10, 10), kWhite);
  EXPECT_EQ(PixelRGB(image, 19, 19), kWhite);
  EXPECT_EQ(PixelRGB(image, 9, 15), kRed);
  EXPECT_EQ(PixelRGB(image, 20, 15), kRed);
  EXPECT_EQ(CountColor(image, kRed), 900 - 100);
}

TEST(CanvasClip, ClipStaysInDeviceSpaceWhenTheMappingChanges) {
  QImage image = Blank(30, 30);
  {
    TCanvas c(&image);
    EXPECT_EQ(c.IntersectClipRect(TRect(0, 0, 10, 10)), SIMPLEREGION);
    c.SetViewportOrg(5, 5);
    TRect box;
    EXPECT_EQ(c.GetClipBox(box), SIMPLEREGION);
    EXPECT_EQ(box, TRect(-5, -5, 5, 5));
    c.FillRect(TRect(0, 0, 20, 20), clRed);
    // Select and combine device regions.
    TRegion r(TRect(20, 20, 25, 25));
    c.SelectClipRgn(&r);
    c.ExtSelectClipRgn(&r, RGN_XOR);
    c.FillRect(TRect(-5, -5, 25, 25), clBlue);  // the clip is empty now
    EXPECT_EQ(c.GetClipBox(box), NULLREGION);
    c.SelectClipRgn(nullptr);
    EXPECT_FALSE(c.HasClipRgn());
    c.SelectClipRect(TRect(20, 0, 22, 2));  // logical: device 25..27
    c.FillRect(TRect(-5, -5, 25, 25), clLime);
  }
  EXPECT_EQ(PixelRGB(image, 5, 5), kRed);
  EXPECT_EQ(PixelRGB(image, 9, 9), kRed);
  EXPECT_EQ(PixelRGB(image, 10, 9), kWhite);
  EXPECT_EQ(PixelRGB(image, 4, 5), kWhite);
  EXPECT_EQ(CountColor(image, kBlue), 0);
  EXPECT_EQ(CountColor(image, kGreen), 4);
  EXPECT_EQ(PixelRGB(image, 25, 5), kGreen);
}

TEST(CanvasClip, RegionsCombine) {
  TRegion a(TRect(0, 0, 10, 10));
  TRegion b(TRect(5, 5, 15, 15));
  TRegion u = a;
  EXPECT_EQ(u.Combine(b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(u.Box(), TRect(0, 0, 15, 15));
  TRegion i = a;
  EXPECT_EQ(i.Combine(b, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(i.Box(), TRect(5, 5, 10, 10));
  TRegion d = a;
  d.Combine(b, RGN_DIFF);
  EXPECT_TRUE(d.Contains({4, 9}));
  EXPECT_FALSE(d.Contains({5, 5}));
  TRegion x = a;
  x.Combine(b, RGN_XOR);
  EXPECT_FALSE(x.Contains({7, 7}));
  EXPECT_TRUE(x.Contains({12, 12}));
  EXPECT_EQ(x.Combine(b, 77), RGN_ERROR);
  x.Offset(100, 0);
  EXPECT_TRUE(x.Contains({112, 12}));
  EXPECT_EQ(TRegion(TRect(5, 5, 5, 9)).Kind(), NULLREGION);
  TRegion e = TRegion::Ellipse(TRect(0, 0, 20, 10));
  EXPECT_TRUE(e.Contains({10, 5}));
  EXPECT_FALSE(e.Contains({0, 0}));
  TRegion rr = TRegion::RoundRect(TRect(0, 0, 20, 20), 10, 10);
  EXPECT_TRUE(rr.Contains({10, 0}));
  EXPECT_FALSE(rr.Contains({0, 0}));
  EXPECT_EQ(rr.Box(), TRect(0, 0, 20, 20));
}

// ---- Brushes --------------------------------------------------------------------

TEST(CanvasBrush, HatchLinesAreAnchoredAtTheDeviceOrigin) {
  QImage image = Blank(40, 40, kGreen);
  {
    TCanvas c(&image);
    c.SetBkColor(clWhite);
    c.FillRect(TRect(3, 3, 20, 20), Solid(clRed, bsHorizontal));  // opaque: gaps white
    c.SetBkMode(TRANSPARENT);
    c.FillRect(TRect(20, 0, 40, 20), Solid(clBlue, bsFDiagonal));  // gaps untouched
    c.SetBrushOrg(0, 2);
    c.SetBkMode(OPAQUE);
    c.FillRect(TRect(0, 20, 20, 40), Solid(clRed, bsVertical));
  }
  for (int y = 3; y < 20; ++y)
    EXPECT_EQ(PixelRGB(image, 10, y), y % 8 == 0 ? kRed : kWhite) << y;
  EXPECT_EQ(PixelRGB(image, 2, 8), kGreen);
  EXPECT_EQ(PixelRGB(image, 3, 8), kRed);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(PixelRGB(image, 20 + i, i), (20 + i) % 8 == i % 8 ? kBlue : kGreen) << i;
    EXPECT_EQ(PixelRGB(image, 24 + (i + 1) % 8, i), ((24 + (i + 1) % 8) % 8 == i % 8) ? kBlue : kGreen);
  }
  // Vertical lines at x = 0, 8, 16: the origin's x is unchanged by (0, 2).
  EXPECT_EQ(PixelRGB(image, 8, 30), kRed);
  EXPECT_EQ(PixelRGB(image, 9, 30), kWhite);
}

TEST(CanvasBrush, MonochromePatternUsesTextAndBackgroundColours) {
  const std::uint8_t rows[8] = {0x80, 0, 0, 0, 0, 0, 0, 0};  // one white pixel at (0, 0)
  TBrush brush;
  brush.Bitmap = CreateMonoPattern(rows);
  ASSERT_EQ(brush.Bitmap.size(), QSize(8, 8));
  QImage image = Blank(40, 40, kGreen);
  {
    TCanvas c(&image);
    c.SetTextColor(clRed);
    c.SetBkColor(clBlue);
    c.SetBkMode(TRANSPARENT);  // no effect on pattern brushes
    c.SetViewportOrg(3, 3);    // the logical origin moves, the pattern does not
    c.FillRect(TRect(2, 2, 30, 30), brush);
  }
  EXPECT_EQ(PixelRGB(image, 4, 4), kGreen);
  EXPECT_EQ(PixelRGB(image, 5, 5), kRed);
  EXPECT_EQ(PixelRGB(image, 8, 8), kBlue);
  EXPECT_EQ(PixelRGB(image, 16, 24), kBlue);
  EXPECT_EQ(PixelRGB(image, 9, 8), kRed);
  EXPECT_EQ(PixelRGB(image, 8, 9), kRed);
  EXPECT_EQ(CountColor(image, kBlue), 16);  // 8, 16, 24, 32 in both directions

  // A Qt-converted mono image (index 0 = white there) still means white = background.
  QImage rgb = Blank(8, 8, kBlack);
  rgb.setPixel(1, 1, qRgb(255, 255, 255));
  brush.Bitmap = rgb.convertToFormat(QImage::Format_Mono);
  QImage second = Blank(16, 16);
  {
    TCanvas c(&second);
    c.SetTextColor(clRed);
    c.SetBkColor(clBlue);
    c.FillRect(TRect(0, 0, 16, 16), brush);
  }
  EXPECT_EQ(PixelRGB(second, 1, 1), kBlue);
  EXPECT_EQ(PixelRGB(second, 9, 9), kBlue);
  EXPECT_EQ(PixelRGB(second, 0, 0), kRed);
}

TEST(CanvasBrush, ColourPatternAndClearBrushes) {
  QImage pattern(2, 2, QImage::Format_RGB32);
  pattern.fill(qRgb(255, 0, 0));
  pattern.setPixel(1, 0, qRgb(0, 0, 255));
  TBrush brush;
  brush.Bitmap = pattern;
  QImage image = Blank(10, 10);
  {
    TCanvas c(&image);
    c.FillRect(TRect(1, 0, 6, 4), brush);
    c.FillRect(TRect(0, 5, 10, 10), Solid(clRed, bsClear));
    c.FillRect(TRect(0, 5, 10, 10), Solid(clNone));
    c.FillRect(TRect(0, 5, 10, 10), clNone);
  }
  EXPECT_EQ(PixelRGB(image, 1, 0), kBlue);
  EXPECT_EQ(PixelRGB(image, 2, 0), kRed);
  EXPECT_EQ(PixelRGB(image, 3, 0), kBlue);
  EXPECT_EQ(PixelRGB(image, 3, 1), kRed);
  EXPECT_EQ(CountColor(image, kWhite, QRect(0, 5, 10, 5)), 50);
}

// ---- Lines and shapes -------------------------------------------------------------

TEST(CanvasShapes, RectangleAndLinesExcludeRightAndBottom) {
  QImage image = Blank(60, 60);
  {
    TCanvas c(&image);
    c.SetBrush(Solid(clRed));
    c.Rectangle(2, 2, 10, 8);
    c.MoveTo(0, 20);
    c.LineTo(10, 20);
    c.MoveTo(20, 0);
    c.LineTo(20, 10);
    c.MoveTo(0, 30);
    c.LineTo(5, 35);
    EXPECT_EQ(c.PenPos(), (TPoint{5, 35}));
    c.MoveTo(30, 30);
    c.LineTo(30, 30);  // nothing
    c.SetPen(TPen{clBlack, 1, psClear});
    c.SetBrush(Solid(clBlue));
    c.Rectangle(40, 40, 50, 50);  // no pen: the inside alone, one pixel smaller
  }
  EXPECT_EQ(PixelRGB(image, 2, 2), kBlack);
  EXPECT_EQ(PixelRGB(image, 9, 7), kBlack);
  EXPECT_EQ(PixelRGB(image, 9, 2), kBlack);
  EXPECT_EQ(PixelRGB(image, 10, 7), kWhite);
  EXPECT_EQ(PixelRGB(image, 9, 8), kWhite);
  EXPECT_EQ(PixelRGB(image, 5, 5), kRed);
  EXPECT_EQ(CountColor(image, kRed), 6 * 4);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(PixelRGB(image, x, 20), kBlack) << x;
  EXPECT_EQ(PixelRGB(image, 10, 20), kWhite);
  EXPECT_EQ(PixelRGB(image, 20, 9), kBlack);
  EXPECT_EQ(PixelRGB(image, 20, 10), kWhite);
  EXPECT_EQ(PixelRGB(image, 0, 30), kBlack);
  EXPECT_EQ(PixelRGB(image, 4, 34), kBlack);
  EXPECT_EQ(PixelRGB(image, 5, 35), kWhite);
  EXPECT_EQ(PixelRGB(image, 30, 30), kWhite);
  EXPECT_EQ(CountColor(image, kBlue), 9 * 9);
  EXPECT_EQ(PixelRGB(image, 48, 48), kBlue);
  EXPECT_EQ(PixelRGB(image, 49, 48), kWhite);
}

TEST(CanvasShapes, ClearPenDrawsNothing) {
  QImage image = Blank(30, 30);
  {
    TCanvas c(&image);
    c.SetPen(TPen{clRed, 3, psClear});
    c.SetBrush(Solid(clRed, bsClear));
    c.Rectangle(0, 0, 30, 30);
    c.MoveTo(0, 0);
    c.LineTo(29, 29);
    c.Ellipse(TRect(0, 0, 30, 30));
    const TPoint pts[] = {{0, 0}, {29, 0}, {0, 29}};
    c.Polygon(pts);
    c.Polyline(pts);
    c.SetPen(TPen{clNone, 1, psSolid});
    c.LineTo(0, 29);
  }
  EXPECT_EQ(CountColor(image, kWhite), 900);
}

TEST(CanvasShapes, WidePensAndInsideFrame) {
  QImage image = Blank(60, 60);
  {
    TCanvas c(&image);
    c.SetBrush(Solid(clRed));
    c.SetPen(TPen{clBlack, 4, psInsideFrame});
    c.Rectangle(10, 10, 30, 30);
    c.SetPen(TPen{clBlue, 3, psSolid});
    c.MoveTo(40, 50);
    c.LineTo(55, 50);
  }
  // Round joins, as wide pens have: the outermost corner pixel stays free.
  EXPECT_EQ(PixelRGB(image, 10, 20), kBlack);
  EXPECT_EQ(PixelRGB(image, 9, 20), kWhite);
  EXPECT_EQ(PixelRGB(image, 29, 20), kBlack);
  EXPECT_EQ(PixelRGB(image, 20, 29), kBlack);
  EXPECT_EQ(PixelRGB(image, 20, 30), kWhite);
  EXPECT_EQ(PixelRGB(image, 30, 20), kWhite);
  EXPECT_EQ(PixelRGB(image, 13, 20), kBlack);
  EXPECT_EQ(PixelRGB(image, 14, 20), kRed);
  EXPECT_EQ(PixelRGB(image, 26, 20), kBlack);
  EXPECT_EQ(PixelRGB(image, 25, 20), kRed);
  // A 3-pixel line centred on y = 50.
  EXPECT_EQ(PixelRGB(image, 47, 49), kBlue);
  EXPECT_EQ(PixelRGB(image, 47, 50), kBlue);
  EXPECT_EQ(PixelRGB(image, 47, 51), kBlue);
  EXPECT_EQ(PixelRGB(image, 47, 48), kWhite);
  EXPECT_EQ(PixelRGB(image, 47, 52), kWhite);
}

TEST(CanvasShapes, DashedPenFillsGapsOnlyWhenOpaque) {
  QImage image = Blank(50, 4, kGreen);
  {
    TCanvas c(&image);
    c.SetPen(TPen{clBlack, 0, psDash});
    c.SetBkColor(clWhite);
    c.MoveTo(0, 0);
    c.LineTo(48, 0);
    c.SetBkMode(TRANSPARENT);
    c.MoveTo(0, 2);
    c.LineTo(48, 2);
  }
  EXPECT_EQ(PixelRGB(image, 0, 0), kBlack);
  EXPECT_EQ(PixelRGB(image, 17, 0), kBlack);
  EXPECT_EQ(PixelRGB(image, 18, 0), kWhite);
  EXPECT_EQ(PixelRGB(image, 23, 0), kWhite);
  EXPECT_EQ(PixelRGB(image, 24, 0), kBlack);
  EXPECT_EQ(PixelRGB(image, 48, 0), kGreen);
  EXPECT_EQ(PixelRGB(image, 17, 2), kBlack);
  EXPECT_EQ(PixelRGB(image, 20, 2), kGreen);
}

TEST(CanvasShapes, EllipsePolygonAndCurvesStayInTheirBounds) {
  QImage image = Blank(100, 100);
  {
    TCanvas c(&image);
    c.SetBrush(Solid(clRed));
    c.Ellipse(TRect(0, 0, 40, 20));
    const TPoint tri[] = {{50, 0}, {90, 0}, {50, 40}};
    c.Polygon(tri);
    c.SetPolyFillMode(WINDING);
    const TPoint bez[] = {{0, 60}, {10, 40}, {30, 80}, {40, 60}};
    c.PolyBezier(bez);
    const TPoint bad[] = {{0, 60}, {10, 40}, {30, 80}};
    c.PolyBezier(bad);  // not 1 + 3n points: ignored
    c.Pie(TRect(60, 60, 100, 100), TPoint{100, 80}, TPoint{80, 60});  // upper-right quarter
  }
  EXPECT_EQ(PixelRGB(image, 20, 10), kRed);
  EXPECT_EQ(PixelRGB(image, 1, 1), kWhite);
  EXPECT_EQ(InkBox(image, QRect(0, 0, 45, 25)), QRect(0, 0, 40, 20));
  EXPECT_EQ(PixelRGB(image, 55, 5), kRed);
  EXPECT_EQ(PixelRGB(image, 85, 30), kWhite);
  EXPECT_FALSE(InkBox(image, QRect(0, 45, 45, 40)).isNull());
  EXPECT_EQ(PixelRGB(image, 90, 70), kRed);
  EXPECT_EQ(PixelRGB(image, 70, 90), kWhite);
  EXPECT_EQ(PixelRGB(image, 70, 70), kWhite);
}

// ---- Fills, pixels, raster operations ----------------------------------------------

TEST(CanvasFill, FrameInvertPixelsAndPatBlt) {
  QImage image = Blank(40, 40);
  {
    TCanvas c(&image);
    c.FrameRect(TRect(0, 0, 10, 10), Solid(clRed));
    c.SetPixel(20, 20, clBlue);
    EXPECT_EQ(c.GetPixel(20, 20), clBlue);
    EXPECT_EQ(c.GetPixel(-1, 0), CLR_INVALID);
    c.InvertRect(TRect(30, 30, 35, 35));
    c.SetBrush(Solid(clGreen));  // green = 0x008000 in TColor terms
    EXPECT_TRUE(c.PatBlt(0, 30, 5, 5, PATCOPY));
    EXPECT_TRUE(c.PatBlt(10, 30, 5, 5, BLACKNESS));
    EXPECT_TRUE(c.PatBlt(12, 32, 2, 2, DSTINVERT));
    EXPECT_FALSE(c.PatBlt(0, 0, 5, 5, 0x12345678));
    // Frames at a scale are one logical unit wide.
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetViewportExt(2, 2);
    c.FrameRect(TRect(10, 0, 15, 5), Solid(clBlue));
  }
  EXPECT_EQ(PixelRGB(image, 0, 5), kRed);
  EXPECT_EQ(PixelRGB(image, 9, 5), kRed);
  EXPECT_EQ(PixelRGB(image, 5, 9), kRed);
  EXPECT_EQ(PixelRGB(image, 1, 1), kWhite);
  EXPECT_EQ(PixelRGB(image, 10, 5), kWhite);
  EXPECT_EQ(PixelRGB(image, 32, 32), kBlack);
  EXPECT_EQ(PixelRGB(image, 35, 32), kWhite);
  EXPECT_EQ(PixelRGB(image, 2, 32), 0x008000u);
  EXPECT_EQ(PixelRGB(image, 11, 31), kBlack);
  EXPECT_EQ(PixelRGB(image, 12, 32), kWhite);
  EXPECT_EQ(PixelRGB(image, 21, 3), kBlue);
  EXPECT_EQ(PixelRGB(image, 22, 3), kWhite);
  EXPECT_EQ(PixelRGB(image, 29, 3), kBlue);
}

TEST(CanvasFill, FillRgnMapsALogicalRegion) {
  QImage image = Blank(40, 40);
  {
    TCanvas c(&image);
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExt(10, 10);
    c.SetViewportExt(1, 1);
    TRegion r(TRect(0, 0, 100, 100));
    r.Combine(TRegion(TRect(50, 50, 200, 200)), RGN_OR);
    c.FillRgn(r, Solid(clRed));
  }
  EXPECT_EQ(PixelRGB(image, 0, 0), kRed);
  EXPECT_EQ(PixelRGB(image, 19, 19), kRed);
  EXPECT_EQ(PixelRGB(image, 15, 2), kWhite);
  EXPECT_EQ(CountColor(image, kRed), 100 + 225 - 25);
}

TEST(CanvasFill, FocusRectInvertsAndDrawingItTwiceRemovesIt) {
  QImage image = Blank(20, 20);
  QImage before = image.copy();
  {
    TCanvas c(&image);
    c.DrawFocusRect(TRect(2, 2, 12, 10));
  }
  EXPECT_EQ(PixelRGB(image, 2, 2), kBlack);
  EXPECT_EQ(PixelRGB(image, 3, 2), kWhite);
  EXPECT_EQ(PixelRGB(image, 4, 2), kBlack);
  EXPECT_EQ(PixelRGB(image, 5, 5), kWhite);
  EXPECT_EQ(PixelRGB(image, 12, 2), kWhite);
  EXPECT_GT(CountColor(image, kBlack), 10);
  {
    TCanvas c(&image);
    c.DrawFocusRect(TRect(2, 2, 12, 10));
  }
  EXPECT_EQ(image, before);
}

// ---- Pictures ----------------------------------------------------------------------

TEST(CanvasPictures, StretchDrawUsesDevicePixelsAndNeverMirrors) {
  QImage image = Blank(100, 100, kWhite, 254);
  TwoBands graphic;
  {
    TCanvas c(&image);
    c.SetMapMode(MM_LOMETRIC);  // y upwards
    c.StretchDraw(TRect(10, -10, 50, -50), graphic);
    EXPECT_EQ(c.Painter()->worldTransform(), QTransform(1, 0, 0, -1, 0, 0));
    c.SetMapMode(MM_TEXT);
    c.Draw(60, 60, graphic);  // natural size 8 x 6
  }
  EXPECT_EQ(PixelRGB(image, 10, 10), kRed);
  EXPECT_EQ(PixelRGB(image, 49, 29), kRed);
  EXPECT_EQ(PixelRGB(image, 49, 30), kBlue);
  EXPECT_EQ(PixelRGB(image, 49, 49), kBlue);
  EXPECT_EQ(PixelRGB(image, 50, 49), kWhite);
  EXPECT_EQ(PixelRGB(image, 10, 50), kWhite);
  EXPECT_EQ(PixelRGB(image, 60, 60), kRed);
  EXPECT_EQ(PixelRGB(image, 67, 65), kBlue);
  EXPECT_EQ(PixelRGB(image, 68, 65), kWhite);
}

TEST(CanvasPictures, CopyRectClampsTheSource) {
  QImage source = MakeTestImage(20, 10);  // red left half, blue right half
  QImage image = Blank(40, 40);
  {
    TCanvas c(&image);
    EXPECT_TRUE(c.BitBlt(0, 0, 20, 10, source, 0, 0));
    // A source rectangle half outside the image: only its inside part is drawn.
    c.CopyRect(TRect(0, 20, 20, 30), source, TRect(10, 0, 30, 10));
    EXPECT_FALSE(c.BitBlt(0, 0, -5, 5, source, 0, 0));
    c.CopyRect(TRect(0, 0, 5, 5), source, TRect(100, 100, 200, 200));
    c.CopyRect(TRect(0, 0, 5, 5), QImage(), TRect(0, 0, 5, 5));
  }
  EXPECT_EQ(PixelRGB(image, 0, 0), kRed);
  EXPECT_EQ(PixelRGB(image, 19, 0), kBlue);
  EXPECT_EQ(PixelRGB(image, 0, 20), kBlue);
  EXPECT_EQ(PixelRGB(image, 9, 20), kBlue);
  EXPECT_EQ(PixelRGB(image, 10, 20), kWhite);
}

// ---- Text ---------------------------------------------------------------------------

namespace {
TFont TextFont(int height, const char* name = "Arial") {
  TFont f;
  f.Name = name;
  f.Height = height;
  return f;
}
}  // namespace

TEST(CanvasText, ExtentsScaleWithTheLogicalSize) {
  const std::string text = "The quick brown fox jumps over the lazy dog";
  TCanvas c(TDeviceCaps::Screen());
  c.SetFont(TextFont(-11));
  int w1 = c.TextWidth(text);
  EXPECT_GT(w1, 150);
  for (int scale : {10, 50}) {
    c.SetFont(TextFont(-11 * scale));
    int w = c.TextWidth(text);
    EXPECT_NEAR(double(w) / scale, w1, 1.0) << scale;
    TTextMetric tm = c.GetTextMetrics();
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(c.TextHeight(text), tm.tmHeight);
    EXPECT_NEAR(tm.tmHeight, 11.0 * scale * 2288 / 2048, 1.0);  // the face's cell is 1.117 em
    EXPECT_NEAR(tm.tmInternalLeading, tm.tmHeight - 11 * scale, 1);
  }
  // The mapping does not enter the measure.
  QImage image = Blank(50, 50);
  TCanvas ic(&image);
  ic.SetMapMode(MM_ANISOTROPIC);
  ic.SetWindowExt(4800, 4800);
  ic.SetViewportExt(96, 96);
  ic.SetFont(TextFont(-550));
  c.SetFont(TextFont(-550));
  EXPECT_EQ(ic.TextWidth(text), c.TextWidth(text));
  // A positive height is the cell height.
  c.SetFont(TextFont(40));
  EXPECT_EQ(c.GetTextMetrics().tmHeight, 40);
}

TEST(CanvasText, FitCountsAgreeWithTextWidth) {
  const std::string text = "AVAV Wa ll fi office 123";
  TCanvas c(TDeviceCaps::Screen());
  for (int height : {-11, -110, -550}) {
    c.SetFont(TextFont(height, "Times New Roman"));
    std::vector<int> partial;
    int fit = -1;
    TSize whole = c.GetTextExtentExPoint(text, INT_MAX, &fit, &partial);
    EXPECT_EQ(fit, int(text.size()));
    EXPECT_EQ(whole.cx, c.TextWidth(text));
    ASSERT_EQ(partial.size(), text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
      EXPECT_EQ(partial[i], c.TextWidth(text.substr(0, i + 1))) << height << " " << i;
    for (int max = -1; max <= whole.cx + 1; max += std::max(1, whole.cx / 37)) {
      c.GetTextExtentExPoint(text, max, &fit, nullptr);
      int expect = 0;
      while (expect < int(text.size()) && c.TextWidth(text.substr(0, std::size_t(expect) + 1)) <= max) ++expect;
      EXPECT_EQ(fit, expect) << height << " max " << max;
    }
  }
}

TEST(CanvasText, Utf8IsMeasuredPerCharacterAndBadBytesAreSafe) {
  TCanvas c(TDeviceCaps::Screen());
  c.SetFont(TextFont(-20));
  const std::string text = "a\xC3\x87\xC4\xB1g";  // a Ç ı g
  std::vector<int> partial;
  int fit = 0;
  c.GetTextExtentExPoint(text, c.TextWidth("a\xC3\x87") , &fit, &partial);
  ASSERT_EQ(partial.size(), 6u);
  EXPECT_EQ(fit, 3);  // "a" and the two bytes of "Ç"
  EXPECT_EQ(partial[1], partial[2]);
  EXPECT_EQ(partial[3], partial[4]);
  EXPECT_EQ(partial[5], c.TextWidth(text));
  const std::string bad = "\xFF\xC3\xE2\x82x\xF4\x90\x80\x80\xED\xA0\x80";
  c.GetTextExtentExPoint(bad, 1000, &fit, &partial);
  EXPECT_EQ(partial.size(), bad.size());
  EXPECT_EQ(fit, int(bad.size()));
  QImage image = Blank(100, 40);
  TCanvas ic(&image);
  ic.TextOut(0, 0, bad);
  const int shortDx[2] = {5, 5};
  ic.ExtTextOut(0, 0, 0, nullptr, bad, shortDx);  // too short: ignored
  ic.TextOut(0, 0, std::string("a\0b\tc\r\n", 7));
  ic.TextOut(0, 0, "");
}

TEST(CanvasText, TextPixelsAppearWhereTextOutPutsThem) {
  QImage image = Blank(300, 120);
  TTextMetric tm;
  int width = 0;
  {
    TCanvas c(&image);
    c.SetFont(TextFont(-20));
    c.SetBkMode(TRANSPARENT);
    tm = c.GetTextMetrics();
    width = c.TextWidth("HHHH");
    c.TextOut(10, 10, "HHHH");
    c.SetTextAlign(TA_BASELINE);
    c.TextOut(110, 60, "HHHH");
    c.SetTextAlign(TA_BOTTOM | TA_RIGHT);
    c.TextOut(290, 100, "HHHH");
  }
  QRect top = InkBox(image, QRect(0, 0, 100, 50));
  ASSERT_FALSE(top.isNull());
  // Capital H: from about cap height above the baseline down to the baseline.
  int baseline = 10 + tm.tmAscent;
  EXPECT_NEAR(top.bottom() + 1, baseline, 1);
  EXPECT_NEAR(top.top(), baseline - 0.716 * 20, 1.5);  // cap height of the face
  EXPECT_GE(top.left(), 10);
  EXPECT_LE(top.right() + 1, 10 + width);
  EXPECT_GE(top.right() + 1, 10 + width - 4);

  QRect base = InkBox(image, QRect(100, 30, 100, 40));
  EXPECT_NEAR(base.bottom() + 1, 60, 1);
  QRect right = InkBox(image, QRect(150, 70, 150, 50));
  EXPECT_NEAR(right.bottom() + 1, 100 - tm.tmDescent, 1);
  EXPECT_LE(right.right() + 1, 290);
  EXPECT_GE(right.left(), 290 - width);
}

TEST(CanvasText, ScaledTextMatchesUnscaledText) {
  QImage a = Blank(200, 60), b = Blank(200, 60);
  {
    TCanvas c(&a);
    c.SetFont(TextFont(-20));
    c.TextOut(10, 10, "Hxg lIl");
  }
  {
    TCanvas c(&b);
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExt(50, 50);
    c.SetViewportExt(1, 1);
    c.SetFont(TextFont(-1000));
    c.TextOut(500, 500, "Hxg lIl");
  }
  QRect ia = InkBox(a), ib = InkBox(b);
  ASSERT_FALSE(ia.isNull());
  EXPECT_NEAR(ia.left(), ib.left(), 1);
  EXPECT_NEAR(ia.right(), ib.right(), 1);
  EXPECT_NEAR(ia.top(), ib.top(), 1);
  EXPECT_NEAR(ia.bottom(), ib.bottom(), 1);
}

TEST(CanvasText, OpaqueBoxClippingAndCurrentPosition) {
  QImage image = Blank(200, 100);
  int width = 0;
  TTextMetric tm;
  {
    TCanvas c(&image);
    c.SetFont(TextFont(-20));
    tm = c.GetTextMetrics();
    c.SetBkColor(clBlue);
    width = c.TextWidth("Hello");
    c.TextOut(10, 5, "Hello");  // opaque background mode: the cell is filled
    // TextRect clips to the rectangle and fills it with the brush colour.
    c.SetBrush(Solid(clRed));
    c.TextRect(TRect(10, 50, 30, 80), 10, 50, "WWWWWWWW");
    c.SetTextAlign(TA_UPDATECP);
    c.MoveTo(100, 50);
    c.TextOut(0, 0, "ab");
    EXPECT_EQ(c.PenPos(), (TPoint{100 + c.TextWidth("ab"), 50}));
    c.SetTextAlign(TA_UPDATECP | TA_RIGHT);
    c.TextOut(0, 0, "ab");
    EXPECT_EQ(c.PenPos(), (TPoint{100, 50}));
  }
  EXPECT_EQ(PixelRGB(image, 10, 5), kBlue);
  EXPECT_EQ(PixelRGB(image, 10 + width - 1, 5 + tm.tmHeight - 1), kBlue);
  EXPECT_EQ(PixelRGB(image, 10 + width, 5), kWhite);
  EXPECT_EQ(PixelRGB(image, 10, 5 + tm.tmHeight), kWhite);
  EXPECT_EQ(PixelRGB(image, 30, 60), kWhite);
  EXPECT_EQ(PixelRGB(image, 10, 79), kRed);
  EXPECT_TRUE(InkBox(image, QRect(31, 45, 60, 40)).isNull());
  EXPECT_FALSE(InkBox(image, QRect(10, 50, 20, 30)).isNull());
}

TEST(CanvasText, DxAndJustificationPlaceCharacters) {
  QImage image = Blank(300, 40);
  {
    TCanvas c(&image);
    c.SetFont(TextFont(-20));
    c.SetBkMode(TRANSPARENT);
    const int dx[3] = {100, 100, 10};
    c.ExtTextOut(0, 0, 0, nullptr, "III", dx);
  }
  // Three strokes at x about 0, 100, 200.
  EXPECT_FALSE(InkBox(image, QRect(0, 0, 20, 40)).isNull());
  EXPECT_TRUE(InkBox(image, QRect(20, 0, 75, 40)).isNull());
  EXPECT_FALSE(InkBox(image, QRect(100, 0, 20, 40)).isNull());
  EXPECT_FALSE(InkBox(image, QRect(200, 0, 20, 40)).isNull());

  QImage j = Blank(300, 40);
  {
    TCanvas c(&j);
    c.SetFont(TextFont(-20));
    c.SetBkMode(TRANSPARENT);
    int natural = c.TextWidth("I I");
    c.SetTextJustification(100, 1);
    c.TextOut(0, 0, "I I");
    EXPECT_EQ(c.TextWidth("I I"), natural);  // measuring ignores it
  }
  QRect ink = InkBox(j);
  EXPECT_GT(ink.width(), 100);
}

TEST(CanvasText, TabsExpandToEightAverageCharacters) {
  TCanvas c(TDeviceCaps::Screen());
  c.SetFont(TextFont(-20));
  int tab = 8 * c.GetTextMetrics().tmAveCharWidth;
  EXPECT_EQ(c.GetTabbedTextExtent("a\tb").cx, tab + c.TextWidth("b"));
  EXPECT_EQ(c.GetTabbedTextExtent("\t\t").cx, 2 * tab);
  EXPECT_EQ(c.GetTabbedTextExtent("abc").cx, c.TextWidth("abc"));
}

TEST(CanvasText, MarlettGlyphsAreDrawnFromTheSymbolFont) {
  if (!QFile::exists("/usr/share/wine/fonts/marlett.ttf")) GTEST_SKIP();
  QImage image = Blank(60, 60);
  {
    TCanvas c(&image);
    TFont f = TextFont(-40, "Marlett");
    f.Charset = SYMBOL_CHARSET;
    c.SetFont(f);
    c.TextOut(5, 5, "b");  // the check mark
  }
  QRect ink = InkBox(image);
  ASSERT_FALSE(ink.isNull());
  EXPECT_GT(ink.width(), 10);
  EXPECT_LT(CountColor(image, kBlack), 60 * 60 / 4);
}

// ---- Edges and frame controls ------------------------------------------------------------

TEST(CanvasEdges, RaisedAndSunkenUseTheClassicColours) {
  QImage image = Blank(60, 30, kGreen);
  TRect inner(0, 0, 20, 20);
  {
    TCanvas c(&image);
    EXPECT_TRUE(c.DrawEdge(inner, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE));
    c.DrawEdge(TRect(20, 0, 40, 20), EDGE_SUNKEN, BF_RECT);
    c.DrawEdge(TRect(40, 0, 60, 20), EDGE_ETCHED, BF_LEFT | BF_BOTTOM | BF_MONO);
  }
  EXPECT_EQ(inner, TRect(2, 2, 18, 18));
  EXPECT_EQ(PixelRGB(image, 0, 5), kSilver);   // outer left: 3D light
  EXPECT_EQ(PixelRGB(image, 1, 5), kWhite);    // inner left: highlight
  EXPECT_EQ(PixelRGB(image, 5, 0), kSilver);
  EXPECT_EQ(PixelRGB(image, 19, 5), kBlack);   // outer right: dark shadow
  EXPECT_EQ(PixelRGB(image, 18, 5), kGray);    // inner right: shadow
  EXPECT_EQ(PixelRGB(image, 5, 19), kBlack);
  EXPECT_EQ(PixelRGB(image, 19, 0), kBlack);   // right and bottom cover the corners
  EXPECT_EQ(PixelRGB(image, 0, 19), kBlack);
  EXPECT_EQ(PixelRGB(image, 10, 10), kSilver); // middle: button face
  EXPECT_EQ(PixelRGB(image, 20, 5), kGray);    // sunken outer left: shadow
  EXPECT_EQ(PixelRGB(image, 21, 5), kBlack);   // sunken inner left: dark shadow
  EXPECT_EQ(PixelRGB(image, 39, 5), kWhite);
  EXPECT_EQ(PixelRGB(image, 38, 5), kSilver);
  EXPECT_EQ(PixelRGB(image, 30, 10), kGreen);  // no middle
  EXPECT_EQ(PixelRGB(image, 40, 5), kBlack);   // mono: window frame outside
  EXPECT_EQ(PixelRGB(image, 41, 5), kWhite);   // and window inside
  EXPECT_EQ(PixelRGB(image, 50, 19), kBlack);
  EXPECT_EQ(PixelRGB(image, 50, 0), kGreen);   // no top side
  EXPECT_EQ(PixelRGB(image, 59, 5), kGreen);
}

TEST(CanvasEdges, SoftAndFlatVariants) {
  QImage image = Blank(40, 20, kGreen);
  {
    TCanvas c(&image);
    c.DrawEdge(TRect(0, 0, 20, 20), EDGE_RAISED, BF_RECT | BF_SOFT);
    c.DrawEdge(TRect(20, 0, 40, 20), EDGE_SUNKEN, BF_RECT | BF_FLAT);
  }
  EXPECT_EQ(PixelRGB(image, 0, 5), kWhite);
  EXPECT_EQ(PixelRGB(image, 1, 5), kSilver);
  EXPECT_EQ(PixelRGB(image, 20, 5), kGray);
  EXPECT_EQ(PixelRGB(image, 39, 5), kGray);
  EXPECT_EQ(PixelRGB(image, 21, 5), kSilver);
}

TEST(CanvasEdges, FrameControlsCheckRadioPush) {
  QImage image = Blank(80, 20, kGreen);
  {
    TCanvas c(&image);
    EXPECT_TRUE(c.DrawFrameControl(TRect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED));
    c.DrawFrameControl(TRect(20, 0, 33, 13), DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_INACTIVE);
    c.DrawFrameControl(TRect(40, 0, 52, 12), DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
    TRect push(60, 0, 80, 20);
    EXPECT_TRUE(c.DrawFrameControl(push, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT));
    EXPECT_EQ(push, TRect(62, 2, 78, 18));
    EXPECT_FALSE(c.DrawFrameControl(TRect(0, 0, 5, 5), 3, 0));
  }
  // Check box: sunken frame, white inside, a black mark.
  EXPECT_EQ(PixelRGB(image, 0, 5), kGray);
  EXPECT_EQ(PixelRGB(image, 1, 5), kBlack);
  EXPECT_EQ(PixelRGB(image, 12, 5), kWhite);
  EXPECT_EQ(PixelRGB(image, 2, 2), kWhite);
  EXPECT_GE(CountColor(image, kBlack, QRect(2, 2, 9, 9)), 15);
  EXPECT_EQ(PixelRGB(image, 5, 7), kBlack);  // column 1 of the mark, rows 3..5 of 9
  // Inactive, unchecked: button face inside, no mark.
  EXPECT_EQ(CountColor(image, kSilver, QRect(22, 2, 9, 9)), 81);
  // Radio: a dot in the centre, white around it.
  EXPECT_EQ(PixelRGB(image, 46, 6), kBlack);
  EXPECT_EQ(PixelRGB(image, 43, 4), kWhite);
  EXPECT_EQ(PixelRGB(image, 40, 0), kGreen);  // outside the circle
  // Push button: raised soft edge and face.
  EXPECT_EQ(PixelRGB(image, 60, 10), kWhite);
  EXPECT_EQ(PixelRGB(image, 79, 10), kBlack);
  EXPECT_EQ(PixelRGB(image, 70, 10), kSilver);
}

// ---- Other painters and information contexts --------------------------------------------

TEST(CanvasPainter, ExistingPainterKeepsItsTransformAndClip) {
  QImage image = Blank(40, 40);
  QPainter painter(&image);
  painter.translate(10, 10);
  painter.setClipRect(0, 0, 15, 15);
  {
    TCanvas c(painter);
    c.FillRect(TRect(0, 0, 30, 30), clRed);
    EXPECT_EQ(c.GetPixel(0, 0), clRed);
    TRect box;
    c.GetClipBox(box);
    EXPECT_EQ(box, TRect(0, 0, 15, 15));
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetViewportExt(2, 2);
  }
  EXPECT_EQ(painter.worldTransform(), QTransform::fromTranslate(10, 10));
  painter.end();
  EXPECT_EQ(PixelRGB(image, 10, 10), kRed);
  EXPECT_EQ(PixelRGB(image, 24, 24), kRed);
  EXPECT_EQ(PixelRGB(image, 25, 24), kWhite);
  EXPECT_EQ(PixelRGB(image, 9, 10), kWhite);
}

TEST(CanvasPainter, InformationContextMeasuresAndDrawsNothing) {
  TCanvas info(TDeviceCaps::Screen());
  EXPECT_FALSE(info.CanDraw());
  EXPECT_EQ(info.GetDeviceCaps(LOGPIXELSX), 96);
  info.SetFont(TextFont(-13));
  QImage image = Blank(10, 10);
  TCanvas c(&image);
  c.SetFont(TextFont(-13));
  EXPECT_EQ(info.TextWidth("Measure me"), c.TextWidth("Measure me"));
  info.FillRect(TRect(0, 0, 10, 10), clRed);
  info.TextOut(0, 0, "x");
  info.DrawEdge(TRect(0, 0, 10, 10), EDGE_RAISED, BF_RECT);
  info.DrawFrameControl(TRect(0, 0, 10, 10), DFC_BUTTON, DFCS_BUTTONRADIO);
  info.DrawFocusRect(TRect(0, 0, 10, 10));
  TwoBands g;
  info.StretchDraw(TRect(0, 0, 10, 10), g);
  EXPECT_EQ(info.GetPixel(0, 0), CLR_INVALID);
}

TEST(CanvasPainter, PictureRecordingReplaysAtTheSamePlaces) {
  QPicture picture;
  {
    TCanvas c(&picture);
    EXPECT_TRUE(c.IsMetafile());
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExt(10, 10);
    c.SetViewportExt(1, 1);
    c.FillRect(TRect(100, 100, 300, 200), clRed);
    c.IntersectClipRect(TRect(0, 0, 200, 1000));
    c.FillRect(TRect(100, 250, 300, 300), clBlue);
    c.SetFont(TextFont(-200));
    c.SetBkMode(TRANSPARENT);
    c.TextOut(0, 350, "HH");
  }
  QImage image = Blank(60, 80);
  {
    QPainter p(&image);
    p.drawPicture(0, 0, picture);
  }
  EXPECT_EQ(PixelRGB(image, 10, 10), kRed);
  EXPECT_EQ(PixelRGB(image, 29, 19), kRed);
  EXPECT_EQ(PixelRGB(image, 30, 19), kWhite);
  EXPECT_EQ(PixelRGB(image, 19, 27), kBlue);
  EXPECT_EQ(PixelRGB(image, 20, 27), kWhite);  // clipped
  QRect ink = InkBox(image, QRect(0, 33, 60, 47));
  ASSERT_FALSE(ink.isNull());
  EXPECT_NEAR(ink.bottom() + 1, 35 + 18, 1.5);  // baseline: top + ascent of a 20-pixel font
}

TEST(CanvasPainter, PrinterCanvasWritesAPage) {
  ScratchDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir.Path("page.pdf")));
  printer.setResolution(600);
  {
    TCanvas c(&printer);
    EXPECT_TRUE(c.IsPrinter());
    EXPECT_EQ(c.GetDeviceCaps(LOGPIXELSY), 600);
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExt(4800, 4800);
    c.SetViewportExt(600, 600);
    TFont f = TextFont(-550);
    c.SetFont(f);
    c.TextOut(4800, 4800, "Printed text");
    c.FillRect(TRect(4800, 9600, 9600, 14400), Solid(clBlue, bsCross));
    c.DrawEdge(TRect(4800, 19200, 9600, 24000), EDGE_RAISED, BF_RECT);
  }
  QFile pdf(QString::fromStdString(dir.Path("page.pdf")));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
  EXPECT_GT(pdf.size(), 1000);
}
