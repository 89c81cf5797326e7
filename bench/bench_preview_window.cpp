// The preview window against the GUI library's own print preview, on the same
// window (a photo label over a month calendar):
//   - from the call that opens the preview to the first page painted (our
//     side: Preview() rebuilds the report, creates the window and paints page
//     1; their side: the preview widget asks for the pages, which render the
//     window onto its printer, and paints them);
//   - one zoom change and the repaint that follows.
// Compare the pairs: BM_Preview* / BM_QtPrintPreview*.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QElapsedTimer>
#include <QGraphicsView>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "preview/PreviewWindow.h"
#include "tests/layout/TestPage.h"

namespace {

// The window printed by both sides.
class Form {
 public:
  Form() {
    window.resize(700, 620);
    auto* layout = new QVBoxLayout(&window);
    QImage photo(670, 380, QImage::Format_RGB32);
    {
      QPainter p(&photo);
      QLinearGradient gradient(0, 0, 670, 380);
      gradient.setColorAt(0, QColor(30, 90, 160));
      gradient.setColorAt(1, QColor(230, 180, 60));
      p.fillRect(photo.rect(), gradient);
      p.setBrush(QColor(40, 140, 60));
      p.drawEllipse(QRect(250, 120, 170, 140));
    }
    auto* label = new QLabel(&window);
    label->setPixmap(QPixmap::fromImage(photo));
    layout->addWidget(label);
    layout->addWidget(new QCalendarWidget(&window));
    window.show();
    QApplication::processEvents();
  }
  QWidget window;
};

void SetUpPage(TdxPrinterPage& page) {
  page.SetMeasurementUnits(muMillimeters);
  SetUpTestPage(page, kTestA4);
}

// A component printer with the container link on the form.
struct Printing {
  explicit Printing(Form& form) {
    dxPSRegisterStdPreviewWindow();
    link = new TdxCustomContainerReportLink;
    printer.AddLink(link);
    link->SetComponent(&form.window);
    link->OptionsTransparent().SetControls(true);
    SetUpPage(link->PrinterPage());
    printer.PreviewOptions().Bounds = TRect(0, 0, 1000, 800);
    printer.OnCustomDrawPage = [this](TCustomdxComponentPrinter&, TBasedxReportLink*, TCanvas&, int pageIndex,
                                      const TRect&, int, int) {
      if (pageIndex == 0 && firstPaint < 0) firstPaint = timer.nsecsElapsed();
    };
  }
  TdxComponentPrinter printer;
  TdxCustomContainerReportLink* link = nullptr;
  QElapsedTimer timer;
  qint64 firstPaint = -1;
};

void BM_PreviewToFirstPage(benchmark::State& state) {
  Form form;
  Printing printing(form);
  for (auto _ : state) {
    printing.firstPaint = -1;
    // Inside the modal loop: wait for page 1 (painting it if the window
    // system has not asked yet), then close.
    std::function<void()> check = [&] {
      auto* window = dynamic_cast<TCustomdxPSPreviewWindow*>(printing.printer.PreviewWindow());
      if (!window) return;
      if (printing.firstPaint < 0) window->PreviewControl()->repaint();
      if (printing.firstPaint < 0) {
        QTimer::singleShot(0, check);
        return;
      }
      window->close();
    };
    QTimer::singleShot(0, check);
    printing.timer.start();
    printing.printer.Preview(true);
    state.SetIterationTime(double(printing.firstPaint) / 1e9);
  }
}
BENCHMARK(BM_PreviewToFirstPage)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PreviewZoomRepaint(benchmark::State& state) {
  Form form;
  Printing printing(form);
  printing.printer.Preview(false);
  auto* window = dynamic_cast<TCustomdxPSPreviewWindow*>(printing.printer.PreviewWindow());
  if (!window) {
    state.SkipWithError("no preview window");
    return;
  }
  window->show();
  QApplication::processEvents();
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    window->ZoomToPercent(flip ? 50 : 75);
    window->PreviewControl()->repaint();
  }
  window->close();
  QApplication::processEvents();
}
BENCHMARK(BM_PreviewZoomRepaint)->Unit(benchmark::kMillisecond);

// The GUI library's preview: the pages render the form onto the printer,
// scaled into the printable area.
void RenderForm(QWidget& form, QPrinter* printer) {
  QPainter painter(printer);
  const QRect area = printer->pageLayout().paintRectPixels(printer->resolution());
  const double scale = std::min(double(area.width()) / form.width(), double(area.height()) / form.height());
  painter.scale(scale, scale);
  form.render(&painter);
}

QWidget* PreviewViewport(QPrintPreviewWidget& preview) {
  auto* view = preview.findChild<QGraphicsView*>();
  return view ? view->viewport() : &preview;
}

void BM_QtPrintPreviewToFirstPage(benchmark::State& state) {
  Form form;
  QPrinter printer;
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 12.7), QPageLayout::Millimeter);
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter* p) { RenderForm(form.window, p); });
    preview.resize(1000, 800);
    preview.show();
    preview.updatePreview();
    PreviewViewport(preview)->repaint();
    state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
  }
}
BENCHMARK(BM_QtPrintPreviewToFirstPage)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_QtPrintPreviewZoomRepaint(benchmark::State& state) {
  Form form;
  QPrinter printer;
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 12.7), QPageLayout::Millimeter);
  QPrintPreviewWidget preview(&printer);
  QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter* p) { RenderForm(form.window, p); });
  preview.resize(1000, 800);
  preview.show();
  preview.updatePreview();
  QApplication::processEvents();
  QWidget* viewport = PreviewViewport(preview);
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    preview.setZoomFactor(flip ? 0.5 : 0.75);
    viewport->repaint();
  }
}
BENCHMARK(BM_QtPrintPreviewZoomRepaint)->Unit(benchmark::kMillisecond);

}  // namespace
