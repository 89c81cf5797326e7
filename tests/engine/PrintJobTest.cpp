// Print jobs of the component printer on printers described by hand (each
// job prints into a PDF file) and, in the CupsPrint tests, on the private
// CUPS scheduler of tests/support/cups-sandbox.sh.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "engine/ComponentPrinter.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "report/EventBus.h"
#include "report/EventSubscribers.h"
#include "tests/HostileFiles.h"
#include "tests/TestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

using namespace dxPSComponentPrinterMessages;

namespace {

// Records the pages it prints (1-based) and can fail at one of them.
class RecordingPrinter : public TdxComponentPrinter {
 public:
  std::vector<int> Printed;
  int FailAt = 0;
  std::function<void(int page)> OnPrintPage;

  void PrintPage(TBasedxReportLink* link, int pageIndex) override {
    if (AbortRequested()) return;
    if (OnPrintPage) OnPrintPage(pageIndex + 1);
    if (pageIndex + 1 == FailAt) throw EdxPrintEngine("the ink ran out");
    Printed.push_back(pageIndex + 1);
    TdxComponentPrinter::PrintPage(link, pageIndex);
  }
};

class PrintJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto device = std::make_unique<HandPrintDevice>();
    device->Printers = {{"Hand", true, false}};
    device->Descriptions = {HandLetterPrinter("Hand")};
    device->Default = "Hand";
    device_.emplace(std::move(device));
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      messages.push_back(text);
      return true;
    });
    dxPSSetShowPrintDialog({});
    link = new TestLink;
    printer.AddLink(link);
  }
  void TearDown() override {
    AnswerMessageBoxes({});
    dxPSSetShowPrintDialog({});
  }

  TdxPrintDevice& Device() { return device_->Device(); }
  // The next job prints into this file.
  std::string Out(const std::string& name) {
    std::string path = dir.Path(name);
    Device().JobOutputFile = path;
    return path;
  }

  std::optional<ScopedPrintDevice> device_;
  ScratchDir dir;
  std::vector<std::string> messages;
  RecordingPrinter printer;
  TestLink* link = nullptr;
};

using Pages = std::vector<int>;

// ---- Print without the dialog ----------------------------------------------------------

TEST_F(PrintJobTest, PrintsEveryPageOnceInOrder) {
  link->Pages = 3;
  const std::string pdf = Out("all.pdf");
  EXPECT_TRUE(printer.Print(false));
  EXPECT_EQ(printer.Printed, (Pages{1, 2, 3}));
  EXPECT_EQ(link->Builds, 1);  // rebuilt once for the command
  EXPECT_FALSE(link->Prepared);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(PdfPageNumbers(pdf), (Pages{1, 2, 3}));
  EXPECT_TRUE(messages.empty());
  // The output file went with the job.
  EXPECT_TRUE(Device().JobOutputFile.empty());
}

TEST_F(PrintJobTest, EachPageFillsTheSheetAtThePrintersResolution) {
  link->Pages = 1;
  const std::string pdf = Out("sheet.pdf");
  ASSERT_TRUE(printer.Print(false));
  // The page rectangle spans the whole Letter sheet at 100 dpi.
  const QImage page = QImage(QString::fromStdString(pdf));  // not an image: check through pdftoppm
  EXPECT_TRUE(page.isNull());
  const std::string png = dir.Path("sheet");
  int status = 0;
  ShellOutput("pdftoppm -r 100 -gray -png -singlefile '" + pdf + "' '" + png + "'", &status);
  ASSERT_EQ(status, 0);
  QImage image(QString::fromStdString(png + ".png"));
  ASSERT_FALSE(image.isNull());
  EXPECT_NEAR(image.width(), 850, 2);
  EXPECT_NEAR(image.height(), 1100, 2);
  // The bar of page 1: from (w/10, h/5) to (w/5, h/5 + h/40).
  EXPECT_LT(qGray(image.pixel(85 + 10, 220 + 10)), 64);
  EXPECT_GT(qGray(image.pixel(85 + 10, 220 + 40)), 192);
  EXPECT_GT(qGray(image.pixel(170 + 10, 220 + 10)), 192);
}

TEST_F(PrintJobTest, EmptyReportPrintsNothing) {
  link->Pages = 0;
  int started = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) { ++started; };
  const std::string pdf = Out("none.pdf");
  EXPECT_FALSE(printer.Print(false));
  EXPECT_EQ(started, 0);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

