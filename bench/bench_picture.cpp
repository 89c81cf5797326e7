// Loading a photo and painting it into the photo area: JPEG decoding and the
// scaled draw, at the sizes a camera gives.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "editors/ImageEditor.h"
#include "platform/Graphics.h"

namespace {
TBytes MakeJpeg(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) line[x] = qRgb((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255);
  }
  TBitmap bmp;
  bmp.SetImage(img);
  TJPEGImage jpeg;
  jpeg.AssignBitmap(bmp, 90);
  return jpeg.SaveToStream();
}

void BM_DecodeJpeg(benchmark::State& state) {
  TBytes data = MakeJpeg(int(state.range(0)), int(state.range(0)) * 3 / 4);
  for (auto _ : state) {
    TJPEGImage jpeg;
    jpeg.LoadFromStream(data);
    benchmark::DoNotOptimize(jpeg.Width());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(data.size()));
}
BENCHMARK(BM_DecodeJpeg)->Arg(1600)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_PaintPhotoArea(benchmark::State& state) {
  TcxImage editor;
  editor.resize(670, 506);
  editor.Properties().SetStretch(true);
  auto jpeg = std::make_unique<TJPEGImage>();
  jpeg->LoadFromStream(MakeJpeg(int(state.range(0)), int(state.range(0)) * 3 / 4));
  editor.Picture().SetGraphic(std::move(jpeg));
  QImage target(670, 506, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&target);
    editor.PaintTo(p);
  }
}
BENCHMARK(BM_PaintPhotoArea)->Arg(1600)->Arg(4000)->Unit(benchmark::kMillisecond);
}  // namespace
