// Report text breaks into the same lines on screen and on paper: a long
// justified paragraph in a text cell, laid out by the renderer for the
// preview at several zooms and for a 600 dpi printer, gives one list of lines.
// Printed (CupsPrintText, on the private scheduler of
// tests/support/cups-sandbox.sh), the document's text read back has the
// preview's lines, and the spooler's sheet has their words where the preview
// has them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "layout/ReportRenderer.h"
#include "layout/TextLayout.h"
#include "report/CheckItems.h"
#include "report/DataItems.h"
#include "tests/TestSupport.h"
#include "tests/layout/PrintTestSupport.h"
#include "tests/layout/RenderTestLink.h"

namespace {

// About 10 kB of Turkish and English words in a fixed pseudo-random order,
// one paragraph without line ends.
std::string Paragraph(std::size_t bytes = 10240) {
  static const char* const words[] = {
      "fotoğraf", "takvim",   "yazdırmak",  "sayfası",    "günleriyle", "birlikte",  "seçilen",   "ayın",
      "İstanbul", "ılık",     "şehir",      "çiçekler",   "öğrenci",    "üzüm",      "Ağustos",   "ve",
      "ile",      "için",     "Çıkış",      "Önizleme",   "kâğıt",      "yaprağı",   "gölge",     "ışık",
      "the",      "calendar", "printer",    "photograph", "justified",  "paragraph", "breaks",    "into",
      "lines",    "same",     "paper",      "screen",     "preview",    "zoom",      "margin",    "of",
      "and",      "with",     "a",          "extraordinarily",          "narrow",    "column",    "is",
      "Ardel",    "Sorvan",   "düzenlemek", "yazıcı",     "sağ",        "tuşunu",    "tıklayınız", "basılır"};
  constexpr std::size_t count = sizeof words / sizeof words[0];
  std::uint32_t seed = 20240611;
  std::string text;
  while (text.size() < bytes) {
    seed = seed * 1664525u + 1013904223u;
    if (!text.empty()) text += ' ';
    text += words[(seed >> 8) % count];
  }
  return text;
}

// Letter with half-inch margins: 36000 x 48000 report units of content. One
// text cell fills most of it: borders on every side, an indent, justified,
// word-wrapped, 7 points.
struct ParagraphPage {
  TRenderTestLink link;
  TdxReportCellString* item = nullptr;
  std::string text = Paragraph();

  // checkBox: the item is a check box with the paragraph as its caption
  // beside the box.
  explicit ParagraphPage(bool checkBox = false) {
    TFont font;
    font.Name = "Liberation Sans";
    font.SetSize(7);
    font.Color = clBlack;
    const int fontIndex = link.fontPool.Add(font);
    link.SetReportSize(36000, 48000);
    TdxReportCell* cell = link.AddCell(TRect(0, 0, 35000, 47000));
    if (checkBox) {
      auto* check = new TdxReportCellCheck(cell);
      check->SetCheckPos(ccpLeft);
      check->SetChecked(true);
      item = check;
    } else {
      item = new TdxReportCellString(cell);
    }
    item->SetBoundsRect(TRect(500, 500, 34700, 46700));
    item->SetCellSides(isdLeft | isdTop | isdRight | isdBottom);
    item->SetFontIndex(fontIndex);
    item->SetMultiline(true);
    item->SetTextAlignX(taJustifyX);
    item->SetTextAlignY(taTop);
    item->Indent = 3;
    item->SetText(text);
    link.info.Calculate();
  }

  // The lines of the item's text as the renderer laid them out while it drew
  // page 1 on canvas (the whole sheet mapped onto target); boxes, when
  // given, gets each line's box in device pixels.
  // layoutBounds, when given, gets the rectangle the lines were laid out in
  // (report units).
  std::vector<std::string> Render(TCanvas& canvas, const TRect& target, int zoom, std::vector<QRect>* boxes = nullptr,
                                  TRect* layoutBounds = nullptr) {
    std::vector<std::string> lines;
    int texts = 0;
    link.renderer.OnTextLayout = [&](const TdxTextLayout& layout) {
      if (layout.Text != text) return;
      ++texts;
      if (layoutBounds) *layoutBounds = layout.Bounds;
      for (std::size_t i = 0; i < layout.Lines.size(); ++i) {
        lines.push_back(layout.LineText(i));
        const TdxTextLine& line = layout.Lines[i];
        TRect box = link.renderer.Canvas()->DeviceRect(
            TRect(layout.Bounds.Left, line.Y, layout.Bounds.Right, line.Y + layout.FontHeight));
        if (boxes) boxes->push_back(QRect(box.Left, box.Top, box.Width(), box.Height()));
      }
    };
    link.renderer.RenderPage(canvas, target, zoom, 0, 0);
    link.renderer.OnTextLayout = nullptr;
    EXPECT_EQ(texts, 1);
    return lines;
  }

