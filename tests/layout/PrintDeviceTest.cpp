// The print device against printers described by hand: the printer list,
// lazy selection, settings, papers and sources, geometry, and jobs printed
// to a file (checked with the poppler tools). The spooler is never asked
// here, except through a scheduler address where nothing listens.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QSpinBox>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <climits>

#include "tests/TestSupport.h"
#include "tests/layout/PrintTestSupport.h"
#include "tests/ModalAnswers.h"

using namespace PrintBackend;
using namespace dxPrnDevMessages;

namespace {

#define EXPECT_DEVICE_ERROR(statement, message)             \
  do {                                                      \
    try {                                                   \
      statement;                                            \
      ADD_FAILURE() << "no error from " #statement;         \
    } catch (const EdxPrintDevice& e) {                     \
      EXPECT_EQ(e.Message, std::string(message));           \
    }                                                       \
  } while (0)

TPrinter OfficePrinter(const std::string& name = "Office") {
  return MakePrinter(name,
                     {Paper(1, "Letter", 2159, 2794, 635), Paper(9, "A4", 2100, 2970, 635),
                      Paper(5, "Legal", 2159, 3556, 635), Paper(20, "Envelope #10", 1048, 2413, 635)},
                     {{7, "Automatically Select", "auto"}, {1, "Tray 1", "tray-1"}, {4, "Manual Feed", "manual"}},
                     /*duplex=*/true, /*dpi=*/600);
}

// A job's output must not depend on a spooler: the scheduler address points
// where nothing listens.
class PrintDeviceTest : public ::testing::Test {
 protected:
  ScratchDir dir_;
  ScopedEnv noSpooler_{"CUPS_SERVER", dir_.Path("no-scheduler.sock")};
};

bool PopplerMissing() { return !HaveCommand("pdfinfo") || !HaveCommand("pdftoppm"); }

std::string ReadAll(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

}  // namespace

TEST_F(PrintDeviceTest, WithoutPrintersEverythingAnswersTheDefaults) {
  FakePrintDevice device;
  EXPECT_FALSE(device.HasPrinters(false));
  EXPECT_FALSE(device.HasPrinters(true));
  EXPECT_TRUE(device.PrintersBuilt());
  EXPECT_EQ(device.PrinterCount(), 0);
  EXPECT_EQ(device.SelectedPrinter(), -1);
  const auto* papers = device.PaperEntries();
  ASSERT_TRUE(papers);
  ASSERT_EQ(papers->size(), 1u);
  EXPECT_EQ((*papers)[0].Name(), "Custom Size");
  EXPECT_EQ((*papers)[0].DMPaper(), 256);
  EXPECT_EQ((*papers)[0].Size(), (TPoint{2100, 2970}));
  const auto* bins = device.BinEntries();
  ASSERT_TRUE(bins);
  ASSERT_EQ(bins->size(), 1u);
  EXPECT_EQ((*bins)[0].Name, "Default Tray");
  EXPECT_EQ((*bins)[0].Id, 256);
  EXPECT_EQ(device.LargestPaper(0), 5000);
  EXPECT_EQ(device.LargestPaper(1), 5000);
  EXPECT_EQ(device.SmallestPaper(0), 500);
  EXPECT_EQ(device.PhysicalOffset(0), 0);
  EXPECT_EQ(device.PhysicalOffset(1), 0);
  EXPECT_EQ(device.Copies(), 0);
  EXPECT_FALSE(device.Collate());
  EXPECT_FALSE(device.DuplexSupported());
  EXPECT_FALSE(device.Settings());
  EXPECT_FALSE(device.DeviceName());
  EXPECT_FALSE(device.PortName());
  device.SetCopies(3);  // nothing to change, no error
  device.SelectPaper(0);
  EXPECT_FALSE(device.SelectPaperKind(9));
  EXPECT_EQ(device.CurrentPaperIndex(), 0);
  EXPECT_DEVICE_ERROR(device.InfoContext(), InvalidPrinter);
  EXPECT_DEVICE_ERROR(device.BeginJob(), InvalidPrinter);
  EXPECT_FALSE(device.JobActive());
  EXPECT_EQ(device.JobPageNumber(), 0);
  EXPECT_DEVICE_ERROR(device.SelectPrinter(0), PrinterIndexError);
  EXPECT_DEVICE_ERROR(device.SelectPrinter(-1), NoDefaultPrinter);
  EXPECT_DEVICE_ERROR(device.SelectDefaultPrinter(), NoDefaultPrinter);
  EXPECT_DEVICE_ERROR(device.Canvas().Canvas(), NotPrinting);
  EXPECT_DEVICE_ERROR(device.NewJobPage(), NotPrinting);
  EXPECT_DEVICE_ERROR(device.EndJob(), NotPrinting);
  EXPECT_DEVICE_ERROR(device.AbortJob(), NotPrinting);
  EXPECT_FALSE(device.EditPrinterSettings(nullptr));
  // The connect dialog, cancelled.
  AnswerModal<QDialog>("ConnectPrinter", [](QDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(device.ConnectNetworkPrinter(nullptr));
  AnswerModal<QDialog>("ConnectPrinter", nullptr);
}

TEST_F(PrintDeviceTest, PrintersWithoutADefaultRaiseOnFirstNeed) {
  FakePrintDevice device;
  device.Add(OfficePrinter("A"));
  device.Add(OfficePrinter("B"));
  EXPECT_FALSE(device.HasPrinters(false));
  EXPECT_DEVICE_ERROR(device.HasPrinters(true), NoDefaultPrinter);
  EXPECT_DEVICE_ERROR(device.Copies(), NoDefaultPrinter);
  EXPECT_DEVICE_ERROR(device.PaperEntries(), NoDefaultPrinter);
  EXPECT_EQ(device.PhysicalOffset(0), 0);  // swallowed
  // A default that is not in the list counts as none.
  device.Default = "Elsewhere";
  EXPECT_DEVICE_ERROR(device.SelectedPrinter(), NoDefaultPrinter);
  // Choosing a printer by index works without a default.
  device.SelectPrinter(1);
  EXPECT_EQ(device.SelectedPrinter(), 1);
  EXPECT_EQ(device.DeviceName(), std::optional<std::string>("B"));
  EXPECT_EQ(device.PortName(), std::optional<std::string>(""));
  EXPECT_TRUE(device.HasPrinters(true));
}

TEST_F(PrintDeviceTest, ListMarksTheDefaultAndFindsByNameIgnoringCase) {
  FakePrintDevice device;
  device.Add(OfficePrinter("Alpha"));
  device.Add(OfficePrinter("Beta"));
  device.Default = "beta";
  EXPECT_EQ(device.PrinterCount(), 0);  // not built yet
  const auto& entries = device.PrinterEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_FALSE(entries[0].Info.IsDefault);
  EXPECT_TRUE(entries[1].Info.IsDefault);
  EXPECT_EQ(entries[1].DisplayName, "Beta");
  EXPECT_EQ(entries[1].Info.DeviceName, "Beta");
  EXPECT_TRUE(entries[1].Info.DriverName.empty());
  EXPECT_TRUE(entries[1].Info.Port.empty());
  EXPECT_EQ(device.FindPrinter("ALPHA", ""), 0);
  EXPECT_EQ(device.FindPrinter("beta", "LPT1:"), 1);  // entries carry no port
  EXPECT_EQ(device.FindPrinter("Gamma", ""), -1);
  EXPECT_TRUE(device.IsDefaultPrinterName("BETA"));
  std::vector<std::string> names{"old"};
  device.FillPrinterNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_EQ(device.SelectedPrinter(), 1);  // lazily the default
  EXPECT_DEVICE_ERROR(device.SelectPrinter(-2), PrinterIndexError);
  EXPECT_DEVICE_ERROR(device.SelectPrinter(2), PrinterIndexError);
  device.SelectPrinter(0);
  EXPECT_EQ(device.SelectedPrinter(), 0);
  device.SelectPrinter(-1);
  EXPECT_EQ(device.SelectedPrinter(), 1);
}

TEST_F(PrintDeviceTest, PaperListEndsWithTheCustomPaper) {
  FakePrintDevice device;
  device.Add(MakePrinter("WithLetter", {Paper(9, "A4", 2100, 2970), Paper(1, "Letter", 2160, 2790)}), true);
  device.Add(MakePrinter("NoLetter", {Paper(9, "A4", 2100, 2970), Paper(11, "A5", 1480, 2100)}));
  device.Add(MakePrinter("OwnCustom", {Paper(9, "A4", 2100, 2970), Paper(300, "Custom Paper", 1000, 1000)}));
  device.Add(MakePrinter("NoPapers", {}));

  const auto* papers = device.PaperEntries();
  ASSERT_TRUE(papers);
  ASSERT_EQ(papers->size(), 3u);
  EXPECT_EQ(papers->back().Name(), "Custom Size");
  EXPECT_EQ(papers->back().DMPaper(), 256);
  EXPECT_EQ(papers->back().Size(), (TPoint{2160, 2790}));  // the printer's own Letter size

  device.SelectPrinter(1);
  papers = device.PaperEntries();
  ASSERT_EQ(papers->size(), 3u);
  EXPECT_EQ(papers->back().Size(), (TPoint{2159, 2794}));

  device.SelectPrinter(2);
  papers = device.PaperEntries();
  ASSERT_EQ(papers->size(), 2u);  // nothing appended
  EXPECT_EQ(papers->back().Name(), "Custom Paper");

  device.SelectPrinter(3);
  papers = device.PaperEntries();
  ASSERT_EQ(papers->size(), 1u);
  EXPECT_EQ(papers->front().Size(), (TPoint{2100, 2970}));
}

TEST_F(PrintDeviceTest, ExtentsCoverEveryPaperAndHaveFloors) {
  FakePrintDevice device;
  TPrinter unknown = MakePrinter("Unknown", {Paper(8, "A3", 2970, 4200), Paper(11, "A5", 1480, 2100)});
  device.Add(unknown, true);
  TPrinter ranged = MakePrinter("Ranged", {Paper(66, "A2", 4200, 5940), Paper(11, "A5", 1480, 2100)});
  ranged.SetLimits(99, TSize{3000, 4000}, TSize{600, 700});
  device.Add(ranged);
  TPrinter huge = MakePrinter("Huge", {Paper(9, "A4", 2100, 2970)});
  huge.SetLimits(99, TSize{32767, 32767}, TSize{10, 10});
  device.Add(huge);

  // No answer from the driver: 7620 square and 254 square, then the floors.
  EXPECT_EQ(device.LargestPaper(0), 7620);
  EXPECT_EQ(device.LargestPaper(1), 7620);
  EXPECT_EQ(device.SmallestPaper(0), 500);
  EXPECT_EQ(device.SmallestPaper(1), 500);
  device.SelectPrinter(1);
  EXPECT_EQ(device.LargestPaper(0), 4200);  // widened to A2
  EXPECT_EQ(device.LargestPaper(1), 5940);
  EXPECT_EQ(device.SmallestPaper(0), 600);
  EXPECT_EQ(device.SmallestPaper(1), 700);
  device.SelectPrinter(2);
  EXPECT_EQ(device.LargestPaper(0), 32767);
  EXPECT_EQ(device.SmallestPaper(1), 500);
}

TEST_F(PrintDeviceTest, PaperSizeSelectionAndCustomSizes) {
  FakePrintDevice device;
  TPrinter p = OfficePrinter();
  p.SetLimits(99, TSize{3000, 4000}, TSize{800, 900});
  device.Add(p, true);
  const int custom = int(device.PaperEntries()->size()) - 1;

  EXPECT_TRUE(device.SelectPaperSize(2100, 2970));
  EXPECT_EQ(device.Settings()->PaperSize, 9);
  EXPECT_EQ(device.Settings()->PaperWidth, 0);
  EXPECT_EQ(device.Settings()->PaperLength, 0);
  EXPECT_EQ(device.CurrentPaperIndex(), 1);
  EXPECT_TRUE(device.SettingsDirty());

  EXPECT_TRUE(device.SelectPaperSize(2500, 3100));  // not listed: the custom paper
  EXPECT_EQ(device.CurrentPaperIndex(), custom);
  EXPECT_EQ(device.Settings()->PaperSize, 256);
  EXPECT_EQ(device.Settings()->PaperWidth, 2500);
  EXPECT_EQ(device.Settings()->PaperLength, 3100);
  EXPECT_TRUE(device.Settings()->Fields & DM_PAPERWIDTH);
  EXPECT_EQ((*device.PaperEntries())[std::size_t(custom)].Size(), (TPoint{2500, 3100}));

  EXPECT_TRUE(device.SelectPaperSize(99999, -5));  // clamped to the extents
  EXPECT_EQ(device.Settings()->PaperWidth, 3000);
  EXPECT_EQ(device.Settings()->PaperLength, 900);

  int w = 100, h = 100000;
  device.SetCustomPaperSize(w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 4000);

  // Back to a listed paper zeroes the custom size.
  EXPECT_TRUE(device.SelectPaperKind(5));
  EXPECT_TRUE(device.SelectPaperSize(2159, 3556));
  EXPECT_EQ(device.Settings()->PaperSize, 5);
  EXPECT_EQ(device.Settings()->PaperWidth, 0);
  EXPECT_FALSE(device.SelectPaperKind(70));
  EXPECT_EQ(device.FindPaperSize(1, 1), custom);
  // Out of range selections are ignored.
  device.SelectPaper(-1);
  device.SelectPaper(custom + 1);
  EXPECT_EQ(device.Settings()->PaperSize, 5);
}

TEST_F(PrintDeviceTest, SettersWriteTheirFieldAndMarkDirty) {
  FakePrintDevice device;
  device.Add(OfficePrinter(), true);
  device.Add(MakePrinter("Simplex", {Paper(9, "A4", 2100, 2970)}));
  EXPECT_EQ(device.Copies(), 1);
  EXPECT_FALSE(device.SettingsDirty());
  EXPECT_EQ(device.Features(), (1u << pdfCopies) | (1u << pdfOrientation) | (1u << pdfCollation));
  EXPECT_EQ(device.CopyLimit(), 99);

  device.SetCopies(4);
  EXPECT_EQ(device.Copies(), 4);
  EXPECT_TRUE(device.SettingsDirty());
  device.SetCollate(true);
  EXPECT_TRUE(device.Collate());
  EXPECT_EQ(device.Settings()->Collate, 1);
  device.SetColor(false);
  EXPECT_EQ(device.Settings()->Color, DMCOLOR_MONOCHROME);
  device.SetColor(true);
  EXPECT_EQ(device.Settings()->Color, DMCOLOR_COLOR);
  device.SetOrientation(poLandscape);
  EXPECT_EQ(device.Settings()->Orientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(device.Orientation(), poLandscape);
  ASSERT_TRUE(device.DuplexSupported());
  device.SetDuplex(2);
  EXPECT_EQ(device.Settings()->Duplex, DMDUP_HORIZONTAL);
  device.SetDuplex(3);  // no such mode
  device.SetDuplex(-1);
  EXPECT_EQ(device.Settings()->Duplex, DMDUP_HORIZONTAL);

  EXPECT_TRUE(device.SelectBinKind(4));
  EXPECT_EQ(device.Settings()->DefaultSource, 4);
  EXPECT_FALSE(device.SelectBinKind(99));
  EXPECT_TRUE(device.IsAutomaticBin(0));
  EXPECT_FALSE(device.IsAutomaticBin(1));
  EXPECT_FALSE(device.IsAutomaticBin(3));
  EXPECT_FALSE(device.IsAutomaticBin(-1));
  EXPECT_TRUE(device.IsEnvelopePaper(3));
  EXPECT_FALSE(device.IsEnvelopePaper(0));
  EXPECT_FALSE(device.IsEnvelopePaper(100));

  device.KeepSettingsOnSwitch = false;
  device.SelectPrinter(1);
  EXPECT_FALSE(device.DuplexSupported());
  device.SetDuplex(1);  // ignored without support
  EXPECT_EQ(device.Settings()->Duplex, DMDUP_SIMPLEX);
  EXPECT_FALSE(device.Settings()->Fields & DM_DUPLEX);
  EXPECT_EQ(device.Copies(), 1);
}

TEST_F(PrintDeviceTest, SwitchingPrintersCarriesTheSettingsOver) {
  FakePrintDevice device;
  device.Add(OfficePrinter("First"), true);
  device.Add(OfficePrinter("Second"));
  // No A4 kind, but a paper of A4's size; no manual feed.
  device.Add(MakePrinter("Third", {Paper(1, "Letter", 2159, 2794), Paper(300, "Metric", 2100, 2970)}, {}, true));
  int switched = 0;
  device.OnPrinterSwitched = [&](TdxPrintDevice&) { ++switched; };

  device.SetCopies(3);
  device.SetOrientation(poLandscape);
  device.SetDuplex(1);
  device.SelectPaperKind(9);
  device.SelectBinKind(4);
  EXPECT_EQ(switched, 0);

  device.SelectPrinter(1);
  EXPECT_EQ(switched, 1);
  EXPECT_EQ(device.Copies(), 3);
  EXPECT_EQ(device.Orientation(), poLandscape);
  EXPECT_EQ(device.Settings()->Duplex, DMDUP_VERTICAL);
  EXPECT_EQ(device.Settings()->PaperSize, 9);
  EXPECT_EQ(device.Settings()->DefaultSource, 4);

  device.SelectPrinter(2);
  EXPECT_EQ(switched, 2);
  EXPECT_EQ(device.Settings()->PaperSize, 300);  // found by size
  EXPECT_EQ(device.Settings()->DefaultSource, 7);  // no manual feed: its own default
  EXPECT_EQ(device.Copies(), 3);

  device.SelectPrinter(2);  // the same printer: nothing happens
  EXPECT_EQ(switched, 2);

  device.KeepSettingsOnSwitch = false;
  device.SelectPrinter(0);
  EXPECT_EQ(device.Copies(), 1);
  EXPECT_EQ(device.Orientation(), poPortrait);
  EXPECT_EQ(device.Settings()->PaperSize, 1);
  EXPECT_EQ(switched, 2);
}

TEST_F(PrintDeviceTest, RefreshKeepsTheSelectedPrintersSettings) {
  FakePrintDevice device;
  device.Add(OfficePrinter("First"), true);
  device.Add(OfficePrinter("Second"));
  int refreshed = 0;
  device.OnPrintersRefreshed = [&](TdxPrintDevice&) { ++refreshed; };
  device.SelectPrinter(1);
  device.SetCopies(7);
  device.RefreshPrinters();
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(device.SelectedPrinter(), 1);
  EXPECT_EQ(device.Copies(), 7);

  // The printer went away: the default printer is selected.
  device.Printers.erase(device.Printers.begin() + 1);
  device.RefreshPrinters();
  EXPECT_EQ(device.SelectedPrinter(), 0);
  EXPECT_EQ(device.DeviceName(), std::optional<std::string>("First"));

  // With WatchSettingsChanges off a settings change does nothing.
  device.SettingsChanged();
  EXPECT_EQ(refreshed, 2);
  device.WatchSettingsChanges = true;
  device.SettingsChanged();
  EXPECT_EQ(refreshed, 3);
}

TEST_F(PrintDeviceTest, DocumentPropertiesEditACopy) {
  FakePrintDevice device;
  device.Add(OfficePrinter(), true);
  AnswerModal<QDialog>("DocumentProperties", [](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Office Document Properties");
    dialog.findChild<QSpinBox*>("Copies")->setValue(5);
    dialog.findChild<QComboBox*>("Orientation")->setCurrentIndex(1);  // Landscape
    dialog.reject();  // cancelled
  });
  EXPECT_FALSE(device.EditPrinterSettings(nullptr));
  EXPECT_EQ(device.Copies(), 1);
  AnswerModal<QDialog>("DocumentProperties", [](QDialog& dialog) {
    dialog.findChild<QSpinBox*>("Copies")->setValue(5);
    dialog.accept();
  });
  EXPECT_TRUE(device.EditPrinterSettings(nullptr));
  EXPECT_EQ(device.Copies(), 5);
  EXPECT_TRUE(device.SettingsDirty());
  AnswerModal<QDialog>("DocumentProperties", nullptr);
}

TEST_F(PrintDeviceTest, DefaultPaperKindComesFromTheDefaultPrinter) {
  FakePrintDevice device;
  EXPECT_EQ(device.DefaultPaperKind(), LocalePaperKind());
  device.Add(MakePrinter("Metric", {Paper(9, "A4", 2100, 2970), Paper(1, "Letter", 2159, 2794)}), true);
  EXPECT_EQ(device.DefaultPaperKind(), 9);
  device.Default = "Missing";
  EXPECT_EQ(device.DefaultPaperKind(), LocalePaperKind());
}

TEST_F(PrintDeviceTest, GeometryFollowsPaperOrientationAndMargins) {
  FakePrintDevice device;
  TPrinter p = MakePrinter("Margins", {Paper(1, "Letter", 2159, 2794), Paper(9, "A4", 2100, 2970)}, {}, false, 600);
  // Unprintable margins of the Letter sheet: left 1 in, top 0.5 in, right
  // 0.25 in, bottom 0.75 in (hundredths of a mm).
  std::vector<TPrinterPaper> papers = p.Papers();
  papers[0].Margins = TRect(2540, 1270, 635, 1905);
  TPrinter q("Margins", p.DefaultSettings(), papers, p.Bins());
  device.Add(q, true);

  const TDeviceCaps& caps = device.InfoContext();
  EXPECT_EQ(device.ContextKind(), dckInformation);
  EXPECT_EQ(caps.Technology, DT_RASPRINTER);
  EXPECT_EQ(caps.LogPixelsX, 600);
  EXPECT_EQ(caps.LogPixelsY, 600);
  EXPECT_EQ(caps.PhysicalWidth, 5100);
  EXPECT_EQ(caps.PhysicalHeight, 6600);
  EXPECT_EQ(device.PhysicalOffset(0), 600);
  EXPECT_EQ(device.PhysicalOffset(1), 300);
  EXPECT_EQ(device.PrintableWidth(), 5100 - 600 - 150);
  EXPECT_EQ(device.PrintableHeight(), 6600 - 300 - 450);

  // Landscape: the page's top is the sheet's left, its left the sheet's bottom.
  device.SetOrientation(poLandscape);
  EXPECT_EQ(device.InfoContext().PhysicalWidth, 6600);
  EXPECT_EQ(device.PhysicalOffset(0), 450);
  EXPECT_EQ(device.PhysicalOffset(1), 600);
  EXPECT_EQ(device.PrintableWidth(), 6600 - 450 - 300);
  EXPECT_EQ(device.PrintableHeight(), 5100 - 600 - 150);

  // A custom size takes the first paper's margins.
  device.SetOrientation(poPortrait);
  device.SelectPaperSize(1000, 1500);
  EXPECT_EQ(device.InfoContext().PhysicalWidth, MulDiv(1000, 600, 254));
  EXPECT_EQ(device.PhysicalOffset(0), 600);

  // The information canvas answers the same and measures at 600 dpi.
  TCanvas& info = device.Canvas().Handle();
  EXPECT_FALSE(info.CanDraw());
  EXPECT_EQ(info.GetDeviceCaps(LOGPIXELSY), 600);
  EXPECT_EQ(info.Font().PixelsPerInch, 600);
}

TEST_F(PrintDeviceTest, JobGuards) {
  FakePrintDevice device;
  device.Add(OfficePrinter(), true);
  device.JobOutputFile = dir_.Path("guards.pdf");
  ASSERT_GT(device.BeginJob(), 0);
  EXPECT_TRUE(device.JobActive());
  EXPECT_EQ(device.ContextKind(), dckDrawing);
  EXPECT_DEVICE_ERROR(device.BeginJob(), Printing);
  EXPECT_DEVICE_ERROR(device.SelectPrinter(0), Printing);
  EXPECT_DEVICE_ERROR(device.SetCopies(2), Printing);
  EXPECT_DEVICE_ERROR(device.RefreshPrinters(), Printing);
  EXPECT_EQ(device.DeviceName(), std::optional<std::string>("Office"));  // nothing was released
  device.AbortJob();
  EXPECT_FALSE(device.JobActive());
  EXPECT_EQ(device.ContextKind(), dckNone);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_.Path("guards.pdf"))));
}

TEST_F(PrintDeviceTest, FailingStartLeavesNoJob) {
  FakePrintDevice device;
  device.Add(OfficePrinter(), true);
  device.JobOutputFile = dir_.Path("no-such-folder/out.pdf");
  EXPECT_LE(device.BeginJob(), 0);
  EXPECT_FALSE(device.JobActive());
  EXPECT_FALSE(device.JobAborted());
  EXPECT_EQ(device.JobPageNumber(), 0);
  EXPECT_EQ(device.ContextKind(), dckNone);
  EXPECT_TRUE(device.JobOutputFile.empty());
  EXPECT_FALSE(device.JobLastError().empty());
  // To the printer with no scheduler listening: fails the same way, at once.
  EXPECT_LE(device.BeginJob(), 0);
  EXPECT_FALSE(device.JobActive());
}

TEST_F(PrintDeviceTest, TwoPagesToAFileLandWhereDrawn) {
  if (PopplerMissing()) GTEST_SKIP() << "pdfinfo/pdftoppm (poppler-utils) are not installed";
  FakePrintDevice device;
  device.Add(MakePrinter("Plain", {Paper(9, "A4", 2100, 2970), Paper(1, "Letter", 2159, 2794)}), true);
  ASSERT_TRUE(device.SelectPaperKind(1));
  std::string out = dir_.Path("two pages.pdf");
  device.JobOutputFile = out;
  device.JobTitle = "Two pages";
  int pagesStarted = 0;
  device.OnPageStarted = [&](TdxPrintDevice& d) {
    ++pagesStarted;
    EXPECT_EQ(d.JobPageNumber(), 2);
  };
  ASSERT_GT(device.BeginJob(), 0);
  EXPECT_EQ(device.JobPageNumber(), 1);
  TCanvas& page1 = device.Canvas().Canvas();
  EXPECT_TRUE(page1.CanDraw());
  EXPECT_EQ(page1.GetDeviceCaps(LOGPIXELSX), 300);
  EXPECT_EQ(page1.GetDeviceCaps(HORZRES), 2550);
  EXPECT_EQ(page1.Font().PixelsPerInch, 300);
  EXPECT_EQ(page1.Font().Size(), TFont().Size());
  page1.FillRect(TRect(300, 300, 600, 450), clBlack);  // 1 in to 2 in, 1 in to 1.5 in
  device.NewJobPage();
  EXPECT_EQ(pagesStarted, 1);
  device.Canvas().Canvas().FillRect(TRect(1200, 1500, 1500, 2100), clBlack);
  device.EndJob();
  EXPECT_FALSE(device.JobActive());
  EXPECT_EQ(device.JobPageNumber(), 0);
  EXPECT_TRUE(device.JobOutputFile.empty());

  PdfInfo info = ReadPdfInfo(out);
  ASSERT_EQ(info.Pages, 2);
  for (auto [w, h] : info.PageSizes) {
    EXPECT_NEAR(w, 612, 1);
    EXPECT_NEAR(h, 792, 1);
  }
  const double mm = 100 / 25.4;  // pixels per millimetre at 100 dpi
  BoxNear(DarkBox(RenderPdfPage(out, 1, 100)), QRectF(QPointF(100, 100), QPointF(200, 150)), mm);
  BoxNear(DarkBox(RenderPdfPage(out, 2, 100)), QRectF(QPointF(400, 500), QPointF(500, 700)), mm);
  // Only the finished file is left in the folder.
  EXPECT_EQ(QDir(QString::fromStdString(dir_.Path(""))).entryList(QDir::Files).size(), 1);
}

TEST_F(PrintDeviceTest, OrientationChangedBetweenPagesKeepsTheTools) {
  if (PopplerMissing()) GTEST_SKIP() << "pdfinfo/pdftoppm (poppler-utils) are not installed";
  FakePrintDevice device;
  device.Add(MakePrinter("Plain", {Paper(1, "Letter", 2159, 2794)}), true);
  std::string out = dir_.Path("turned.pdf");
  device.JobOutputFile = out;
  ASSERT_GT(device.BeginJob(), 0);
  TCanvas& c = device.Canvas().Canvas();
  TFont font = c.Font();
  font.Name = "Arial";
  font.SetSize(20);
  c.SetFont(font);
  c.SetPen(TPen{clRed, 3, psDash});
  c.Brush().Color = clBlue;
  c.FillRect(TRect(0, 0, 300, 300));
  device.SetOrientation(poLandscape);
  EXPECT_EQ(device.Canvas().Canvas().GetDeviceCaps(HORZRES), 2550);  // this page stays portrait
  device.NewJobPage();
  TCanvas& c2 = device.Canvas().Canvas();
  EXPECT_EQ(c2.GetDeviceCaps(HORZRES), 3300);
  EXPECT_EQ(c2.GetDeviceCaps(VERTRES), 2550);
  EXPECT_EQ(c2.Pen(), (TPen{clRed, 3, psDash}));
  EXPECT_EQ(c2.Brush().Color, clBlue);
  EXPECT_EQ(c2.Font().Name, "Arial");
  EXPECT_EQ(c2.Font().Size(), 20);
  c2.FillRect(TRect(3000, 0, 3300, 300), clBlack);  // top right corner of the landscape page
  device.EndJob();

  PdfInfo info = ReadPdfInfo(out);
  ASSERT_EQ(info.Pages, 2);
  ASSERT_EQ(info.PageSizes.size(), 2u);
  EXPECT_NEAR(info.PageSizes[0].first, 612, 1);
  EXPECT_NEAR(info.PageSizes[0].second, 792, 1);
  EXPECT_NEAR(info.PageSizes[1].first, 792, 1);
  EXPECT_NEAR(info.PageSizes[1].second, 612, 1);
  BoxNear(DarkBox(RenderPdfPage(out, 2, 100)), QRectF(QPointF(1000, 0), QPointF(1100, 100)), 100 / 25.4);
}

TEST_F(PrintDeviceTest, AbortBetweenPagesLeavesTheOldFileAlone) {
  FakePrintDevice device;
  device.Add(OfficePrinter(), true);
  std::string out = dir_.Write("report.pdf", std::string("previous contents"));
  device.JobOutputFile = out;
  ASSERT_GT(device.BeginJob(), 0);
  device.Canvas().Canvas().FillRect(TRect(0, 0, 100, 100), clBlack);
  bool abortRequested = false;
  QTimer::singleShot(0, [&] { abortRequested = true; });  // as a click on "Abort" would
  device.NewJobPage();
  EXPECT_TRUE(abortRequested);  // the request arrived between the pages
  device.AbortJob();
  EXPECT_FALSE(device.JobActive());
  EXPECT_FALSE(device.JobAborted());
  EXPECT_EQ(device.JobPageNumber(), 0);
  EXPECT_TRUE(device.JobOutputFile.empty());
  EXPECT_EQ(ReadAll(out), "previous contents");
  EXPECT_EQ(QDir(QString::fromStdString(dir_.Path(""))).entryList(QDir::Files),
            QStringList{"report.pdf"});  // no partial file
}

TEST_F(PrintDeviceTest, AJobEndedWhileMessagesAreHandledStopsThePage) {
  FakePrintDevice device;
  device.Add(OfficePrinter(), true);
  device.JobOutputFile = dir_.Path("reentrant.pdf");
  ASSERT_GT(device.BeginJob(), 0);
  int started = 0;
  device.OnPageStarted = [&](TdxPrintDevice&) { ++started; };
  QTimer::singleShot(0, [&] { device.AbortJob(); });
  device.NewJobPage();
  EXPECT_FALSE(device.JobActive());
  EXPECT_EQ(started, 0);
  EXPECT_DEVICE_ERROR(device.Canvas().Canvas(), NotPrinting);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_.Path("reentrant.pdf"))));
}

