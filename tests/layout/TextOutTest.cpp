// Text layout: line breaking, alignment, ellipsis, greeking and measuring,
// checked where the words land on the page (ink in the image) and in the
// laid-out lines.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "layout/TextLayout.h"
#include "platform/Canvas.h"
#include "tests/TestSupport.h"

namespace {

TFont TestFont(int height, TFontStyles style = 0, TColor color = clBlack) {
  TFont f;
  f.Name = "Arial";
  f.Height = height;
  f.Style = style;
  f.Color = color;
  return f;
}

// A white image with a canvas on it. Image() ends the painting.
class Page {
 public:
  Page(int width, int height) : image_(width, height, QImage::Format_RGB32) {
    image_.fill(Qt::white);
    canvas_ = std::make_unique<TCanvas>(&image_);
  }
  // A page drawn in report units (1/4800 inch) at dpi and zoom (percent).
  static std::unique_ptr<Page> Report(int widthInches100, int heightInches100, int dpi, int zoom, bool printer) {
    int w = widthInches100 * dpi * zoom / 10000, h = heightInches100 * dpi * zoom / 10000;
    auto page = std::make_unique<Page>(w, h, dpi, printer);
    TCanvas& c = page->Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExt(480000, 480000);
    c.SetViewportExt(dpi * zoom, dpi * zoom);
    return page;
  }
  Page(int width, int height, int dpi, bool printer) : image_(width, height, QImage::Format_RGB32) {
    image_.fill(Qt::white);
    image_.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
    image_.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
    TDeviceCaps caps = TDeviceCaps::FromDevice(&image_);
    caps.LogPixelsX = caps.LogPixelsY = dpi;
    if (printer) caps.Technology = DT_RASPRINTER;
    canvas_ = std::make_unique<TCanvas>(&image_, caps);
  }
  TCanvas& Canvas() { return *canvas_; }
  const QImage& Image() {
    canvas_.reset();
    return image_;
  }

 private:
  QImage image_;
  std::unique_ptr<TCanvas> canvas_;
};

// Bounding box of the dark pixels inside a device rectangle; inclusive
// right and bottom; empty when right < left.
struct Ink {
  int Left = INT_MAX, Top = INT_MAX, Right = -1, Bottom = -1;
  bool Empty() const { return Right < 0; }
  int Width() const { return Empty() ? 0 : Right - Left + 1; }
};

bool IsInk(QRgb p) { return qGray(p) < 160; }

Ink InkIn(const QImage& image, TRect r) {
  Ink ink;
  r = IntersectRect(r, TRect(0, 0, image.width(), image.height()));
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (IsInk(image.pixel(x, y))) {
        ink.Left = std::min(ink.Left, x);
        ink.Right = std::max(ink.Right, x);
        ink.Top = std::min(ink.Top, y);
        ink.Bottom = std::max(ink.Bottom, y);
      }
  return ink;
}

Ink InkAll(const QImage& image) { return InkIn(image, TRect(0, 0, image.width(), image.height())); }

// Groups of neighbouring columns with ink inside a device rectangle.
std::vector<std::pair<int, int>> InkColumnRuns(const QImage& image, const TRect& r) {
  std::vector<std::pair<int, int>> runs;
  for (int x = r.Left; x < r.Right; ++x) {
    bool any = false;
    for (int y = r.Top; y < r.Bottom && !any; ++y) any = IsInk(image.pixel(x, y));
    if (!any) continue;
    if (!runs.empty() && runs.back().second == x - 1)
      runs.back().second = x;
    else
      runs.push_back({x, x});
  }
  return runs;
}

bool ValidUtf8(const std::string& s) {
  QString q = QString::fromUtf8(s.data(), qsizetype(s.size()));
  return !q.contains(QChar::ReplacementCharacter) && q.toUtf8() == QByteArray(s.data(), qsizetype(s.size()));
}

std::vector<std::string> LineTexts(const TdxTextLayout& layout) {
  std::vector<std::string> out;
  for (const TdxTextLine& line : layout.Lines) out.push_back(layout.LineText(line));
  return out;
}

const std::string kParagraph =
    "Güzel bir sonbahar sabahında çocuklar bahçede oynuyor, kuşlar ağaçlarda şarkı söylüyordu. "
    "Öğretmen sınıfa girdiğinde herkes sessizce yerine oturdu ve ılık bir rüzgâr pencereden içeri "
    "doldu. Işığın altında dağınık kağıtlar, çizgili defterler ve kırık bir cetvel duruyordu.";

}  // namespace

// ---- Same lines at every zoom and on every device ----------------------------

