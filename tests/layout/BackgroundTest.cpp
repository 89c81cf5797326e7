// Page backgrounds: change codes, repaint decisions, copy and compare,
// storage, and painting (pixels and the rectangles pictures are drawn into).
#include <gtest/gtest.h>

#include <QImage>
#include <QRectF>
#include <vector>

#include "layout/Background.h"
#include "platform/Canvas.h"
#include "tests/TestSupport.h"

namespace {

constexpr unsigned kSentinel = 0x123456;  // 0xRRGGBB of the untouched canvas

// A picture whose pixel (x, y) is (x, y, 77) as red, green, blue.
QImage CoordImage(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x, y, 77));
  return image;
}

unsigned Coord(int x, int y) { return (unsigned(x) << 16) | (unsigned(y) << 8) | 77u; }

QImage Surface(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(QColor(0x12, 0x34, 0x56));
  return image;
}

TDeviceCaps CapsOf(QImage& image, int technology) {
  TDeviceCaps caps = TDeviceCaps::FromDevice(&image);
  caps.Technology = technology;
  return caps;
}

// A graphic that records the device rectangles it is drawn into.
class RecordingGraphic : public TGraphic {
 public:
  RecordingGraphic(int w, int h) : w_(w), h_(h) {}
  static TGraphicClass Class() {
    static const TGraphicClassInfo info{"TRecordingGraphic", "rec", nullptr};
    return &info;
  }
  TGraphicClass ClassType() const override { return Class(); }
  bool Empty() const override { return false; }
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  void Draw(QPainter&, const QRectF& dest) const override {
    Draws.push_back(TRect(int(dest.left()), int(dest.top()), int(dest.right()), int(dest.bottom())));
  }
  void LoadFromStream(TByteView) override {}
  TBytes SaveToStream() const override { return {}; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<RecordingGraphic>(w_, h_); }
  mutable std::vector<TRect> Draws;

 private:
  int w_, h_;
};

struct CodeLog {
  std::vector<int> Codes;
  void Attach(TdxBackground& bg) {
    bg.OnChange = [this](TdxBackground&, TdxBackgroundParams codes) { Codes.push_back(codes); };
  }
};

}  // namespace

// ---- Change codes and repaint decisions ------------------------------------------

TEST(Background, DefaultsAndEmptyPictureOnDemand) {
  TdxBackground bg;
  EXPECT_EQ(bg.BkColor(), clWhite);
  EXPECT_EQ(bg.Brush().Color, clWhite);
  EXPECT_EQ(bg.Brush().Style, bsSolid);
  EXPECT_EQ(bg.Mode(), bmNone);
  EXPECT_EQ(bg.PictureMode(), ppmCenter);
  EXPECT_FALSE(bg.HasPicture());
  EXPECT_TRUE(bg.Picture().Empty());  // never nothing
}

TEST(Background, EachSetterReportsItsCodeOnlyOnRealChange) {
  TdxBackground bg;
  CodeLog log;
  log.Attach(bg);
  bg.SetBkColor(clRed);
  bg.SetBkColor(clRed);
  bg.SetBrushColor(clBlue);
  bg.SetBrushStyle(bsCross);
  bg.SetBrushStyle(bsCross);
  bg.SetMode(bmPicture);
  bg.SetMode(bmPicture);
  bg.SetPictureMode(ppmTile);
  bg.SetPictureMode(ppmTile);
  bg.Picture().SetSize(3, 3);  // a change of the owned bitmap
  bg.SetEffects(true);         // no code
  EXPECT_EQ(log.Codes, (std::vector<int>{bpBkColor, bpBrush, bpBrush, bpMode, bpPictureMode, bpPicture}));
}

TEST(Background, UpdateBracketReportsEverythingOnce) {
  TdxBackground bg;
  CodeLog log;
  log.Attach(bg);
  bg.BeginUpdate();
  bg.BeginUpdate();
  bg.SetBkColor(clRed);
  bg.SetMode(bmBrush);
  bg.Picture().SetSize(2, 2);
  bg.EndUpdate();
  EXPECT_TRUE(log.Codes.empty());
  bg.EndUpdate();
  EXPECT_EQ(log.Codes, (std::vector<int>{bpAll}));
  EXPECT_TRUE(bg.RepaintNeeded());
}

