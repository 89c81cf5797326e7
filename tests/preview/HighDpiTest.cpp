// The preview on a high-density screen (device pixel ratio 2): page content,
// page frames, margin lines and thumbnails are painted at the device's
// resolution. These tests run in a second pass of the test program under
// QT_SCALE_FACTOR=2 and skip in the normal pass. widget->grab() answers an
// image in device pixels there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QToolBar>
#include <functional>
#include <memory>

#include "engine/ComponentPrinter.h"
#include "preview/PreviewWindow.h"
#include "report/DataItems.h"
#include "tests/TestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/layout/TestPage.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

using preview_test::Grab;

#define SKIP_UNLESS_RATIO_2()                                                        \
  if (qApp->devicePixelRatio() != 2.0) GTEST_SKIP() << "needs a device pixel ratio of 2"

bool Dark(QRgb c) { return qGray(c) < 80; }
unsigned Rgb(TColor color) { return unsigned(ColorToQColor(color).rgb()) & 0xFFFFFFu; }
// Neither near white nor near black: the mark of a blurred edge.
bool Intermediate(QRgb c) { return qGray(c) > 40 && qGray(c) < 215; }

// The number of dark pixels along a column of the image between y0 and y1.
int DarkInColumn(const QImage& image, int x, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y) n += Dark(image.pixel(x, y));
  return n;
}

// The first run of dark pixels of a row from x0 on: its start and width.
std::pair<int, int> DarkRun(const QImage& image, int y, int x0, int x1) {
  int x = x0;
  while (x < x1 && !Dark(image.pixel(x, y))) ++x;
  const int start = x;
  while (x < x1 && Dark(image.pixel(x, y))) ++x;
  return {start, x - start};
}

// A report through the renderer: a black square, a cell with a one-line
// border and a line of large text. In report units (pixels at 100 %).
class THighDpiLink : public TBasedxReportLink {
  DX_CLASS(THighDpiLink, TBasedxReportLink)

 public:
  static constexpr TRect Square{20, 20, 220, 220};
  static constexpr TRect Framed{300, 20, 500, 120};
  static constexpr TRect Text{20, 300, 600, 600};

  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.ClearItems();
    cells.Cells()->SetBounds(0, 0, 600, 900);
    cells.Cells()->SetTransparent(true);
    cells.Cells()->SetCellSides(0);
    auto* square = new TdxReportCell(cells.Cells());
    square->SetBoundsRect(Square);
    square->SetColor(clBlack);
    square->SetTransparent(false);
    square->SetCellSides(0);
    auto* framed = new TdxReportCell(cells.Cells());
    framed->SetBoundsRect(Framed);
    framed->SetCellSides(isdLeft | isdTop | isdRight | isdBottom);
    framed->SetBorderColor(clBlack);
    TFont font;
    font.Name = "Liberation Sans";
    font.SetSize(120);
    font.Color = clBlack;
    auto* holder = new TdxReportCell(cells.Cells());
    holder->SetBoundsRect(Text);
    holder->SetCellSides(0);
    holder->SetTransparent(true);
    auto* text = new TdxReportCellString(holder);
    text->SetBoundsRect(TRect(0, 0, Text.Width(), Text.Height()));
    text->SetCellSides(0);
    text->SetTransparent(true);
    text->SetFontIndex(FontPool().Add(font));
    text->SetText("Hxm");
  }
};

class HighDpiWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterStdPreviewWindow();
    devices_ = std::make_unique<ScopedPrintDevice>(std::make_unique<HandPrintDevice>());
    printer_ = std::make_unique<TdxComponentPrinter>();
  }
  void TearDown() override {
    printer_.reset();
    devices_.reset();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  TdxfmStdPreview* Open() {
    link_ = new THighDpiLink;
    link_->PrinterPage().SetMeasurementUnits(muMillimeters);
    SetUpTestPage(link_->PrinterPage(), kTestA4);
    TdxfmStdPreview* window = preview_test::ShowPreview(*printer_, link_, component_);
    if (!window) return nullptr;
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    return window;
  }

  // A page of the control in device pixels of its grab.
  static TRect DevicePage(TdxPreview& preview, int index) {
    const TRect c = preview.ClientRect();
    const TRect& r = preview.Pages()[std::size_t(index)].Bounds;
    return TRect(2 * (r.Left + c.Left), 2 * (r.Top + c.Top), 2 * (r.Right + c.Left), 2 * (r.Bottom + c.Top));
  }

  // The page as the preview paints it into a page rectangle of the given
  // size, rendered straight into an image at a ratio of 1.
  QImage Reference(const TRect& deviceRect, int zoom) {
    QImage image(deviceRect.Width(), deviceRect.Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      TCanvas canvas(&image);
      link_->PaintPage(canvas, TRect(0, 0, deviceRect.Width(), deviceRect.Height()), zoom, 0);
    }
    return image;
  }

  QWidget component_;
  std::unique_ptr<ScopedPrintDevice> devices_;
  std::unique_ptr<TdxComponentPrinter> printer_;
  THighDpiLink* link_ = nullptr;
};

