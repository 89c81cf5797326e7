// The print device on a real spooler: the private scheduler that
// tests/support/cups-sandbox.sh starts (CTest starts it as a fixture and sets
// CUPS_SERVER for the test "ardel_layout_cups_tests"). Its printers print
// into PDFs next to the scheduler's socket, which these tests check with the
// poppler tools. Without a sandbox the tests skip; they never print on a
// scheduler that is not a sandbox.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/TestSupport.h"
#include "tests/layout/PrintTestSupport.h"

using namespace PrintBackend;
using namespace dxPrnDevMessages;

namespace {

constexpr int IPP_JOB_CANCELED = 7;
constexpr int IPP_JOB_COMPLETED = 9;


class CupsPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    std::optional<std::string> pdfDir = CupsSandboxPdfFolder(&why);
    if (!pdfDir) GTEST_SKIP() << why;
    pdfDir_ = *pdfDir;
    // A default printer chosen through the environment would override the
    // sandbox's default.
    lpdest_.emplace("LPDEST", std::nullopt);
    printer_.emplace("PRINTER", std::nullopt);
  }


  static int IndexOf(TdxPrintDevice& device, const std::string& name) {
    int i = device.FindPrinter(name, "");
    EXPECT_GE(i, 0) << name << " is not in the printer list";
    return i;
  }

  std::string pdfDir_;
  std::optional<ScopedEnv> lpdest_, printer_;
};

bool PopplerMissing() { return !HaveCommand("pdfinfo") || !HaveCommand("pdftoppm"); }

}  // namespace

TEST_F(CupsPrint, ListsTheSandboxPrintersWithTheDefault) {
  TdxPrintDevice device;
  EXPECT_TRUE(device.HasPrinters(true));
  const auto& entries = device.PrinterEntries();
  int pdf = IndexOf(device, "ArdelPDF"), margins = IndexOf(device, "ArdelPDFMargins");
  ASSERT_GE(pdf, 0);
  ASSERT_GE(margins, 0);
  EXPECT_TRUE(entries[std::size_t(pdf)].Info.IsDefault);
  EXPECT_FALSE(entries[std::size_t(margins)].Info.IsDefault);
  EXPECT_FALSE(entries[std::size_t(pdf)].Info.IsNetwork);
  EXPECT_EQ(device.DefaultPrinterName(), "ArdelPDF");
  EXPECT_EQ(device.SelectedPrinter(), pdf);
  EXPECT_EQ(device.DeviceName(), std::optional<std::string>("ArdelPDF"));
}

TEST_F(CupsPrint, PapersCarryThePlatformNumbersAndSizes) {
  TdxPrintDevice device;
  const auto* papers = device.PaperEntries();
  ASSERT_TRUE(papers);
  int letter = device.FindPaperKind(1), a4 = device.FindPaperKind(9);
  ASSERT_GE(letter, 0);
  ASSERT_GE(a4, 0);
  EXPECT_EQ((*papers)[std::size_t(letter)].Name(), "Letter");
  EXPECT_EQ((*papers)[std::size_t(letter)].Size(), (TPoint{2159, 2794}));
  EXPECT_EQ((*papers)[std::size_t(a4)].Name(), "A4");
  EXPECT_EQ((*papers)[std::size_t(a4)].Size(), (TPoint{2100, 2970}));
  EXPECT_EQ(device.FindPaperKind(5), device.FindPaperSize(2159, 3556));  // Legal
  EXPECT_GE(device.FindPaperKind(8), 0);                                  // A3
  EXPECT_EQ(papers->back().Name(), "Custom Size");
  EXPECT_EQ(papers->back().DMPaper(), 256);
  EXPECT_EQ(papers->back().Size(), (TPoint{2159, 2794}));
  std::vector<int> kinds;
  for (const TdxPaperInfo& p : *papers) {
    EXPECT_TRUE(std::find(kinds.begin(), kinds.end(), p.DMPaper()) == kinds.end()) << p.DMPaper();
    kinds.push_back(p.DMPaper());
    EXPECT_GT(p.Size().X, 0);
    EXPECT_GT(p.Size().Y, 0);
  }
  // The printer's default paper is A4.
  EXPECT_EQ(device.CurrentPaperIndex(), a4);
  EXPECT_EQ(device.DefaultPaperKind(), 9);
  EXPECT_EQ(device.InfoContext().LogPixelsX, 300);
  EXPECT_EQ(device.PrintableWidth(), MulDiv(2100, 300, 254));
  EXPECT_EQ(device.PhysicalOffset(0), 0);
  EXPECT_EQ(device.CopyLimit(), 9999);
  EXPECT_FALSE(device.DuplexSupported());
  const auto* bins = device.BinEntries();
  ASSERT_TRUE(bins);
  ASSERT_EQ(bins->size(), 1u);
  EXPECT_EQ((*bins)[0].Id, 7);
  EXPECT_TRUE(device.IsAutomaticBin(0));
  EXPECT_GT(device.LargestPaper(1), 5000);
  EXPECT_EQ(device.SmallestPaper(0), 500);
}