TEST(Background, NeedsRepaintByMode) {
  TdxBackground bg;
  EXPECT_FALSE(bg.NeedsRepaint(bpBkColor | bpBrush | bpPicture | bpPictureMode));
  EXPECT_TRUE(bg.NeedsRepaint(bpMode));

  bg.SetMode(bmBrush);
  EXPECT_TRUE(bg.NeedsRepaint(bpBrush));
  EXPECT_FALSE(bg.NeedsRepaint(bpBkColor));  // solid: the background colour does not show
  bg.SetBrushStyle(bsDiagCross);
  EXPECT_TRUE(bg.NeedsRepaint(bpBkColor));
  EXPECT_FALSE(bg.NeedsRepaint(bpPicture));

  bg.SetMode(bmBrushBitmap);
  EXPECT_TRUE(bg.NeedsRepaint(bpPicture));
  EXPECT_FALSE(bg.NeedsRepaint(bpPictureMode | bpBrush | bpBkColor));

  bg.SetMode(bmPicture);
  EXPECT_TRUE(bg.NeedsRepaint(bpPicture));
  EXPECT_TRUE(bg.NeedsRepaint(bpPictureMode));
  EXPECT_FALSE(bg.NeedsRepaint(bpBrush | bpBkColor));
}

TEST(Background, RepaintNeededFollowsTheLastReport) {
  TdxBackground bg;
  bg.SetMode(bmBrush);
  EXPECT_TRUE(bg.RepaintNeeded());
  bg.SetBkColor(clRed);  // solid brush
  EXPECT_FALSE(bg.RepaintNeeded());
  bg.SetBrushColor(clRed);
  EXPECT_TRUE(bg.RepaintNeeded());
}

// ---- Copy, compare, pictures of other kinds ----------------------------------------

TEST(Background, AssignCopiesEverythingAndReportsOnce) {
  TdxBackground a;
  a.SetBkColor(clYellow);
  a.SetBrushColor(clNavy);
  a.SetBrushStyle(bsFDiagonal);
  a.SetMode(bmPicture);
  a.SetPictureMode(ppmProportional);
  a.Picture().SetImage(CoordImage(5, 4));

  TdxBackground b;
  CodeLog log;
  log.Attach(b);
  EXPECT_FALSE(b.IsCompatibleWith(&a));
  b.Assign(&a);
  EXPECT_EQ(log.Codes, (std::vector<int>{bpAll}));
  EXPECT_TRUE(b.IsCompatibleWith(&a));
  EXPECT_TRUE(a.IsCompatibleWith(&b));
  EXPECT_EQ(b.Picture().Width(), 5);
  EXPECT_EQ(PixelRGB(b.Picture().Image(), 4, 3), Coord(4, 3));

  // Every compared field matters.
  b.SetBrushStyle(bsCross);
  EXPECT_FALSE(b.IsCompatibleWith(&a));
  b.Assign(&a);
  QImage changed = CoordImage(5, 4);
  changed.setPixel(2, 2, qRgb(0, 0, 0));
  b.Picture().SetImage(changed);
  EXPECT_FALSE(b.IsCompatibleWith(&a));
  b.Assign(&a);
  b.SetPictureMode(ppmTile);
  EXPECT_FALSE(b.IsCompatibleWith(&a));
  b.Assign(&a);
  b.SetBkColor(clBlack);
  EXPECT_FALSE(b.IsCompatibleWith(&a));
  // Effects is not compared.
  b.Assign(&a);
  b.SetEffects(true);
  EXPECT_TRUE(b.IsCompatibleWith(&a));

  // Clone gives an equal object of the same class.
  std::unique_ptr<TdxBaseObject> clone = a.Clone();
  EXPECT_TRUE(a.IsCompatibleWith(clone.get()));
}

TEST(Background, PictureIsAlwaysABitmap) {
  TBitmap source;
  source.SetImage(MakeTestImage(20, 10));
  TJPEGImage jpeg;
  jpeg.AssignBitmap(source);
  TdxBackground bg;
  bg.SetPicture(&jpeg);
  ASSERT_TRUE(bg.HasPicture());
  EXPECT_EQ(bg.Picture().ClassType(), TBitmap::Class());
  EXPECT_EQ(bg.Picture().Width(), 20);
  EXPECT_EQ(bg.Picture().Height(), 10);
  EXPECT_TRUE(ColorNear(PixelRGB(bg.Picture().Image(), 2, 5), 0xFF0000, 40));

  CodeLog log;
  log.Attach(bg);
  bg.SetPicture(nullptr);  // releases the image
  EXPECT_FALSE(bg.HasPicture());
  EXPECT_EQ(log.Codes, (std::vector<int>{bpPicture}));
}