TEST(TextOutScaleTest, TurkishParagraphBreaksIntoSameLinesAtThreeScales) {
  // 11-pixel Arial and a 2-inch column in report units.
  TFont font = TestFont(-550);
  const TRect rect(2400, 2400, 2400 + 9600, 2400 + 14400);
  for (unsigned align : {unsigned(taLeft), unsigned(taJustifyX), unsigned(taCenterX)}) {
    SCOPED_TRACE(align);
    unsigned format = dxTextFormat(TdxTextAlignX(align), taTop, tofWordBreak);
    struct Run {
      int dpi, zoom;
      bool printer;
    } runs[] = {{96, 100, false}, {96, 37, false}, {600, 100, true}};
    std::vector<TdxTextLayout> layouts;
    for (const Run& run : runs) {
      auto page = Page::Report(300, 400, run.dpi, run.zoom, run.printer);
      TCanvas& c = page->Canvas();
      layouts.push_back(dxLayoutText(c, kParagraph, rect, format, &font));
      const TdxTextLayout& L = layouts.back();
      // Drawn at this scale: ink in the band of every line, none below the block.
      TRect r = rect;
      int height = TextOut(c, kParagraph, r, format, &font);
      EXPECT_EQ(height, L.BlockHeight());
      std::vector<TRect> bands;
      for (const TdxTextLine& line : L.Lines)
        bands.push_back(c.DeviceRect(TRect(rect.Left, line.Y, rect.Right, line.Y + L.LineStep)));
      TRect below = c.DeviceRect(TRect(rect.Left, L.Lines.back().Y + L.LineStep + 100, rect.Right, rect.Bottom));
      TRect right = c.DeviceRect(TRect(rect.Right + 10, rect.Top, rect.Right + 2400, rect.Bottom));
      const QImage& image = page->Image();
      for (const TRect& band : bands) EXPECT_FALSE(InkIn(image, band).Empty());
      EXPECT_TRUE(InkIn(image, below).Empty());
      EXPECT_TRUE(InkIn(image, right).Empty());
    }
    ASSERT_GE(layouts[0].Lines.size(), 4u);
    std::string joined;
    for (const std::string& s : LineTexts(layouts[0])) {
      EXPECT_TRUE(ValidUtf8(s)) << s;
      if (!joined.empty() && joined.back() != ' ') joined += ' ';
      joined += s;
    }
    EXPECT_EQ(joined, kParagraph);
    for (std::size_t k = 1; k < layouts.size(); ++k) {
      SCOPED_TRACE(k);
      EXPECT_EQ(LineTexts(layouts[k]), LineTexts(layouts[0]));
      ASSERT_EQ(layouts[k].Lines.size(), layouts[0].Lines.size());
      EXPECT_EQ(layouts[k].LineStep, layouts[0].LineStep);
      for (std::size_t i = 0; i < layouts[0].Lines.size(); ++i) {
        EXPECT_EQ(layouts[k].Lines[i].X, layouts[0].Lines[i].X);
        EXPECT_EQ(layouts[k].Lines[i].Y, layouts[0].Lines[i].Y);
        EXPECT_EQ(layouts[k].Lines[i].Width, layouts[0].Lines[i].Width);
      }
    }
  }
}

TEST(TextOutScaleTest, BreakingInsideWordsKeepsCharactersWholeAtEveryScale) {
  TFont font = TestFont(-550);
  const std::string word = "Çekoslovakyalılaştıramadıklarımızdanmışsınızcasına";
  const TRect rect(0, 0, 3000, 48000);
  unsigned format = tofWordBreak | tofBreakInWords;
  std::vector<std::vector<std::string>> results;
  for (int zoom : {100, 37, 250}) {
    auto page = Page::Report(100, 100, 96, zoom, false);
    TdxTextLayout L = dxLayoutText(page->Canvas(), word, rect, format, &font);
    std::string joined;
    for (const TdxTextLine& line : L.Lines) {
      std::string s = L.LineText(line);
      EXPECT_TRUE(ValidUtf8(s)) << s;
      EXPECT_LE(line.Width, rect.Width());
      joined += s;
    }
    EXPECT_EQ(joined, word);
    EXPECT_GE(L.Lines.size(), 3u);
    results.push_back(LineTexts(L));
  }
  EXPECT_EQ(results[1], results[0]);
  EXPECT_EQ(results[2], results[0]);
}

// ---- Breaking --------------------------------------------------------------------

TEST(TextOutBreakTest, TwoWordsInABoxForTheFirstOnly) {
  TFont font = TestFont(-16);
  Page probe(10, 10);
  probe.Canvas().SetFont(font);
  int first = probe.Canvas().TextWidth("Merhaba");
  const TRect rect(10, 10, 10 + first + 6, 200);
  {
    Page page(400, 220);
    TRect r = rect;
    int lines = TextOut(page.Canvas(), "Merhaba dünya", r, tofWordBreak | tofLineCount, &font);
    EXPECT_EQ(lines, 2);
    TdxTextLayout L = dxLayoutText(page.Canvas(), "Merhaba dünya", rect, tofWordBreak, &font);
    ASSERT_EQ(L.Lines.size(), 2u);
    EXPECT_EQ(L.LineText(0), "Merhaba ");
    EXPECT_EQ(L.LineText(1), "dünya");
    const QImage& image = page.Image();
    Ink line1 = InkIn(image, TRect(0, L.Lines[0].Y, 400, L.Lines[0].Y + L.LineStep));
    Ink line2 = InkIn(image, TRect(0, L.Lines[1].Y, 400, L.Lines[1].Y + L.LineStep));
    ASSERT_FALSE(line1.Empty());
    ASSERT_FALSE(line2.Empty());
    EXPECT_LE(line1.Left, 12);
    EXPECT_LE(line2.Left, 12);
    EXPECT_LT(line1.Right, rect.Right);
    EXPECT_LT(line2.Right, rect.Right);
  }
  {
    // Without word break: one line, clipped at the box's right side.
    Page page(400, 220);
    TRect r = rect;
    EXPECT_EQ(TextOut(page.Canvas(), "Merhaba dünya", r, tofLineCount, &font), 1);
    const QImage& image = page.Image();
    Ink ink = InkAll(image);
    ASSERT_FALSE(ink.Empty());
    EXPECT_LT(ink.Bottom, 10 + 20);
    EXPECT_LT(ink.Right, rect.Right);
    EXPECT_GE(ink.Right, rect.Right - 3);  // the "d" of the second word is cut at the edge
    // Unclipped, the second word shows in full.
    Page free(400, 220);
    r = rect;
    TextOut(free.Canvas(), "Merhaba dünya", r, tofNoClip, &font);
    EXPECT_GT(InkAll(free.Image()).Right, rect.Right + 20);
  }
}