  // The preview's lines at zoom percent on a 96 dpi screen image.
  std::vector<std::string> Preview(int zoom, QImage* out = nullptr, std::vector<QRect>* boxes = nullptr,
                                   TRect* layoutBounds = nullptr) {
    const int w = MulDiv(816, zoom, 100), h = MulDiv(1056, zoom, 100);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    std::vector<std::string> lines;
    {
      TCanvas canvas(&image);
      lines = Render(canvas, TRect(0, 0, w, h), zoom, boxes, layoutBounds);
    }
    if (out) *out = image;
    return lines;
  }

  // The lines on a 600 dpi printer, drawn through the print device into a
  // PDF.
  std::vector<std::string> Print600(TRect* layoutBounds = nullptr) {
    ScratchDir dir;
    std::vector<std::string> lines;
    PrintAt600Dpi(dir.Path("fine.pdf"), [&](TCanvas& printer, const TRect& area) {
      lines = Render(printer, area, 100, nullptr, layoutBounds);
    });
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir.Path("fine.pdf"))));
    return lines;
  }
};

// Runs of blanks become one space; leading and trailing blanks go.
std::string Squeeze(const std::string& s) {
  std::string out;
  bool blank = false;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == '\f' || c == '\r') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += (all.empty() ? "" : " ") + Squeeze(line);
  return all;
}

// Empty when the two lists of lines are the same, else the first line that
// differs.
std::string Difference(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
  for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
    const std::string a = i < actual.size() ? actual[i] : "(none)", e = i < expected.size() ? expected[i] : "(none)";
    if (a != e)
      return "line " + std::to_string(i + 1) + " of " + std::to_string(actual.size()) + ": \"" + a +
             "\", expected line " + std::to_string(i + 1) + " of " + std::to_string(expected.size()) + ": \"" + e +
             "\"";
  }
  return {};
}

// The gaps between the words of a text line in a picture of it: the middle
// of each run of at least minGap blank columns between inked ones, looked
// for in the middle half of the line's box (where every letter has ink).
std::vector<int> WordGaps(const QImage& image, const QRect& line, int minGap) {
  const QRect band = QRect(line.left(), line.top() + line.height() / 4, line.width(), line.height() / 2) & image.rect();
  std::vector<int> gaps;
  int lastInk = -1;
  for (int x = band.left(); x <= band.right(); ++x) {
    bool ink = false;
    for (int y = band.top(); y <= band.bottom() && !ink; ++y) ink = qGray(image.pixel(x, y)) < 160;
    if (!ink) continue;
    if (lastInk >= 0 && x - lastInk - 1 >= minGap) gaps.push_back((lastInk + x) / 2);
    lastInk = x;
  }
  return gaps;
}