TEST_F(CupsPrint, APrinterWithMarginsSourcesAndDuplex) {
  TdxPrintDevice device;
  int margins = IndexOf(device, "ArdelPDFMargins");
  ASSERT_GE(margins, 0);
  device.SelectPrinter(margins);
  EXPECT_EQ(device.Settings()->PaperSize, 1);  // Letter by default
  EXPECT_EQ(device.PhysicalOffset(0), 75);     // 18 pt at 300 dpi
  EXPECT_EQ(device.PhysicalOffset(1), 75);
  EXPECT_EQ(device.PrintableWidth(), 2550 - 150);
  EXPECT_EQ(device.PrintableHeight(), 3300 - 150);
  EXPECT_TRUE(device.DuplexSupported());
  const auto* bins = device.BinEntries();
  ASSERT_TRUE(bins);
  ASSERT_EQ(bins->size(), 3u);
  EXPECT_EQ((*bins)[0].Id, 7);
  EXPECT_EQ((*bins)[1].Id, 1);
  EXPECT_EQ((*bins)[2].Id, 4);
  EXPECT_TRUE(device.IsAutomaticBin(0));
  EXPECT_FALSE(device.IsAutomaticBin(2));
  EXPECT_TRUE(device.SelectBinKind(4));

  TPrinterState state;
  ASSERT_TRUE(device.ReadPrinterState(state));
  EXPECT_EQ(state.Status & ~PRINTER_STATUS_PRINTING, 0u);
  EXPECT_NE(state.Driver.find("CUPS-PDF"), std::string::npos) << state.Driver;
  EXPECT_EQ(state.Comment, "Ardel test PDF printer with margins");
  EXPECT_EQ(state.Location, "sandbox");
  EXPECT_EQ(state.Port.rfind("cups-pdf:/", 0), 0u) << state.Port;
}

TEST_F(CupsPrint, TwoPagesThroughTheSpoolerLandWhereDrawn) {
  if (PopplerMissing()) GTEST_SKIP() << "pdfinfo/pdftoppm (poppler-utils) are not installed";
  TdxPrintDevice device;
  ASSERT_TRUE(device.SelectPaperKind(1));  // Letter (the printer's default is A4)
  device.JobTitle = "Ardel two pages";
  int id = device.BeginJob();
  ASSERT_GT(id, 0) << device.JobLastError();
  EXPECT_EQ(device.JobId(), id);
  device.Canvas().Canvas().FillRect(TRect(300, 300, 600, 450), clBlack);
  device.NewJobPage();
  device.Canvas().Canvas().FillRect(TRect(1200, 1500, 1500, 2100), clBlack);
  device.EndJob();

  ASSERT_EQ(WaitForCupsJob(id), IPP_JOB_COMPLETED);
  std::string pdf = CupsJobPdf(pdfDir_, id);
  ASSERT_FALSE(pdf.empty()) << "no PDF for job " << id << " in " << pdfDir_;
  PdfInfo info = ReadPdfInfo(pdf);
  ASSERT_EQ(info.Pages, 2);
  for (auto [w, h] : info.PageSizes) {
    EXPECT_NEAR(w, 612, 1);
    EXPECT_NEAR(h, 792, 1);
  }
  const double mm = 100 / 25.4;
  BoxNear(DarkBox(RenderPdfPage(pdf, 1, 100)), QRectF(QPointF(100, 100), QPointF(200, 150)), mm);
  BoxNear(DarkBox(RenderPdfPage(pdf, 2, 100)), QRectF(QPointF(400, 500), QPointF(500, 700)), mm);
}

