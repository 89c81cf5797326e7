// Camera photos in the main window, in pairs to compare within one run:
//   - saving and loading the window's report with a 4000 x 3000 photo
//     (BM_SaveReport, BM_LoadReport) against a byte copy of the report file
//     plus one decode of the photo (BM_CopyReportFileAndDecodePhoto);
//   - repainting the photo area and the preview page at 100 % zoom with a
//     24-megapixel photo against the same with a 1-megapixel one
//     (BM_RepaintPhotoArea/24 against /1, BM_RepaintPreviewPage/24 against /1).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "app/MainForm.h"
#include "bench/BenchSupport.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "platform/JpegCache.h"

namespace {

std::string Folder() {
  static const std::string folder = [] {
    const std::string path = (std::filesystem::temp_directory_path() / "ardel-bench-photo").string();
    std::filesystem::create_directories(path);
    AtBenchEnd([path] { std::filesystem::remove_all(path); });
    return path;
  }();
  return folder;
}

// A photo-like JPEG file: soft gradients with fine grain, so that it
// compresses as camera pictures do.
std::string PhotoFile(int width, int height) {
  static std::map<std::pair<int, int>, std::string> files;
  auto& file = files[{width, height}];
  if (!file.empty()) return file;
  QImage image(width, height, QImage::Format_RGB32);
  std::uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = int(seed >> 28) - 8;
      line[x] = qRgb(std::clamp(60 + 150 * x / width + grain, 0, 255), std::clamp(90 + 100 * y / height + grain, 0, 255),
                     std::clamp(200 - 120 * x / width + grain, 0, 255));
    }
  }
  TBitmap bitmap;
  bitmap.SetImage(image);
  TJPEGImage jpeg;
  jpeg.AssignBitmap(bitmap, 90);
  file = Folder() + "/photo-" + std::to_string(width) + "x" + std::to_string(height) + ".jpg";
  jpeg.SaveToFile(file);
  return file;
}

TForm1& Form() {
  static TForm1* form = [] {
    auto* f = new TForm1;
    f->show();
    QApplication::processEvents();
    AtBenchEnd([f] { delete f; });
    return f;
  }();
  return *form;
}

void ShowPhoto(const std::string& file) {
  Form().yaziciLink1->SetDataSource(dsComponent);
  Form().LoadPicture(file);
  Form().yazici->RebuildLink(Form().yaziciLink1);
}

const std::string& ReportFile() {
  static const std::string file = Folder() + "/photo.rps";
  return file;
}

void BM_SaveReport(benchmark::State& state) {
  ShowPhoto(PhotoFile(4000, 3000));
  for (auto _ : state) Form().yaziciLink1->SaveToFile(ReportFile());
  state.counters["file_bytes"] = double(std::filesystem::file_size(ReportFile()));
  state.counters["photo_bytes"] = double(std::filesystem::file_size(PhotoFile(4000, 3000)));
}
BENCHMARK(BM_SaveReport)->Unit(benchmark::kMillisecond);

void BM_LoadReport(benchmark::State& state) {
  ShowPhoto(PhotoFile(4000, 3000));
  Form().yaziciLink1->SaveToFile(ReportFile());
  for (auto _ : state) {
    state.PauseTiming();
    ClearJpegCache();  // nothing decoded before, as after a restart
    state.ResumeTiming();
    Form().yaziciLink1->LoadFromFile(ReportFile());
  }
  Form().yaziciLink1->SetDataSource(dsComponent);
}
BENCHMARK(BM_LoadReport)->Unit(benchmark::kMillisecond);

void BM_CopyReportFileAndDecodePhoto(benchmark::State& state) {
  ShowPhoto(PhotoFile(4000, 3000));
  Form().yaziciLink1->SaveToFile(ReportFile());
  const TBytes photo = ReadFileBytes(PhotoFile(4000, 3000));
  const std::string copy = Folder() + "/copy.rps";
  for (auto _ : state) {
    WriteFileBytes(copy, ReadFileBytes(ReportFile()));
    benchmark::DoNotOptimize(DecodeJpegPixels(photo));
  }
}
BENCHMARK(BM_CopyReportFileAndDecodePhoto)->Unit(benchmark::kMillisecond);

// Arg: megapixels of the photo (24: 6000 x 4000; 1: 1224 x 816).
std::string PhotoOfMegapixels(int megapixels) {
  return megapixels == 24 ? PhotoFile(6000, 4000) : PhotoFile(1224, 816);
}

void BM_RepaintPhotoArea(benchmark::State& state) {
  ShowPhoto(PhotoOfMegapixels(int(state.range(0))));
  TcxImage& area = *Form().cxImage1;
  QImage screen(area.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&screen);
    area.PaintTo(p);
  }
}
BENCHMARK(BM_RepaintPhotoArea)->Arg(24)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RepaintPreviewPage(benchmark::State& state) {
  ShowPhoto(PhotoOfMegapixels(int(state.range(0))));
  // Letter at 96 dpi: the page as the preview shows it at 100 %.
  QImage page(816, 1056, QImage::Format_RGB32);
  page.setDotsPerMeterX(3780);
  page.setDotsPerMeterY(3780);
  for (auto _ : state) {
    page.fill(Qt::white);
    TCanvas canvas(&page);
    Form().yazici->PaintLinkPage(canvas, 0, TRect(0, 0, page.width(), page.height()), Form().yaziciLink1);
  }
}
BENCHMARK(BM_RepaintPreviewPage)->Arg(24)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
