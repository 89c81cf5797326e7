// JPEG images: decoding and compressing with libjpeg, and TJPEGImage.
//
// libjpeg reports fatal errors through its error manager; ours jumps back out
// of the library with longjmp, so a damaged file never ends the process. The
// functions that call setjmp hold no C++ objects with destructors and change no
// local variable that is read after the jump: all state lives in plain structs
// owned by the caller.
#include <QPainter>
#include <QRectF>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Dib.h"
#include "platform/Graphics.h"
#include "platform/JpegCache.h"
#include "platform/MetafileRecorder.h"

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

// libjpeg's working memory for one image (coefficient buffers of progressive
// files among it); a file that needs more is refused.
constexpr long MaxDecoderMemory = 512L * 1024 * 1024;
// Progressive files with more scans than this are refused: no real encoder
// writes that many, and each scan costs a pass over the whole image.
constexpr int MaxScans = 1000;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
void OutputMessage(j_common_ptr) {}
void EmitMessage(j_common_ptr, int) {}  // warnings (corrupt data) and traces are ignored

void InstallErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = OutputMessage;
  err.pub.emit_message = EmitMessage;
}

void ProgressMonitor(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (cinfo->is_decompressor && d->input_scan_number > MaxScans) {
    cinfo->err->msg_code = JERR_NOTIMPL;
    cinfo->err->error_exit(cinfo);
  }
}

struct DecodeState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress;
};

[[noreturn]] void RaiseJpegError(int code) { throw EJPEG(Format(GraphicsMessages::JpegError, code)); }

// Reads the header and chooses the output colour space. False on a libjpeg error.
bool ReadHeader(DecodeState* s, const std::uint8_t* data, std::size_t size) {
  if (setjmp(s->err.jump)) return false;
  jpeg_create_decompress(&s->cinfo);
  s->cinfo.mem->max_memory_to_use = MaxDecoderMemory;
  s->progress.progress_monitor = ProgressMonitor;
  s->cinfo.progress = &s->progress;
  jpeg_mem_src(&s->cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&s->cinfo, TRUE);
  switch (s->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      s->cinfo.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      s->cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      s->cinfo.out_color_space = JCS_RGB;
  }
  jpeg_calc_output_dimensions(&s->cinfo);
  return true;
}