TEST_F(PrintJobTest, NotificationsOfAJob) {
  link->Pages = 3;
  std::vector<std::string> events;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter& p, TBasedxReportLink* l, int count) {
    EXPECT_TRUE(p.Printing());
    EXPECT_EQ(l, link);
    events.push_back("start " + std::to_string(count));
  };
  printer.OnNewPage = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int page) {
    events.push_back("page " + std::to_string(page));
  };
  printer.OnEndPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*) { events.push_back("end"); };
  printer.OnGetPrintTitle = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, std::string& title) {
    EXPECT_EQ(title, "Calendar");
    title = "Calendar 2006";
  };
  printer.PrintTitle = "Calendar";
  TdxPSPrintReportSubscriber bus;
  std::vector<std::string> heard;
  bus.OnStartPrint = [&](TdxObject* sender, TdxObject*, int count) {
    EXPECT_EQ(sender, static_cast<TdxObject*>(&printer));
    heard.push_back("start " + std::to_string(count));
  };
  bus.OnNewPage = [&](TdxObject*, TdxObject*, int page) { heard.push_back("page " + std::to_string(page)); };
  bus.OnEndPrint = [&](TdxObject*, TdxObject*) { heard.push_back("end"); };
  Out("events.pdf");
  printer.Print(false);
  const std::vector<std::string> expected{"start 3", "page 1", "page 2", "end"};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(heard, expected);
  EXPECT_EQ(Device().JobTitle, "Calendar 2006");
}

// ---- Page order, filters, copies -------------------------------------------------------------

TEST_F(PrintJobTest, DownThenOverPrintsTheWholeReportColumnByColumn) {
  link->RealPrinterPage().SetPageOrder(poDownThenOver);
  link->Pages = 4;
  link->Grid().SetGrid(2, 2);
  Out("2x2.pdf");
  printer.Print(false);
  EXPECT_EQ(printer.Printed, (Pages{1, 3, 2, 4}));

  link->Pages = 6;
  link->Grid().SetGrid(2, 3);
  printer.Printed.clear();
  const std::string pdf = Out("2x3.pdf");
  EXPECT_TRUE(printer.PrintPages("1-6", 0, 1, false));
  EXPECT_EQ(printer.Printed, (Pages{1, 3, 5, 2, 4, 6}));
  EXPECT_EQ(PdfPageNumbers(pdf), (Pages{1, 3, 5, 2, 4, 6}));

  // Part of the report keeps its order.
  printer.Printed.clear();
  Out("part.pdf");
  EXPECT_TRUE(printer.PrintPages("1-4", 0, 1, false));
  EXPECT_EQ(printer.Printed, (Pages{1, 2, 3, 4}));
}

TEST_F(PrintJobTest, DownThenOverNeverLeavesTheList) {
  link->RealPrinterPage().SetPageOrder(poDownThenOver);
  // A grid larger than the list (hidden empty pages) and one smaller.
  link->Pages = 5;
  link->Grid().SetGrid(3, 2);
  Out("grid-larger.pdf");
  printer.Print(false);
  EXPECT_EQ(printer.Printed, (Pages{1, 4, 2, 5, 3}));

  link->Pages = 7;
  link->Grid().SetGrid(2, 2);
  printer.Printed.clear();
  Out("grid-smaller.pdf");
  printer.Print(false);
  EXPECT_EQ(printer.Printed, (Pages{1, 3, 2, 4, 5, 6, 7}));
}

TEST_F(PrintJobTest, FiltersLookAtThePositionInTheList) {
  link->Pages = 5;
  Out("even.pdf");
  EXPECT_TRUE(printer.PrintPages("1,3,5", dxPageFilterEven, 1, false));
  EXPECT_EQ(printer.Printed, (Pages{3}));
  printer.Printed.clear();
  Out("odd.pdf");
  EXPECT_TRUE(printer.PrintPages("1,3,5", dxPageFilterOdd, 1, false));
  EXPECT_EQ(printer.Printed, (Pages{1, 5}));
}

TEST_F(PrintJobTest, CopiesCollatedAndNot) {
  link->Pages = 3;
  const std::string collated = Out("collated.pdf");
  printer.PrintAllPages(0, 2, nullptr, true);
  EXPECT_EQ(printer.Printed, (Pages{1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(PdfPageNumbers(collated), (Pages{1, 2, 3, 1, 2, 3}));

  printer.Printed.clear();
  const std::string stacked = Out("stacked.pdf");
  printer.PrintAllPages(0, 2, nullptr, false);
  EXPECT_EQ(printer.Printed, (Pages{1, 1, 2, 2, 3, 3}));
  EXPECT_EQ(PdfPageCount(stacked), 6);

  // With the odd filter, 3 pages and 2 copies: 4 pages, 3 announced.
  printer.Printed.clear();
  int announced = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int count) { announced = count; };
  const std::string odd = Out("odd-copies.pdf");
  printer.PrintAllPages(dxPageFilterOdd, 2, nullptr, true);
  EXPECT_EQ(printer.Printed, (Pages{1, 3, 1, 3}));
  EXPECT_EQ(announced, 3);
  EXPECT_EQ(PdfPageCount(odd), 4);

  // Copies below 1 print one.
  printer.Printed.clear();
  Out("zero.pdf");
  printer.PrintAllPages(0, 0, nullptr, false);
  EXPECT_EQ(printer.Printed, (Pages{1, 2, 3}));
}

TEST_F(PrintJobTest, PagesBeyondTheReportAreSkippedSilently) {
  link->Pages = 5;
  int announced = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int count) { announced = count; };
  Out("beyond.pdf");
  EXPECT_TRUE(printer.PrintPages("2,7,4", 0, 1, false));
  EXPECT_EQ(printer.Printed, (Pages{2, 4}));
  EXPECT_EQ(announced, 3);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PrintJobTest, PageRangeTextThatIsNoListPrintsNothing) {
  link->Pages = 5;
  int started = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) { ++started; };
  for (const char* text : {"", "  ", "a", "3-1", "5-", "1-2000000000"}) {
    EXPECT_FALSE(printer.PrintPages(text, 0, 1, false)) << text;
  }
  EXPECT_EQ(started, 0);
}