// The box of the dark pixels of image within area.
QRect Ink(const QImage& image, const QRect& area) {
  QRect box;
  const QRect r = area & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace

TEST(TextLineBreaks, JustifiedParagraphBreaksAlikeAtEveryZoomAndOnA600DpiPrinter) {
  ParagraphPage page;
  const std::vector<std::string> at100 = page.Preview(100);
  ASSERT_GT(at100.size(), 40u);
  // All of the paragraph is on the page, nothing lost or doubled.
  EXPECT_EQ(Join(at100), page.text);

  EXPECT_EQ(Difference(page.Preview(50), at100), "") << "at 50 %";
  EXPECT_EQ(Difference(page.Preview(175), at100), "") << "at 175 %";

  EXPECT_EQ(Difference(page.Print600(), at100), "") << "at 600 dpi";
}

// A check box's caption is laid out beside the box at the same place on
// every device, so it breaks alike too.
TEST(TextLineBreaks, CheckBoxCaptionBreaksAlikeAtEveryZoomAndOnA600DpiPrinter) {
  ParagraphPage page(true);
  TRect at100Bounds, bounds;
  const std::vector<std::string> at100 = page.Preview(100, nullptr, nullptr, &at100Bounds);
  ASSERT_GT(at100.size(), 40u);
  EXPECT_EQ(Join(at100), page.text);
  // The caption starts past the glyph and its gap.
  EXPECT_GT(at100Bounds.Left, 500 + page.item->ScreenToUnits(dxCheckGlyphSize));

  for (int zoom : {50, 175}) {
    EXPECT_EQ(Difference(page.Preview(zoom, nullptr, nullptr, &bounds), at100), "") << "at " << zoom << " %";
    EXPECT_EQ(bounds, at100Bounds) << "at " << zoom << " %";
  }
  EXPECT_EQ(Difference(page.Print600(&bounds), at100), "") << "at 600 dpi";
  EXPECT_EQ(bounds, at100Bounds) << "at 600 dpi";
}

// Without a reference the 2-pixel margins and the indent are device pixels,
// and the lines follow the device; with one they do not.
TEST(TextLineBreaks, AReferencePixelTakesTheDevicePixelsPlaceForMarginsAndIndents) {
  const std::string text = Paragraph(1500);
  TFont font;
  font.Name = "Liberation Sans";
  font.Height = -467;  // 7 points in report units
  const unsigned format = dxTextFormat(taJustifyX, taTop, tofWordBreak | tofMargins);
  const TRect rect(0, 0, 20000, 40000);
  auto layout = [&](int zoom, const TdxTextReference& reference) {
    QImage image(8, 8, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExt(4800, 4800);
    canvas.SetViewportExt(96 * zoom / 100, 96 * zoom / 100);
    return dxLayoutText(canvas, text, rect, format, &font, 0, 10, 0, reference);
  };
  const TdxTextReference reference{50, 50};
  TdxTextLayout small = layout(50, reference), large = layout(400, reference);
  EXPECT_EQ(small.Bounds, TRect(100 + 500, 100, 20000 - 100, 40000 - 100));
  EXPECT_EQ(large.Bounds, small.Bounds);
  EXPECT_EQ(small.LayoutPixelX, 50);
  EXPECT_EQ(small.PixelX, 100);  // the device pixel stays for the greek bars
  EXPECT_EQ(large.PixelX, 13);
  ASSERT_EQ(small.Lines.size(), large.Lines.size());
  for (std::size_t i = 0; i < small.Lines.size(); ++i) EXPECT_EQ(small.LineText(i), large.LineText(i));

  TdxTextLayout deviceSmall = layout(50, {}), deviceLarge = layout(400, {});
  EXPECT_EQ(deviceSmall.Bounds.Left, 2 * 100 + 10 * 100);
  EXPECT_EQ(deviceLarge.Bounds.Left, 2 * 13 + 10 * 13);
}

// The glyphs are placed from the layout and scaled, not measured again: the
// ink of the paragraph at 200 % is the ink at 100 % doubled.
TEST(TextLineBreaks, GlyphPositionsScaleWithTheZoom) {
  ParagraphPage page;
  QImage at100, at200;
  const std::vector<std::string> lines = page.Preview(100, &at100);
  EXPECT_EQ(Difference(page.Preview(200, &at200), lines), "");
  // The item's inside, away from its borders: (500 + 2400 + 50) / 50 = 59
  // pixels from the sheet's corner at 100 %, a few pixels more.
  const QRect inner100(65, 65, 816 - 2 * 65, 1056 - 2 * 65);
  const QRect inner200(130, 130, 1632 - 2 * 130, 2112 - 2 * 130);
  const QRect ink100 = Ink(at100, inner100), ink200 = Ink(at200, inner200);
  ASSERT_FALSE(ink100.isEmpty());
  EXPECT_NEAR(ink200.left(), 2 * ink100.left(), 2);
  EXPECT_NEAR(ink200.top(), 2 * ink100.top(), 2);
  EXPECT_NEAR(ink200.right(), 2 * ink100.right() + 1, 3);
  EXPECT_NEAR(ink200.bottom(), 2 * ink100.bottom() + 1, 3);
}

// ---- Through the spooler ---------------------------------------------------------------

namespace {

class CupsPrintText : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    const std::optional<std::string> pdfDir = CupsSandboxPdfFolder(&why);
    if (!pdfDir) GTEST_SKIP() << why;
    if (!HaveCommand("pdftotext")) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    pdfDir_ = *pdfDir;
    lpdest_.emplace("LPDEST", std::nullopt);
    printer_.emplace("PRINTER", std::nullopt);
  }


  std::string pdfDir_;
  std::optional<ScopedEnv> lpdest_, printer_;
};

}  // namespace