// The part of a report rectangle (report units) on a page drawn into pageRect.
QRect OnPage(const TRect& report, const TRect& page, double pixelsPerUnit) {
  return QRect(page.Left + int(report.Left * pixelsPerUnit), page.Top + int(report.Top * pixelsPerUnit),
               int(report.Width() * pixelsPerUnit), int(report.Height() * pixelsPerUnit));
}

// Pixels of an area that are neither white nor black, and dark ones.
struct EdgeMeasure {
  int intermediate = 0, dark = 0;
  double Blur() const { return dark == 0 ? 1.0 : double(intermediate) / dark; }
};
EdgeMeasure Measure(const QImage& image, const QRect& area) {
  EdgeMeasure m;
  const QRect r = area & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      m.intermediate += Intermediate(image.pixel(x, y));
      m.dark += Dark(image.pixel(x, y));
    }
  return m;
}

}  // namespace

// ---- The control ----------------------------------------------------------------------------

TEST(HighDpi, MarginLinesAndPageFramesAreOneDevicePixel) {
  SKIP_UNLESS_RATIO_2();
  // Two pages at 20 % side by side (no border: client = widget); page 0 is
  // selected and shows its margin lines, page 1 has the plain frame.
  auto preview = preview_test::MakeSmallPreview(2);
  std::vector<TRect> rects;
  std::vector<double> ratios;
  preview->OnDrawPageContent = [&](TCustomdxPreview& sender, TCanvas& canvas, TRect& rect, int) {
    rects.push_back(rect);
    ratios.push_back(sender.PaintPixelRatio());
    // A one-pixel line of the content, 60 device (30 client) pixels in.
    canvas.FillRect(TRect(rect.Left + 60, rect.Top + 100, rect.Left + 61, rect.Top + 200), clBlack);
  };
  preview->SetSelectedPageIndex(0);
  const QImage image = Grab(*preview);
  ASSERT_EQ(image.size(), QSize(800, 600));
  const TRect p0 = preview->Pages()[0].Bounds, p1 = preview->Pages()[1].Bounds;
  ASSERT_EQ(p0.Top, p1.Top);

  // The content is asked for in device pixels.
  ASSERT_FALSE(rects.empty());
  EXPECT_EQ(rects.front(), TRect(2 * p0.Left, 2 * p0.Top, 2 * p0.Right, 2 * p0.Bottom));
  EXPECT_EQ(ratios.front(), 2.0);

  // The dotted left margin line: one device column.
  const TdxPreviewMargins& m = preview->Margins();
  const int leftX = 2 * preview->MarginPos(m[pmLeft]);
  const int topY = 2 * preview->MarginPos(m[pmTop]), bottomY = 2 * preview->MarginPos(m[pmBottom]);
  EXPECT_GE(DarkInColumn(image, leftX, topY + 10, bottomY - 10), 50);
  EXPECT_EQ(DarkInColumn(image, leftX - 1, topY + 10, bottomY - 10), 0);
  EXPECT_EQ(DarkInColumn(image, leftX + 1, topY + 10, bottomY - 10), 0);
  // The top margin line: one device row.
  int above = 0, on = 0, below = 0;
  for (int x = leftX + 10; x < 2 * p0.Right - 40; ++x) {
    above += Dark(image.pixel(x, topY - 1));
    on += Dark(image.pixel(x, topY));
    below += Dark(image.pixel(x, topY + 1));
  }
  EXPECT_GE(on, 30);
  EXPECT_EQ(above, 0);
  EXPECT_EQ(below, 0);

  // The content's one-pixel line is one device pixel.
  const auto [lineX, lineWidth] = DarkRun(image, 2 * p0.Top + 150, leftX + 2, 2 * p0.Right - 40);
  EXPECT_EQ(lineX, 2 * p0.Left + 60);
  EXPECT_EQ(lineWidth, 1);

  // Page 1's frame hugs the page with one device pixel: background, frame,
  // page along the left edge and along the top edge.
  const unsigned shadow = Rgb(clBtnShadow), frame = Rgb(clWindowFrame), window = Rgb(clWindow);
  const int midY = p1.Top + p1.Bottom, midX = p1.Left + p1.Right;  // device pixels
  EXPECT_EQ(PixelRGB(image, 2 * p1.Left - 2, midY), shadow);
  EXPECT_EQ(PixelRGB(image, 2 * p1.Left - 1, midY), frame);
  EXPECT_EQ(PixelRGB(image, 2 * p1.Left, midY), window);
  EXPECT_EQ(PixelRGB(image, midX, 2 * p1.Top - 2), shadow);
  EXPECT_EQ(PixelRGB(image, midX, 2 * p1.Top - 1), frame);
  EXPECT_EQ(PixelRGB(image, midX, 2 * p1.Top), window);
  // The shadow keeps its two client pixels beside the frame's hairline.
  const int right = 2 * p1.Right;
  EXPECT_EQ(PixelRGB(image, right - 1, midY), window);
  EXPECT_EQ(PixelRGB(image, right, midY), frame);
  for (int x = right + 1; x < right + 5; ++x) EXPECT_EQ(PixelRGB(image, x, midY), Rgb(clWindowText)) << x;
  EXPECT_EQ(PixelRGB(image, right + 5, midY), shadow);
  // The selection frame of page 0 stays two client pixels wide.
  for (int x = 2 * p0.Left - 4; x < 2 * p0.Left; ++x) EXPECT_EQ(PixelRGB(image, x, midY), Rgb(clHighlight)) << x;
  EXPECT_EQ(PixelRGB(image, 2 * p0.Left - 5, midY), shadow);
}