TEST_F(CupsPrint, DrawingStartsAtThePrintableAreasCorner) {
  if (PopplerMissing()) GTEST_SKIP() << "pdfinfo/pdftoppm (poppler-utils) are not installed";
  TdxPrintDevice device;
  device.SelectPrinter(IndexOf(device, "ArdelPDFMargins"));
  int id = device.BeginJob();
  ASSERT_GT(id, 0) << device.JobLastError();
  device.Canvas().Canvas().FillRect(TRect(0, 0, 300, 150), clBlack);  // 1 in x 0.5 in at the corner
  device.EndJob();
  ASSERT_EQ(WaitForCupsJob(id), IPP_JOB_COMPLETED);
  std::string pdf = CupsJobPdf(pdfDir_, id);
  ASSERT_FALSE(pdf.empty());
  ASSERT_EQ(ReadPdfInfo(pdf).Pages, 1);
  // The unprintable margin is 0.25 in: 25 pixels at 100 dpi.
  BoxNear(DarkBox(RenderPdfPage(pdf, 1, 100)), QRectF(QPointF(25, 25), QPointF(125, 75)), 100 / 25.4);
}

TEST_F(CupsPrint, AbortBetweenPagesCancelsTheSpoolersJob) {
  TdxPrintDevice device;
  device.JobTitle = "Ardel aborted";
  int id = device.BeginJob();
  ASSERT_GT(id, 0) << device.JobLastError();
  device.Canvas().Canvas().FillRect(TRect(0, 0, 300, 300), clBlack);
  bool abortRequested = false;
  QTimer::singleShot(0, [&] { abortRequested = true; });
  device.NewJobPage();
  ASSERT_TRUE(abortRequested);
  device.AbortJob();
  EXPECT_FALSE(device.JobActive());
  EXPECT_EQ(WaitForCupsJob(id), IPP_JOB_CANCELED);
  EXPECT_TRUE(CupsJobPdf(pdfDir_, id).empty());
}

TEST_F(CupsPrint, PrintToFileThenToThePrinter) {
  TdxPrintDevice device;
  ScratchDir dir;
  std::string file = dir.Path("to file.pdf");
  device.JobOutputFile = file;
  int fileJob = device.BeginJob();
  ASSERT_GT(fileJob, 0) << device.JobLastError();
  device.Canvas().Canvas().FillRect(TRect(0, 0, 300, 300), clBlack);
  device.EndJob();
  QFile f(QString::fromStdString(file));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QByteArray first = f.readAll();
  f.close();
  EXPECT_TRUE(first.startsWith("%PDF"));
  EXPECT_TRUE(device.JobOutputFile.empty());

  int id = device.BeginJob();
  ASSERT_GT(id, 0) << device.JobLastError();
  device.Canvas().Canvas().FillRect(TRect(300, 300, 600, 600), clBlack);
  device.EndJob();
  EXPECT_EQ(WaitForCupsJob(id), IPP_JOB_COMPLETED);
  EXPECT_FALSE(CupsJobPdf(pdfDir_, id).empty());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), first);
}

// No scheduler at all: nothing to list, printing raises, nothing hangs.
TEST(PrintDeviceNoSpooler, EmptyListAndTheDevicesError) {
  ScratchDir dir;
  for (std::string server : {dir.Path("nobody-listens.sock"), std::string("127.0.0.1:1")}) {
    SCOPED_TRACE(server);
    ScopedEnv env("CUPS_SERVER", server);
    EXPECT_TRUE(EnumPrinters().empty());
    EXPECT_TRUE(PrintBackend::DefaultPrinterName().empty());
    EXPECT_FALSE(TPrinter::Open("ArdelPDF"));
    EXPECT_EQ(JobState(1), 0);
    TdxPrintDevice device;
    EXPECT_FALSE(device.HasPrinters(true));
    EXPECT_EQ(device.PrinterCount(), 0);
    EXPECT_EQ(device.DefaultPaperKind(), LocalePaperKind());
    ASSERT_TRUE(device.PaperEntries());
    EXPECT_EQ(device.PaperEntries()->size(), 1u);
    device.JobTitle = "nowhere";
    try {
      device.BeginJob();
      ADD_FAILURE() << "printing without printers did not raise";
    } catch (const EdxPrintDevice& e) {
      EXPECT_EQ(e.Message, InvalidPrinter);
    }
    EXPECT_FALSE(device.JobActive());
  }
}