TEST_F(PrintDeviceTest, ASecondJobDoesNotWriteIntoTheFirstJobsFile) {
  FakePrintDevice device;
  device.Add(OfficePrinter(), true);
  std::string out = dir_.Path("first.pdf");
  device.JobOutputFile = out;
  ASSERT_GT(device.BeginJob(), 0);
  device.Canvas().Canvas().FillRect(TRect(0, 0, 100, 100), clBlack);
  device.EndJob();
  std::string first = ReadAll(out);
  ASSERT_GT(first.size(), 100u);
  EXPECT_EQ(first.rfind("%PDF", 0), 0u);
  EXPECT_TRUE(device.JobOutputFile.empty());
  // The next job goes to the printer (none listens here) and not to the file.
  EXPECT_LE(device.BeginJob(), 0);
  EXPECT_EQ(ReadAll(out), first);
}

TEST_F(PrintDeviceTest, DestroyingTheDeviceFinishesItsJob) {
  std::string out = dir_.Path("finished.pdf");
  {
    FakePrintDevice device;
    device.Add(OfficePrinter(), true);
    device.JobOutputFile = out;
    ASSERT_GT(device.BeginJob(), 0);
    device.Canvas().Canvas().FillRect(TRect(0, 0, 100, 100), clBlack);
  }
  EXPECT_EQ(ReadAll(out).rfind("%PDF", 0), 0u);
}

