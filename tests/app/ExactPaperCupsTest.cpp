// Exact paper: the main window printed on a printer with a wide unprintable
// margin lands on the sheet where it lands on a printer without one, and the
// page setup measures margins against that printer's real printable area.
// The printers are the queues ArdelPDF (no unprintable margins) and
// ArdelPDF10 (10 mm on every side) of the private CUPS scheduler of
// tests/support/cups-sandbox.sh; without it the tests skip.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "app/MainForm.h"
#include "dialogs/PageSetupDialog.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "tests/TestSupport.h"
#include "tests/app/Form1TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

std::vector<std::string> g_errors;
void CollectError(const std::string&, const std::string& text) { g_errors.push_back(text); }

constexpr int kDpi = 150;
constexpr double kPixelsPerMm = kDpi / 25.4;

// The box of the pixels of the test picture's saturated colours within
// area.
QRect SaturatedBox(const QImage& image, const QRect& area) {
  QRect box;
  const QRect r = area & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int hi = std::max({c.red(), c.green(), c.blue()}), lo = std::min({c.red(), c.green(), c.blue()});
      if (hi - lo > 120) box |= QRect(x, y, 1, 1);
    }
  return box;
}

class CupsPrintExact : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    const std::optional<std::string> pdfDir = CupsSandboxPdfFolder(&why);
    if (!pdfDir) GTEST_SKIP() << why;
    if (ShellOutput("command -v pdftoppm").empty()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    pdfDir_ = *pdfDir;
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    PrintBackend::ResetServer();
    device_.emplace(std::make_unique<TdxPrintDevice>());  // a fresh device on the sandbox
    Application::SetTitle("Ardel Sorvan");
    g_errors.clear();
    AnswerErrorBoxes(CollectError);
    AnswerMessageBoxes([](TMessageBoxKind, const std::string&, const std::string& text) {
      g_errors.push_back(text);
      return true;
    });
    form_ = std::make_unique<TForm1>();
    form_->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    AnswerFileDialogs(nullptr);
    AnswerErrorBoxes(nullptr);
    AnswerMessageBoxes({});
    AnswerModal<TdxfmPageSetupDialog>(nullptr);
  }

  // Loads a JPEG of the test picture into the photo through the menu.
  void ChoosePhoto(int width, int height) {
    ChoosePicture(*form_, WriteTestJpeg(dir_, "photo.jpg", width, height));
    ASSERT_FALSE(form_->cxImage1->Picture().Empty());
  }

  void MakeCurrent(const std::string& printer) {
    TdxPrintDevice& device = GetPrintDevice();
    const int index = device.FindPrinter(printer, "");
    ASSERT_GE(index, 0) << printer << " is not in the printer list";
    device.SelectPrinter(index);
  }

  // "Yazdır" on the current printer; the sheet the spooler's PDF shows,
  // rendered at kDpi (null when there is none).
  QImage PrintSheet(const std::string& name) {
    int jobId = 0;
    form_->yazici->OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
      jobId = GetPrintDevice().JobId();
    };
    form_->Yazdr1->trigger();
    form_->yazici->OnStartPrint = nullptr;
    EXPECT_TRUE(g_errors.empty()) << g_errors.front();
    g_errors.clear();
    EXPECT_GT(jobId, 0);
    if (jobId <= 0) return {};
    EXPECT_EQ(WaitForCupsJob(jobId), 9) << "job " << jobId;
    const std::string pdf = CupsJobPdf(pdfDir_, jobId);
    EXPECT_FALSE(pdf.empty()) << "no PDF for job " << jobId;
    if (pdf.empty()) return {};
    EXPECT_EQ(PdfPageCount(pdf), form_->yaziciLink1->PageCount());
    const std::string info = ShellOutput("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.find("612 x 792 pts"), std::string::npos) << name << ": " << info;
    const std::string png = dir_.Path(name);
    int status = 0;
    ShellOutput("pdftoppm -f 1 -l 1 -r " + std::to_string(kDpi) + " -png -singlefile '" + pdf + "' '" + png + "'",
                &status);
    EXPECT_EQ(status, 0);
    return QImage(QString::fromStdString(png + ".png")).convertToFormat(QImage::Format_RGB32);
  }

  ScratchDir dir_;
  std::string pdfDir_;
  std::optional<ScopedPrintDevice> device_;
  std::unique_ptr<TForm1> form_;
};

