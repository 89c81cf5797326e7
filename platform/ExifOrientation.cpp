// EXIF orientation: reading tag 0x0112 from IFD0 of the TIFF block inside an
// APP1 segment, and the pixel placement of the eight orientations.
#include "platform/ExifOrientation.h"

#include <cstring>

namespace {

constexpr std::uint16_t OrientationTag = 0x0112;
constexpr std::uint16_t TypeShort = 3;
constexpr std::size_t EntrySize = 12;

// Reads the TIFF block's numbers in its own byte order, every read checked.
class TiffReader {
 public:
  TiffReader(TByteView data, bool bigEndian) : data_(data), bigEndian_(bigEndian) {}
  bool Has(std::size_t pos, std::size_t n) const { return pos <= data_.size() && n <= data_.size() - pos; }
  std::uint16_t U16(std::size_t pos) const {
    const std::uint8_t* p = data_.data() + pos;
    return bigEndian_ ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
  }
  std::uint32_t U32(std::size_t pos) const {
    const std::uint32_t a = U16(pos), b = U16(pos + 2);
    return bigEndian_ ? (a << 16 | b) : (b << 16 | a);
  }

 private:
  TByteView data_;
  bool bigEndian_;
};

}  // namespace

TExifOrientation ExifOrientation(TByteView app1) {
  static constexpr std::uint8_t Signature[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (app1.size() < sizeof Signature || std::memcmp(app1.data(), Signature, sizeof Signature) != 0)
    return TExifOrientation::Normal;
  const TByteView tiff = app1.subspan(sizeof Signature);
  if (tiff.size() < 8) return TExifOrientation::Normal;
  bool bigEndian;
  if (tiff[0] == 'I' && tiff[1] == 'I')
    bigEndian = false;
  else if (tiff[0] == 'M' && tiff[1] == 'M')
    bigEndian = true;
  else
    return TExifOrientation::Normal;
  const TiffReader r(tiff, bigEndian);
  if (r.U16(2) != 42) return TExifOrientation::Normal;
  const std::size_t ifd = r.U32(4);
  if (!r.Has(ifd, 2)) return TExifOrientation::Normal;
  const std::size_t count = r.U16(ifd);
  // Entries the block does not hold are not read: the count is cut to them.
  const std::size_t available = (tiff.size() - ifd - 2) / EntrySize;
  for (std::size_t i = 0; i < count && i < available; ++i) {
    const std::size_t entry = ifd + 2 + i * EntrySize;
    if (r.U16(entry) != OrientationTag) continue;
    // One SHORT, held in the entry itself; anything else is a damaged tag.
    if (r.U16(entry + 2) != TypeShort || r.U32(entry + 4) != 1) return TExifOrientation::Normal;
    const std::uint16_t value = r.U16(entry + 8);
    return value >= 1 && value <= 8 ? TExifOrientation(value) : TExifOrientation::Normal;
  }
  return TExifOrientation::Normal;
}

TOrientedPlacement OrientedPlacement(TExifOrientation o, int width, int height, std::ptrdiff_t stride) {
  const std::ptrdiff_t lastX = width - 1, lastY = height - 1;
  switch (o) {
    case TExifOrientation::MirrorHorizontal: return {lastX, -1, stride};
    case TExifOrientation::Rotate180: return {lastY * stride + lastX, -1, -stride};
    case TExifOrientation::MirrorVertical: return {lastY * stride, 1, -stride};
    // The upright picture is height pixels wide and width lines tall.
    case TExifOrientation::Transpose: return {0, stride, 1};
    case TExifOrientation::Rotate90: return {lastY, stride, -1};
    case TExifOrientation::Transverse: return {lastX * stride + lastY, -stride, -1};
    case TExifOrientation::Rotate270: return {lastX * stride, -stride, 1};
    case TExifOrientation::Normal: break;
  }
  return {0, 1, stride};
}