TEST_F(PrintJobTest, DeviceCopiesAndCollationAreSavedForTheJobAndRestored) {
  Device().SetCopies(3);
  Device().SetCollate(true);
  link->Pages = 1;
  int copiesDuring = -1;
  bool collateDuring = true;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
    copiesDuring = Device().Copies();
    collateDuring = Device().Collate();
  };
  Out("copies.pdf");
  printer.Print(false);
  EXPECT_EQ(copiesDuring, 1);
  EXPECT_FALSE(collateDuring);
  EXPECT_EQ(Device().Copies(), 3);
  EXPECT_TRUE(Device().Collate());
}

// ---- Abort, busy, failures ----------------------------------------------------------------------

TEST_F(PrintJobTest, AbortArrivingBetweenPagesStopsTheJobAndLeavesNoFile) {
  link->Pages = 5;
  std::vector<std::string> events;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter& p, TBasedxReportLink*, int) {
    // The request waits in the event queue; the device handles it at the
    // next new page.
    QTimer::singleShot(0, &p, [&p] { p.AbortPrint(); });
  };
  printer.OnEndPrint = [&](TCustomdxComponentPrinter& p, TBasedxReportLink*) {
    events.push_back(p.AbortRequested() ? "end aborted" : "end");
  };
  const std::string pdf = Out("aborted.pdf");
  printer.Print(false);
  EXPECT_EQ(printer.Printed, (Pages{1}));
  EXPECT_EQ(events, (std::vector<std::string>{"end aborted"}));
  EXPECT_FALSE(printer.AbortRequested());
  EXPECT_FALSE(Device().JobActive());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
  EXPECT_TRUE(messages.empty());

  // The next job runs in full.
  printer.OnStartPrint = nullptr;
  printer.Printed.clear();
  Out("after.pdf");
  EXPECT_TRUE(printer.Print(false));
  EXPECT_EQ(printer.Printed, (Pages{1, 2, 3, 4, 5}));
}

TEST_F(PrintJobTest, QuittingTheProgramDuringAJobStopsItAfterThePageInHand) {
  link->Pages = 5;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
    // The program is asked to end (by its menu, the window system or the
    // session) while the job runs; the request waits in the event queue.
    QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
  };
  const std::string pdf = Out("quit.pdf");
  // The job runs from the program's main loop, as a menu command does.
  QTimer job, guard;
  job.setSingleShot(true);
  guard.setSingleShot(true);
  QObject::connect(&job, &QTimer::timeout, [&] { printer.Print(false); });
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  job.start(0);
  guard.start(60000);
  EXPECT_EQ(Application::Run(), 0);
  EXPECT_EQ(printer.Printed, (Pages{1}));
  EXPECT_FALSE(Device().JobActive());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

  // A program that goes on after all prints the next job in full.
  printer.OnStartPrint = nullptr;
  printer.Printed.clear();
  Out("after.pdf");
  EXPECT_TRUE(printer.Print(false));
  EXPECT_EQ(printer.Printed, (Pages{1, 2, 3, 4, 5}));
}

TEST_F(PrintJobTest, BusyDeviceShowsTheMessageUnlessTheHandlerTookCareOfIt) {
  link->Pages = 2;
  Out("other.pdf");
  ASSERT_GT(Device().BeginJob(), 0);  // someone else's job
  EXPECT_TRUE(printer.Print(false));
  EXPECT_TRUE(printer.Printed.empty());
  EXPECT_EQ(messages, (std::vector<std::string>{PrinterBusy}));

  messages.clear();
  int asked = 0;
  printer.OnPrintDeviceBusy = [&](TCustomdxComponentPrinter&, bool& done) {
    ++asked;
    done = true;
  };
  printer.Print(false);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(messages.empty());
  Device().AbortJob();
}

TEST_F(PrintJobTest, FailureDuringTheJobIsReportedAndNothingIsDelivered) {
  link->Pages = 4;
  printer.FailAt = 3;
  Device().SetCopies(2);
  int ended = 0;
  printer.OnEndPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*) { ++ended; };
  const std::string pdf = Out("failed.pdf");
  bool answer = true;
  EXPECT_NO_THROW(answer = printer.Print(false));
  EXPECT_FALSE(answer);
  EXPECT_TRUE(printer.LastJobFailed());
  EXPECT_EQ(printer.Printed, (Pages{1, 2}));
  // The box keeps its text and gives the reason on the next line.
  EXPECT_EQ(messages, (std::vector<std::string>{std::string(PrinterError) + "\nthe ink ran out"}));
  EXPECT_EQ(printer.LastJobError(), "the ink ran out");
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(Device().JobActive());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
  EXPECT_EQ(Device().Copies(), 2);
  EXPECT_FALSE(printer.Printing());

  // With a handler that deals with it, no box; the program goes on.
  messages.clear();
  int errors = 0;
  printer.OnPrintDeviceError = [&](TCustomdxComponentPrinter&, bool& done) {
    ++errors;
    done = true;
  };
  Out("failed-again.pdf");
  printer.Print(false);
  EXPECT_EQ(errors, 1);
  EXPECT_TRUE(messages.empty());

  printer.FailAt = 0;
  printer.Printed.clear();
  const std::string good = Out("good.pdf");
  EXPECT_TRUE(printer.Print(false));
  EXPECT_EQ(PdfPageCount(good), 4);
}