TEST(TextOutBreakTest, LineEndsAndLastLineRules) {
  TFont font = TestFont(-16);
  Page page(300, 300);
  TCanvas& c = page.Canvas();
  // CR LF, LF and an empty line; without word break line ends still break.
  TdxTextLayout L = dxLayoutText(c, "bir\r\niki\n\nüç\n", TRect(0, 0, 200, 300), 0, &font);
  EXPECT_EQ(LineTexts(L), (std::vector<std::string>{"bir", "iki", "", "üç"}));
  // Single line: everything on one line, line ends included.
  L = dxLayoutText(c, "bir\niki", TRect(0, 0, 200, 300), tofSingleLine, &font);
  EXPECT_EQ(LineTexts(L), (std::vector<std::string>{"bir\niki"}));
  // A partly visible third line is laid out (and clipped); with
  // tofLastLineFullyVisible it is not.
  int s = L.LineStep;
  TRect box(0, 0, 200, s * 5 / 2);
  EXPECT_EQ(dxLayoutText(c, "a\nb\nc\nd", box, 0, &font).Lines.size(), 3u);
  EXPECT_EQ(dxLayoutText(c, "a\nb\nc\nd", box, tofLastLineFullyVisible, &font).Lines.size(), 2u);
  // With vertical alignment other than top everything is laid out.
  EXPECT_EQ(dxLayoutText(c, "a\nb\nc\nd", box, dxTextFormat(taLeft, taCenterY), &font).Lines.size(), 4u);
  // maxLineCount limits the lines.
  TRect r(0, 0, 200, 300);
  EXPECT_EQ(TextOut(c, "a\nb\nc\nd", r, tofLineCount, &font, 2), 2);
  EXPECT_EQ(TextOut(c, "a\nb\nc\nd", r, tofLineCount, &font, -3), 4);
}

TEST(TextOutBreakTest, ClippedThirdLineAndMaxLinesDrawOnlyWhatIsLaidOut) {
  TFont font = TestFont(-16);
  Page page(300, 300);
  int s = dxLayoutText(page.Canvas(), "x", TRect(0, 0, 100, 100), 0, &font).LineStep;
  TRect box(10, 10, 200, 10 + s * 5 / 2);
  TRect r = box;
  TextOut(page.Canvas(), "Ayşe\nFatma\nHayriye\nZeynep", r, 0, &font);
  r = TRect(10, 150, 200, 290);
  TextOut(page.Canvas(), "Ayşe\nFatma\nHayriye\nZeynep", r, 0, &font, 2);
  const QImage& image = page.Image();
  Ink clipped = InkIn(image, TRect(0, 0, 300, 140));
  EXPECT_EQ(clipped.Top >= 10, true);
  EXPECT_LT(clipped.Bottom, box.Bottom);  // the third line stops at the box
  EXPECT_FALSE(InkIn(image, TRect(0, 10 + 2 * s, 300, box.Bottom)).Empty());
  Ink limited = InkIn(image, TRect(0, 150, 300, 300));
  EXPECT_LT(limited.Bottom, 150 + 2 * s);
}

TEST(TextOutBreakTest, OverlongWordOverflowsOrBreaksBetweenCharacters) {
  TFont font = TestFont(-16);
  const std::string word = "Afyonkarahisarlılaştıramadıklarımızdan";
  Page page(400, 300);
  TCanvas& c = page.Canvas();
  TRect box(10, 10, 90, 290);
  TdxTextLayout L = dxLayoutText(c, word + " ve şu", box, tofWordBreak, &font);
  ASSERT_EQ(L.Lines.size(), 2u);
  EXPECT_EQ(L.LineText(0), word + " ");
  EXPECT_GT(L.Lines[0].Width, box.Width());
  L = dxLayoutText(c, word, box, tofWordBreak | tofBreakInWords, &font);
  ASSERT_GE(L.Lines.size(), 3u);
  std::string joined;
  for (const TdxTextLine& line : L.Lines) {
    EXPECT_LE(line.Width, box.Width());
    EXPECT_GT(line.Length, 0);
    EXPECT_TRUE(ValidUtf8(L.LineText(line)));
    joined += L.LineText(line);
  }
  EXPECT_EQ(joined, word);
  // Drawn: no ink outside the box, with and without breaking in words.
  TRect r = box;
  TextOut(c, word, r, tofWordBreak, &font);
  r = TRect(210, 10, 290, 290);
  TextOut(c, word, r, tofWordBreak | tofBreakInWords, &font);
  const QImage& image = page.Image();
  EXPECT_TRUE(InkIn(image, TRect(90, 0, 210, 300)).Empty());
  EXPECT_TRUE(InkIn(image, TRect(290, 0, 400, 300)).Empty());
  EXPECT_FALSE(InkIn(image, TRect(210, 10 + 2 * L.LineStep, 290, 290)).Empty());
}

TEST(TextOutBreakTest, ExpandedTabsAdvanceToTabStops) {
  TFont font = TestFont(-16);
  Page page(400, 100);
  TCanvas& c = page.Canvas();
  c.SetFont(font);
  int tab = 8 * c.GetTextMetrics().tmAveCharWidth;
  int b = c.TextWidth("b");
  TdxTextLayout L = dxLayoutText(c, "a\tb", TRect(0, 0, 400, 100), tofExpandTabs, &font);
  ASSERT_EQ(L.Lines.size(), 1u);
  EXPECT_EQ(L.Lines[0].Width, tab + b);
  // A tabbed line wraps at its tabbed width.
  TdxTextLayout wrapped =
      dxLayoutText(c, "a\tb\tc", TRect(0, 0, tab + b + 2, 100), tofExpandTabs | tofWordBreak, &font);
  EXPECT_EQ(LineTexts(wrapped), (std::vector<std::string>{"a\tb\t", "c"}));
  TRect r(0, 0, 400, 50);
  TextOut(c, "a\tb", r, tofExpandTabs, &font);
  r = TRect(0, 50, 400, 100);
  TextOut(c, "a\tb", r, 0, &font);
  const QImage& image = page.Image();
  auto tabbed = InkColumnRuns(image, TRect(0, 0, 400, 50));
  auto plain = InkColumnRuns(image, TRect(0, 50, 400, 100));
  ASSERT_EQ(tabbed.size(), 2u);
  ASSERT_EQ(plain.size(), 2u);
  EXPECT_NEAR(tabbed[1].first, tab, 3);
  EXPECT_LT(plain[1].first, tab / 2);
}