// ---- Storage ----------------------------------------------------------------------

TEST(Background, StreamRoundTrip) {
  TdxBackground a;
  a.SetBkColor(clLime);
  a.SetBrushColor(clPurple);
  a.SetBrushStyle(bsBDiagonal);
  a.SetEffects(true);
  a.SetMode(bmBrushBitmap);
  a.SetPictureMode(ppmStretch);
  a.Picture().SetImage(CoordImage(7, 3));
  TdxComponentStreamWriter writer;
  a.SaveToStream(writer);

  TdxBackground b;
  TdxComponentStreamReader reader(writer.Bytes());
  b.LoadFromStream(reader);
  EXPECT_TRUE(b.IsCompatibleWith(&a));
  EXPECT_TRUE(b.Effects());
  EXPECT_EQ(PixelRGB(b.Picture().Image(), 6, 2), Coord(6, 2));
}

TEST(Background, DefaultsAreNotWritten) {
  struct Names : TdxPropertyWriter {
    std::vector<std::string> List;
    void BeginObject(const std::string&, const std::string&) override {}
    void WriteProperty(const std::string& name, const TdxPropertyValue&) override { List.push_back(name); }
    void EndObject() override {}
  } names;
  TdxBackground bg;
  bg.WriteProperties(names, "B.");
  EXPECT_TRUE(names.List.empty());
  bg.SetMode(bmBrush);
  bg.WriteProperties(names, "B.");
  EXPECT_EQ(names.List, (std::vector<std::string>{"B.Mode"}));
}

TEST(Background, BadStreamsRaiseAndLeaveTheTargetUnchanged) {
  TdxBackground target;
  target.SetMode(bmBrush);
  target.SetBrushColor(clRed);
  TdxBackground before;
  before.Assign(&target);

  auto load = [&](const std::string& name, const TdxPropertyValue& value) {
    TdxComponentStreamWriter writer;
    writer.BeginObject("TdxSaver", "");
    writer.WriteProperty("Persistent.BkColor", std::int64_t(clBlack));  // read before the bad one
    writer.WriteProperty("Persistent." + name, value);
    writer.EndObject();
    TdxComponentStreamReader reader(writer.Bytes());
    target.LoadFromStream(reader);
  };
  EXPECT_THROW(load("Mode", std::string("bmBrush")), EReadError);          // wrong type
  EXPECT_THROW(load("Mode", TdxIdent{"bmSomething"}), EReadError);         // unknown identifier
  EXPECT_THROW(load("BkColor", std::int64_t(1) << 40), EReadError);        // does not fit
  EXPECT_THROW(load("Frobnicate", std::int64_t(1)), EReadError);           // unknown property
  EXPECT_THROW(load("Picture.Data", TBytes{200, 'T'}), EReadError);        // name longer than the data
  EXPECT_THROW(load("Picture.Data", TBytes{3, 'X', 'Y', 'Z', 1}), EReadError);  // unknown class
  TBytes bad{7, 'T', 'B', 'i', 't', 'm', 'a', 'p', 'B', 'M', 0, 0};
  EXPECT_THROW(load("Picture.Data", bad), EInvalidGraphic);                // truncated bitmap
  EXPECT_TRUE(target.IsCompatibleWith(&before));
}

// ---- Painting: brushes ------------------------------------------------------------

TEST(BackgroundPaint, NoneAndClearBrushPaintNothing) {
  QImage image = Surface(20, 20);
  TCanvas canvas(&image);
  TdxBackground bg;
  bg.Paint(canvas, TRect(0, 0, 20, 20));
  bg.SetMode(bmBrush);
  bg.SetBrushColor(clRed);
  bg.SetBrushStyle(bsClear);
  bg.Paint(canvas, TRect(0, 0, 20, 20));
  EXPECT_EQ(PixelRGB(image, 10, 10), kSentinel);
}