TEST_F(PrintJobTest, OutputThatCannotBeDeliveredIsAFailure) {
  link->Pages = 3;
  QDir(QString::fromStdString(dir.Path("vanishing"))).mkpath(".");
  const std::string pdf = Out("vanishing/report.pdf");
  // The folder of the output goes away in the middle of the job.
  printer.OnPrintPage = [&](int page) {
    if (page == 2) QDir(QString::fromStdString(dir.Path("vanishing"))).removeRecursively();
  };
  EXPECT_FALSE(printer.Print(false));
  ASSERT_EQ(messages.size(), 1u);
  const std::string prefix = std::string(PrinterError) + "\nCannot create file \"" + pdf + "\". ";
  EXPECT_EQ(messages[0].rfind(prefix, 0), 0u) << messages[0];
  EXPECT_GT(messages[0].size(), prefix.size()) << messages[0];
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
  EXPECT_FALSE(Device().JobActive());
}

// A full disk: the old PDF stays as it was, nothing half-written is left,
// and the box says what the system said.
TEST_F(PrintJobTest, PrintingToAFullDiskKeepsTheOldFileAndSaysWhy) {
  SmallDisk disk(128);
  SKIP_WITHOUT_SMALL_DISK(disk);
  link->Pages = 3;
  for (const bool hadFile : {true, false}) {
    messages.clear();
    const std::string pdf = disk.Path(hadFile ? "old.pdf" : "new.pdf");
    if (hadFile) {
      QFile old(QString::fromStdString(pdf));
      ASSERT_TRUE(old.open(QIODevice::WriteOnly));
      old.write("%PDF-1.4 the old report");
    }
    disk.Fill();
    Device().JobOutputFile = pdf;
    EXPECT_FALSE(printer.Print(false));
    EXPECT_TRUE(printer.LastJobFailed());
    EXPECT_EQ(messages, (std::vector<std::string>{std::string(PrinterError) + "\nCannot create file \"" + pdf +
                                                  "\". No space left on device"}));
    QFile result(QString::fromStdString(pdf));
    if (hadFile) {
      ASSERT_TRUE(result.open(QIODevice::ReadOnly));
      EXPECT_EQ(result.readAll(), QByteArray("%PDF-1.4 the old report"));
    } else {
      EXPECT_FALSE(result.exists());
    }
    EXPECT_EQ(disk.Listing(), "filler old.pdf");
    QFile::remove(QString::fromStdString(disk.Path("filler")));
  }
}

TEST_F(PrintJobTest, JobThatCannotBeginIsReported) {
  link->Pages = 1;
  int started = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) { ++started; };
  const std::string pdf = Out("no/such/folder/report.pdf");
  EXPECT_FALSE(printer.Print(false));
  EXPECT_EQ(started, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind(std::string(PrinterError) + "\nCannot create file \"" + pdf + "\". ", 0), 0u)
      << messages[0];
  EXPECT_TRUE(Device().JobOutputFile.empty());
}

TEST_F(PrintJobTest, MarginsRefusedPrintNothing) {
  link->Pages = 2;
  // A printer with 10 mm unprintable margins and a page with 2 mm margins.
  auto device = std::make_unique<HandPrintDevice>();
  PrintBackend::TPrinter margins = HandLetterPrinter("Margins");
  auto papers = margins.Papers();
  papers[0].Margins = TRect(1000, 1000, 1000, 1000);
  PrintBackend::TPrinter withMargins("Margins", margins.DefaultSettings(), papers, margins.Bins());
  withMargins.SetLimits(99, TSize{}, TSize{});
  device->Printers = {{"Margins", true, false}};
  device->Descriptions = {withMargins};
  device->Default = "Margins";
  ScopedPrintDevice scoped(std::move(device));
  ASSERT_TRUE(GetPrintDevice().HasPrinters());
  link->RealPrinterPage().SetMargins(TRect(2000, 2000, 2000, 2000));
  link->RealPrinterPage().SetHeader(2000);
  link->RealPrinterPage().SetFooter(2000);
  AnswerMessageBoxes([this](TMessageBoxKind kind, const std::string&, const std::string& text) {
    messages.push_back(text);
    return kind != TMessageBoxKind::Question;  // No
  });
  GetPrintDevice().JobOutputFile = dir.Path("margins.pdf");
  printer.Print(false);
  EXPECT_TRUE(printer.Printed.empty());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("margins"), std::string::npos);
}