TEST(PrintDeviceSingleton, OneDeviceForTheProcess) {
  TdxPrintDevice& a = GetPrintDevice();
  EXPECT_EQ(&a, &GetPrintDevice());
  EXPECT_EQ(IsPrintDeviceReady(), a.PrintersBuilt());
}

TEST(PrintBackendStatus, SpoolerStatesBecomeStatusBits) {
  EXPECT_EQ(StatusFromState(3, {"none"}), 0u);
  EXPECT_EQ(StatusFromState(4, {}), PRINTER_STATUS_PRINTING);
  EXPECT_EQ(StatusFromState(5, {"paused"}), PRINTER_STATUS_PAUSED);
  EXPECT_EQ(StatusFromState(3, {"media-empty-error", "toner-low-report"}),
            PRINTER_STATUS_PAPER_OUT | PRINTER_STATUS_TONER_LOW);
  EXPECT_EQ(StatusFromState(3, {"media-jam-error", "door-open-warning", "offline-report"}),
            PRINTER_STATUS_PAPER_JAM | PRINTER_STATUS_DOOR_OPEN | PRINTER_STATUS_OFFLINE);
  EXPECT_EQ(StatusFromState(3, {"something-odd-error"}), PRINTER_STATUS_ERROR);
  EXPECT_EQ(StatusFromState(3, {"something-odd-warning", "cups-missing-filter-error", "-error", ""}), 0u);
}