TEST(BackgroundPaint, SolidBrushFillsExactlyTheRectangle) {
  QImage image = Surface(20, 20);
  TCanvas canvas(&image);
  TdxBackground bg;
  bg.SetMode(bmBrush);
  bg.SetBrushColor(clRed);
  bg.Paint(canvas, TRect(2, 3, 12, 13));
  EXPECT_EQ(PixelRGB(image, 2, 3), 0xFF0000u);
  EXPECT_EQ(PixelRGB(image, 11, 12), 0xFF0000u);
  EXPECT_EQ(PixelRGB(image, 1, 3), kSentinel);
  EXPECT_EQ(PixelRGB(image, 12, 12), kSentinel);
  EXPECT_EQ(PixelRGB(image, 11, 13), kSentinel);
}

TEST(BackgroundPaint, HatchOnScreenLeavesGapsAndRestoresTheCanvas) {
  QImage image = Surface(16, 16);
  TCanvas canvas(&image);
  canvas.SetBkMode(OPAQUE);
  canvas.SetBkColor(clYellow);
  TdxBackground bg;
  bg.SetMode(bmBrush);
  bg.SetBrushColor(clBlue);
  bg.SetBrushStyle(bsHorizontal);
  bg.SetBkColor(clLime);
  bg.Paint(canvas, TRect(0, 0, 16, 16));
  int lines = 0, gaps = 0;
  for (int y = 0; y < 8; ++y) {
    unsigned c = PixelRGB(image, 3, y);
    if (c == 0x0000FFu) ++lines;
    else if (c == kSentinel) ++gaps;
  }
  EXPECT_GT(lines, 0);
  EXPECT_EQ(lines + gaps, 8);  // transparent: the gaps keep what was there
  EXPECT_EQ(canvas.GetBkMode(), OPAQUE);
  EXPECT_EQ(canvas.GetBkColor(), clYellow);
}

TEST(BackgroundPaint, HatchOnPrinterIsTiledFromAWhiteTile) {
  QImage image = Surface(24, 24);
  TCanvas canvas(&image, CapsOf(image, DT_RASPRINTER));
  TdxBackground bg;
  bg.SetMode(bmBrush);
  bg.SetBrushColor(clBlue);
  bg.SetBrushStyle(bsHorizontal);
  bg.Paint(canvas, TRect(4, 4, 20, 20));
  int lines = 0, white = 0;
  for (int y = 4; y < 12; ++y) {
    unsigned c = PixelRGB(image, 6, y);
    if (c == 0x0000FFu) ++lines;
    else if (c == 0xFFFFFFu) ++white;
  }
  EXPECT_GT(lines, 0);
  EXPECT_EQ(lines + white, 8);  // the tile's own white shows in the gaps
  // The tiles start at the rectangle: row 4 + k*8 looks like row 4.
  EXPECT_EQ(PixelRGB(image, 6, 4), PixelRGB(image, 6, 12));
  EXPECT_EQ(PixelRGB(image, 3, 10), kSentinel);
  EXPECT_EQ(PixelRGB(image, 20, 10), kSentinel);
}

// ---- Painting: brush bitmaps and picture modes ----------------------------------------

TEST(BackgroundPaint, SmallBrushBitmapIsABrushOnScreensAndTiledOnPrinters) {
  TdxBackground bg;
  bg.SetMode(bmBrushBitmap);
  bg.Picture().SetImage(CoordImage(4, 4));
  {
    QImage image = Surface(20, 20);
    TCanvas canvas(&image);
    bg.Paint(canvas, TRect(2, 3, 18, 19));
    // A pattern brush is anchored at the device origin.
    EXPECT_EQ(PixelRGB(image, 4, 4), Coord(0, 0));
    EXPECT_EQ(PixelRGB(image, 2, 3), Coord(2, 3));
    EXPECT_EQ(PixelRGB(image, 1, 3), kSentinel);
  }
  {
    QImage image = Surface(20, 20);
    TCanvas canvas(&image, CapsOf(image, DT_RASPRINTER));
    bg.Paint(canvas, TRect(2, 3, 18, 19));
    // Tiles are anchored at the rectangle.
    EXPECT_EQ(PixelRGB(image, 2, 3), Coord(0, 0));
    EXPECT_EQ(PixelRGB(image, 6, 7), Coord(0, 0));
    EXPECT_EQ(PixelRGB(image, 17, 18), Coord(3, 3));
    EXPECT_EQ(PixelRGB(image, 18, 18), kSentinel);
  }
}

