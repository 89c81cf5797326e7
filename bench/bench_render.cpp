// Paginating a long report and drawing one of its pages on a screen image at
// 100 % and on a 600 dpi image standing for a printer.
#include <benchmark/benchmark.h>

#include <QImage>
#include <string>

#include "layout/ReportRenderer.h"
#include "platform/Canvas.h"
#include "report/DataItems.h"
#include "tests/layout/RenderTestLink.h"

namespace {

// Rows of cells one page wide: rowsPerPage rows of `columns` bordered cells
// with a string each, for `pages` pages at 100 %. The link answers every row
// edge as a vertical break candidate, as a container link does.
void Build(TRenderTestLink& link, int pages, int rowsPerPage = 24, int columns = 4) {
  const int width = 36000, rowHeight = 48000 / rowsPerPage, cellWidth = width / columns;
  const int rows = pages * rowsPerPage;
  link.SetReportSize(width, rows * rowHeight);
  for (int r = 0; r < rows; ++r) {
    link.vertDelimiters.push_back(r * rowHeight);
    for (int c = 0; c < columns; ++c) {
      auto* cell = new TdxReportCell(link.cells->Cells());
      cell->SetBoundsRect(Bounds(c * cellWidth, r * rowHeight, cellWidth, rowHeight));
      cell->SetCellSides(isdLeft | isdTop | isdRight | isdBottom);
      cell->SetBorderClass(TdxPSCellUltraFlatBorder::StaticClass());
      auto* text = new TdxReportCellString(cell);
      text->SetBoundsRect(TRect(0, 0, cellWidth, rowHeight));
      text->SetCellSides(0);
      text->SetText("Satır " + std::to_string(r) + ", sütun " + std::to_string(c));
    }
  }
}

void BM_Paginate10000Pages(benchmark::State& state) {
  TRenderTestLink link;
  Build(link, int(state.range(0)), 8);
  link.showPageHeader = link.showPageFooter = true;
  link.title.SetMode(tmOnFirstPage);
  link.title.SetText("Rapor");
  for (auto _ : state) {
    link.info.Calculate();
    benchmark::DoNotOptimize(link.info.PageCount());
  }
  state.counters["pages"] = link.info.PageCount();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Paginate10000Pages)->Arg(10000)->Unit(benchmark::kMillisecond);

// One page of a 20-page report with header and footer bands.
struct PagePaint {
  TRenderTestLink link;
  PagePaint() {
    Build(link, 20);
    link.showPageHeader = link.showPageFooter = true;
    link.page.PageHeader().SetCenterTitle({"Sayfa [Page #]"});
    link.page.PageFooter().SetRightTitle({"[Date Printed]"});
    link.info.Calculate();
  }
};

void BM_PaintPageScreen100(benchmark::State& state) {
  PagePaint p;
  QImage image(816, 1056, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    TCanvas canvas(&image);
    p.link.renderer.RenderPage(canvas, TRect(0, 0, 816, 1056), 100, 5, 5);
  }
}
BENCHMARK(BM_PaintPageScreen100)->Unit(benchmark::kMillisecond);

void BM_PaintPagePrinter600(benchmark::State& state) {
  PagePaint p;
  const int w = 5100, h = 6600;  // US Letter at 600 dpi
  QImage image(w, h, QImage::Format_RGB32);
  TDeviceCaps caps;
  caps.Technology = DT_RASPRINTER;
  caps.LogPixelsX = caps.LogPixelsY = 600;
  caps.HorzRes = caps.PhysicalWidth = w;
  caps.VertRes = caps.PhysicalHeight = h;
  for (auto _ : state) {
    image.fill(Qt::white);
    TCanvas canvas(&image, caps);
    p.link.renderer.RenderPage(canvas, TRect(0, 0, w, h), 100, 5, 5);
  }
}
BENCHMARK(BM_PaintPagePrinter600)->Unit(benchmark::kMillisecond);

}  // namespace
