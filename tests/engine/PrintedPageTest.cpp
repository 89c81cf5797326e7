// What a printed page looks like on paper: hatched fills keep their size in
// inches at the printer's resolution, and gray shading prints without colour
// also into a file.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "engine/ComponentPrinter.h"
#include "layout/ReportRenderer.h"
#include "platform/MessageDialogs.h"
#include "report/CellBorders.h"
#include "tests/TestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

// A page with a cross-hatched square (black lines on white) an inch from its
// top left corner and a red bar beneath it.
class HatchLink : public TestLink {
 public:
  void PaintPage(TCanvas& canvas, const TRect& pageRect, int zoom, int pageIndex) override {
    Painted.emplace_back(pageIndex, zoom);
    const int w = pageRect.Width(), h = pageRect.Height();
    const TRect square(pageRect.Left + w / 10, pageRect.Top + h / 10, pageRect.Left + w / 10 + w / 6,
                       pageRect.Top + h / 10 + w / 6);
    TdxPSReportRenderer renderer;
    renderer.FillRectEx(canvas, square, TdxPSCrossFillPattern::StaticClass(), clWhite, clBlack);
    canvas.FillRect(TRect(square.Left, square.Bottom + h / 40, square.Right, square.Bottom + h / 20), clRed);
  }
};

// The mean distance between the vertical lines of a cross hatch inside area,
// in pixels: read on the rows that cross no horizontal line. 0 when no row
// shows three lines.
double HatchPeriod(const QImage& image, const QRect& area) {
  const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const uchar* row = gray.constScanLine(y);
    std::vector<int> starts;
    int run = 0, longest = 0;
    for (int x = area.left(); x <= area.right(); ++x) {
      if (row[x] < 128) {
        if (run++ == 0) starts.push_back(x);
        longest = std::max(longest, run);
      } else {
        run = 0;
      }
    }
    if (starts.size() >= 3 && longest < area.width() / 4)
      return double(starts.back() - starts.front()) / double(starts.size() - 1);
  }
  return 0;
}

// Page 1 of a PDF in colour at dpi, cut to area (in pixels at that dpi).
QImage RenderColour(const std::string& pdf, int dpi, const QRect& area, const std::string& prefix) {
  int status = 0;
  ShellOutput("pdftoppm -f 1 -l 1 -r " + std::to_string(dpi) + " -x " + std::to_string(area.x()) + " -y " +
                  std::to_string(area.y()) + " -W " + std::to_string(area.width()) + " -H " +
                  std::to_string(area.height()) + " -png -singlefile '" + pdf + "' '" + prefix + "'",
              &status);
  return status == 0 ? QImage(QString::fromStdString(prefix + ".png")) : QImage();
}

class PrintedPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is missing";
    device_.emplace(std::make_unique<HandPrintDevice>());
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      messages.push_back(text);
      return true;
    });
    link = new HatchLink;
    link->Pages = 1;
    printer.AddLink(link);
  }
  void TearDown() override { AnswerMessageBoxes({}); }

  static bool HaveTool(const char* name) {
    int status = 0;
    ShellOutput(std::string("command -v ") + name, &status);
    return status == 0;
  }
  // The only printer from now on is a Letter printer at dpi; the next job
  // prints into name.
  std::string UsePrinter(int dpi, const std::string& name) {
    auto& device = static_cast<HandPrintDevice&>(device_->Device());
    device.SetOnlyPrinter(HandLetterPrinter("Hand" + std::to_string(dpi), dpi));
    device.RefreshPrinters();
    device.JobOutputFile = dir.Path(name);
    return device.JobOutputFile;
  }

  std::optional<ScopedPrintDevice> device_;
  ScratchDir dir;
  std::vector<std::string> messages;
  TdxComponentPrinter printer;
  HatchLink* link = nullptr;
};

TEST_F(PrintedPageTest, HatchedFillsKeepTheirSizeInInchesOnPaper) {
  // On the screen, at its own resolution.
  const int screenDpi = TDeviceCaps::Screen().LogPixelsY;
  QImage screen(screenDpi * 17 / 2, screenDpi * 11, QImage::Format_RGB32);
  screen.fill(Qt::white);
  {
    QPainter painter(&screen);
    TCanvas canvas(painter);
    link->PaintPage(canvas, TRect(0, 0, screen.width(), screen.height()), 100, 0);
  }
  const int side = screen.width() / 6;
  const double onScreen =
      HatchPeriod(screen, QRect(screen.width() / 10 + 2, screen.height() / 10 + 2, side - 4, side - 4));
  ASSERT_GT(onScreen, 0);

  // On paper, after a change of printer between jobs: each sheet shows the
  // same hatch, read at the printer's own resolution.
  for (int dpi : {600, 300}) {
    SCOPED_TRACE(dpi);
    const std::string pdf = UsePrinter(dpi, "hatch" + std::to_string(dpi) + ".pdf");
    ASSERT_TRUE(printer.Print(false));
    const int width = dpi * 17 / 2, height = dpi * 11, paperSide = width / 6;
    const QRect area(width / 10 + dpi / 50, height / 10 + dpi / 50, paperSide - dpi / 25, paperSide - dpi / 25);
    const QImage paper = RenderColour(pdf, dpi, area, dir.Path("hatch" + std::to_string(dpi)));
    ASSERT_FALSE(paper.isNull());
    const double onPaper = HatchPeriod(paper, paper.rect());
    ASSERT_GT(onPaper, 0);
    EXPECT_NEAR(onPaper / dpi * 25.4, onScreen / screenDpi * 25.4, 0.05)
        << onPaper << " pixels at " << dpi << " dpi, " << onScreen << " on the screen";
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(PrintedPageTest, GrayShadingPrintsThePageWithoutColourAlsoIntoAFile) {
  // The red bar beneath the hatch: its centre, on the sheet rendered at 50 dpi.
  const int dpi = 50, width = dpi * 17 / 2, height = dpi * 11;
  const QPoint bar(width / 10 + width / 12, height / 10 + width / 6 + height * 3 / 80);
  for (bool gray : {false, true}) {
    SCOPED_TRACE(gray ? "gray shading" : "colour");
    link->RealPrinterPage().SetGrayShading(gray);
    const std::string pdf = UsePrinter(300, gray ? "gray.pdf" : "colour.pdf");
    ASSERT_TRUE(printer.Print(false));
    const QImage sheet = RenderColour(pdf, dpi, QRect(0, 0, width, height), dir.Path(gray ? "gray" : "colour"));
    ASSERT_FALSE(sheet.isNull());
    int coloured = 0;
    for (int y = 0; y < sheet.height(); ++y)
      for (int x = 0; x < sheet.width(); ++x) {
        const QColor c = sheet.pixelColor(x, y);
        if (std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 8) ++coloured;
      }
    const QColor c = sheet.pixelColor(bar);
    if (gray) {
      EXPECT_EQ(coloured, 0);
      EXPECT_NEAR(c.red(), qGray(qRgb(255, 0, 0)), 8) << "the bar in the gray of its red";
    } else {
      EXPECT_GT(coloured, 0);
      EXPECT_GT(c.red(), 200);
      EXPECT_LT(c.green(), 60);
    }
  }
}

}  // namespace
