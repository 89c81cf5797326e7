// Page 1 of the main window's report, built by the program's own link and
// painted once on a 96 dpi screen image and once into a 600 dpi PDF: the
// photo and the calendar stand at the same places on both, and the PDF keeps
// the calendar as text.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <cstdlib>

#include "app/MainForm.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "platform/Canvas.h"
#include "tests/TestSupport.h"

namespace {

constexpr int kScreenDpi = 96;
constexpr int kPrinterDpi = 600;

bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return p.readAllStandardOutput().toStdString();
}

class Form1Page : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm1>();
    form->show();
    QApplication::processEvents();
    // A 4:3 photo: red left half, blue right half, green square in the middle.
    photoPath = WriteTestJpeg(dir, "photo.jpg", 1600, 1200);
    form->cxImage1->Picture().LoadFromFile(photoPath);
    QApplication::processEvents();
    form->yazici->RebuildLink(form->yaziciLink1);
  }

  // The paper of page 1 at dpi, drawn by the component printer.
  void PaintPage(TCanvas& canvas, int dpi) {
    const TRect paper(0, 0, MulDiv(8500, dpi, 1000), MulDiv(11000, dpi, 1000));
    form->yazici->PaintLinkPage(canvas, 0, paper, form->yaziciLink1);
  }

  ScratchDir dir;
  std::string photoPath;
  std::unique_ptr<TForm1> form;
};

// Where the report puts a point of the window (screen pixels of the client
// area) on the paper at 96 dpi: the left and top margins are 12.7 mm.
QPoint OnPaper(int x, int y) { return {48 + x, 48 + y}; }

bool IsDark(unsigned rgb) { return qGray(QRgb(rgb)) < 110; }

int DarkPixelsIn(const QImage& image, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (IsDark(PixelRGB(image, x, y))) ++n;
  return n;
}

}  // namespace

TEST_F(Form1Page, OneLetterPageWithPhotoAndCalendarOnScreenAndInA600DpiPdf) {
  ASSERT_TRUE(form->yaziciLink1->Active());
  ASSERT_EQ(form->yaziciLink1->PageCount(), 1);

  // ---- Screen: Letter at 96 dpi ----
  QImage screen(816, 1056, QImage::Format_RGB32);
  screen.fill(Qt::white);
  screen.setDotsPerMeterX(3780);
  screen.setDotsPerMeterY(3780);
  {
    TCanvas canvas(&screen);
    PaintPage(canvas, kScreenDpi);
  }
  // The photo fills the photo cell (670 x 506 at 16,0; the picture 2 px in):
  // red on the left, the green square in the middle, blue on the right.
  const QPoint centre = OnPaper(16 + 335, 253);
  EXPECT_TRUE(ColorNear(PixelRGB(screen, centre.x(), centre.y()), 0x00FF00, 60));
  EXPECT_TRUE(ColorNear(PixelRGB(screen, OnPaper(16 + 100, 253).x(), centre.y()), 0xFF0000, 60));
  EXPECT_TRUE(ColorNear(PixelRGB(screen, OnPaper(16 + 570, 253).x(), centre.y()), 0x0000FF, 60));
  // Left of the photo and above it: the paper stays white.
  EXPECT_EQ(PixelRGB(screen, 30, centre.y()), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(screen, centre.x(), 30), 0xFFFFFFu);
  // The calendar below it (16,512 673 x 466) shows its days as dark text.
  const QRect calendar(OnPaper(16, 512), QSize(673, 466));
  EXPECT_GT(DarkPixelsIn(screen, calendar), 500);
  EXPECT_EQ(DarkPixelsIn(screen, QRect(OnPaper(16, 990), QSize(673, 10))), 0);

  // ---- PDF at 600 dpi through the same link ----
  const std::string pdf = dir.Path("page1.pdf");
  {
    QPdfWriter writer(QString::fromStdString(pdf));
    writer.setResolution(kPrinterDpi);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    TDeviceCaps caps = TDeviceCaps::FromDevice(&writer);
    caps.Technology = DT_RASPRINTER;
    caps.LogPixelsX = caps.LogPixelsY = kPrinterDpi;
    TCanvas canvas(painter, caps);
    PaintPage(canvas, kPrinterDpi);
  }
  if (!HaveTool("pdftoppm") || !HaveTool("pdftotext")) GTEST_SKIP() << "poppler-utils missing";

  // Rasterised back at 96 dpi, the PDF shows the photo at the same places.
  RunTool("pdftoppm", {"-r", "96", "-png", "-singlefile", QString::fromStdString(pdf),
                   QString::fromStdString(dir.Path("page1"))});
  QImage printed(QString::fromStdString(dir.Path("page1.png")));
  ASSERT_FALSE(printed.isNull());
  EXPECT_EQ(printed.size(), QSize(816, 1056));
  printed = printed.convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(ColorNear(PixelRGB(printed, centre.x(), centre.y()), 0x00FF00, 60));
  EXPECT_TRUE(ColorNear(PixelRGB(printed, OnPaper(16 + 100, 253).x(), centre.y()), 0xFF0000, 60));
  EXPECT_TRUE(ColorNear(PixelRGB(printed, OnPaper(16 + 570, 253).x(), centre.y()), 0x0000FF, 60));
  // The photo's edges agree within a pixel: find the first red column.
  auto firstRed = [&](const QImage& image) {
    for (int x = 40; x < 200; ++x)
      if (ColorNear(PixelRGB(image, x, centre.y()), 0xFF0000, 80)) return x;
    return -1;
  };
  EXPECT_NEAR(firstRed(printed), firstRed(screen), 1);
  EXPECT_GT(DarkPixelsIn(printed, calendar), 500);

  // The calendar is text in the PDF, not a picture of it.
  const std::string text = RunTool("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
  EXPECT_NE(text.find("2006"), std::string::npos) << text;
  EXPECT_NE(text.find("25"), std::string::npos) << text;
  const std::string month = QLocale().monthName(5, QLocale::LongFormat).toStdString();
  EXPECT_NE(text.find(month), std::string::npos) << month << " in " << text;
}
