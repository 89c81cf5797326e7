// Accepting a page setup change on a report of about 1,000 pages: the page
// setup dialog opens on the link's page, a margin is changed and OK pressed;
// the link takes the page back and re-paginates through its page-parameter
// notification, and the first page is drawn as the preview would draw it.
//   BM_PageSetupChangeToFirstPage   the whole round: dialog, accept, first page
//   BM_AcceptToFirstPage            from the OK click to the first page drawn
//   BM_RepaginateAndFirstPage       the same change made on the page directly,
//                                   for comparison: what the dialog adds
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "editors/DialogControls.h"
#include "dialogs/PageSetupDialog.h"
#include "dialogs/PrintStyles.h"
#include "engine/ComponentPrinter.h"
#include "layout/PrintDevice.h"
#include "platform/Canvas.h"
#include "report/DataItems.h"
#include "tests/ModalAnswers.h"
#include "tests/dialogs/DialogAnswers.h"

namespace {

// No printers: the bench does not depend on the machine's spooler.
class NoPrinters : public TdxPrintDevice {
 protected:
  std::vector<PrintBackend::TPrinterEntry> EnumPrinters() override { return {}; }
  std::unique_ptr<PrintBackend::TPrinter> OpenPrinter(const std::string&) override { return nullptr; }
};

constexpr int kRowsPerPage = 25;
constexpr int kRowHeight = 2000;  // report units
constexpr int kColumns = 4;
constexpr int kWidth = 30000;

// Rows of bordered text cells, built directly in report units; every row edge
// is a break candidate, as with a container link.
class LongReportLink : public TBasedxReportLink {
 public:
  int Pages = 1000;

  bool DataProviderPresent() const override { return true; }
  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.ClearItems();
    const int rows = Pages * kRowsPerPage, cellWidth = kWidth / kColumns;
    cells.Cells()->SetBoundsRect(TRect(0, 0, kWidth, rows * kRowHeight));
    delimiters_.clear();
    for (int r = 0; r < rows; ++r) {
      delimiters_.push_back(r * kRowHeight);
      for (int c = 0; c < kColumns; ++c) {
        auto* cell = new TdxReportCell(cells.Cells());
        cell->SetBoundsRect(Bounds(c * cellWidth, r * kRowHeight, cellWidth, kRowHeight));
        cell->SetCellSides(isdLeft | isdTop | isdRight | isdBottom);
        auto* text = new TdxReportCellString(cell);
        text->SetBoundsRect(TRect(0, 0, cellWidth, kRowHeight));
        text->SetCellSides(0);
        text->SetText("Row " + std::to_string(r) + ", column " + std::to_string(c));
      }
    }
  }
  void ConvertCoords() override {}  // already in report units
  void GetDelimiters(std::vector<int>& horz, std::vector<int>& vert) override {
    vert.insert(vert.end(), delimiters_.begin(), delimiters_.end());
  }

 private:
  std::vector<int> delimiters_;
};

struct Setup {
  Setup() {
    oldDevice = dxReplacePrintDevice(std::make_unique<NoPrinters>());
    dxPSRegisterPrintStyles();
    dxPSRegisterPageSetupDialog();
    AnswerPageSetupWarnings([](TdxPageSetupWarning, const std::string&, const std::vector<std::string>&) {
      return 1;  // never reached with valid margins; "Ignore" / "Restore Original"
    });
    link = new LongReportLink;
    printer.AddLink(link);
    TdxPrinterPage& page = link->PrinterPage();
    page.BeginUpdate();
    page.SetMeasurementUnits(muMillimeters);
    page.SetDMPaper(9);
    page.SetMargins(TRect(12700, 12700, 12700, 12700));
    page.SetHeader(6350);
    page.SetFooter(6350);
    page.EndUpdate();
    link->SetActive(true);
    const TPoint size = page.OrientedPageSizePixels();
    image = QImage(size.X, size.Y, QImage::Format_RGB32);
  }
  ~Setup() {
    AnswerModal<TdxfmPageSetupDialog>(nullptr);
    AnswerPageSetupWarnings(nullptr);
    dxPSUnregisterPageSetupDialog();
    dxReplacePrintDevice(std::move(oldDevice));
  }

  // What the preview shows first after the change.
  void PaintFirstPage() {
    image.fill(Qt::white);
    TCanvas canvas(&image);
    link->PaintPage(canvas, TRect(0, 0, image.width(), image.height()), 100, 0);
  }

  std::unique_ptr<TdxPrintDevice> oldDevice;
  TdxComponentPrinter printer;
  LongReportLink* link = nullptr;
  QImage image;
  bool wide = false;
};

// Types the next left margin (20 or 25 mm) and presses OK.
void ChangeLeftMargin(TdxfmPageSetupDialog& w, bool wide, QElapsedTimer* clock) {
  TdxPSSpinEdit* left = w.MarginBox(mbLeft);
  left->SetValue(wide ? 25 : 20);
  if (left->OnChange) left->OnChange(*left);
  if (left->OnExit) left->OnExit(*left);
  if (clock) clock->start();
  w.OKButton()->click();
}

void BM_PageSetupChangeToFirstPage(benchmark::State& state) {
  Setup s;
  for (auto _ : state) {
    s.wide = !s.wide;
    AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) { ChangeLeftMargin(w, s.wide, nullptr); });
    if (!s.printer.PageSetup(pstMargins)) state.SkipWithError("page setup was not accepted");
    s.PaintFirstPage();
  }
  state.counters["pages"] = s.link->PageCount();
}
BENCHMARK(BM_PageSetupChangeToFirstPage)->Unit(benchmark::kMillisecond);

void BM_AcceptToFirstPage(benchmark::State& state) {
  Setup s;
  QElapsedTimer clock;
  for (auto _ : state) {
    s.wide = !s.wide;
    AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) { ChangeLeftMargin(w, s.wide, &clock); });
    if (!s.printer.PageSetup(pstMargins)) state.SkipWithError("page setup was not accepted");
    s.PaintFirstPage();
    state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
  }
  state.counters["pages"] = s.link->PageCount();
}
BENCHMARK(BM_AcceptToFirstPage)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RepaginateAndFirstPage(benchmark::State& state) {
  Setup s;
  for (auto _ : state) {
    s.wide = !s.wide;
    s.link->PrinterPage().Margins().SetLeft(s.wide ? 25000 : 20000);
    s.PaintFirstPage();
  }
  state.counters["pages"] = s.link->PageCount();
}
BENCHMARK(BM_RepaginateAndFirstPage)->Unit(benchmark::kMillisecond);

}  // namespace
