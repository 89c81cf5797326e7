// Building, scaling, hit-testing and painting a large report document, and
// laying out many paragraphs of text.
#include <benchmark/benchmark.h>

#include <QImage>

#include "layout/TextLayout.h"
#include "platform/Canvas.h"
#include "report/ReportCells.h"
#include "report/DataItems.h"
#include "tests/report/TestRenderer.h"

namespace {
// A grid of rows x 10 cells, each cell holding one string item.
void Build(TdxReportCells& doc, int cellCount) {
  const int columns = 10, width = 80, height = 20;
  int rows = cellCount / columns;
  doc.Cells()->SetBoundsRect(TRect(0, 0, columns * width, rows * height));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      auto* cell = new TdxReportCell(doc.Cells());
      cell->SetBoundsRect(Bounds(c * width, r * height, width, height));
      auto* text = new TdxReportCellString(cell);
      text->SetBoundsRect(TRect(0, 0, width, height));
      text->SetText("Hücre " + std::to_string(r * columns + c));
    }
  }
}

void BM_BuildAndScaleDocument(benchmark::State& state) {
  for (auto _ : state) {
    TdxReportCells doc;
    Build(doc, int(state.range(0)));
    doc.Scale(4800, 96);
    benchmark::DoNotOptimize(doc.Cells());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildAndScaleDocument)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_HitTestDocument(benchmark::State& state) {
  TdxReportCells doc;
  Build(doc, int(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    i = (i * 7919 + 13) % 800;
    benchmark::DoNotOptimize(doc.HitTest(TPoint{i, (i * 31) % (int(state.range(0)) / 10 * 20)}));
  }
}
BENCHMARK(BM_HitTestDocument)->Arg(100000);

void BM_PaintDocument(benchmark::State& state) {
  TTestRenderer renderer;
  renderer.AddFont("Liberation Sans", 8);
  TdxReportCells doc;
  doc.SetRenderer(&renderer);
  Build(doc, int(state.range(0)));
  doc.Scale(4800, 96);
  // One page worth of pixels at 96 dpi; the whole document is walked.
  QImage image = WhiteImage(816, 1056);
  for (auto _ : state) renderer.Paint(doc, image);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PaintDocument)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LayoutParagraphs(benchmark::State& state) {
  const std::string paragraph =
      "Fotoğraf seçmek ve yazdırmak için farenin sağ tuşunu tıklayınız; takvim sayfası "
      "seçilen fotoğrafın altında, ayın günleriyle birlikte basılır.";
  TCanvas canvas(TDeviceCaps::Screen());
  TFont font;
  font.Name = "Times New Roman";
  font.Height = -550;  // 11 pixels at 96 dpi, in report units
  canvas.SetFont(font);
  const unsigned format = dxTextFormat(taJustifyX, taTop, tofWordBreak);
  for (auto _ : state) {
    for (int i = 0; i < state.range(0); ++i) {
      TdxTextLayout layout = dxLayoutText(canvas, paragraph, TRect(0, 0, 4800 * 3, 4800), format, &font);
      benchmark::DoNotOptimize(layout.Lines.size());
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LayoutParagraphs)->Arg(10000)->Unit(benchmark::kMillisecond);
}  // namespace
