// Decoding a 24-megapixel camera JPEG (6000 x 4000) into the picture's pixels,
// against libjpeg-turbo's own decoder writing the same 32-bit pixels into the
// same kind of picture. Also: the same photo turned by its EXIF tag, and with
// an Adobe RGB profile to convert.
#include <benchmark/benchmark.h>

#include <QImage>
#include <algorithm>
#include <string>
#include <csetjmp>
#include <cstdlib>
#include <map>

#include "platform/Graphics.h"
#include "platform/JpegCache.h"
#include "tests/platform/IccProfiles.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

constexpr int Width = 6000, Height = 4000;

// A photo-like picture: smooth light with grain, which costs the decoder
// what camera pictures cost it (a smooth gradient alone decodes far faster).
QImage PhotoPixels() {
  QImage image(Width, Height, QImage::Format_RGB32);
  std::uint32_t seed = 12345;
  for (int y = 0; y < Height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < Width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = int(seed >> 27) - 16;
      line[x] = qRgb(std::clamp(x * 255 / Width + grain, 0, 255), std::clamp(y * 255 / Height + grain, 0, 255),
                     std::clamp(128 + ((x / 97 + y / 61) % 7) * 12 + grain, 0, 255));
    }
  }
  return image;
}

// APP1 EXIF with only the orientation tag (little-endian TIFF block).
TBytes OrientationSegment(int value) {
  return {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
          1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, std::uint8_t(value), 0, 0, 0, 0, 0, 0, 0};
}

TBytes AdobeRgbSegment() {
  const TBytes icc = iccprofiles::AdobeRgb();
  const std::size_t length = 2 + 14 + icc.size();
  TBytes segment = {0xFF, 0xE2, std::uint8_t(length >> 8), std::uint8_t(length),
                    'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
  segment.insert(segment.end(), icc.begin(), icc.end());
  return segment;
}

// The photo at quality 90, with the given segments after the start marker.
const TBytes& Photo(int orientation, bool adobeRgb) {
  static std::map<std::pair<int, bool>, TBytes> files;
  TBytes& file = files[{orientation, adobeRgb}];
  if (file.empty()) {
    static const TBytes plain = [] {
      TBitmap bitmap;
      bitmap.SetImage(PhotoPixels());
      TJPEGImage jpeg;
      jpeg.AssignBitmap(bitmap, 90);
      return jpeg.SaveToStream();
    }();
    file = plain;
    TBytes extra = orientation != 1 ? OrientationSegment(orientation) : TBytes();
    if (adobeRgb) {
      const TBytes icc = AdobeRgbSegment();
      extra.insert(extra.end(), icc.begin(), icc.end());
    }
    file.insert(file.begin() + 2, extra.begin(), extra.end());
  }
  return file;
}

void BM_DecodeJpeg24Mp(benchmark::State& state) {
  const TBytes& data = Photo(int(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    // Every round decodes: nothing kept from the round before.
    state.PauseTiming();
    ClearJpegCache();
    state.ResumeTiming();
    TJPEGImage jpeg;
    jpeg.LoadFromStream(data);
    benchmark::DoNotOptimize(jpeg.Width());
  }
  state.SetLabel(std::to_string(data.size() / 1024) + " KB");
}
// Arguments: EXIF orientation, Adobe RGB profile.
BENCHMARK(BM_DecodeJpeg24Mp)->Args({1, 0})->Args({6, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);

struct PeerError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// libjpeg-turbo alone: the header, then every line straight into a 32-bit
// picture of the same format, as its documentation describes.
bool PeerDecode(const TBytes& data, QImage* image) {
  jpeg_decompress_struct cinfo;
  PeerError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<PeerError*>(c->err)->jump, 1); };
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  *image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image->scanLine(int(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

void BM_DecodeJpeg24MpLibjpegAlone(benchmark::State& state) {
  const TBytes& data = Photo(1, false);
  for (auto _ : state) {
    QImage image;
    if (!PeerDecode(data, &image)) state.SkipWithError("libjpeg failed");
    benchmark::DoNotOptimize(image.width());
  }
  state.SetLabel(std::to_string(data.size() / 1024) + " KB");
}
BENCHMARK(BM_DecodeJpeg24MpLibjpegAlone)->Unit(benchmark::kMillisecond);

}  // namespace
