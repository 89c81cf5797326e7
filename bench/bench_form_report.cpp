// The main window's report: building it from the window (two controls
// painted into metafiles), paginating it for the stored Letter page and
// painting page 1 on a 96 dpi screen image and at 600 dpi.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "app/MainForm.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "platform/Canvas.h"

namespace {

TForm1& Form() {
  static TForm1* form = [] {
    auto* f = new TForm1;
    f->show();
    QApplication::processEvents();
    return f;
  }();
  return *form;
}

void PaintPage1(QImage& image, int dpi) {
  image.fill(Qt::white);
  TCanvas canvas(&image);
  Form().yazici->PaintLinkPage(canvas, 0, TRect(0, 0, image.width(), image.height()), Form().yaziciLink1);
}

QImage Paper(int dpi) {
  QImage image(MulDiv(8500, dpi, 1000), MulDiv(11000, dpi, 1000), QImage::Format_RGB32);
  image.setDotsPerMeterX(MulDiv(dpi, 10000, 254));
  image.setDotsPerMeterY(MulDiv(dpi, 10000, 254));
  return image;
}

void BM_BuildPaginatePaintPage1(benchmark::State& state) {
  QImage image = Paper(96);
  for (auto _ : state) {
    Form().yazici->RebuildLink(Form().yaziciLink1);
    PaintPage1(image, 96);
  }
}
BENCHMARK(BM_BuildPaginatePaintPage1)->Unit(benchmark::kMillisecond);

void BM_BuildAndPaginate(benchmark::State& state) {
  for (auto _ : state) Form().yazici->RebuildLink(Form().yaziciLink1);
}
BENCHMARK(BM_BuildAndPaginate)->Unit(benchmark::kMillisecond);

void BM_PaintPage1(benchmark::State& state) {
  const int dpi = int(state.range(0));
  Form().yazici->RebuildLink(Form().yaziciLink1);
  QImage image = Paper(dpi);
  for (auto _ : state) PaintPage1(image, dpi);
}
BENCHMARK(BM_PaintPage1)->Arg(96)->Arg(600)->Unit(benchmark::kMillisecond);

}  // namespace