// ---- Horizontal alignment -----------------------------------------------------

TEST(TextOutAlignTest, LeftCentreRightPlaceTheWords) {
  TFont font = TestFont(-20);
  const TRect box(10, 10, 310, 50);
  struct Case {
    TdxTextAlignX align;
  } cases[] = {{taLeft}, {taCenterX}, {taRight}};
  for (const Case& k : cases) {
    Page page(320, 60);
    TRect r = box;
    TextOut(page.Canvas(), "HİH", r, dxTextFormat(k.align, taTop), &font);
    Ink ink = InkAll(page.Image());
    ASSERT_FALSE(ink.Empty());
    if (k.align == taLeft) {
      EXPECT_NEAR(ink.Left, box.Left + 1, 2);
    } else if (k.align == taRight) {
      EXPECT_NEAR(ink.Right, box.Right - 2, 2);
    } else {
      EXPECT_NEAR((ink.Left + ink.Right + 1) / 2, (box.Left + box.Right) / 2, 2);
    }
  }
}

TEST(TextOutAlignTest, JustifyStretchesAllButTheLastLineAndDistributeAlsoTheLast) {
  TFont font = TestFont(-16);
  const std::string text = "Kırmızı elma ağacının altında yaşlı bir adam oturmuş, gelip geçenlere eski "
                           "günlerin hikâyelerini anlatıyordu.\nAz çok";
  const TRect box(10, 10, 290, 400);
  auto lineInk = [&](TdxTextAlignX align, std::vector<Ink>& out) {
    Page page(300, 420);
    unsigned format = dxTextFormat(align, taTop, tofWordBreak);
    TdxTextLayout L = dxLayoutText(page.Canvas(), text, box, format, &font);
    TRect r = box;
    TextOut(page.Canvas(), text, r, format, &font);
    const QImage& image = page.Image();
    for (const TdxTextLine& line : L.Lines) out.push_back(InkIn(image, TRect(0, line.Y, 300, line.Y + L.LineStep)));
    return L;
  };
  std::vector<Ink> left, justify, distribute;
  TdxTextLayout L = lineInk(taLeft, left);
  lineInk(taJustifyX, justify);
  lineInk(taDistributeX, distribute);
  ASSERT_GE(L.Lines.size(), 4u);
  ASSERT_EQ(justify.size(), left.size());
  ASSERT_EQ(distribute.size(), left.size());
  std::size_t n = left.size();
  // Justify stretches all lines but the one before the line end and the
  // last; distribute stretches them all.
  int ragged = 0;
  for (std::size_t i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(justify[i].Left, left[i].Left, 1);  // every line starts at the left side
    if (i + 2 < n) {
      EXPECT_GE(justify[i].Right, box.Right - 4);
      EXPECT_LT(justify[i].Right, box.Right);
      if (left[i].Right < box.Right - 8) ++ragged;
    }
    EXPECT_GE(distribute[i].Right, box.Right - 4);
    EXPECT_LT(distribute[i].Right, box.Right);
  }
  EXPECT_GT(ragged, 0);  // the left-aligned text is ragged where justify is not
  for (std::size_t i = n - 2; i < n; ++i) {
    EXPECT_LT(justify[i].Right, box.Right - 20);
    EXPECT_EQ(justify[i].Right, left[i].Right);
  }
}

TEST(TextOutAlignTest, JustifyLeavesLinesBeforeALineEndAlone) {
  TFont font = TestFont(-16);
  Page page(300, 200);
  const TRect box(10, 10, 290, 190);
  unsigned format = dxTextFormat(taJustifyX, taTop, tofWordBreak);
  TRect r = box;
  TextOut(page.Canvas(), "kısa bir satır\nve sonra gelen uzun bir paragraf ki iki satıra taşsın diye yazıldı", r,
          format, &font);
  TdxTextLayout L = dxLayoutText(page.Canvas(), "kısa bir satır\nve sonra", box, format, &font);
  const QImage& image = page.Image();
  Ink first = InkIn(image, TRect(0, box.Top, 300, box.Top + L.LineStep));
  Ink second = InkIn(image, TRect(0, box.Top + L.LineStep, 300, box.Top + 2 * L.LineStep));
  EXPECT_LT(first.Right, box.Right - 60);
  EXPECT_GE(second.Right, box.Right - 4);
}

// ---- Vertical alignment ----------------------------------------------------------

TEST(TextOutAlignTest, VerticalAlignmentsPlaceTheBlock) {
  TFont font = TestFont(-16);
  const TRect box(10, 10, 210, 310);
  for (int a = taTop; a <= taDistributeY; ++a) {
    SCOPED_TRACE(a);
    Page page(220, 320);
    unsigned format = dxTextFormat(taLeft, TdxTextAlignY(a));
    TdxTextLayout L = dxLayoutText(page.Canvas(), "Bir\nİki", box, format, &font);
    ASSERT_EQ(L.Lines.size(), 2u);
    int h = L.FontHeight;
    TRect r = box;
    TextOut(page.Canvas(), "Bir\nİki", r, format, &font);
    const QImage& image = page.Image();
    Ink ink = InkAll(image);
    ASSERT_FALSE(ink.Empty());
    switch (a) {
      case taTop:
        EXPECT_GE(ink.Top, box.Top);
        EXPECT_LT(ink.Top, box.Top + h / 2);
        EXPECT_LT(ink.Bottom, box.Top + 2 * h + 2);
        break;
      case taCenterY:
        EXPECT_NEAR((ink.Top + ink.Bottom) / 2, (box.Top + box.Bottom) / 2, h / 2);
        break;
      case taBottom:
        EXPECT_LT(ink.Bottom, box.Bottom);
        EXPECT_GT(ink.Bottom, box.Bottom - h / 2);
        EXPECT_GT(ink.Top, box.Bottom - 2 * h - 2);
        break;
      case taDistributeY:
        // First line at the top, second ending at the bottom, nothing between.
        EXPECT_EQ(L.Lines[0].Y, box.Top);
        EXPECT_EQ(L.Lines[1].Y + h, box.Bottom);
        EXPECT_LT(ink.Top, box.Top + h / 2);
        EXPECT_GT(ink.Bottom, box.Bottom - h / 2);
        EXPECT_TRUE(InkIn(image, TRect(0, box.Top + h + 1, 220, box.Bottom - h - 1)).Empty());
        break;
    }
  }
}