TEST(BackgroundPaint, LargeBrushBitmapIsTiledFromTheRectangle) {
  QImage image = Surface(40, 40);
  TCanvas canvas(&image);
  TdxBackground bg;
  bg.SetMode(bmBrushBitmap);
  bg.Picture().SetImage(CoordImage(9, 9));
  bg.Paint(canvas, TRect(5, 5, 35, 35));
  EXPECT_EQ(PixelRGB(image, 5, 5), Coord(0, 0));
  EXPECT_EQ(PixelRGB(image, 14, 14), Coord(0, 0));
  EXPECT_EQ(PixelRGB(image, 34, 34), Coord(2, 2));  // 29 = 3 * 9 + 2
  EXPECT_EQ(PixelRGB(image, 35, 34), kSentinel);
  EXPECT_FALSE(canvas.HasClipRgn());  // the narrowed clip region was given back
}

TEST(BackgroundPaint, PictureCentredUnscaledAndClippedToNothing) {
  // 100 x 50 centred in a 60 x 60 rectangle at (0, 0) lands at (-20, 5).
  RecordingGraphic g(100, 50);
  QImage image = Surface(60, 60);
  TCanvas canvas(&image);
  TdxBackground::DrawPicture(&g, canvas, TRect(0, 0, 60, 60), ppmCenter, 1, 1);
  ASSERT_EQ(g.Draws.size(), 1u);
  EXPECT_EQ(g.Draws[0], TRect(-20, 5, 80, 55));

  TdxBackground bg;
  bg.SetMode(bmPicture);
  bg.Picture().SetImage(CoordImage(100, 50));
  bg.Paint(canvas, TRect(0, 0, 60, 60));
  EXPECT_EQ(PixelRGB(image, 0, 5), Coord(20, 0));
  EXPECT_EQ(PixelRGB(image, 59, 54), Coord(79, 49));
  EXPECT_EQ(PixelRGB(image, 30, 4), kSentinel);
  EXPECT_EQ(PixelRGB(image, 30, 55), kSentinel);
}

TEST(BackgroundPaint, PictureCentredScaledByTheRatio) {
  // N = 2, D = 1: a 10 x 10 picture occupies 20 x 20 pixels, stretched.
  RecordingGraphic g(10, 10);
  QImage image = Surface(60, 60);
  TCanvas canvas(&image);
  TdxBackground::DrawPicture(&g, canvas, TRect(0, 0, 60, 60), ppmCenter, 2, 1);
  ASSERT_EQ(g.Draws.size(), 1u);
  EXPECT_EQ(g.Draws[0], TRect(20, 20, 40, 40));

  TdxBackground bg;
  bg.SetMode(bmPicture);
  bg.Picture().SetImage(CoordImage(10, 10));
  bg.PaintEx(canvas, TRect(0, 0, 60, 60), 2, 1);
  EXPECT_EQ(PixelRGB(image, 20, 20), Coord(0, 0));
  EXPECT_EQ(PixelRGB(image, 39, 39), Coord(9, 9));
  EXPECT_EQ(PixelRGB(image, 19, 30), kSentinel);
  EXPECT_EQ(PixelRGB(image, 40, 30), kSentinel);
}

TEST(BackgroundPaint, PictureStretchedFillsTheRectangle) {
  QImage image = Surface(50, 30);
  TCanvas canvas(&image);
  TdxBackground bg;
  bg.SetMode(bmPicture);
  bg.SetPictureMode(ppmStretch);
  bg.Picture().SetImage(CoordImage(10, 10));
  bg.Paint(canvas, TRect(5, 5, 45, 25));
  EXPECT_EQ(PixelRGB(image, 5, 5), Coord(0, 0));
  EXPECT_EQ(PixelRGB(image, 44, 24), Coord(9, 9));
  EXPECT_EQ(PixelRGB(image, 4, 10), kSentinel);
  EXPECT_EQ(PixelRGB(image, 45, 10), kSentinel);
  EXPECT_EQ(PixelRGB(image, 20, 25), kSentinel);
}

