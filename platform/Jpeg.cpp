// JPEG images: decoding and compressing with libjpeg, and TJPEGImage.
//
// Decoding gives the upright picture in sRGB: the EXIF orientation is applied
// as the lines are decoded, an embedded ICC profile is converted to sRGB, and
// libjpeg writes the picture's own pixel format, straight into the picture
// where the orientation allows.
//
// libjpeg reports fatal errors through its error manager; ours jumps back out
// of the library with longjmp, so a damaged file never ends the process. The
// functions that call setjmp hold no C++ objects with destructors and change no
// local variable that is read after the jump: all state lives in plain structs
// owned by the caller.
#include <QPainter>
#include <QtGlobal>
#include <QRectF>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/ColorProfile.h"
#include "platform/Dib.h"
#include "platform/ExifOrientation.h"
#include "platform/Graphics.h"
#include "platform/JpegCache.h"
#include "platform/MetafileRecorder.h"
#include "platform/ScopeExit.h"

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

// The decoder's pixels: 32-bit words 0xffRRGGBB in memory order (grey and
// colour files alike, libjpeg expands and converts them itself), or 4-byte
// CMYK for CMYK and YCCK files.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE PixelWordSpace = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE PixelWordSpace = JCS_EXT_XRGB;
#endif
// Lines decoded at a time when they cannot go straight into the picture.
constexpr JDIMENSION BandLines = 16;
const QRgb MissingLineColor = qRgb(0xA0, 0xA0, 0xA4);  // rows a truncated file does not reach

struct DecodeState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress;
  JOCTET* icc;  // the embedded ICC profile (malloc'ed by libjpeg), null when none
  unsigned int iccSize;
};

[[noreturn]] void RaiseJpegError(int code) { throw EJPEG(Format(GraphicsMessages::JpegError, code)); }

// Reads the header, keeps the EXIF and ICC segments and chooses the output
// colour space. False on a libjpeg error.
bool ReadHeader(DecodeState* s, const std::uint8_t* data, std::size_t size) {
  if (setjmp(s->err.jump)) return false;
  jpeg_create_decompress(&s->cinfo);
  s->cinfo.mem->max_memory_to_use = MaxDecoderMemory;
  s->progress.progress_monitor = ProgressMonitor;
  s->cinfo.progress = &s->progress;
  jpeg_mem_src(&s->cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&s->cinfo, JPEG_APP0 + 1, 0xFFFF);  // EXIF
  jpeg_save_markers(&s->cinfo, JPEG_APP0 + 2, 0xFFFF);  // ICC profile chain
  jpeg_read_header(&s->cinfo, TRUE);
  const bool cmyk = s->cinfo.jpeg_color_space == JCS_CMYK || s->cinfo.jpeg_color_space == JCS_YCCK;
  s->cinfo.out_color_space = cmyk ? JCS_CMYK : PixelWordSpace;
  jpeg_calc_output_dimensions(&s->cinfo);
  // The chain's pieces are put together by sequence number; a missing,
  // doubled or inconsistent piece gives no profile (a warning, ignored).
  jpeg_read_icc_profile(&s->cinfo, &s->icc, &s->iccSize);
  return true;
}

bool StartDecompress(DecodeState* s) {
  if (setjmp(s->err.jump)) return false;
  jpeg_start_decompress(&s->cinfo);
  return true;
}

// Decodes up to count lines into rows; *read tells how many. False on a
// libjpeg error.
bool ReadLines(DecodeState* s, JSAMPROW* rows, JDIMENSION count, JDIMENSION* read) {
  if (setjmp(s->err.jump)) return false;
  *read = jpeg_read_scanlines(&s->cinfo, rows, count);
  return true;
}

bool FinishDecompress(DecodeState* s) {
  if (setjmp(s->err.jump)) return false;
  jpeg_finish_decompress(&s->cinfo);
  return true;
}

TExifOrientation OrientationOf(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0", 6) == 0)
      return ExifOrientation(TByteView(m->data, m->data_length));
  return TExifOrientation::Normal;
}

// Turns decoded lines into upright 0xffRRGGBB pixels of the picture.
class UprightWriter {
 public:
  UprightWriter(QImage& image, TExifOrientation orientation, int width, int height)
      : base_(reinterpret_cast<QRgb*>(image.bits())),
        width_(width),
        place_(OrientedPlacement(orientation, width, height, image.bytesPerLine() / 4)),
        transposed_(SwapsSides(orientation)) {}

  // Lines can be decoded straight into the picture (then fixed in place by
  // FixInPlace) when the orientation keeps lines as lines.
  bool Direct() const { return !transposed_; }
  // Where stored line y is decoded to in Direct mode.
  QRgb* LineStart(JDIMENSION y) const {
    return base_ + place_.Origin + std::ptrdiff_t(y) * place_.StepY - (place_.StepX < 0 ? width_ - 1 : 0);
  }
  // Mirrors a line decoded to LineStart(y) when the orientation asks for it.
  void FixInPlace(JDIMENSION y) const {
    if (place_.StepX < 0) std::reverse(LineStart(y), LineStart(y) + width_);
  }
  // Places count converted lines (width pixels each, one after the other)
  // whose first is stored line y.
  void Place(const QRgb* lines, JDIMENSION y, JDIMENSION count) const {
    QRgb* origin = base_ + place_.Origin + std::ptrdiff_t(y) * place_.StepY;
    if (!transposed_) {
      for (JDIMENSION r = 0; r < count; ++r, lines += width_, origin += place_.StepY)
        if (place_.StepX > 0)
          std::copy(lines, lines + width_, origin);
        else
          std::reverse_copy(lines, lines + width_, origin - (width_ - 1));
      return;
    }
    // Column x of the band becomes part of upright line x: the band's lines
    // land side by side there, so each upright line is written in one run.
    for (int x = 0; x < width_; ++x, origin += place_.StepX) {
      const QRgb* src = lines + x;
      QRgb* dst = origin;
      for (JDIMENSION r = 0; r < count; ++r, src += width_, dst += place_.StepY) *dst = *src;
    }
  }