TEST(TextOutAlignTest, DistributeHandsOutTheRemainderAndKeepTopKeepLeftClamp) {
  TFont font = TestFont(-16);
  Page page(300, 300);
  TCanvas& c = page.Canvas();
  int h = dxLayoutText(c, "x", TRect(0, 0, 100, 100), 0, &font).FontHeight;
  // Four lines in a box whose spare height does not divide by three.
  TRect box(0, 0, 200, 4 * h + 3 * 20 + 2);
  TdxTextLayout L = dxLayoutText(c, "a\nb\nc\nd", box, dxTextFormat(taLeft, taDistributeY), &font);
  ASSERT_EQ(L.Lines.size(), 4u);
  EXPECT_EQ(L.Lines[0].Y, 0);
  EXPECT_EQ(L.Lines[1].Y - L.Lines[0].Y, h + 21);
  EXPECT_EQ(L.Lines[2].Y - L.Lines[1].Y, h + 21);
  EXPECT_EQ(L.Lines[3].Y - L.Lines[2].Y, h + 20);
  EXPECT_EQ(L.Lines[3].Y + h, box.Bottom);
  // Too tall a text: the ordinary step, centred above the top unless kept.
  TRect small(0, 50, 200, 50 + h);
  L = dxLayoutText(c, "a\nb\nc", small, dxTextFormat(taLeft, taCenterY), &font);
  EXPECT_LT(L.Lines[0].Y, small.Top);
  L = dxLayoutText(c, "a\nb\nc", small, dxTextFormat(taLeft, taBottom, tofKeepTop), &font);
  EXPECT_EQ(L.Lines[0].Y, small.Top);
  // Bottom alignment with external leading: the leading goes between the
  // lines, the last line ends at the bottom.
  TFont big = TestFont(-60);
  L = dxLayoutText(c, "a\nb\nc", TRect(0, 0, 200, 290), dxTextFormat(taLeft, taBottom, tofExternalLeading), &big);
  ASSERT_EQ(L.Lines.size(), 3u);
  EXPECT_GT(L.Leading, 0);
  EXPECT_EQ(L.Lines[1].Y - L.Lines[0].Y, L.FontHeight + L.Leading);
  EXPECT_EQ(L.Lines[2].Y + L.FontHeight, 290);
  // A line wider than the box: right alignment starts it left of the box
  // unless tofKeepLeft.
  TRect narrow(20, 0, 60, 100);
  L = dxLayoutText(c, "Eskişehir", narrow, dxTextFormat(taRight, taTop), &font);
  EXPECT_LT(L.Lines[0].X, narrow.Left);
  EXPECT_EQ(L.Lines[0].X + L.Lines[0].Width, narrow.Right);
  L = dxLayoutText(c, "Eskişehir", narrow, dxTextFormat(taRight, taTop, tofKeepLeft), &font);
  EXPECT_EQ(L.Lines[0].X, narrow.Left);
}

// ---- Prefix characters -------------------------------------------------------------

TEST(TextOutPrefixTest, HidePrefixDrawsLikeTheTextWithoutPrefixes) {
  EXPECT_EQ(dxRemovePrefix("A&&B&C"), "A&BC");
  EXPECT_EQ(dxRemovePrefix("&Şğ&&ı&"), "Şğ&ı");
  EXPECT_EQ(dxRemovePrefix("&&&&&"), "&&");
  TFont font = TestFont(-16);
  Page a(200, 40), b(200, 40);
  TRect r(5, 5, 195, 35);
  TextOut(a.Canvas(), "A&&B&C &Dağ", r, tofHidePrefix, &font);
  r = TRect(5, 5, 195, 35);
  TextOut(b.Canvas(), "A&BC Dağ", r, 0, &font);
  EXPECT_FALSE(InkAll(a.Image()).Empty());
  EXPECT_EQ(a.Image(), b.Image());
  // Without the flag the ampersands stay.
  Page d(200, 40);
  r = TRect(5, 5, 195, 35);
  TextOut(d.Canvas(), "A&&B&C &Dağ", r, 0, &font);
  EXPECT_NE(d.Image(), b.Image());
  // Only prefixes: nothing is laid out.
  Page e(200, 40);
  r = TRect(5, 5, 195, 35);
  EXPECT_EQ(TextOut(e.Canvas(), "&", r, tofHidePrefix, &font), 0);
  EXPECT_TRUE(InkAll(e.Image()).Empty());
}

// ---- Ellipsis ----------------------------------------------------------------------