TEST(BackgroundPaint, PictureProportionalKeepsTheAspect) {
  QImage image = Surface(60, 60);
  TCanvas canvas(&image);
  {
    // Wide picture: 60 x 30 centred vertically.
    RecordingGraphic g(100, 50);
    TdxBackground::DrawPicture(&g, canvas, TRect(0, 0, 60, 60), ppmProportional, 7, 3);  // ratio unused
    ASSERT_EQ(g.Draws.size(), 1u);
    EXPECT_EQ(g.Draws[0], TRect(0, 15, 60, 45));
  }
  {
    // Tall picture: 30 x 60 centred horizontally.
    RecordingGraphic g(50, 100);
    TdxBackground::DrawPicture(&g, canvas, TRect(0, 0, 60, 60), ppmProportional, 1, 1);
    ASSERT_EQ(g.Draws.size(), 1u);
    EXPECT_EQ(g.Draws[0], TRect(15, 0, 45, 60));
  }
  TdxBackground bg;
  bg.SetMode(bmPicture);
  bg.SetPictureMode(ppmProportional);
  bg.Picture().SetImage(CoordImage(100, 50));
  bg.Paint(canvas, TRect(0, 0, 60, 60));
  EXPECT_EQ(PixelRGB(image, 30, 14), kSentinel);
  EXPECT_EQ(PixelRGB(image, 0, 15), Coord(0, 0));
  const unsigned corner = PixelRGB(image, 59, 44);  // about picture pixel (99, 49)
  EXPECT_GE(corner >> 16, 97u);
  EXPECT_GE((corner >> 8) & 0xFF, 47u);
  EXPECT_EQ(PixelRGB(image, 30, 45), kSentinel);
}

TEST(BackgroundPaint, PictureTiledThreeByThreeAnchoredAtTheRectangle) {
  // 100 x 50 over 250 x 120: columns 0..2 and rows 0..2, clipped.
  RecordingGraphic g(100, 50);
  QImage image = Surface(300, 200);
  TCanvas canvas(&image, CapsOf(image, DT_RASPRINTER));
  TdxBackground::DrawPicture(&g, canvas, TRect(10, 10, 260, 130), ppmTile, 1, 1);
  std::vector<TRect> expected;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) expected.push_back(Bounds(10 + i * 100, 10 + j * 50, 100, 50));
  EXPECT_EQ(g.Draws, expected);

  QImage pixels = Surface(300, 200);
  TCanvas screen(&pixels);
  TdxBackground bg;
  bg.SetMode(bmPicture);
  bg.SetPictureMode(ppmTile);
  bg.Picture().SetImage(CoordImage(100, 50));
  bg.Paint(screen, TRect(10, 10, 260, 130));
  EXPECT_EQ(PixelRGB(pixels, 10, 10), Coord(0, 0));
  EXPECT_EQ(PixelRGB(pixels, 110, 60), Coord(0, 0));
  EXPECT_EQ(PixelRGB(pixels, 259, 129), Coord(49, 19));
  EXPECT_EQ(PixelRGB(pixels, 260, 100), kSentinel);  // clipped at the rectangle
  EXPECT_EQ(PixelRGB(pixels, 100, 130), kSentinel);
  EXPECT_FALSE(screen.HasClipRgn());
}

TEST(BackgroundPaint, TilesOnScreensOnlyWhereVisibleOnMetafilesAll) {
  RecordingGraphic screenTiles(10, 10), metafileTiles(10, 10);
  QImage image = Surface(100, 100);
  {
    TCanvas screen(&image);
    screen.IntersectClipRect(TRect(0, 0, 25, 15));
    TdxBackground::DrawPicture(&screenTiles, screen, TRect(0, 0, 100, 100), ppmTile, 1, 1);
    TRegion clip;
    ASSERT_TRUE(screen.GetClipRgn(clip));
    EXPECT_EQ(clip.Box(), TRect(0, 0, 25, 15));  // the caller's clip region is back
  }
  EXPECT_EQ(screenTiles.Draws.size(), 6u);  // columns 0..2, rows 0..1
  {
    TCanvas metafile(&image, CapsOf(image, DT_METAFILE));
    metafile.IntersectClipRect(TRect(0, 0, 25, 15));
    TdxBackground::DrawPicture(&metafileTiles, metafile, TRect(0, 0, 100, 100), ppmTile, 1, 1);
  }
  EXPECT_EQ(metafileTiles.Draws.size(), 121u);  // 0..10 in both directions
}

