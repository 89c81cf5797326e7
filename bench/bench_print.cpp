// Printing the main window's report (photo and calendar) to a PDF at 600 dpi
// through the engine (the print command: rebuild, pagination, rendering on
// the print device) against Qt printing the same widgets directly
// (QWidget::render onto a QPrinter PDF). BM_EngineToQtRatio runs both in one
// loop and reports their ratio as a counter.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "app/MainForm.h"
#include "bench/BenchSupport.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "layout/PrintDevice.h"
#include "platform/Graphics.h"
#include "platform/MessageDialogs.h"
#include "tests/ModalAnswers.h"

namespace {

constexpr int kDpi = 600;

// One Letter printer at 600 dpi without unprintable margins; jobs print into
// PDF files.
class BenchPrintDevice : public TdxPrintDevice {
 public:
  std::string DefaultPrinterName() const override { return "Bench"; }

 protected:
  std::vector<PrintBackend::TPrinterEntry> EnumPrinters() override { return {{"Bench", true, false}}; }
  std::unique_ptr<PrintBackend::TPrinter> OpenPrinter(const std::string& name) override {
    using namespace PrintBackend;
    if (name != "Bench") return nullptr;
    TPrinterSettings s;
    s.Fields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_COLOR | DM_COLLATE;
    s.PaperSize = DMPAPER_LETTER;
    s.PrintQuality = kDpi;
    TPrinterPaper letter;
    letter.Kind = DMPAPER_LETTER;
    letter.Name = "Letter";
    letter.Width = 2159;
    letter.Height = 2794;
    letter.Media = "na_letter_8.5x11in";
    auto printer = std::make_unique<TPrinter>(name, s, std::vector<TPrinterPaper>{letter},
                                              std::vector<TPrinterBin>{{DMBIN_AUTO, "Automatically Select", ""}});
    printer->SetLimits(99, TSize{}, TSize{});
    return printer;
  }
};

// The main window with a 1600 x 1200 photo, on the bench printer.
struct Setup {
  QTemporaryDir dir;
  std::unique_ptr<TdxPrintDevice> previousDevice;
  std::unique_ptr<TForm1> form;

  Setup() {
    previousDevice = dxReplacePrintDevice(std::make_unique<BenchPrintDevice>());
    AnswerMessageBoxes([](TMessageBoxKind, const std::string&, const std::string&) { return true; });
    form = std::make_unique<TForm1>();
    form->show();
    QImage photo(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
      for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x * 255 / 1600, y * 255 / 1200, 128));
    TBitmap bitmap;
    bitmap.SetImage(photo);
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->AssignBitmap(bitmap, 90);
    form->cxImage1->Picture().SetGraphic(std::move(jpeg));
    QApplication::processEvents();
  }
  ~Setup() {
    form.reset();
    AnswerMessageBoxes({});
    dxReplacePrintDevice(std::move(previousDevice));
  }
  std::string File(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

  // The print command into a file; false when no PDF came out.
  bool PrintWithEngine() {
    const std::string file = File("engine.pdf");
    QFile::remove(QString::fromStdString(file));
    GetPrintDevice().JobOutputFile = file;
    form->Yazdr1->trigger();
    return !form->yazici->LastJobFailed() && QFile::exists(QString::fromStdString(file));
  }

  // The same widgets drawn by Qt onto a 600 dpi Letter PDF, placed as the
  // report places them (the client area at the page's 12.7 mm margins).
  void PrintWithQt() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(kDpi);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(File("qt.pdf")));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 6.4), QPageLayout::Millimeter);
    QPainter painter(&printer);
    const double scale = double(kDpi) / 96.0;
    painter.scale(scale, scale);
    form->ClientArea()->render(&painter);
    painter.end();
  }
};

// Made by the first benchmark that needs it, gone before the application.
Setup& TheSetup() {
  static std::unique_ptr<Setup> setup;
  if (!setup) {
    setup = std::make_unique<Setup>();
    AtBenchEnd([] { setup.reset(); });
  }
  return *setup;
}

void BM_PrintMainWindowThroughEngine(benchmark::State& state) {
  Setup& setup = TheSetup();
  for (auto _ : state)
    if (!setup.PrintWithEngine()) state.SkipWithError("the print job failed");
}
BENCHMARK(BM_PrintMainWindowThroughEngine)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PrintMainWindowWithQtRender(benchmark::State& state) {
  Setup& setup = TheSetup();
  for (auto _ : state) setup.PrintWithQt();
}
BENCHMARK(BM_PrintMainWindowWithQtRender)->Unit(benchmark::kMillisecond)->Iterations(5);

// Both in one loop; the counters give the mean time of each and their ratio.
void BM_EngineToQtRatio(benchmark::State& state) {
  Setup& setup = TheSetup();
  using Clock = std::chrono::steady_clock;
  double engine = 0, qt = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    if (!setup.PrintWithEngine()) state.SkipWithError("the print job failed");
    auto t1 = Clock::now();
    setup.PrintWithQt();
    auto t2 = Clock::now();
    engine += std::chrono::duration<double, std::milli>(t1 - t0).count();
    qt += std::chrono::duration<double, std::milli>(t2 - t1).count();
  }
  const double n = double(state.iterations());
  state.counters["engine_ms"] = engine / n;
  state.counters["qt_ms"] = qt / n;
  state.counters["engine_to_qt"] = qt > 0 ? engine / qt : 0;
}
BENCHMARK(BM_EngineToQtRatio)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