TEST(HighDpi, DraggedMarginLineIsOneDevicePixel) {
  SKIP_UNLESS_RATIO_2();
  auto preview = preview_test::MakeSmallPreview(1);
  preview->OnDrawPageContent = [](TCustomdxPreview&, TCanvas& canvas, TRect& rect, int) {
    canvas.FillRect(rect, clWhite);
  };
  preview->SetSelectedPageIndex(0);
  Grab(*preview);
  TdxPreviewMargin& left = preview->Margins().Left();
  const int x = preview->MarginPos(left);
  const TRect page = preview->Pages()[0].Bounds;
  preview->BeginDragMargin(&left, TPoint{x, (page.Top + page.Bottom) / 2});
  ASSERT_TRUE(left.IsDragged());
  preview->repaint();
  const QImage image = Grab(*preview);
  // The inverted dots of the moving line lie in one device column.
  const int y0 = 2 * page.Top + 100, y1 = 2 * page.Bottom - 100;
  EXPECT_GE(DarkInColumn(image, 2 * x, y0, y1), 50);
  EXPECT_EQ(DarkInColumn(image, 2 * x + 1, y0, y1), 0);
  preview->EndDragMargin(false);
}

// ---- The preview window ----------------------------------------------------------------------

TEST_F(HighDpiWindow, PageViewDrawsHairlinesAndSharpTextAtDeviceResolution) {
  SKIP_UNLESS_RATIO_2();
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  TdxPreview& preview = *window->PreviewControl();
  window->ZoomToPercent(100);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  preview.repaint();
  const QImage image = Grab(preview);
  const TRect page = DevicePage(preview, 0);
  // At 100 % a report unit is a client pixel, two device pixels; the
  // report starts at the 12.7 mm (48 pixel) margins.
  const TRect content(page.Left + 96, page.Top + 96, page.Right, page.Bottom);

  // The bordered cell's left line: one device pixel.
  const int y = content.Top + 2 * 70;
  const auto [x, width] = DarkRun(image, y, content.Left + 2 * 250, content.Left + 2 * 350);
  EXPECT_NEAR(x, content.Left + 2 * 300, 2);
  EXPECT_EQ(width, 1);

  // The black square's edge is sharp: no grey between white and black.
  int grey = 0;
  for (int px = content.Left + 2 * 10; px < content.Left + 2 * 30; ++px) grey += Intermediate(image.pixel(px, y));
  EXPECT_EQ(grey, 0);

  // The text has no more blur than the same page rendered straight at the
  // device's size.
  const QImage reference = Reference(page, 100);
  const QRect text = OnPage(THighDpiLink::Text, TRect(96, 96, 0, 0), 2.0);
  const EdgeMeasure shown = Measure(image, text.translated(page.Left, page.Top));
  const EdgeMeasure direct = Measure(reference, text);
  ASSERT_GT(direct.dark, 1000);
  EXPECT_NEAR(shown.dark, direct.dark, direct.dark / 20);
  EXPECT_LE(shown.Blur(), direct.Blur() * 1.1 + 0.01);
}

