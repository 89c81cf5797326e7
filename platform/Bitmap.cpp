// Bitmaps: the BMP file reader and writer and TBitmap.
#include <QPainter>
#include <QRectF>
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Graphics.h"

namespace dib {
namespace {

constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;

// One colour channel described by a bit mask.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;  // mask >> shift

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1u)) ++shift;
    max = m >> shift;
  }
  bool Contiguous() const { return mask && ((max + 1) & max) == 0; }
  // The channel's value scaled to 0..255.
  int Value(std::uint32_t pixel) const {
    std::uint64_t v = (pixel & mask) >> shift;
    return int((v * 255 + max / 2) / max);
  }
};

QRgb PaletteColor(const std::array<QRgb, 256>& palette, std::size_t count, unsigned index) {
  return index < count ? palette[index] : qRgb(0, 0, 0);
}

// Run-length encoded pixels (8 or 4 bits per index), always bottom-up. Pixels
// that the data skips keep the colour of palette index 0. A run or a move that
// leaves the image is an error; data that ends without an end-of-bitmap code
// ends the bitmap there.
void DecodeRle(TByteView data, std::size_t pos, std::size_t end, bool rle8, QImage& image,
               const std::array<QRgb, 256>& palette, std::size_t paletteCount) {
  const int width = image.width(), height = image.height();
  image.fill(PaletteColor(palette, paletteCount, 0));
  int x = 0, y = 0;  // y counts rows from the bottom
  auto row = [&]() { return reinterpret_cast<QRgb*>(image.scanLine(height - 1 - y)); };
  auto checkRun = [&](int count) {
    if (y >= height || count > width - x) throw DibError();
  };
  while (end - pos >= 2) {
    const unsigned n = data[pos], v = data[pos + 1];
    pos += 2;
    if (n > 0) {  // encoded run
      checkRun(int(n));
      QRgb* dst = row();
      for (unsigned i = 0; i < n; ++i) {
        unsigned index = rle8 ? v : ((i & 1) ? (v & 0x0F) : (v >> 4));
        dst[x++] = PaletteColor(palette, paletteCount, index);
      }
      continue;
    }
    if (v == 0) {  // end of line
      x = 0;
      if (++y > height) throw DibError();
    } else if (v == 1) {  // end of bitmap
      return;
    } else if (v == 2) {  // move
      if (end - pos < 2) throw DibError();
      x += data[pos];
      y += data[pos + 1];
      pos += 2;
      if (x > width || y > height) throw DibError();
    } else {  // absolute run of v indexes, padded to a 16-bit boundary
      const std::size_t bytes = rle8 ? v : (v + 1) / 2;
      if (end - pos < bytes) throw DibError();
      checkRun(int(v));
      QRgb* dst = row();
      for (unsigned i = 0; i < v; ++i) {
        unsigned index = rle8 ? data[pos + i] : ((i & 1) ? (data[pos + i / 2] & 0x0F) : (data[pos + i / 2] >> 4));
        dst[x++] = PaletteColor(palette, paletteCount, index);
      }
      pos += std::min<std::size_t>((bytes + 1) & ~std::size_t(1), end - pos);
    }
  }
}

}  // namespace

std::uint16_t U16(TByteView data, std::size_t pos) {
  if (!Has(data, pos, 2)) throw DibError();
  return std::uint16_t(data[pos] | (data[pos + 1] << 8));
}

std::uint32_t U32(TByteView data, std::size_t pos) {
  if (!Has(data, pos, 4)) throw DibError();
  return std::uint32_t(data[pos]) | (std::uint32_t(data[pos + 1]) << 8) | (std::uint32_t(data[pos + 2]) << 16) |
         (std::uint32_t(data[pos + 3]) << 24);
}

void CheckSize(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide || width * height > MaxPixels)
    throw DibError();
}