 private:
  QRgb* base_;
  std::ptrdiff_t width_;
  TOrientedPlacement place_;
  bool transposed_;
};

QImage DecodeJpeg(TByteView data) {
  DecodeState s;
  std::memset(&s, 0, sizeof s);
  InstallErrorManager(s.err);
  s.cinfo.err = &s.err.pub;
  ScopeExit release([&s] {
    jpeg_destroy_decompress(&s.cinfo);
    std::free(s.icc);
  });
  auto fail = [&s](int code) { RaiseJpegError(code ? code : s.err.pub.msg_code); };
  if (!ReadHeader(&s, data.data(), data.size())) fail(0);

  const TExifOrientation orientation = OrientationOf(s.cinfo);
  const int width = int(s.cinfo.output_width), height = int(s.cinfo.output_height);
  const bool swaps = SwapsSides(orientation);
  try {
    dib::CheckSize(s.cinfo.output_width, s.cinfo.output_height);
  } catch (const dib::DibError&) {
    fail(JERR_IMAGE_TOO_BIG);
  }
  QImage image(swaps ? height : width, swaps ? width : height, QImage::Format_RGB32);
  if (image.isNull()) fail(JERR_OUT_OF_MEMORY);

  const bool cmyk = s.cinfo.out_color_space == JCS_CMYK;
  const bool inverted = s.cinfo.saw_Adobe_marker;  // Adobe's writers store CMYK inverted
  const TDecodedPixels pixels = cmyk ? (inverted ? TDecodedPixels::InvertedCmyk : TDecodedPixels::Cmyk)
                                     : s.cinfo.jpeg_color_space == JCS_GRAYSCALE ? TDecodedPixels::Grey
                                                                                 : TDecodedPixels::Rgb;
  // A profile that cannot be used leaves the pixels as they are (taken as sRGB).
  const std::unique_ptr<TColorConversion> conversion =
      s.icc ? TColorConversion::FromIccProfile(TByteView(s.icc, s.iccSize), pixels) : nullptr;
  // Turns n decoded pixels into 0xffRRGGBB words (in place for words).
  auto convert = [&](const void* in, QRgb* out, std::size_t n) {
    if (conversion)
      conversion->Convert(in, out, n);
    else if (cmyk)
      CmykToRgb(static_cast<const std::uint8_t*>(in), out, n, inverted);
  };

  const UprightWriter writer(image, orientation, width, height);
  const bool direct = writer.Direct() && !cmyk;
  std::vector<QRgb> band, decoded;  // converted lines; decoded CMYK lines
  if (!direct) band.resize(std::size_t(width) * BandLines);
  if (cmyk) decoded.resize(std::size_t(width) * BandLines);
  JSAMPROW rows[BandLines];

  if (!StartDecompress(&s)) fail(0);
  JDIMENSION y = 0;
  while (y < s.cinfo.output_height) {
    const JDIMENSION want = std::min(BandLines, s.cinfo.output_height - y);
    for (JDIMENSION r = 0; r < want; ++r)
      rows[r] = reinterpret_cast<JSAMPROW>(direct ? writer.LineStart(y + r)
                                                  : (cmyk ? decoded : band).data() + std::size_t(r) * width);
    JDIMENSION read = 0;
    if (!ReadLines(&s, rows, want, &read)) fail(0);
    if (read == 0) break;
    for (JDIMENSION r = 0; r < read; ++r) {
      auto* line = reinterpret_cast<QRgb*>(rows[r]);
      convert(line, direct ? line : band.data() + std::size_t(r) * width, std::size_t(width));
      if (direct) writer.FixInPlace(y + r);
    }
    if (!direct) writer.Place(band.data(), y, read);
    y += read;
  }
  if (y < s.cinfo.output_height) {
    // A file cut inside the pixels keeps its size; the missing lines are grey.
    band.assign(std::size_t(width) * BandLines, MissingLineColor);
    for (; y < s.cinfo.output_height; y += BandLines)
      writer.Place(band.data(), y, std::min(BandLines, s.cinfo.output_height - y));
  } else if (!FinishDecompress(&s)) {
    fail(0);
  }
  return image;
}

struct EncodeState {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  unsigned char* out;
  unsigned long outSize;
};

// Compresses the RGB32 pixels, handed to libjpeg line by line as they are.
bool Compress(EncodeState* s, const QImage* image, int quality) {
  if (setjmp(s->err.jump)) return false;
  jpeg_create_compress(&s->cinfo);
  jpeg_mem_dest(&s->cinfo, &s->out, &s->outSize);
  s->cinfo.image_width = JDIMENSION(image->width());
  s->cinfo.image_height = JDIMENSION(image->height());
  s->cinfo.input_components = 4;
  s->cinfo.in_color_space = PixelWordSpace;
  jpeg_set_defaults(&s->cinfo);
  jpeg_set_quality(&s->cinfo, quality, TRUE);
  jpeg_start_compress(&s->cinfo, TRUE);
  while (s->cinfo.next_scanline < s->cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image->constScanLine(int(s->cinfo.next_scanline)));
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
  const bool ok = Compress(&s, &image, std::clamp(quality, 1, 100));
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
TBytes EncodeJpegPixels(const QImage& image, int quality) { return EncodeJpeg(image, quality); }

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