// A printer like Hand whose sheet has these unprintable margins (hundredths
// of a millimetre).
std::unique_ptr<HandPrintDevice> MarginsDevice(const TRect& margins) {
  auto device = std::make_unique<HandPrintDevice>();
  PrintBackend::TPrinter hand = HandLetterPrinter("Margins");
  auto papers = hand.Papers();
  papers[0].Margins = margins;
  PrintBackend::TPrinter printer("Margins", hand.DefaultSettings(), papers, hand.Bins());
  printer.SetLimits(99, TSize{}, TSize{});
  device->Printers = {{"Margins", true, false}};
  device->Descriptions = {printer};
  device->Default = "Margins";
  return device;
}

TEST_F(PrintJobTest, ContinuingWithMarginsMovedInsidePrintsEveryPageOfTheNewLayout) {
  // A report whose page count follows its header distance, as a real one does.
  struct Link : TestLink {
    int PageCount() override { return RealPrinterPage().HeaderLoMetric() >= 90 ? 3 : 2; }
  };
  printer.RemoveLink(link);
  delete link;
  auto* grows = new Link;
  printer.AddLink(grows);
  link = grows;
  ScopedPrintDevice scoped(MarginsDevice(TRect(1000, 1000, 1000, 1000)));
  grows->RealPrinterPage().SetMargins(TRect(2000, 2000, 2000, 2000));
  grows->RealPrinterPage().SetHeader(2000);
  grows->RealPrinterPage().SetFooter(2000);
  ASSERT_EQ(grows->PageCount(), 2);
  const std::string pdf = dir.Path("continued.pdf");
  GetPrintDevice().JobOutputFile = pdf;
  EXPECT_TRUE(printer.Print(false));  // "continue"
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(grows->PageCount(), 3);
  EXPECT_EQ(printer.Printed, (Pages{1, 2, 3}));
  EXPECT_EQ(PdfPageCount(pdf), 3);
}

TEST_F(PrintJobTest, UnevenUnprintableMarginsKeepThePageOnTheSheetAtItsSize) {
  link->Pages = 1;
  // 5 mm at the left and top, 15 mm at the right and bottom.
  ScopedPrintDevice scoped(MarginsDevice(TRect(500, 500, 1500, 1500)));
  link->RealPrinterPage().SetMargins(TRect(20000, 20000, 20000, 20000));
  link->RealPrinterPage().SetHeader(20000);
  link->RealPrinterPage().SetFooter(20000);
  const std::string pdf = dir.Path("uneven.pdf");
  GetPrintDevice().JobOutputFile = pdf;
  ASSERT_TRUE(printer.Print(false));
  EXPECT_TRUE(messages.empty());
  const std::string png = dir.Path("uneven");
  int status = 0;
  ShellOutput("pdftoppm -r 100 -gray -png -singlefile '" + pdf + "' '" + png + "'", &status);
  ASSERT_EQ(status, 0);
  const QImage image(QString::fromStdString(png + ".png"));
  ASSERT_FALSE(image.isNull());
  // The bar of page 1 where the whole sheet puts it: (w/10, h/5) to (w/5, h/5 + h/40).
  EXPECT_LT(qGray(image.pixel(90, 225)), 64);
  EXPECT_LT(qGray(image.pixel(166, 243)), 64);
  EXPECT_GT(qGray(image.pixel(175, 225)), 192);
  EXPECT_GT(qGray(image.pixel(90, 252)), 192);
}

// ---- Preparation --------------------------------------------------------------------------------

TEST_F(PrintJobTest, PrintingFromAnOpenPreviewUsesTheReportItShows) {
  dxPSRegisterPreviewWindow("TFakePreviewWindow", [] { return new FakePreviewWindow; });
  link->Pages = 2;
  printer.Preview(false);
  ASSERT_TRUE(printer.Previewing());
  const int builds = link->Builds;
  link->SetDateTime(1.0);
  Out("from-preview.pdf");
  EXPECT_TRUE(printer.Print(false));
  EXPECT_EQ(link->Builds, builds);
  EXPECT_GT(link->DateTime(), 38000.0);  // the date is refreshed instead
  EXPECT_EQ(printer.Printed, (Pages{1, 2}));
  delete FakePreviewWindow::Last;
  dxPSUnregisterPreviewWindow("TFakePreviewWindow");
}

TEST_F(PrintJobTest, LinkWithoutDataIsNotPrinted) {
  link->HasData = false;
  Out("nodata.pdf");
  printer.PrintPageList({1}, 0, 1, false);
  EXPECT_TRUE(printer.Printed.empty());
}

// ---- Dialog data and the dialog --------------------------------------------------------------------