// Decodes every scanline into the RGB32 pixels. False on a libjpeg error.
bool ReadPixels(DecodeState* s, std::uint8_t* bits, std::size_t bytesPerLine, JSAMPLE* row) {
  if (setjmp(s->err.jump)) return false;
  jpeg_start_decompress(&s->cinfo);
  const JDIMENSION width = s->cinfo.output_width;
  const int components = s->cinfo.output_components;
  const bool inverted = s->cinfo.saw_Adobe_marker;  // Adobe writes CMYK inverted
  while (s->cinfo.output_scanline < s->cinfo.output_height) {
    const JDIMENSION y = s->cinfo.output_scanline;
    if (jpeg_read_scanlines(&s->cinfo, &row, 1) != 1) break;
    QRgb* dst = reinterpret_cast<QRgb*>(bits + std::size_t(y) * bytesPerLine);
    for (JDIMENSION x = 0; x < width; ++x) {
      const JSAMPLE* p = row + std::size_t(x) * components;
      if (components == 1) {
        dst[x] = qRgb(p[0], p[0], p[0]);
      } else if (components == 3) {
        dst[x] = qRgb(p[0], p[1], p[2]);
      } else {
        int c = p[0], m = p[1], yy = p[2], k = p[3];
        if (!inverted) c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
        dst[x] = qRgb(c * k / 255, m * k / 255, yy * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&s->cinfo);
  return true;
}

QImage DecodeJpeg(TByteView data) {
  DecodeState s;
  std::memset(&s, 0, sizeof s);
  InstallErrorManager(s.err);
  s.cinfo.err = &s.err.pub;
  auto fail = [&s]() {
    int code = s.err.pub.msg_code;
    jpeg_destroy_decompress(&s.cinfo);
    RaiseJpegError(code);
  };
  if (!ReadHeader(&s, data.data(), data.size())) fail();
  const std::int64_t width = s.cinfo.output_width, height = s.cinfo.output_height;
  try {
    dib::CheckSize(width, height);
  } catch (const dib::DibError&) {
    s.err.pub.msg_code = JERR_IMAGE_TOO_BIG;
    fail();
  }
  QImage image(int(width), int(height), QImage::Format_RGB32);
  if (image.isNull()) {
    s.err.pub.msg_code = JERR_OUT_OF_MEMORY;
    fail();
  }
  image.fill(Qt::gray);  // rows a truncated file does not reach
  std::vector<JSAMPLE> row(std::size_t(width) * std::size_t(s.cinfo.output_components));
  if (!ReadPixels(&s, image.bits(), std::size_t(image.bytesPerLine()), row.data())) fail();
  jpeg_destroy_decompress(&s.cinfo);
  return image;
}

struct EncodeState {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  unsigned char* out;
  unsigned long outSize;
};

bool Compress(EncodeState* s, const QImage* image, int quality, JSAMPLE* row) {
  if (setjmp(s->err.jump)) return false;
  jpeg_create_compress(&s->cinfo);
  jpeg_mem_dest(&s->cinfo, &s->out, &s->outSize);
  s->cinfo.image_width = JDIMENSION(image->width());
  s->cinfo.image_height = JDIMENSION(image->height());
  s->cinfo.input_components = 3;
  s->cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&s->cinfo);
  jpeg_set_quality(&s->cinfo, quality, TRUE);
  jpeg_start_compress(&s->cinfo, TRUE);
  const JDIMENSION width = s->cinfo.image_width;
  while (s->cinfo.next_scanline < s->cinfo.image_height) {
    const QRgb* src = reinterpret_cast<const QRgb*>(image->constScanLine(int(s->cinfo.next_scanline)));
    for (JDIMENSION x = 0; x < width; ++x) {
      row[3 * x] = JSAMPLE(qRed(src[x]));
      row[3 * x + 1] = JSAMPLE(qGreen(src[x]));
      row[3 * x + 2] = JSAMPLE(qBlue(src[x]));
    }
    jpeg_write_scanlines(&s->cinfo, &row, 1);
  }
  jpeg_finish_compress(&s->cinfo);
  return true;
}

TBytes EncodeJpeg(const QImage& source, int quality) {
  // Pixels with alpha are composed against white first.
  QImage image(source.size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.drawImage(0, 0, source);
  }
  EncodeState s;
  std::memset(&s, 0, sizeof s);
  InstallErrorManager(s.err);
  s.cinfo.err = &s.err.pub;
  std::vector<JSAMPLE> row(std::size_t(image.width()) * 3);
  const bool ok = Compress(&s, &image, std::clamp(quality, 1, 100), row.data());
  TBytes bytes;
  if (ok && s.out) bytes.assign(s.out, s.out + s.outSize);
  const int code = s.err.pub.msg_code;
  jpeg_destroy_compress(&s.cinfo);
  std::free(s.out);
  if (!ok) RaiseJpegError(code);
  return bytes;
}

}  // namespace

QImage DecodeJpegPixels(TByteView jpeg) { return DecodeJpeg(jpeg); }

TJPEGImage::TJPEGImage() = default;

TJPEGImage::TJPEGImage(const TJPEGImage& other) : TGraphic(), CompressionQuality(other.CompressionQuality), data_(other.data_) {
  if (other.image_) image_ = std::make_unique<QImage>(*other.image_);
  transparent_ = other.transparent_;
}

TJPEGImage::~TJPEGImage() = default;

TGraphicClass TJPEGImage::Class() {
  static const TGraphicClassInfo info{"TJPEGImage", "jpg",
                                      []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJPEGImage>(); }};
  return &info;
}

bool TJPEGImage::Empty() const { return !image_ || image_->isNull(); }
int TJPEGImage::Width() const { return Empty() ? 0 : image_->width(); }
int TJPEGImage::Height() const { return Empty() ? 0 : image_->height(); }

void TJPEGImage::Draw(QPainter& painter, const QRectF& dest) const {
  if (Empty()) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  // A metafile being recorded keeps the compressed bytes, not the pixels.
  if (auto* recorder = TMetafileRecorder::Of(painter))
    recorder->DrawJpeg(painter, dest, *image_, data_);
  else
    painter.drawImage(dest, *image_);
  painter.restore();
}

void TJPEGImage::LoadFromStream(TByteView data) {
  QImage image = DecodedJpeg(data);
  data_.assign(data.begin(), data.end());
  image_ = std::make_unique<QImage>(std::move(image));
  Changed();
}

TBytes TJPEGImage::SaveToStream() const { return Empty() ? TBytes() : data_; }

std::unique_ptr<TGraphic> TJPEGImage::Clone() const { return std::make_unique<TJPEGImage>(*this); }

QImage TJPEGImage::ToImage() const { return Empty() ? QImage() : *image_; }

void TJPEGImage::AssignBitmap(const TBitmap& bitmap, int quality) {
  if (bitmap.Empty()) {
    data_.clear();
    image_.reset();
  } else {
    TBytes bytes = EncodeJpeg(bitmap.Image(), quality);
    QImage image = DecodeJpeg(bytes);
    data_ = std::move(bytes);
    image_ = std::make_unique<QImage>(std::move(image));
  }
  Changed();
}