// The box of the dark pixels.
QRect DarkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
  return box;
}

// A length in the page's units (thousandths of a millimetre or of an inch).
int PageUnits(const TdxPrinterPage& page, double mm) {
  return page.RealMeasurementUnits() == muMillimeters ? int(mm * 1000 + 0.5) : int(mm * 1000 / 25.4 + 0.5);
}

}  // namespace

// The same pages printed on both printers: the program's Letter page with
// its 12.7 mm margins, the bottom margin and the header and footer raised to
// lie inside both printable areas, so that printing asks nothing and lays
// out the same pages (two: the window no longer fits one). Page 1 is
// compared.
TEST_F(CupsPrintExact, PhotoLandsAtTheSameSheetPlaceWithAndWithoutUnprintableMargins) {
  ChoosePhoto(640, 480);
  TdxPrinterPage& page = form_->yaziciLink1->PrinterPage();
  TRect margins = page.Margins().Rect();
  margins.Bottom = PageUnits(page, 12.7);
  page.SetMargins(margins);
  page.SetHeader(PageUnits(page, 11));
  page.SetFooter(PageUnits(page, 11));
  MakeCurrent("ArdelPDF");
  const QImage plain = PrintSheet("plain");
  MakeCurrent("ArdelPDF10");
  EXPECT_EQ(GetPrintDevice().PhysicalOffset(0), MulDiv(1000, GetPrintDevice().InfoContext().LogPixelsX, 2540));
  const QImage wide = PrintSheet("wide");
  ASSERT_FALSE(plain.isNull());
  ASSERT_FALSE(wide.isNull());
  ASSERT_EQ(plain.size(), wide.size());

  // The photo control's cell: the window's client area starts at the
  // page's margins (12.7 mm, 48 pixels at 96 dpi) and is printed at its
  // screen size; the photo control sits at (16, 0), 670 x 506 pixels.
  const double k = kDpi / 96.0;
  const QRect cell = QRect(int(64 * k), int(48 * k), int(670 * k), int(506 * k)).adjusted(-6, -6, 6, 6);
  const QRect a = SaturatedBox(plain, cell), b = SaturatedBox(wide, cell);
  ASSERT_FALSE(a.isEmpty());
  ASSERT_FALSE(b.isEmpty());
  // The photo is where the link puts it: inside the 12.7 mm margins.
  EXPECT_GT(a.left(), 12.7 * kPixelsPerMm - 2);
  EXPECT_GT(a.top(), 12.7 * kPixelsPerMm - 2);
  const double dl = (b.left() - a.left()) / kPixelsPerMm, dt = (b.top() - a.top()) / kPixelsPerMm;
  const double dr = (b.right() - a.right()) / kPixelsPerMm, db = (b.bottom() - a.bottom()) / kPixelsPerMm;
  std::printf("photo corners, 10 mm printer minus plain printer (mm): left %.3f top %.3f right %.3f bottom %.3f\n",
              dl, dt, dr, db);
  RecordProperty("corner_difference_mm",
                 QString("%1 %2 %3 %4").arg(dl).arg(dt).arg(dr).arg(db).toStdString());
  // Within 0.25 mm (1.5 pixels at 150 dpi) on every side.
  EXPECT_LE(std::abs(b.left() - a.left()), 1.5) << a.left() << " " << b.left();
  EXPECT_LE(std::abs(b.top() - a.top()), 1.5) << a.top() << " " << b.top();
  EXPECT_LE(std::abs(b.right() - a.right()), 1.5) << a.right() << " " << b.right();
  EXPECT_LE(std::abs(b.bottom() - a.bottom()), 1.5) << a.bottom() << " " << b.bottom();

  // Everything else on the sheet (the calendar) too.
  const QRect inkA = DarkBox(plain), inkB = DarkBox(wide);
  ASSERT_FALSE(inkA.isEmpty());
  EXPECT_GT(inkA.bottom(), cell.bottom() + 100);  // the calendar is below the photo
  EXPECT_LE(std::abs(inkB.left() - inkA.left()), 1.5) << inkA.left() << " " << inkB.left();
  EXPECT_LE(std::abs(inkB.top() - inkA.top()), 1.5) << inkA.top() << " " << inkB.top();
  EXPECT_LE(std::abs(inkB.right() - inkA.right()), 1.5) << inkA.right() << " " << inkB.right();
  EXPECT_LE(std::abs(inkB.bottom() - inkA.bottom()), 1.5) << inkA.bottom() << " " << inkB.bottom();
}