Decoded Decode(TByteView data, std::size_t headerPos, std::size_t bitsPos, bool icon) {
  const std::uint32_t headerSize = U32(data, headerPos);
  if (!Has(data, headerPos, headerSize)) throw DibError();

  std::int64_t width = 0, height = 0;
  unsigned planes = 0, bitCount = 0;
  std::uint32_t compression = BI_RGB, colorsUsed = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};
  const bool core = headerSize == 12;
  std::size_t pos = headerPos + headerSize;
  if (core) {
    width = U16(data, headerPos + 4);
    height = U16(data, headerPos + 6);
    planes = U16(data, headerPos + 8);
    bitCount = U16(data, headerPos + 10);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) throw DibError();
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
    width = std::int32_t(U32(data, headerPos + 4));
    height = std::int32_t(U32(data, headerPos + 8));
    planes = U16(data, headerPos + 12);
    bitCount = U16(data, headerPos + 14);
    compression = U32(data, headerPos + 16);
    colorsUsed = U32(data, headerPos + 32);
    if (compression == BI_BITFIELDS) {
      // A plain info header is followed by the three masks; later versions hold them.
      std::size_t maskPos = headerPos + 40;
      if (headerSize == 40) pos += 12;
      for (int i = 0; i < 3; ++i) masks[i] = U32(data, maskPos + 4 * i);
      if (headerSize >= 56) masks[3] = U32(data, maskPos + 12);
    }
  } else {
    throw DibError();
  }
  if (planes != 1) throw DibError();

  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (icon) {
    if (topDown) throw DibError();
    height /= 2;
  }
  CheckSize(width, height);

  switch (compression) {
    case BI_RGB:
      if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        throw DibError();
      if (bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
      } else if (bitCount == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = icon ? 0xFF000000 : 0;
      }
      break;
    case BI_RLE8:
    case BI_RLE4:
      if (icon || topDown || bitCount != (compression == BI_RLE8 ? 8u : 4u)) throw DibError();
      break;
    case BI_BITFIELDS: {
      if (icon || (bitCount != 16 && bitCount != 32)) throw DibError();
      const std::uint64_t limit = bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
      std::uint32_t seen = 0;
      for (int i = 0; i < 4; ++i) {
        if (i == 3 && masks[3] == 0) break;  // no alpha
        Channel c(masks[i]);
        if (!c.Contiguous() || masks[i] > limit || (seen & masks[i])) throw DibError();
        seen |= masks[i];
      }
      break;
    }
    default:
      throw DibError();
  }

  // Colour table: indexed pixels always have one; others may carry an unused
  // one, which only matters where the pixels follow it directly.
  std::array<QRgb, 256> palette{};
  std::size_t paletteCount = 0;
  const std::size_t entrySize = core ? 3 : 4;
  if (bitCount <= 8) {
    const std::uint32_t maxColors = 1u << bitCount;
    paletteCount = colorsUsed ? colorsUsed : maxColors;
    // The old header has no colour count: a file may hold a shorter table,
    // which ends where its pixels start.
    if (core && bitsPos != BitsFollowColorTable && bitsPos >= pos)
      paletteCount = std::min<std::size_t>(maxColors, (bitsPos - pos) / entrySize);
    if (paletteCount > maxColors || !Has(data, pos, paletteCount * entrySize)) throw DibError();
    for (std::size_t i = 0; i < paletteCount; ++i) {
      const std::uint8_t* p = data.data() + pos + i * entrySize;
      palette[i] = qRgb(p[2], p[1], p[0]);
    }
    pos += paletteCount * entrySize;
  } else if (colorsUsed && bitsPos == BitsFollowColorTable) {
    if (colorsUsed > 256 || !Has(data, pos, colorsUsed * entrySize)) throw DibError();
    pos += colorsUsed * entrySize;
  }
  if (bitsPos == BitsFollowColorTable) bitsPos = pos;
  if (bitsPos < pos || bitsPos > data.size()) throw DibError();

  // The pixel data must be there before the image is allocated: uncompressed
  // rows in full; compressed data at least in proportion (a run code of two
  // bytes covers at most 255 pixels, a skip code of four bytes a 255 x 255
  // block), so a tiny forged header cannot claim a huge picture.
  const std::uint64_t stride = (std::uint64_t(width) * bitCount + 31) / 32 * 4;
  const std::uint64_t available = data.size() - bitsPos;
  if (compression == BI_RLE8 || compression == BI_RLE4) {
    if (std::uint64_t(width) * std::uint64_t(height) > std::max<std::uint64_t>(available * 16384, 1u << 22))
      throw DibError();
  } else if (stride * std::uint64_t(height) > available) {
    throw DibError();
  }

  const bool alpha = masks[3] != 0;
  Decoded out;
  out.bitCount = int(bitCount);
  out.image = QImage(int(width), int(height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (out.image.isNull()) throw DibError();

  if (compression == BI_RLE8 || compression == BI_RLE4) {
    const std::size_t end = data.size();
    DecodeRle(data, bitsPos, end, compression == BI_RLE8, out.image, palette, paletteCount);
    out.bitsEnd = end;
    return out;
  }

  const Channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
  for (std::int64_t row = 0; row < height; ++row) {
    const std::uint8_t* src = data.data() + bitsPos + row * stride;
    QRgb* dst = reinterpret_cast<QRgb*>(out.image.scanLine(int(topDown ? row : height - 1 - row)));
    for (std::int64_t x = 0; x < width; ++x) {
      switch (bitCount) {
        case 1:
          dst[x] = PaletteColor(palette, paletteCount, (src[x >> 3] >> (7 - (x & 7))) & 1u);
          break;
        case 4:
          dst[x] = PaletteColor(palette, paletteCount, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0Fu);
          break;
        case 8:
          dst[x] = PaletteColor(palette, paletteCount, src[x]);
          break;
        case 24:
          dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
          break;
        default: {
          std::uint32_t v;
          if (bitCount == 16) {
            v = std::uint32_t(src[2 * x]) | (std::uint32_t(src[2 * x + 1]) << 8);
          } else {
            const std::uint8_t* p = src + 4 * x;
            v = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                (std::uint32_t(p[3]) << 24);
          }
          dst[x] = qRgba(r.Value(v), g.Value(v), b.Value(v), alpha ? a.Value(v) : 255);
        }
      }
    }
  }
  out.bitsEnd = bitsPos + stride * std::uint64_t(height);
  // Many writers declare an alpha mask but leave every alpha value 0; such a
  // file is meant to be opaque. (Icons decide this themselves, with their mask.)
  if (alpha && !icon) {
    bool anyAlpha = false;
    for (int y = 0; y < out.image.height() && !anyAlpha; ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(out.image.constScanLine(y));
      for (int x = 0; x < out.image.width() && !anyAlpha; ++x) anyAlpha = qAlpha(line[x]) != 0;
    }
    if (!anyAlpha) {
      for (int y = 0; y < out.image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.image.scanLine(y));
        for (int x = 0; x < out.image.width(); ++x) line[x] |= 0xFF000000u;
      }
      out.image = out.image.convertToFormat(QImage::Format_RGB32);
    }
  }
  return out;
}

}  // namespace dib