TEST(BackgroundPaint, InvisibleOrDegeneratePicturesDrawNothing) {
  QImage image = Surface(50, 50);
  TCanvas canvas(&image);
  RecordingGraphic g(10, 10);
  // Outside the visible area of a screen.
  TdxBackground::DrawPicture(&g, canvas, TRect(200, 200, 260, 260), ppmCenter, 1, 1);
  TdxBackground::DrawPicture(&g, canvas, TRect(200, 200, 260, 260), ppmStretch, 1, 1);
  // A zero denominator or a picture scaled to nothing.
  TdxBackground::DrawPicture(&g, canvas, TRect(0, 0, 50, 50), ppmCenter, 1, 0);
  TdxBackground::DrawPicture(&g, canvas, TRect(0, 0, 50, 50), ppmTile, 1, 100);
  EXPECT_TRUE(g.Draws.empty());
  // The printer draws wherever it is told.
  QImage paper = Surface(50, 50);
  TCanvas printer(&paper, CapsOf(paper, DT_RASPRINTER));
  TdxBackground::DrawPicture(&g, printer, TRect(200, 200, 260, 260), ppmCenter, 1, 1);
  EXPECT_EQ(g.Draws.size(), 1u);
  // Empty pictures and no graphic at all.
  TBitmap empty;
  TdxBackground::DrawPicture(&empty, canvas, TRect(0, 0, 50, 50), ppmStretch, 1, 1);
  TdxBackground::DrawPicture(nullptr, canvas, TRect(0, 0, 50, 50), ppmStretch, 1, 1);
  TdxBackground bg;
  bg.SetMode(bmPicture);
  bg.Paint(canvas, TRect(0, 0, 50, 50));
  EXPECT_EQ(PixelRGB(image, 25, 25), kSentinel);
}

TEST(BackgroundPaint, CustomDrawStagesAndDone) {
  QImage image = Surface(20, 20);
  TCanvas canvas(&image);
  TdxBackground bg;
  bg.SetMode(bmBrush);
  bg.SetBrushColor(clRed);
  std::vector<std::string> calls;
  bg.OnCustomDrawEx = [&](TdxBackground&, TCanvas& c, const TRect& r, bool& done, int n, int d, int stage) {
    EXPECT_EQ(&c, &canvas);
    EXPECT_EQ(r, TRect(1, 1, 9, 9));
    calls.push_back("ex" + std::to_string(stage) + ":" + std::to_string(n) + "/" + std::to_string(d) + ":" +
                    std::to_string(PixelRGB(image, 5, 5) == 0xFF0000u));
  };
  bg.OnCustomDraw = [&](TdxBackground&, TCanvas&, const TRect&, bool&, int stage) {
    calls.push_back("cd" + std::to_string(stage));
  };
  bg.PaintEx(canvas, TRect(1, 1, 9, 9), 3, 2);
  EXPECT_EQ(calls, (std::vector<std::string>{"ex0:3/2:0", "cd0", "ex1:3/2:1", "cd1"}));

  // Done at stage 0: no painting, no stage 1, no OnCustomDraw.
  calls.clear();
  QImage image2 = Surface(20, 20);
  TCanvas canvas2(&image2);
  bg.OnCustomDrawEx = [&](TdxBackground&, TCanvas&, const TRect&, bool& done, int, int, int stage) {
    calls.push_back("ex" + std::to_string(stage));
    done = true;
  };
  bg.Paint(canvas2, TRect(1, 1, 9, 9));
  EXPECT_EQ(calls, (std::vector<std::string>{"ex0"}));
  EXPECT_EQ(PixelRGB(image2, 5, 5), kSentinel);

  // OnCustomDraw alone can claim the painting.
  calls.clear();
  bg.OnCustomDrawEx = nullptr;
  bg.OnCustomDraw = [&](TdxBackground&, TCanvas&, const TRect&, bool& done, int stage) {
    calls.push_back("cd" + std::to_string(stage));
    done = true;
  };
  bg.Paint(canvas2, TRect(1, 1, 9, 9));
  EXPECT_EQ(calls, (std::vector<std::string>{"cd0"}));
  EXPECT_EQ(PixelRGB(image2, 5, 5), kSentinel);
}