TEST_F(PrintJobTest, DefaultDialogData) {
  link->Pages = 0;
  std::unique_ptr<TdxPrintDlgData> data;
  printer.CreatePrintDlgData(data);
  ASSERT_TRUE(data && data->DialogData && data->Events);
  EXPECT_EQ(data->Title, "Print");
  EXPECT_EQ(data->DialogData->MaxPage, -1);
  EXPECT_EQ(data->DialogData->MinPage, 0);
  EXPECT_EQ(data->DialogData->Copies, 0);
  EXPECT_EQ(data->DialogData->PageRangeKind, prkAll);
  EXPECT_EQ(data->ButtonsEnabled, 0x7F);
  EXPECT_EQ(data->ButtonsVisible, 0x7F);
  EXPECT_EQ(data->OptionsEnabled, 0x17);
  EXPECT_EQ(data->OptionsVisible, 0x17);
  EXPECT_TRUE(data->Validate);
  EXPECT_TRUE(bool(data->Events->OnPageSetup));
  printer.FreePrintDlgData(data);
  EXPECT_EQ(data, nullptr);

  link->Pages = 7;
  printer.PrintToFile = true;
  printer.PrintDialogFiles = {"a.prn"};
  dxPSRegisterPreviewWindow("TFakePreviewWindow", [] { return new FakePreviewWindow; });
  printer.Preview(false);
  printer.CreatePrintDlgData(data);
  EXPECT_EQ(data->DialogData->MinPage, 1);
  EXPECT_EQ(data->DialogData->MaxPage, 7);
  EXPECT_EQ(data->DialogData->PageCount, 7);
  EXPECT_TRUE(data->DialogData->PrintToFile);
  EXPECT_EQ(data->DialogData->FileNames, (std::vector<std::string>{"a.prn"}));
  EXPECT_EQ(data->ButtonsVisible, 0x7B);  // no preview button over a preview
  delete FakePreviewWindow::Last;
  dxPSUnregisterPreviewWindow("TFakePreviewWindow");
}

TEST_F(PrintJobTest, WithoutAPrintDialogPrintingWithTheDialogIsCancelled) {
  link->Pages = 2;
  Out("dialog.pdf");
  EXPECT_FALSE(printer.Print(true));
  EXPECT_TRUE(printer.Printed.empty());
  EXPECT_FALSE(printer.ShowingPrintDialog());
}

TEST_F(PrintJobTest, DialogChoicesArePrinted) {
  link->Pages = 5;
  link->SetCurrentPage(4);
  std::function<void(TdxPrintDialogData&)> choose;
  bool showing = false;
  dxPSSetShowPrintDialog([&](TdxPrintDlgData& data) {
    showing = printer.ShowingPrintDialog();
    choose(*data.DialogData);
    return true;
  });

  choose = [](TdxPrintDialogData& d) { d.PageRangeKind = prkCurrentPage; };
  Out("current.pdf");
  EXPECT_TRUE(printer.Print(true));
  EXPECT_TRUE(showing);
  EXPECT_EQ(printer.Printed, (Pages{4}));

  printer.Printed.clear();
  choose = [](TdxPrintDialogData& d) {
    d.PageRangeKind = prkPageRanges;
    d.PageRanges = "2,5";
    d.Copies = 2;
    d.Collate = true;
  };
  Out("ranges.pdf");
  EXPECT_TRUE(printer.Print(true));
  EXPECT_EQ(printer.Printed, (Pages{2, 5, 2, 5}));

  printer.Printed.clear();
  choose = [](TdxPrintDialogData& d) {
    d.PageRangeKind = prkAll;
    d.NumberOfPages = dxPageFilterEven;
  };
  Out("even.pdf");
  EXPECT_TRUE(printer.Print(true));
  EXPECT_EQ(printer.Printed, (Pages{2, 4}));
  EXPECT_FALSE(printer.ShowingPrintDialog());
}

TEST_F(PrintJobTest, PrintToFileNameNeverOutlivesItsDialog) {
  link->Pages = 2;
  const std::string file = dir.Path("chosen.prn");
  dxPSSetShowPrintDialog([&](TdxPrintDlgData& data) {
    TdxPrintDialogData& d = *data.DialogData;
    d.PrintToFile = true;
    d.FileName = file;
    d.FileNames = {file};
    d.PageRangeKind = prkPageRanges;
    d.PageRanges = "9";  // beyond the report: no page printed
    return true;
  });
  Device().JobOutputFile.clear();
  printer.Print(true);
  EXPECT_TRUE(printer.PrintToFile);
  EXPECT_EQ(printer.PrintDialogFiles, (std::vector<std::string>{file}));
  EXPECT_TRUE(Device().JobOutputFile.empty());

  // An invalid page range text: nothing printed, and again no stale name.
  dxPSSetShowPrintDialog([&](TdxPrintDlgData& data) {
    data.DialogData->PrintToFile = true;
    data.DialogData->FileName = file;
    data.DialogData->PageRangeKind = prkPageRanges;
    data.DialogData->PageRanges = "x";
    return true;
  });
  EXPECT_FALSE(printer.Print(true));
  EXPECT_TRUE(Device().JobOutputFile.empty());

  // A job that did go to the file leaves no name behind either.
  dxPSSetShowPrintDialog([&](TdxPrintDlgData& data) {
    data.DialogData->PrintToFile = true;
    data.DialogData->FileName = file;
    data.DialogData->PageRangeKind = prkAll;
    return true;
  });
  EXPECT_TRUE(printer.Print(true));
  EXPECT_EQ(PdfPageCount(file), 2);
  EXPECT_TRUE(Device().JobOutputFile.empty());
}