// ---------------------------------------------------------------------------

namespace {

void Put16(TBytes& out, unsigned v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void Put32(TBytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// 96 pixels per inch in pixels per metre.
constexpr std::uint32_t PelsPerMeter = 3780;

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other) : TGraphic() {
  if (other.image_) image_ = std::make_unique<QImage>(*other.image_);
  monochrome_ = other.monochrome_;
  transparent_ = other.transparent_;
}

TBitmap::~TBitmap() = default;

TGraphicClass TBitmap::Class() {
  static const TGraphicClassInfo info{"TBitmap", "bmp",
                                      []() -> std::unique_ptr<TGraphic> { return std::make_unique<TBitmap>(); }};
  return &info;
}

bool TBitmap::Empty() const { return !image_ || image_->isNull(); }
int TBitmap::Width() const { return Empty() ? 0 : image_->width(); }
int TBitmap::Height() const { return Empty() ? 0 : image_->height(); }

const QImage& TBitmap::Image() const {
  static const QImage none;
  return image_ ? *image_ : none;
}

void TBitmap::SetImage(const QImage& image) {
  if (image.isNull()) {
    image_.reset();
  } else {
    auto format = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    image_ = std::make_unique<QImage>(image.format() == format ? image : image.convertToFormat(format));
  }
  monochrome_ = false;
  Changed();
}

void TBitmap::SetSize(int width, int height) {
  if (width <= 0 || height <= 0) {
    image_.reset();
  } else {
    if (width > dib::MaxSide || height > dib::MaxSide || std::int64_t(width) * height > dib::MaxPixels)
      throw EOutOfResources("Out of system resources");
    image_ = std::make_unique<QImage>(width, height, QImage::Format_RGB32);
    image_->fill(Qt::white);
  }
  monochrome_ = false;
  Changed();
}

std::uint32_t TBitmap::TransparentColor() const {
  if (Empty()) return 0;
  QRgb p = image_->pixel(0, image_->height() - 1);
  return RGBValue(qRed(p), qGreen(p), qBlue(p));
}

QImage TBitmap::ToImage() const { return Empty() ? QImage() : *image_; }

void TBitmap::Draw(QPainter& painter, const QRectF& dest) const {
  if (Empty()) return;
  if (!Transparent()) {
    DrawPicture(painter, dest, *image_);
    return;
  }
  // The transparent colour's pixels are cleared in a copy.
  QImage keyed = image_->convertToFormat(QImage::Format_ARGB32);
  const QRgb key = keyed.pixel(0, keyed.height() - 1) & 0xFFFFFF;
  for (int y = 0; y < keyed.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
  painter.drawImage(dest, keyed);
}

void TBitmap::LoadFromStream(TByteView data) {
  dib::Decoded decoded;
  try {
    if (data.size() < 14 || data[0] != 'B' || data[1] != 'M') throw dib::DibError();
    decoded = dib::Decode(data, 14, dib::U32(data, 10), false);
  } catch (const dib::DibError&) {
    throw EInvalidGraphic(GraphicsMessages::InvalidBitmap);
  }
  image_ = std::make_unique<QImage>(std::move(decoded.image));
  monochrome_ = decoded.bitCount == 1;
  Changed();
}

// A 24-bit file for opaque pictures; a 32-bit file with an alpha mask (version 4
// header) for pictures with alpha.
TBytes TBitmap::SaveToStream() const {
  TBytes out;
  if (Empty()) return out;
  const bool alpha = image_->hasAlphaChannel();
  const QImage image = image_->convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const std::uint32_t width = std::uint32_t(image.width()), height = std::uint32_t(image.height());
  const std::uint32_t headerSize = alpha ? 108 : 40;
  const std::uint32_t stride = alpha ? width * 4 : (width * 3 + 3) & ~3u;
  const std::uint32_t offBits = 14 + headerSize;
  const std::uint32_t imageSize = stride * height;
  out.reserve(offBits + imageSize);

  out.push_back('B');
  out.push_back('M');
  Put32(out, offBits + imageSize);
  Put32(out, 0);
  Put32(out, offBits);

  Put32(out, headerSize);
  Put32(out, width);
  Put32(out, height);
  Put16(out, 1);
  Put16(out, alpha ? 32 : 24);
  Put32(out, alpha ? 3 : 0);  // BI_BITFIELDS : BI_RGB
  Put32(out, imageSize);
  Put32(out, PelsPerMeter);
  Put32(out, PelsPerMeter);
  Put32(out, 0);
  Put32(out, 0);
  if (alpha) {
    Put32(out, 0x00FF0000);
    Put32(out, 0x0000FF00);
    Put32(out, 0x000000FF);
    Put32(out, 0xFF000000);
    Put32(out, 0x73524742);  // 'sRGB'
    out.resize(out.size() + 36 + 12, 0);  // endpoints and gamma, unused with sRGB
  }

  for (int y = int(height) - 1; y >= 0; --y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const std::size_t rowStart = out.size();
    for (std::uint32_t x = 0; x < width; ++x) {
      out.push_back(std::uint8_t(qBlue(src[x])));
      out.push_back(std::uint8_t(qGreen(src[x])));
      out.push_back(std::uint8_t(qRed(src[x])));
      if (alpha) out.push_back(std::uint8_t(qAlpha(src[x])));
    }
    out.resize(rowStart + stride, 0);
  }
  return out;
}

std::unique_ptr<TGraphic> TBitmap::Clone() const { return std::make_unique<TBitmap>(*this); }