// The print device's document read back with pdftotext -layout has the
// preview's lines; printed through the spooler, the sheet shows those lines
// with their words where the preview has them. (The PDF printer converts the
// document to PostScript and back, which re-encodes its fonts as Type 3
// fonts without the characters' real code points, so the spooler's PDF is
// compared as a picture: the word gaps of every line.)
TEST_F(CupsPrintText, PrintedParagraphHasThePreviewsLines) {
  if (!HaveCommand("pdftoppm")) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  ParagraphPage page;
  QImage preview;
  std::vector<QRect> boxes;
  const std::vector<std::string> lines = page.Preview(200, &preview, &boxes);
  ASSERT_GT(lines.size(), 40u);

  TdxPrintDevice device;
  const int index = device.FindPrinter("ArdelPDF", "");
  ASSERT_GE(index, 0);
  device.SelectPrinter(index);
  ASSERT_TRUE(device.SelectPaperKind(1));  // Letter, as the page
  auto print = [&] {
    const int id = device.BeginJob();
    EXPECT_GT(id, 0) << device.JobLastError();
    if (id <= 0) return id;
    const int ox = device.PhysicalOffset(0), oy = device.PhysicalOffset(1);
    const TRect sheet(-ox, -oy, device.PrintableWidth() + ox, device.PrintableHeight() + oy);
    EXPECT_EQ(Difference(page.Render(device.Canvas().Canvas(), sheet, 100), lines), "");
    device.EndJob();
    return id;
  };

  // The document itself, printed to a file.
  ScratchDir dir;
  const std::string file = dir.Path("paragraph.pdf");
  device.JobOutputFile = file;
  ASSERT_GT(print(), 0);
  int status = 0;
  const std::string text = RunCommand("pdftotext -layout -enc UTF-8 '" + file + "' -", &status);
  ASSERT_EQ(status, 0);
  std::vector<std::string> read, expected;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!Squeeze(line).empty()) read.push_back(Squeeze(line));
  for (const std::string& line : lines) expected.push_back(Squeeze(line));
  EXPECT_EQ(Difference(read, expected), "") << text;

  // Through the spooler, at the preview's 200 % (192 dpi).
  device.JobTitle = "Ardel paragraph";
  const int id = print();
  ASSERT_GT(id, 0);
  ASSERT_EQ(WaitForCupsJob(id), 9);
  const std::string pdf = CupsJobPdf(pdfDir_, id);
  ASSERT_FALSE(pdf.empty()) << "no PDF for job " << id << " in " << pdfDir_;
  const QImage sheet = RenderPdfPage(pdf, 1, 192);
  ASSERT_EQ(sheet.size(), preview.size());
  int compared = 0;
  for (std::size_t i = 0; i + 1 < boxes.size(); ++i) {  // the last line is not stretched
    // Word spaces are wider than a quarter of the line height, the gaps
    // between letters narrower.
    const int minGap = std::max(3, boxes[i].height() / 4);
    const std::vector<int> shown = WordGaps(preview, boxes[i], minGap), printed = WordGaps(sheet, boxes[i], minGap);
    ASSERT_GT(shown.size(), 5u) << "line " << i + 1;
    ASSERT_EQ(printed.size(), shown.size()) << "line " << i + 1 << ": " << lines[i];
    for (std::size_t k = 0; k < shown.size(); ++k)
      EXPECT_NEAR(printed[k], shown[k], 2) << "line " << i + 1 << ", gap " << k + 1 << ": " << lines[i];
    ++compared;
  }
  EXPECT_EQ(compared + 1, int(lines.size()));
}