TEST(PrintBackendPapers, KnownKindsBySizeWithinAMillimetre) {
  EXPECT_EQ(PaperKindForSize(21000, 29700), 9);
  EXPECT_EQ(PaperKindForSize(20990, 29704), 9);  // A4 as a PostScript description rounds it
  EXPECT_EQ(PaperKindForSize(21590, 27940), 1);
  EXPECT_EQ(PaperKindForSize(27940, 21590), 75);
  EXPECT_EQ(PaperKindForSize(14852, 20990), 11);
  EXPECT_EQ(PaperKindForSize(21200, 29700), 0);
  EXPECT_EQ(PaperKindForSize(0, 0), 0);
  EXPECT_EQ(PaperKindForSize(INT_MIN, INT_MAX), 0);
}

TEST(PrintBackendJob, DocumentsNeverReachAFileWithoutEndDoc) {
  ScratchDir dir;
  TPrinter printer = MakePrinter("Plain", {Paper(9, "A4", 2100, 2970)});
  std::string out = dir.Path("x.pdf");
  {
    TPrintJob job(printer, printer.DefaultSettings());
    EXPECT_EQ(job.Caps().PhysicalWidth, MulDiv(2100, 300, 254));
    ASSERT_GT(job.StartDoc("t", out), 0);
    EXPECT_EQ(job.StartDoc("again", out), 0);  // one document at a time
    ASSERT_TRUE(job.Painter());
    job.Painter()->drawLine(0, 0, 100, 100);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
  }  // destroyed unfinished
  EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
  EXPECT_TRUE(QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files).isEmpty());
  TPrintJob idle(printer, printer.DefaultSettings());
  EXPECT_FALSE(idle.EndDoc());
  idle.StartPage();
  idle.EndPage();
  idle.AbortDoc();
  EXPECT_FALSE(idle.Active());
}

