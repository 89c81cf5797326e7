// The preview control with 1,000 pages: painting the visible pages, scrolling
// a thumbnail strip (only the uncovered pages are painted), and relayout on
// zoom changes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "platform/Canvas.h"
#include "platform/EnumBits.h"
#include "preview/PreviewControl.h"

namespace {
// Some page content: a header line, a block of rectangles and text, as a
// report page would paint it.
void PaintContent(TCanvas& canvas, const TRect& r, int index, int& calls) {
  ++calls;
  const int w = r.Width(), h = r.Height();
  canvas.FillRect(TRect(r.Left + w / 10, r.Top + h / 20, r.Right - w / 10, r.Top + h / 20 + 2), clNavy);
  for (int row = 0; row < 20; ++row) {
    const int top = r.Top + h / 10 + row * h / 25;
    canvas.FillRect(TRect(r.Left + w / 10, top, r.Left + w / 2, top + h / 60 + 1), clSilver);
  }
  TFont font;
  font.Name = "Tahoma";
  font.Height = -std::max(4, h / 30);
  canvas.SetFont(font);
  canvas.SetBkMode(TRANSPARENT);
  canvas.TextOut(r.Left + w / 10, r.Bottom - h / 10, "Sayfa " + std::to_string(index + 1));
}

void BM_PaintVisiblePagesOfThousand(benchmark::State& state) {
  TdxPreview preview;
  preview.resize(1000, 700);
  preview.SetZoomFactor(int(state.range(0)));
  preview.SetPageCount(1000);
  preview.SetSelectedPageIndex(500);
  int calls = 0;
  preview.OnDrawPageContent = [&](TCustomdxPreview&, TCanvas& c, TRect& r, int i) { PaintContent(c, r, i, calls); };
  QImage image(preview.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    preview.render(&painter);
  }
  state.counters["pages_per_paint"] = double(calls) / double(state.iterations());
}
BENCHMARK(BM_PaintVisiblePagesOfThousand)->Arg(20)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// Thumbnails at 5 %: one wheel line per step; the paint after each step asks
// only for the pages in the uncovered strip.
void BM_ScrollThumbnailsOfThousand(benchmark::State& state) {
  TdxPreview preview;
  preview.resize(300, 800);
  preview.SetMinZoomFactor(5);
  preview.SetZoomFactor(5);
  preview.SetOptionsBehavior(preview.OptionsBehavior() | dxBit(pobNonCenterizePages));
  preview.SetSelectionFrameWidth(4);
  preview.SetPageCount(1000);
  int calls = 0;
  preview.OnDrawPageContent = [&](TCustomdxPreview&, TCanvas& c, TRect& r, int i) { PaintContent(c, r, i, calls); };
  preview.show();
  QApplication::processEvents();
  calls = 0;
  int steps = 0;
  for (auto _ : state) {
    if (preview.TopPos() >= preview.TotalHeight() - preview.ClientHeight()) preview.SetTopPos(0);
    preview.ScrollLines(0, 1);
    QApplication::processEvents();
    ++steps;
  }
  state.counters["pages_per_step"] = double(calls) / double(std::max(1, steps));
}
BENCHMARK(BM_ScrollThumbnailsOfThousand)->Unit(benchmark::kMicrosecond);

void BM_RelayoutThousandPagesOnZoom(benchmark::State& state) {
  TdxPreview preview;
  preview.resize(1000, 700);
  preview.SetPageCount(1000);
  int zoom = 10;
  for (auto _ : state) {
    zoom = zoom == 10 ? 11 : 10;
    preview.SetZoomFactor(zoom);
    benchmark::DoNotOptimize(preview.Pages().data());
  }
}
BENCHMARK(BM_RelayoutThousandPagesOnZoom)->Unit(benchmark::kMicrosecond);
}  // namespace