TEST(TextOutEllipsisTest, ThreeLinesInATwoLineBoxEndWithDots) {
  TFont font = TestFont(-16);
  Page page(300, 200);
  TCanvas& c = page.Canvas();
  int s = dxLayoutText(c, "x", TRect(0, 0, 100, 100), 0, &font).LineStep;
  const TRect box(10, 10, 210, 10 + 2 * s + s / 2);
  unsigned format = tofEndEllipsis | tofLastLineFullyVisible;
  TdxTextLayout L = dxLayoutText(c, "bir\niki\nüç", box, format, &font);
  ASSERT_EQ(L.Lines.size(), 2u);
  EXPECT_EQ(L.LineText(1), "iki");
  EXPECT_TRUE(L.Lines[1].Ellipsis);
  EXPECT_FALSE(L.Lines[0].Ellipsis);
  TRect r = box;
  TextOut(c, "bir\niki\nüç", r, format, &font);
  const QImage& image = page.Image();
  // "iki" then three dots: small separate blobs in the lower half of the line.
  TRect band(0, box.Top + s, 300, box.Top + 2 * s);
  auto runs = InkColumnRuns(image, band);
  ASSERT_EQ(runs.size(), 6u);  // i, k, i and three dots
  Ink word = InkIn(image, TRect(runs[0].first, band.Top, runs[2].second + 1, band.Bottom));
  for (int k = 3; k < 6; ++k) {
    EXPECT_LE(runs[k].second - runs[k].first, 3);
    Ink dot = InkIn(image, TRect(runs[k].first, band.Top, runs[k].second + 1, band.Bottom));
    EXPECT_GT(dot.Top, (word.Top + word.Bottom) / 2);
  }
  EXPECT_TRUE(InkIn(image, TRect(0, box.Top + 2 * s, 300, 200)).Empty());  // no third line
}

TEST(TextOutEllipsisTest, WrappedLastLineIsShortenedToFitWithTheDots) {
  TFont font = TestFont(-16);
  Page page(300, 200);
  TCanvas& c = page.Canvas();
  c.SetFont(font);
  const TRect box(10, 10, 10 + c.TextWidth("kelebekler") + 4, 10 + 2 * c.TextHeight("Wg") + 3);
  unsigned format = tofEndEllipsis | tofLastLineFullyVisible | tofWordBreak;
  const std::string text = "çiçekler böcekler kelebekler arılar";
  TdxTextLayout L = dxLayoutText(c, text, box, format, &font);
  ASSERT_EQ(L.Lines.size(), 2u);
  const TdxTextLine& last = L.Lines[1];
  EXPECT_TRUE(last.Ellipsis);
  EXPECT_EQ(L.LineText(1).rfind("böcekler", 0), 0u);
  EXPECT_LE(last.X + last.Width + L.EllipsisWidth, box.Right);
  for (unsigned align : {unsigned(taLeft), unsigned(taRight), unsigned(taCenterX)}) {
    Page p(300, 200);
    TRect r = box;
    TextOut(p.Canvas(), text, r, format | align, &font);
    const QImage& image = p.Image();
    Ink ink = InkAll(image);
    EXPECT_GE(ink.Left, box.Left);
    EXPECT_LT(ink.Right, box.Right);
    Ink second = InkIn(image, TRect(0, L.Lines[1].Y, 300, L.Lines[1].Y + L.LineStep));
    if (align == taRight) {
      EXPECT_GE(second.Right, box.Right - 4);
    } else if (align == taLeft) {
      EXPECT_LE(second.Left, box.Left + 2);
    }
  }
}

TEST(TextOutEllipsisTest, CutsWholeCharactersAndKeepsAtLeastOne) {
  TFont font = TestFont(-16);
  Page page(300, 100);
  TCanvas& c = page.Canvas();
  const std::string text = "şşşşşşğğğğğğıııııı";
  for (int w = 1; w < 120; w += 3) {
    TdxTextLayout L = dxLayoutText(c, text, TRect(0, 0, w, 40), tofEndEllipsis | tofSingleLine, &font);
    ASSERT_EQ(L.Lines.size(), 1u);
    std::string s = L.LineText(0);
    EXPECT_TRUE(ValidUtf8(s)) << w;
    EXPECT_GE(s.size(), 2u);
    EXPECT_TRUE(L.Lines[0].Ellipsis);
    EXPECT_EQ(text.rfind(s, 0), 0u);
    if (s.size() > 2) {
      EXPECT_LE(L.Lines[0].Width + L.EllipsisWidth, w);
    }
  }
  // Text that fits gets no dots.
  TdxTextLayout L = dxLayoutText(c, "şğı", TRect(0, 0, 200, 40), tofEndEllipsis | tofSingleLine, &font);
  EXPECT_FALSE(L.Lines[0].Ellipsis);
  // A box narrower than "..." draws without trouble.
  TRect r(0, 0, 3, 40);
  EXPECT_GT(TextOut(c, text, r, tofEndEllipsis, &font), 0);
}

// ---- Greeking ----------------------------------------------------------------------

TEST(TextOutGreekTest, TinyTextBecomesCheckeredBarsAndBoldSolidBars) {
  TFont tiny = TestFont(-4);
  for (bool bold : {false, true}) {
    SCOPED_TRACE(bold);
    tiny.Style = bold ? TFontStyles(fsBold) : TFontStyles(0);
    Page page(200, 40);
    const TRect box(10, 10, 190, 30);
    TdxTextLayout L = dxLayoutText(page.Canvas(), "küçük yazı", box, tofGreekSmallText, &tiny);
    ASSERT_TRUE(L.Greek);
    ASSERT_EQ(L.Lines.size(), 1u);
    TRect r = box;
    TextOut(page.Canvas(), "küçük yazı", r, tofGreekSmallText, &tiny);
    const QImage& image = page.Image();
    const TdxTextLine& line = L.Lines[0];
    // The bar: line box shrunk by a pixel at top and bottom.
    TRect bar(line.X, line.Y + 1, line.X + line.Width, line.Y + L.LineStep - 1);
    ASSERT_GT(bar.Height(), 0);
    Ink ink = InkAll(image);
    EXPECT_EQ(ink.Left, bar.Left);
    EXPECT_EQ(ink.Right, bar.Right - 1);
    EXPECT_EQ(ink.Top, bar.Top);
    EXPECT_EQ(ink.Bottom, bar.Bottom - 1);
    int black = 0, white = 0, alternating = 0;
    for (int y = bar.Top; y < bar.Bottom; ++y)
      for (int x = bar.Left; x < bar.Right; ++x) {
        unsigned p = PixelRGB(image, x, y);
        black += p == 0x000000;
        white += p == 0xFFFFFF;
        if (x + 1 < bar.Right) alternating += p != PixelRGB(image, x + 1, y);
      }
    int area = bar.Width() * bar.Height();
    EXPECT_EQ(black + white, area);  // flat colours, no glyphs
    if (bold) {
      EXPECT_EQ(black, area);
    } else {
      EXPECT_NEAR(black, area / 2, bar.Height());
      EXPECT_EQ(alternating, (bar.Width() - 1) * bar.Height());
    }
  }
  // Readable text with the flag stays text.
  TFont normal = TestFont(-16);
  Page page(200, 40);
  EXPECT_FALSE(dxLayoutText(page.Canvas(), "yazı", TRect(0, 0, 200, 40), tofGreekSmallText, &normal).Greek);
}