TEST(PrintBackendDialog, DocumentPropertiesShowAndReturnTheChoice) {
  TPrinter printer = OfficePrinter();
  TPrinterSettings settings = printer.DefaultSettings();
  settings.PaperWidth = 1000;  // a custom size is dropped with another paper
  settings.PaperLength = 1000;
  auto answer = [](bool accept) {
    QTimer::singleShot(0, [accept] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_TRUE(dialog);
      EXPECT_EQ(dialog->windowTitle(), "Office Document Properties");
      auto* paper = dialog->findChild<QComboBox*>("Paper");
      ASSERT_TRUE(paper);
      EXPECT_EQ(paper->count(), 4);
      paper->setCurrentIndex(1);  // A4
      dialog->findChild<QComboBox*>("Source")->setCurrentIndex(2);
      dialog->findChild<QComboBox*>("Orientation")->setCurrentIndex(1);
      dialog->findChild<QComboBox*>("Duplex")->setCurrentIndex(2);
      dialog->findChild<QComboBox*>("Color")->setCurrentIndex(0);
      dialog->findChild<QSpinBox*>("Copies")->setValue(1000);  // beyond the limit
      dialog->findChild<QCheckBox*>("Collate")->setChecked(true);
      if (accept)
        dialog->accept();
      else
        dialog->reject();
    });
  };
  TPrinterSettings before = settings;
  answer(false);
  EXPECT_FALSE(EditDocumentProperties(nullptr, printer, settings));
  EXPECT_EQ(settings, before);
  answer(true);
  ASSERT_TRUE(EditDocumentProperties(nullptr, printer, settings));
  EXPECT_EQ(settings.PaperSize, 9);
  EXPECT_EQ(settings.PaperWidth, 0);
  EXPECT_EQ(settings.PaperLength, 0);
  EXPECT_EQ(settings.DefaultSource, 4);
  EXPECT_EQ(settings.Orientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(settings.Duplex, DMDUP_HORIZONTAL);
  EXPECT_EQ(settings.Color, DMCOLOR_MONOCHROME);
  EXPECT_EQ(settings.Copies, 99);
  EXPECT_EQ(settings.Collate, 1);
}