TEST_F(CupsPrintExact, PrintableCheckUsesTheTenMillimetrePrintersArea) {
  MakeCurrent("ArdelPDF10");
  TdxPrintDevice& device = GetPrintDevice();
  const TDeviceCaps& caps = device.InfoContext();
  EXPECT_NEAR(device.PhysicalOffset(0) * 25.4 / caps.LogPixelsX, 10, 0.1);
  EXPECT_NEAR(device.PhysicalOffset(1) * 25.4 / caps.LogPixelsY, 10, 0.1);

  // The printer page of the link.
  TdxPrinterPage& page = form_->yaziciLink1->PrinterPage();
  const TRect min = page.PrinterMinMargins();
  EXPECT_NEAR(min.Left, PageUnits(page, 10), PageUnits(page, 0.1));
  EXPECT_NEAR(min.Top, PageUnits(page, 10), PageUnits(page, 0.1));
  auto setAll = [&](double mm) {
    const int v = PageUnits(page, mm);
    page.SetMargins(TRect(v, v, v, v));
    page.SetHeader(v);
    page.SetFooter(v);
  };
  setAll(5);
  EXPECT_FALSE(page.MarginsInPrintableArea());
  setAll(12.7);
  EXPECT_TRUE(page.MarginsInPrintableArea());
  setAll(9);
  EXPECT_FALSE(page.MarginsInPrintableArea());

  // The page setup dialog: 5 mm is outside the printable area, 12.7 mm not.
  int runs = 0;
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    ++runs;
    w.activateWindow();
    for (int i = 0; i < 50 && !w.isActiveWindow(); ++i) QApplication::processEvents();
    w.WarningPane()->SetAnimationSpeed(0);
    ASSERT_EQ(w.MarginBox(mbLeft)->LegendText(), "mm");
    EXPECT_NEAR(w.PrintableOffsets().first, 10, 0.1);
    EXPECT_NEAR(w.PrintableOffsets().second, 10, 0.1);
    auto type = [&](TdxMarginBox box, const std::string& text) {
      TdxPSSpinEdit* edit = w.MarginBox(box);
      edit->setFocus();
      edit->selectAll();
      for (char c : text) TypeChar(*edit, QChar(c));
      w.CancelButton()->setFocus();
    };
    for (TdxMarginBox box : {mbTop, mbBottom, mbLeft, mbRight, mbHeader, mbFooter}) type(box, "12.7");
    EXPECT_EQ(w.FirstOutsideMargin(), std::nullopt);
    EXPECT_FALSE(w.MarginsOutside());
    type(mbLeft, "5");
    EXPECT_EQ(w.FirstOutsideMargin(), std::optional<TdxMarginBox>(mbLeft));
    EXPECT_TRUE(w.MarginsOutside());
    EXPECT_EQ(w.WarningPane()->Text(), "One or more margins are set outside the printable area of the page");
    type(mbLeft, "12.7");
    EXPECT_FALSE(w.MarginsOutside());
    w.CancelButton()->click();
  });
  form_->yazici->PageSetup(0, nullptr, nullptr, form_->yaziciLink1);
  AnswerModal<TdxfmPageSetupDialog>(nullptr);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(g_errors.empty());
}