TEST(TextOutGreekTest, GreekingDependsOnTheDeviceNotTheLines) {
  // 8-point text in report units: readable at 100 %, bars at 37 %, with the
  // same lines either way.
  TFont font = TestFont(-533);
  const TRect rect(0, 0, 9600, 9600);
  unsigned format = tofWordBreak | tofGreekSmallText;
  auto full = Page::Report(250, 250, 96, 100, false);
  auto small = Page::Report(250, 250, 96, 37, false);
  TdxTextLayout a = dxLayoutText(full->Canvas(), kParagraph, rect, format, &font);
  TdxTextLayout b = dxLayoutText(small->Canvas(), kParagraph, rect, format, &font);
  EXPECT_FALSE(a.Greek);
  EXPECT_TRUE(b.Greek);
  EXPECT_EQ(LineTexts(a), LineTexts(b));
  TRect r = rect;
  TextOut(small->Canvas(), kParagraph, r, format, &font);
  const QImage& image = small->Image();
  // Every pixel drawn is black or white: bars, not glyphs.
  Ink ink = InkAll(image);
  ASSERT_FALSE(ink.Empty());
  for (int y = ink.Top; y <= ink.Bottom; ++y)
    for (int x = ink.Left; x <= ink.Right; ++x) {
      unsigned p = PixelRGB(image, x, y);
      ASSERT_TRUE(p == 0 || p == 0xFFFFFF) << x << "," << y;
    }
}

// ---- Measuring ----------------------------------------------------------------------

TEST(TextOutCalcTest, ShortSingleLineNarrowsTheRectangle) {
  TFont font = TestFont(-16);
  Page page(300, 100);
  TCanvas& c = page.Canvas();
  c.SetFont(font);
  int w = c.TextWidth("Ankara"), h = c.TextHeight("Wg");
  TRect r(10, 20, 290, 90);
  EXPECT_EQ(TextOut(c, "Ankara", r, tofCalcRect | tofSingleLine, &font), h);
  EXPECT_EQ(r, TRect(10, 20, 10 + w, 20 + h));
  r = TRect(10, 20, 290, 90);
  TextOut(c, "Ankara", r, tofCalcRect | tofSingleLine | tofMargins, &font);
  EXPECT_EQ(r, TRect(10, 20, 10 + w + 4, 20 + h + 4));
  r = TRect(10, 20, 290, 90);
  TextOut(c, "Ankara", r, tofCalcRect | tofSingleLine, &font, 0, 3, 5);
  EXPECT_EQ(r, TRect(10, 20, 10 + 3 + w + 5, 20 + h));
  // Nothing is drawn while measuring.
  EXPECT_TRUE(InkAll(page.Image()).Empty());
}

TEST(TextOutCalcTest, MultiLineMeasureMatchesWhatIsDrawn) {
  TFont font = TestFont(-16);
  Page page(300, 400);
  TCanvas& c = page.Canvas();
  // Ignores the height of the rectangle and its vertical alignment.
  TRect r(10, 10, 200, 11);
  unsigned format = dxTextFormat(taCenterX, taBottom, tofWordBreak);
  int height = TextOut(c, kParagraph, r, format | tofCalcRect, &font);
  TRect lines = TRect(10, 10, 200, 11);
  int count = TextOut(c, kParagraph, lines, format | tofCalcRect | tofLineCount, &font);
  TdxTextLayout L = dxLayoutText(c, kParagraph, TRect(10, 10, 200, 400), tofWordBreak, &font);
  EXPECT_EQ(count, int(L.Lines.size()));
  EXPECT_EQ(height, (count - 1) * L.LineStep + L.FontHeight);
  EXPECT_EQ(r.Bottom, 10 + height);
  EXPECT_LE(r.Right, 200);
  EXPECT_GT(r.Right, 150);
  EXPECT_EQ(lines, r);
  // Drawing into the measured rectangle gives the same lines, all visible.
  TRect d = r;
  TextOut(c, kParagraph, d, format, &font);
  const QImage& image = page.Image();
  Ink ink = InkAll(image);
  EXPECT_GE(ink.Left, r.Left);
  EXPECT_LT(ink.Right, r.Right);
  EXPECT_LT(ink.Bottom, r.Bottom);
  EXPECT_GT(ink.Bottom, r.Bottom - L.FontHeight);
}

TEST(TextOutCalcTest, InformationContextMeasuresLikeAPaintedCanvas) {
  TFont font = TestFont(-16);
  TCanvas info(TDeviceCaps::Screen());
  Page page(300, 100);
  TRect a(0, 0, 150, 10), b(0, 0, 150, 10);
  EXPECT_EQ(TextOut(info, kParagraph, a, tofCalcRect | tofWordBreak, &font),
            TextOut(page.Canvas(), kParagraph, b, tofCalcRect | tofWordBreak, &font));
  EXPECT_EQ(a, b);
  TRect d(0, 0, 150, 100);
  EXPECT_GT(TextOut(info, "çizim yok", d, 0, &font), 0);  // nothing to draw on, no failure
}

// ---- Bad input and state --------------------------------------------------------