TEST_F(PrintJobTest, PreviewRequestedFromTheDialogOpensThePreview) {
  dxPSRegisterPreviewWindow("TFakePreviewWindow", [] { return new FakePreviewWindow; });
  int executed = 0;
  FakePreviewWindow::OnExecute = [&](FakePreviewWindow&, bool modal) { executed += modal; };
  dxPSSetShowPrintDialog([](TdxPrintDlgData& data) {
    data.Requested = true;
    return false;
  });
  EXPECT_FALSE(printer.Print(true));
  EXPECT_EQ(executed, 1);
  EXPECT_TRUE(printer.Printed.empty());
  FakePreviewWindow::OnExecute = nullptr;
  dxPSUnregisterPreviewWindow("TFakePreviewWindow");
}

TEST_F(PrintJobTest, InitializedDialogDataDrivesPrintingWithoutTheDialog) {
  link->Pages = 4;
  int finalized = 0;
  std::string ranges;
  printer.OnInitializePrintDlgData = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, TdxPrintDlgData*& data) {
    ASSERT_NE(data, nullptr);
    data->DialogData->PageRanges = ranges;
  };
  printer.OnFinalizePrintDlgData = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, TdxPrintDlgData*& data) {
    EXPECT_NE(data, nullptr);
    ++finalized;
  };
  ranges = "";
  EXPECT_FALSE(printer.Print(false));
  EXPECT_TRUE(printer.Printed.empty());
  EXPECT_EQ(finalized, 1);

  ranges = "3-4";
  Out("init.pdf");
  EXPECT_TRUE(printer.Print(false));
  EXPECT_EQ(printer.Printed, (Pages{3, 4}));
  EXPECT_EQ(finalized, 2);
}

TEST_F(PrintJobTest, PageSetupFromThePrintDialogRefreshesTheOpenPreview) {
  bool done = true, requested = false;
  printer.PrintDialogPageSetup(nullptr, done, nullptr, requested);
  EXPECT_FALSE(done);  // no page setup dialog installed

  int setups = 0;
  bool result = false;
  dxPSSetPageSetupDialog([&](TBasedxReportLink& l, int tab, bool*, bool* print) {
    EXPECT_EQ(&l, link);
    EXPECT_EQ(tab, 0);
    EXPECT_TRUE(printer.InPageSetup());
    ++setups;
    *print = true;
    return true;
  });
  printer.OnPageSetup = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, bool d) { result = d; };
  dxPSRegisterPreviewWindow("TFakePreviewWindow", [] { return new FakePreviewWindow; });
  printer.Preview(false);
  FakePreviewWindow* window = FakePreviewWindow::Last;
  printer.PrintDialogPageSetup(nullptr, done, nullptr, requested);
  EXPECT_TRUE(done);
  EXPECT_TRUE(requested);
  EXPECT_TRUE(result);
  EXPECT_FALSE(printer.InPageSetup());
  EXPECT_EQ(setups, 1);
  EXPECT_EQ(window->Initialized, 1);
  delete window;
  dxPSUnregisterPreviewWindow("TFakePreviewWindow");
  dxPSSetPageSetupDialog({});
}

// ---- Page range texts ---------------------------------------------------------------------------------

