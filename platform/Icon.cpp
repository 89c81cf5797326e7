// Icons: the ICO file reader and TIcon.
//
// An icon file holds several images. The one shown is the 32 x 32 entry with
// the most bits per pixel (the size of a standard desktop icon); a file
// without a 32 x 32 entry shows its first entry. Every entry's place in the
// file is checked, but only the chosen one is decoded. Saving gives back the
// file's original bytes.
#include <QPainter>
#include <QRectF>
#include <cstring>

#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Graphics.h"

namespace {

// Icons are small; PNG entries larger than this are refused before decoding.
constexpr std::uint32_t MaxPngSide = 4096;

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

QImage DecodePng(TByteView entry) {
  static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  // Signature, then the first chunk: length 13, "IHDR", width, height (big-endian).
  if (entry.size() < 33 || std::memcmp(entry.data(), signature, 8) != 0 || BigEndian32(entry.data() + 8) != 13 ||
      std::memcmp(entry.data() + 12, "IHDR", 4) != 0)
    throw dib::DibError();
  const std::uint32_t width = BigEndian32(entry.data() + 16), height = BigEndian32(entry.data() + 20);
  if (width == 0 || height == 0 || width > MaxPngSide || height > MaxPngSide) throw dib::DibError();
  QImage image = QImage::fromData(entry.data(), int(entry.size()), "PNG");
  if (image.isNull()) throw dib::DibError();
  return image.convertToFormat(QImage::Format_ARGB32);
}

// A DIB entry: the colour bitmap, then the 1-bit AND mask (1 = transparent).
// 32-bit entries carry alpha; when every alpha byte is 0 the mask gives it.
QImage DecodeDibEntry(TByteView entry) {
  dib::Decoded decoded = dib::Decode(entry, 0, dib::BitsFollowColorTable, true);
  QImage image = decoded.image.convertToFormat(QImage::Format_ARGB32);
  const int width = image.width(), height = image.height();
  const std::size_t maskStride = (std::size_t(width) + 31) / 32 * 4;
  const bool hasMask = dib::Has(entry, decoded.bitsEnd, maskStride * std::size_t(height));

  bool hasAlpha = false;
  if (decoded.bitCount == 32) {
    for (int y = 0; y < height && !hasAlpha; ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < width; ++x)
        if (qAlpha(line[x])) {
          hasAlpha = true;
          break;
        }
    }
  }
  if (hasAlpha) return image;
  if (!hasMask) throw dib::DibError();
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* mask = entry.data() + decoded.bitsEnd + std::size_t(row) * maskStride;
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(height - 1 - row));
    for (int x = 0; x < width; ++x) {
      const bool transparent = (mask[x >> 3] >> (7 - (x & 7))) & 1;
      line[x] = transparent ? 0 : (line[x] | 0xFF000000u);
    }
  }
  return image;
}

QImage DecodeIcon(TByteView data) {
  if (dib::U16(data, 0) != 0 || dib::U16(data, 2) != 1) throw dib::DibError();
  const std::size_t count = dib::U16(data, 4);
  const std::size_t directoryEnd = 6 + 16 * count;
  if (count == 0 || !dib::Has(data, 0, directoryEnd)) throw dib::DibError();

  std::size_t chosen = 0;
  int chosenBits = -1;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16 * i;
    const std::uint32_t size = dib::U32(data, e + 8), offset = dib::U32(data, e + 12);
    if (size == 0 || offset < directoryEnd || !dib::Has(data, offset, size)) throw dib::DibError();
    const int width = data[e] ? data[e] : 256, height = data[e + 1] ? data[e + 1] : 256;
    const int bits = dib::U16(data, e + 6);
    if (width == 32 && height == 32 && bits > chosenBits) {
      chosen = i;
      chosenBits = bits;
    }
  }
  const std::size_t e = 6 + 16 * chosen;
  TByteView entry = data.subspan(dib::U32(data, e + 12), dib::U32(data, e + 8));
  if (entry.size() >= 8 && entry[0] == 0x89 && entry[1] == 'P') return DecodePng(entry);
  return DecodeDibEntry(entry);
}

}  // namespace

TIcon::TIcon() = default;

TIcon::TIcon(const TIcon& other) : TGraphic(), data_(other.data_) {
  if (other.image_) image_ = std::make_unique<QImage>(*other.image_);
  transparent_ = other.transparent_;
}

TIcon::~TIcon() = default;

TGraphicClass TIcon::Class() {
  static const TGraphicClassInfo info{"TIcon", "ico",
                                      []() -> std::unique_ptr<TGraphic> { return std::make_unique<TIcon>(); }};
  return &info;
}

bool TIcon::Empty() const { return !image_ || image_->isNull(); }
int TIcon::Width() const { return Empty() ? 0 : image_->width(); }
int TIcon::Height() const { return Empty() ? 0 : image_->height(); }

void TIcon::Draw(QPainter& painter, const QRectF& dest) const {
  if (!Empty()) DrawPicture(painter, dest, *image_);
}

void TIcon::LoadFromStream(TByteView data) {
  QImage image;
  try {
    image = DecodeIcon(data);
  } catch (const dib::DibError&) {
    throw EInvalidGraphic(GraphicsMessages::InvalidIcon);
  }
  data_.assign(data.begin(), data.end());
  image_ = std::make_unique<QImage>(std::move(image));
  Changed();
}

TBytes TIcon::SaveToStream() const { return Empty() ? TBytes() : data_; }

std::unique_ptr<TGraphic> TIcon::Clone() const { return std::make_unique<TIcon>(*this); }

QImage TIcon::ToImage() const { return Empty() ? QImage() : *image_; }