TEST_F(HighDpiWindow, ThumbnailsAreRasterisedAtDeviceResolution) {
  SKIP_UNLESS_RATIO_2();
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  window->Action(pcThumbnails)->trigger();
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  TdxPreview& thumbnails = *window->ThumbnailsPreview();
  ASSERT_TRUE(thumbnails.isVisible());
  ASSERT_EQ(thumbnails.ZoomFactor(), 10);
  // First without the page numbers, which are drawn over the page.
  TdxComponentPrinterThumbnailsOptions& options = printer_->PreviewOptions().ThumbnailsOptions;
  options.ShowPageNumbers = false;
  thumbnails.repaint();
  const QImage plain = Grab(thumbnails);
  const TRect page = DevicePage(thumbnails, 0);
  ASSERT_GT(page.Width(), 100);

  // Compared with the page rendered straight into an image of the
  // thumbnail's device size at a ratio of 1: the text is as sharp, and no
  // edge is softened by an upscaled low-resolution picture.
  const QImage reference = Reference(page, 10);
  const double unit = double(page.Width()) / 794;  // device pixels per report unit at 100 %
  const QRect text = OnPage(THighDpiLink::Text, TRect(int(48 * unit), int(48 * unit), 0, 0), unit);
  const EdgeMeasure shown = Measure(plain, text.translated(page.Left, page.Top));
  const EdgeMeasure direct = Measure(reference, text);
  ASSERT_GT(direct.dark, 200);
  EXPECT_NEAR(shown.dark, direct.dark, direct.dark / 10 + 2);
  EXPECT_LE(shown.Blur(), direct.Blur() * 1.1 + 0.02);
  // The square's edge: white to black from one device pixel to the next.
  const QRect square = OnPage(THighDpiLink::Square, TRect(int(48 * unit), int(48 * unit), 0, 0), unit);
  const int row = page.Top + square.center().y();
  int grey = 0;
  for (int x = page.Left + 2; x < page.Left + square.center().x(); ++x) grey += Intermediate(plain.pixel(x, row));
  EXPECT_EQ(grey, 0);

  options.ShowPageNumbers = true;
  thumbnails.repaint();
  const QImage image = Grab(thumbnails);

  // The page number is a halftone of single device pixels in the thumbnail
  // font's colour (blue): never two dots side by side, as a number drawn at
  // the client's resolution and scaled up would have.
  int dots = 0, pairs = 0;
  auto blue = [&](int px, int py) {
    const QRgb c = image.pixel(px, py);
    return qBlue(c) > 200 && qRed(c) < 80 && qGreen(c) < 80;
  };
  for (int py = page.Top; py < page.Bottom; ++py)
    for (int px = page.Left; px + 1 < page.Right; ++px) {
      if (!blue(px, py)) continue;
      ++dots;
      pairs += blue(px + 1, py) || blue(px, py + 1);
    }
  EXPECT_GT(dots, 100);
  EXPECT_EQ(pairs, 0);
  // ... and keeps its size: the figure of 48 points at the screen's 96 dpi
  // (64 client pixels) stands over 40 client pixels, 80 device pixels, tall.
  int top = page.Bottom, bottom = page.Top;
  for (int py = page.Top; py < page.Bottom; ++py)
    for (int px = page.Left; px < page.Right; ++px)
      if (blue(px, py)) top = std::min(top, py), bottom = std::max(bottom, py);
  EXPECT_GT(bottom - top, 70);
}

// ---- Glyphs and cursors ---------------------------------------------------------------------

namespace {

// Half-covered pixels against fully covered ones of a glyph on a transparent
// ground: enlarging a small picture raises it.
double AlphaBlur(const QImage& glyph) {
  const QImage image = glyph.convertToFormat(QImage::Format_ARGB32);
  int partial = 0, full = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const int a = qAlpha(image.pixel(x, y));
      partial += a > 40 && a < 215;
      full += a >= 215;
    }
  return full == 0 ? 1.0 : double(partial) / full;
}

}  // namespace

TEST_F(HighDpiWindow, ToolGlyphsAndCursorsAreDrawnAtDeviceResolution) {
  SKIP_UNLESS_RATIO_2();
  TdxfmStdPreview* window = Open();
  ASSERT_NE(window, nullptr);
  auto* toolBar = window->findChild<QToolBar*>("ToolBar");
  ASSERT_NE(toolBar, nullptr);
  int glyphs = 0;
  for (QAction* action : toolBar->actions()) {
    const QIcon icon = action->icon();
    if (icon.isNull()) continue;
    ++glyphs;
    const QPixmap sharp = icon.pixmap(QSize(32, 32), 2.0);
    ASSERT_EQ(sharp.size(), QSize(64, 64)) << action->text().toStdString();
    const QImage enlarged =
        icon.pixmap(QSize(32, 32), 1.0).toImage().scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(AlphaBlur(sharp.toImage()), AlphaBlur(enlarged)) << action->text().toStdString();
  }
  EXPECT_GT(glyphs, 10);

  // The magnifiers and the auto-scroll marks.
  for (int id = 30032; id <= 30044; ++id) {
    const QPixmap cursor = dxPreviewCursor(id).pixmap();
    EXPECT_EQ(cursor.devicePixelRatio(), 2.0) << id;
    EXPECT_EQ(cursor.size(), QSize(64, 64)) << id;
  }
}