TEST(PageRanges, Parsing) {
  std::vector<int> pages;
  EXPECT_TRUE(dxPSParsePageRanges("1,3,5-12", pages));
  EXPECT_EQ(pages, (Pages{1, 3, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_TRUE(dxPSParsePageRanges("3,1,3", pages));
  EXPECT_EQ(pages, (Pages{3, 1, 3}));
  EXPECT_TRUE(dxPSParsePageRanges(",,4,, 2", pages));
  EXPECT_EQ(pages, (Pages{4, 2}));
  EXPECT_TRUE(dxPSParsePageRanges("1,5-", pages));  // the dash piece leaves a page 0
  EXPECT_EQ(pages, (Pages{1, 0}));
  EXPECT_TRUE(dxPSParsePageRanges("2,1-2-3", pages));
  EXPECT_EQ(pages, (Pages{2, 0}));
  EXPECT_TRUE(dxPSParsePageRanges("1-", pages) == false);

  for (const char* bad : {"", " \t ", ",,", "12-5", "1,a", "x-3", "5-", "-3", "0,1", "99999999999", "1-2000000000"}) {
    EXPECT_FALSE(dxPSParsePageRanges(bad, pages)) << bad;
    EXPECT_TRUE(pages.empty()) << bad;
  }
}

TEST(PageRanges, Checking) {
  EXPECT_EQ(dxPSCheckPageRanges("1,3,5-12", 1, 20), prcValid);
  EXPECT_EQ(dxPSCheckPageRanges("1,3,5-12", 1, 10), prcOutOfRange);
  EXPECT_EQ(dxPSCheckPageRanges("1,3,5-12", 2, -1), prcOutOfRange);
  EXPECT_EQ(dxPSCheckPageRanges("40", 1, -1), prcValid);
  EXPECT_EQ(dxPSCheckPageRanges("12-5", 1, 20), prcInvalid);
  EXPECT_EQ(dxPSCheckPageRanges("  ", 1, 20), prcEmpty);
  std::vector<int> pages;
  EXPECT_EQ(dxPSCheckPageRanges("1 , 2", 1, 20, &pages), prcValid);
  EXPECT_EQ(pages, (Pages{1, 2}));
}

// ---- On the private CUPS scheduler ---------------------------------------------------------------------


class CupsPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    std::optional<std::string> pdfDir = CupsSandboxPdfFolder(&why);
    if (!pdfDir) GTEST_SKIP() << why;
    pdfDir_ = *pdfDir;
    socket_ = std::getenv("CUPS_SERVER");
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    PrintBackend::ResetServer();
    device_.emplace(std::make_unique<TdxPrintDevice>());
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      messages.push_back(text);
      return true;
    });
    link = new TestLink;
    printer.AddLink(link);
  }
  void TearDown() override { AnswerMessageBoxes({}); }

  int SelectPrinter(const std::string& name) {
    TdxPrintDevice& device = GetPrintDevice();
    device.RefreshPrinters();
    const auto& entries = device.PrinterEntries();
    for (std::size_t i = 0; i < entries.size(); ++i)
      if (entries[i].Info.DeviceName == name) {
        device.SelectPrinter(int(i));
        return int(i);
      }
    return -1;
  }

  std::string pdfDir_, socket_;
  std::optional<ScopedPrintDevice> device_;
  std::vector<std::string> messages;
  RecordingPrinter printer;
  TestLink* link = nullptr;
};

TEST_F(CupsPrint, JobOnTheSpoolerPrintsEveryCopy) {
  ASSERT_GE(SelectPrinter("ArdelPDF"), 0);
  link->Pages = 2;
  int jobId = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
    jobId = GetPrintDevice().JobId();
  };
  printer.PrintTitle = "copies";
  printer.PrintAllPages(0, 2, nullptr, false);
  ASSERT_GT(jobId, 0);
  EXPECT_EQ(WaitForCupsJob(jobId), 9);
  const std::string pdf = CupsJobPdf(pdfDir_, jobId);
  ASSERT_FALSE(pdf.empty());
  ScratchDir scratch;
  EXPECT_EQ(PdfPageBars(pdf, scratch.Path("page")), (Pages{1, 1, 2, 2}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(CupsPrint, PrinterThatVanishesMidJobIsReportedAndTheProgramGoesOn) {
  // A printer of its own, writing through the same virtual device.
  const std::string uri = ShellOutput("lpstat -h '" + socket_ + "' -v ArdelPDF | sed 's/^[^:]*: //'");
  ASSERT_FALSE(uri.empty());
  const std::string device = uri.substr(0, uri.find_first_of("\r\n"));
  int status = 0;
  ShellOutput("lpadmin -h '" + socket_ + "' -p ArdelVanishing -E -v '" + device +
                  "' -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd",
              &status);
  ASSERT_EQ(status, 0);
  ASSERT_GE(SelectPrinter("ArdelVanishing"), 0);

  link->Pages = 3;
  int jobId = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
    jobId = GetPrintDevice().JobId();
  };
  printer.OnPrintPage = [&](int page) {
    if (page == 2) ShellOutput("lpadmin -h '" + socket_ + "' -x ArdelVanishing");
  };
  printer.PrintTitle = "vanishing";
  bool answer = true;
  EXPECT_NO_THROW(answer = printer.Print(false));
  EXPECT_FALSE(answer);
  // The box gives the spooler's reason on the line after its text.
  ASSERT_EQ(messages.size(), 1u);
  const std::string prefix = std::string(PrinterError) + "\n";
  EXPECT_EQ(messages[0].rfind(prefix, 0), 0u) << messages[0];
  EXPECT_GT(messages[0].size(), prefix.size()) << messages[0];
  EXPECT_FALSE(GetPrintDevice().JobActive());
  ASSERT_GT(jobId, 0);
  EXPECT_NE(WaitForCupsJob(jobId, true), 9);  // never completed
  EXPECT_TRUE(CupsJobPdf(pdfDir_, jobId).empty());

  // The program goes on: the next job on another printer is fine.
  messages.clear();
  printer.OnPrintPage = nullptr;
  printer.Printed.clear();
  ASSERT_GE(SelectPrinter("ArdelPDF"), 0);
  const int failedJob = jobId;
  EXPECT_TRUE(printer.Print(false));
  ASSERT_NE(jobId, failedJob);
  EXPECT_EQ(WaitForCupsJob(jobId), 9);
  ScratchDir scratch;
  EXPECT_EQ(PdfPageBars(CupsJobPdf(pdfDir_, jobId), scratch.Path("page")), (Pages{1, 2, 3}));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(printer.Printed, (Pages{1, 2, 3}));
}

}  // namespace