TEST(TextOutEdgeTest, EmptyTextAndEmptyRectanglesLayOutNothing) {
  TFont font = TestFont(-16);
  Page page(100, 100);
  TCanvas& c = page.Canvas();
  TRect r(10, 10, 90, 90);
  EXPECT_EQ(TextOut(c, "", r, tofWordBreak, &font), 0);
  EXPECT_EQ(TextOut(c, "", r, tofCalcRect, &font), 0);
  EXPECT_EQ(r, TRect(10, 10, 90, 90));
  for (TRect bad : {TRect(10, 10, 10, 90), TRect(10, 10, 90, 10), TRect(50, 50, 10, 10), TRect()}) {
    TRect q = bad;
    EXPECT_EQ(TextOut(c, "metin", q, tofWordBreak | tofEndEllipsis, &font), 0);
    EXPECT_EQ(q, bad);
  }
  // Margins and indents that eat the rectangle.
  r = TRect(10, 10, 14, 90);
  EXPECT_EQ(TextOut(c, "metin", r, tofMargins, &font), 0);
  r = TRect(10, 10, 90, 90);
  EXPECT_EQ(TextOut(c, "metin", r, 0, &font, 0, 50, 30), 0);
  EXPECT_EQ(TextOut(c, "metin", r, 0, &font, 0, INT_MAX, INT_MAX), 0);
  // Measuring needs a positive width only.
  r = TRect(10, 10, 90, 10);
  EXPECT_GT(TextOut(c, "metin", r, tofCalcRect, &font), 0);
  EXPECT_TRUE(InkAll(page.Image()).Empty());
}

TEST(TextOutEdgeTest, HostileValuesNeitherCrashNorOverflow) {
  Page page(100, 100);
  TCanvas& c = page.Canvas();
  const std::vector<std::string> texts = {
      std::string("\xff\xfe\xc3", 3), std::string("a\0b\0\0c", 6), "\xe2\x82", "\xf0\x9f\x98\x80 \xf0\x9f", "\t\t\t\t",
      std::string(300, '\n'), std::string(600, ' '), std::string(301, '&'), "\r\r\n\n\r", "\xcc\x81\xcc\x81\xcc\x81"};
  const std::vector<TRect> rects = {TRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), TRect(0, 0, 1, 1),
                                    TRect(-5, -5, 20, INT_MAX), TRect(0, INT_MIN, 60, 0), TRect(10, 10, 90, 90)};
  const std::vector<unsigned> formats = {
      dxTextFormat(taJustifyX, taDistributeY, tofWordBreak | tofEndEllipsis | tofExpandTabs),
      dxTextFormat(taDistributeX, taCenterY, tofBreakInWords | tofHidePrefix | tofMargins),
      dxTextFormat(taRight, taBottom, tofSingleLine | tofEndEllipsis | tofGreekSmallText | tofKeepLeft),
      tofCalcRect | tofWordBreak | tofBreakInWords | tofExpandTabs | tofLineCount,
      tofCalcRect | tofSingleLine | tofMargins | tofExternalLeading,
      0xFFFFFFFFu,
  };
  for (int height : {0, -1, 1, -16, 1 << 20, INT_MIN}) {
    TFont font = TestFont(height);
    for (const std::string& text : texts)
      for (const TRect& rect : rects)
        for (unsigned format : formats) {
          TRect r = rect;
          int result = TextOut(c, text, r, format, &font, 3, -7, 9);
          EXPECT_GE(result, 0);
        }
  }
  // A font height of 0 takes the default size.
  TFont zero = TestFont(0);
  TRect r(0, 0, 100, 100);
  EXPECT_GT(TextOut(c, "yazı", r, 0, &zero), 5);
}

TEST(TextOutEdgeTest, CanvasStateIsRestored) {
  TFont font = TestFont(-16, fsBold, clRed);
  Page page(200, 100);
  TCanvas& c = page.Canvas();
  TFont before = TestFont(-11);
  c.SetFont(before);
  c.SetTextColor(clGreen);
  c.SetBkMode(OPAQUE);
  c.SetBkColor(clYellow);
  c.IntersectClipRect(TRect(0, 0, 150, 80));
  TRegion clip;
  ASSERT_TRUE(c.GetClipRgn(clip));
  TRect r(10, 10, 60, 60);
  TextOut(c, "Sığır çoban\neski günler", r,
          dxTextFormat(taJustifyX, taTop, tofWordBreak | tofEndEllipsis | tofGreekSmallText), &font, 0, 0, 0, clBlue);
  EXPECT_EQ(c.Font(), before);
  EXPECT_EQ(c.GetTextColor(), clGreen);
  EXPECT_EQ(c.GetBkMode(), OPAQUE);
  EXPECT_EQ(c.GetBkColor(), clYellow);
  TRegion after;
  ASSERT_TRUE(c.GetClipRgn(after));
  EXPECT_EQ(after, clip);
  // The colour argument won over the font's colour and the background stayed
  // transparent: blue ink, no yellow.
  const QImage& image = page.Image();
  int blue = 0, yellow = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) {
      unsigned p = PixelRGB(image, x, y);
      blue += ColorNear(p, 0x0000FF, 60);
      yellow += p == 0xFFFF00;
    }
  EXPECT_GT(blue, 20);
  EXPECT_EQ(yellow, 0);
}

TEST(TextOutEdgeTest, DefaultFontAndTextColourComeFromTheCanvas) {
  Page page(200, 60);
  TCanvas& c = page.Canvas();
  TFont font = TestFont(-16, 0, clRed);
  c.SetFont(font);
  c.SetTextColor(clBlue);  // replaced by the font's colour for the call
  TRect r(5, 5, 195, 55);
  EXPECT_GT(TextOut(c, "Kırmızı", r, 0), 0);
  EXPECT_EQ(c.GetTextColor(), clBlue);
  const QImage& image = page.Image();
  int red = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) red += ColorNear(PixelRGB(image, x, y), 0xFF0000, 60);
  EXPECT_GT(red, 20);
}
