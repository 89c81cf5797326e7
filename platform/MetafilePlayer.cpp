// Metafile player: replays EMF and WMF records onto a QPainter, scaled so
// that the metafile's frame fills the destination rectangle.
//
// Records are stepped through by the walkers of MetafileRecords.h, which check
// every size against the bytes that remain and run libuemf's safety checks;
// fields are then read through metafile::Fields, which checks every offset
// once more. A record that fails stops playback there.
//
// Coordinates go logical -> (world transform, EMF only) -> page (window and
// viewport mapping) -> the metafile's device -> destination. The metafile's
// device is the EMF reference device in pixels, or, for a WMF, the units of
// its bounding box (placeable header) or first window.
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QPaintEngine>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Fonts.h"
#include "platform/Graphics.h"
#include "platform/JpegCache.h"
#include "platform/MetafileRecorder.h"
#include "platform/MetafileRecords.h"

#include <uemf.h>
#include <uemf_safe.h>
#include <uwmf.h>

namespace metafile {

// ---------------------------------------------------------------------------
// Walkers and headers

namespace {

constexpr std::uint32_t EmfSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;

// The records the player interprets; only these are handed to libuemf's
// safety check (it knows nothing of the others, which are skipped unread).
bool Interpreted(std::uint32_t type) {
  switch (type) {
    case U_EMR_HEADER: case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO: case U_EMR_POLYLINETO: case U_EMR_POLYPOLYLINE: case U_EMR_POLYPOLYGON:
    case U_EMR_SETWINDOWEXTEX: case U_EMR_SETWINDOWORGEX: case U_EMR_SETVIEWPORTEXTEX:
    case U_EMR_SETVIEWPORTORGEX: case U_EMR_EOF: case U_EMR_SETPIXELV: case U_EMR_SETMAPMODE:
    case U_EMR_SETBKMODE: case U_EMR_SETPOLYFILLMODE: case U_EMR_SETROP2: case U_EMR_SETTEXTALIGN:
    case U_EMR_SETTEXTCOLOR: case U_EMR_SETBKCOLOR: case U_EMR_OFFSETCLIPRGN: case U_EMR_MOVETOEX:
    case U_EMR_SETMETARGN: case U_EMR_EXCLUDECLIPRECT: case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_SCALEVIEWPORTEXTEX: case U_EMR_SCALEWINDOWEXTEX: case U_EMR_SAVEDC: case U_EMR_RESTOREDC:
    case U_EMR_SETWORLDTRANSFORM: case U_EMR_MODIFYWORLDTRANSFORM: case U_EMR_SELECTOBJECT:
    case U_EMR_CREATEPEN: case U_EMR_CREATEBRUSHINDIRECT: case U_EMR_DELETEOBJECT: case U_EMR_ANGLEARC:
    case U_EMR_ELLIPSE: case U_EMR_RECTANGLE: case U_EMR_ROUNDRECT: case U_EMR_ARC: case U_EMR_CHORD:
    case U_EMR_PIE: case U_EMR_LINETO: case U_EMR_ARCTO: case U_EMR_SETARCDIRECTION: case U_EMR_BEGINPATH:
    case U_EMR_ENDPATH: case U_EMR_CLOSEFIGURE: case U_EMR_FILLPATH: case U_EMR_STROKEANDFILLPATH:
    case U_EMR_STROKEPATH: case U_EMR_SELECTCLIPPATH: case U_EMR_ABORTPATH: case U_EMR_FILLRGN:
    case U_EMR_PAINTRGN: case U_EMR_EXTSELECTCLIPRGN: case U_EMR_BITBLT: case U_EMR_STRETCHBLT:
    case U_EMR_SETDIBITSTODEVICE: case U_EMR_STRETCHDIBITS: case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_EXTTEXTOUTA: case U_EMR_EXTTEXTOUTW: case U_EMR_POLYBEZIER16: case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16: case U_EMR_POLYBEZIERTO16: case U_EMR_POLYLINETO16: case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16: case U_EMR_CREATEMONOBRUSH: case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_EXTCREATEPEN: case U_EMR_ALPHABLEND: case U_EMR_TRANSPARENTBLT: case U_EMR_GRADIENTFILL:
    case U_EMR_MASKBLT: case U_EMR_PLGBLT:
      return true;
    default:
      return false;
  }
}

// Counts that libuemf's check multiplies in 32 bits are checked again here in
// 64 bits: points of the poly records and the characters of text records.
bool Consistent(std::uint32_t type, TByteView record) {
  Fields f(record);
  const std::uint64_t size = record.size();
  switch (type) {
    case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE: case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
      return f.Ok() && 28 + std::uint64_t(f.U32(24)) * 8 <= size;
    case U_EMR_POLYBEZIER16: case U_EMR_POLYGON16: case U_EMR_POLYLINE16: case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
      return 28 + std::uint64_t(f.U32(24)) * 4 <= size && f.Ok();
    case U_EMR_POLYPOLYLINE: case U_EMR_POLYPOLYGON: case U_EMR_POLYPOLYLINE16: case U_EMR_POLYPOLYGON16: {
      const std::uint64_t each = type == U_EMR_POLYPOLYLINE || type == U_EMR_POLYPOLYGON ? 8 : 4;
      const std::uint64_t polys = f.U32(24), total = f.U32(28);
      if (!f.Ok() || 32 + polys * 4 + total * each > size) return false;
      std::uint64_t sum = 0;
      for (std::uint64_t i = 0; i < polys; ++i) sum += f.U32(32 + 4 * i);
      return sum <= total;
    }
    case U_EMR_EXTTEXTOUTA: case U_EMR_EXTTEXTOUTW: {
      const std::uint64_t chars = f.U32(44), offString = f.U32(48);
      return f.Ok() && offString + chars * (type == U_EMR_EXTTEXTOUTW ? 2 : 1) <= size;
    }
    case U_EMR_GRADIENTFILL: {  // vertices of 16 bytes, then rectangles (2 indices) or triangles (3)
      const std::uint64_t vertices = f.U32(24), objects = f.U32(28);
      const std::uint64_t each = f.U32(32) == U_GRADIENT_FILL_TRIANGLE ? 12 : 8;
      return f.Ok() && 36 + vertices * 16 + objects * each <= size;
    }
    default:
      return true;
  }
}

}  // namespace

EmfWalker::EmfWalker(TByteView data) : data_(data) {
  if (reinterpret_cast<std::uintptr_t>(data.data()) % alignof(std::uint32_t) != 0) {
    aligned_.resize((data.size() + 3) / 4);
    if (!data.empty()) std::memcpy(aligned_.data(), data.data(), data.size());
    data_ = TByteView(reinterpret_cast<const std::uint8_t*>(aligned_.data()), data.size());
  }
}

bool EmfWalker::Next(std::uint32_t& type, TByteView& record) {
  if (broken_ || eof_) return false;
  const std::size_t remaining = data_.size() - pos_;
  if (remaining == 0) return false;
  Fields head(data_.subspan(pos_));
  type = head.U32(0);
  const std::uint32_t size = head.U32(4);
  if (!head.Ok() || size < 8 || size % 4 != 0 || size > remaining) {
    broken_ = true;
    return false;
  }
  record = data_.subspan(pos_, size);
  if (Interpreted(type) &&
      (!U_emf_record_safe(reinterpret_cast<const char*>(record.data())) || !Consistent(type, record))) {
    broken_ = true;
    return false;
  }
  pos_ += size;
  if (type == U_EMR_EOF) eof_ = true;
  return true;
}

// The variable parts that libuemf's WMF readers step over without checking:
// string lengths and point counts must fit into the record.
static bool WmfConsistent(std::uint16_t function, TByteView record) {
  Fields f(record);
  const std::int64_t size = std::int64_t(record.size());
  switch (function & 0xFF) {
    case U_WMR_TEXTOUT: {
      const std::int64_t length = f.I16(6);
      return f.Ok() && length >= 0 && 8 + ((length + 1) & ~std::int64_t(1)) + 4 <= size;
    }
    case U_WMR_EXTTEXTOUT: {
      const std::int64_t length = f.I16(10);
      const bool rect = f.U16(12) & (U_ETO_OPAQUE | U_ETO_CLIPPED);
      return f.Ok() && length >= 0 && 14 + (rect ? 8 : 0) + length <= size;
    }
    case U_WMR_POLYGON: case U_WMR_POLYLINE:
      return f.Ok() && 8 + 4 * std::int64_t(f.U16(6)) <= size;
    case U_WMR_POLYPOLYGON: {
      const std::int64_t polys = f.U16(6);
      if (!f.Ok() || 8 + 2 * polys > size) return false;
      std::int64_t points = 0;
      for (std::int64_t i = 0; i < polys; ++i) points += f.U16(8 + 2 * std::size_t(i));
      return 8 + 2 * polys + 4 * points <= size;
    }
    case U_WMR_DIBCREATEPATTERNBRUSH:  // only the DIB form is read
      return f.Ok() && f.U16(6) != U_BS_PATTERN && size >= 10;
    default:
      return true;
  }
}

WmfWalker::WmfWalker(TByteView data, std::size_t firstRecord) : data_(data), pos_(firstRecord) {
  if (pos_ > data_.size()) broken_ = true;
}

bool WmfWalker::Next(std::uint16_t& function, TByteView& record) {
  if (broken_ || eof_) return false;
  const std::size_t remaining = data_.size() - pos_;
  if (remaining == 0) return false;
  const char* p = reinterpret_cast<const char*>(data_.data() + pos_);
  Fields head(data_.subspan(pos_));
  const std::uint64_t size = std::uint64_t(head.U32(0)) * 2;
  function = head.U16(4);
  if (!head.Ok() || size < 6 || size > remaining || U_WMRRECSAFE_get(p, p + remaining) == 0 ||
      !WmfConsistent(function, data_.subspan(pos_, std::size_t(size)))) {
    broken_ = true;
    return false;
  }
  record = data_.subspan(pos_, std::size_t(size));
  pos_ += std::size_t(size);
  if ((function & 0xFF) == U_WMR_EOF) eof_ = true;
  return true;
}

bool ReadEmfHeader(TByteView data, EmfHeader& h) {
  EmfWalker walker(data);
  std::uint32_t type = 0;
  TByteView rec;
  if (!walker.Next(type, rec) || type != U_EMR_HEADER) return false;
  Fields f(rec);
  if (f.Size() < 88 || f.U32(40) != EmfSignature) return false;
  for (int i = 0; i < 4; ++i) {
    h.bounds[i] = f.I32(8 + 4 * i);
    h.frame[i] = f.I32(24 + 4 * i);
  }
  h.deviceCx = f.I32(72);
  h.deviceCy = f.I32(76);
  h.millimetersCx = f.I32(80);
  h.millimetersCy = f.I32(84);
  if (f.Size() >= 108) {
    h.micrometersCx = f.I32(100);
    h.micrometersCy = f.I32(104);
  }
  return f.Ok();
}

bool ValidEmf(TByteView data, EmfHeader& header) {
  if (!ReadEmfHeader(data, header)) return false;
  EmfWalker walker(data);
  std::uint32_t type;
  TByteView rec;
  while (walker.Next(type, rec)) {
  }
  return walker.SawEof() && !walker.Broken();
}

bool ValidWmf(TByteView data, WmfHeader& h) {
  Fields f(data);
  std::size_t start = 0;
  if (f.U32(0) == PlaceableKey) {
    if (data.size() < U_SIZE_WMRPLACEABLE) return false;
    std::uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= f.U16(2 * i);
    if (sum != f.U16(20)) return false;
    h.placeable = true;
    for (int i = 0; i < 4; ++i) h.box[i] = f.I16(6 + 2 * i);
    h.inch = f.U16(14);
    if (h.inch == 0 || h.box[2] == h.box[0] || h.box[3] == h.box[1]) return false;
    start = U_SIZE_WMRPLACEABLE;
  }
  // META_HEADER: type 1 or 2, header size 9 words, version 0x0100 or 0x0300.
  const char* p = reinterpret_cast<const char*>(data.data());
  U_WMRPLACEABLE placeable;
  U_WMRHEADER header;
  if (data.size() < start + U_SIZE_WMRHEADER || wmfheader_get(p + start, p + data.size(), &placeable, &header) == 0)
    return false;
  const std::uint16_t type = f.U16(start), headerWords = f.U16(start + 2), version = f.U16(start + 4);
  if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) return false;
  h.firstRecord = start + 18;

  WmfWalker walker(data, h.firstRecord);
  std::uint16_t function;
  TByteView rec;
  bool haveOrg = false;
  while (walker.Next(function, rec)) {
    if (h.placeable || (h.hasWindow && haveOrg)) continue;
    const char* r = reinterpret_cast<const char*>(rec.data());
    U_POINT16 pt;
    std::uint16_t mode;
    switch (function & 0xFF) {
      case U_WMR_SETMAPMODE:
        if (U_WMRSETMAPMODE_get(r, &mode) && !h.hasWindow) h.mapMode = mode;
        break;
      case U_WMR_SETWINDOWORG:
        if (!haveOrg && U_WMRSETWINDOWORG_get(r, &pt)) {
          haveOrg = true;
          h.windowOrgX = pt.x, h.windowOrgY = pt.y;
        }
        break;
      case U_WMR_SETWINDOWEXT:
        if (!h.hasWindow && U_WMRSETWINDOWEXT_get(r, &pt) && pt.x != 0 && pt.y != 0) {
          h.hasWindow = true;
          h.windowExtX = pt.x, h.windowExtY = pt.y;
        }
        break;
      default:
        break;
    }
  }
  if (!walker.SawEof() || walker.Broken()) return false;
  return h.placeable || h.hasWindow;
}

// ---------------------------------------------------------------------------
// Drawing state

namespace {

constexpr int MaxSaveDepth = 256;
constexpr std::size_t MaxObjects = 65535;
constexpr std::int64_t MaxImagePixels = std::int64_t(1) << 25;
constexpr double MaxFontPixels = 4000;
constexpr double MaxStretchedGlyphPixels = 1024;
constexpr std::uint32_t MaxRegionRects = 4096;
// Gradient fills: objects drawn of one record, and the pixels shaded for one
// triangle and for all triangles of a record (beyond that they are shaded
// coarser and scaled up: the colours change slowly, the edges stay sharp).
constexpr std::uint32_t MaxGradientObjects = 65536;
constexpr std::int64_t MaxTrianglePixels = std::int64_t(1) << 20;
constexpr std::int64_t MaxGradientPixels = std::int64_t(1) << 24;
// Beyond this the painter no longer places a turned bitmap's corners exactly.
constexpr double MaxRasterCoordinate = 1 << 22;
constexpr std::int64_t MinTrianglePixels = 1024;

QColor ColorRef(std::uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }

struct PenState {
  bool null = false;
  bool cosmetic = true;
  double width = 0;  // logical units (geometric pens)
  QColor color = Qt::black;
  Qt::PenStyle style = Qt::SolidLine;
  Qt::PenCapStyle cap = Qt::RoundCap;
  Qt::PenJoinStyle join = Qt::RoundJoin;
};

struct BrushState {
  enum Kind { Solid, Null, Hatch, Pattern } kind = Solid;
  QColor color = Qt::white;
  Qt::BrushStyle hatch = Qt::HorPattern;
  QImage pattern;
  bool mono = false;  // a monochrome pattern: drawn in the text and background colours
};

struct FontState {
  QString face = QStringLiteral("System");
  int height = 0;
  int width = 0;
  int escapement = 0;  // tenths of a degree, counter-clockwise
  int weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  int charset = 0;
};

struct GdiObject {
  enum Kind { Pen, Brush, Font, Other } kind = Other;
  PenState pen;
  BrushState brush;
  FontState font;
};

struct DcState {
  int mapMode = U_MM_TEXT;
  QPointF windowOrg, viewportOrg;
  QSizeF windowExt{1, 1}, viewportExt{1, 1};
  QTransform world;
  PenState pen;
  BrushState brush;
  FontState font;
  QColor textColor = Qt::black, bkColor = Qt::white;
  bool bkOpaque = true;
  unsigned textAlign = 0;
  bool winding = false;
  int rop2 = U_R2_COPYPEN;
  bool arcClockwise = false;
  QPointF current;  // logical
  std::optional<QPainterPath> clip;      // metafile device units
  std::optional<QPainterPath> metaClip;  // metafile device units
};

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e9; }
bool FiniteTransform(const QTransform& t) {
  return Finite(t.m11()) && Finite(t.m12()) && Finite(t.m21()) && Finite(t.m22()) && Finite(t.dx()) &&
         Finite(t.dy()) && std::fabs(t.determinant()) > 1e-12;
}

// Windows-1252 (and Windows-1254 for the Turkish character set) for the
// single-byte text of metafiles; other character sets go through Qt's codecs
// when it has them.
QString DecodeSingleByte(TByteView bytes, int charset) {
  static const char16_t cp1252[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  const char* codec = nullptr;
  switch (charset) {
    case 238: codec = "windows-1250"; break;
    case 204: codec = "windows-1251"; break;
    case 161: codec = "windows-1253"; break;
    case 177: codec = "windows-1255"; break;
    case 178: codec = "windows-1256"; break;
    case 186: codec = "windows-1257"; break;
    default: break;
  }
  if (codec) {
    QStringDecoder decoder(codec);
    if (decoder.isValid())
      return decoder.decode(QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
  }
  QString out;
  out.reserve(qsizetype(bytes.size()));
  for (std::uint8_t b : bytes) {
    char16_t c = b >= 0x80 && b < 0xA0 ? cp1252[b - 0x80] : char16_t(b);
    if (charset == 2 && b >= 0x20) c = char16_t(0xF000 | b);  // symbol fonts
    if (charset == 162) {  // Turkish
      switch (b) {
        case 0xD0: c = 0x011E; break;
        case 0xDD: c = 0x0130; break;
        case 0xDE: c = 0x015E; break;
        case 0xF0: c = 0x011F; break;
        case 0xFD: c = 0x0131; break;
        case 0xFE: c = 0x015F; break;
        default: break;
      }
    }
    out.append(QChar(c));
  }
  return out;
}

// The colours of a DIB that GDI would draw: validated and decoded through the
// shared reader, after a size check that keeps the allocation within what the
// bytes can describe.
QImage DecodeRecordDib(TByteView record, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                       std::uint32_t cbBits, std::uint32_t usage) {
  Fields f(record);
  if (usage != U_DIB_RGB_COLORS || cbBmi < 12 || !f.Has(offBmi, cbBmi) || !f.Has(offBits, cbBits)) return {};
  const std::uint32_t headerSize = f.U32(offBmi);
  if (headerSize > cbBmi || offBits < std::uint64_t(offBmi) + headerSize) return {};
  std::int64_t width, height;
  unsigned bitCount;
  std::uint32_t compression = 0;
  if (headerSize == 12) {
    width = f.U16(offBmi + 4), height = f.U16(offBmi + 6), bitCount = f.U16(offBmi + 10);
  } else {
    width = f.I32(offBmi + 4), height = f.I32(offBmi + 8), bitCount = f.U16(offBmi + 14);
    compression = f.U32(offBmi + 16);
  }
  height = std::llabs(height);
  if (!f.Ok() || width <= 0 || height <= 0 || width * height > MaxImagePixels) return {};
  if (compression == U_BI_RGB || compression == U_BI_BITFIELDS) {
    const std::uint64_t stride = (std::uint64_t(width) * bitCount + 31) / 32 * 4;
    if (stride * std::uint64_t(height) > cbBits) return {};
  } else if (compression != U_BI_RLE8 && compression != U_BI_RLE4) {
    return {};
  }
  try {
    return dib::Decode(record.subspan(0, std::size_t(offBits) + cbBits), offBmi, offBits, false).image;
  } catch (const dib::DibError&) {
    return {};
  }
}

// A 32-bit DIB with premultiplied alpha, as EMR_ALPHABLEND carries it with
// AC_SRC_ALPHA. Null when the bitmap is anything else.
QImage DecodeAlphaDib(TByteView record, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                      std::uint32_t cbBits) {
  Fields f(record);
  if (cbBmi < 40 || !f.Has(offBmi, cbBmi) || !f.Has(offBits, cbBits)) return {};
  const std::int64_t width = f.I32(offBmi + 4), rawHeight = f.I32(offBmi + 8);
  const std::int64_t height = std::llabs(rawHeight);
  if (f.U16(offBmi + 14) != 32 || f.U32(offBmi + 16) != U_BI_RGB || width <= 0 || height <= 0 ||
      width * height > MaxImagePixels || std::uint64_t(width) * 4 * std::uint64_t(height) > cbBits)
    return {};
  QImage image(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return {};
  for (std::int64_t row = 0; row < height; ++row) {
    const std::uint8_t* src = record.data() + offBits + row * width * 4;
    QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(int(rawHeight < 0 ? row : height - 1 - row)));
    for (std::int64_t x = 0; x < width; ++x, src += 4) {
      const int a = src[3];
      dst[x] = qRgba(std::min<int>(src[2], a), std::min<int>(src[1], a), std::min<int>(src[0], a), a);
    }
  }
  return image;
}

// The source bitmap of MASKBLT and PLGBLT with their monochrome mask applied.
// The mask fields (xMask yMask iUsageMask offBmiMask cbBmiMask offBitsMask
// cbBitsMask) start at `at`; the mask's (xMask, yMask) lies on the source's
// `origin`. A source pixel stays where the mask pixel on it is set (nearer
// white than black) and becomes `cleared` elsewhere, also beyond the mask.
// The source as it is without a mask; null when the mask cannot be read.
QImage MaskedSource(TByteView record, Fields& f, std::size_t at, const QImage& source, QPoint origin,
                    QRgb cleared) {
  const std::int64_t dx = std::int64_t(f.I32(at)) - origin.x(), dy = std::int64_t(f.I32(at + 4)) - origin.y();
  const std::uint32_t usage = f.U32(at + 8), offBmi = f.U32(at + 12), cbBmi = f.U32(at + 16);
  const std::uint32_t offBits = f.U32(at + 20), cbBits = f.U32(at + 24);
  if (!f.Ok()) return {};
  if (cbBmi == 0) return source;
  const QImage mask = DecodeRecordDib(record, offBmi, cbBmi, offBits, cbBits, usage);
  if (mask.isNull() || source.isNull()) return {};
  QImage out = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    const std::int64_t my = y + dy;
    const QRgb* bits = my >= 0 && my < mask.height() ? reinterpret_cast<const QRgb*>(mask.constScanLine(int(my)))
                                                     : nullptr;
    for (int x = 0; x < out.width(); ++x) {
      const std::int64_t mx = x + dx;
      if (!bits || mx < 0 || mx >= mask.width() || qGray(bits[mx]) < 128) line[x] = cleared;
    }
  }
  return out;
}

// A packed DIB (header, colours, bits) as WMF records carry it.
QImage DecodePackedDib(TByteView dib, std::uint32_t usage) {
  Fields f(dib);
  const std::uint32_t headerSize = f.U32(0);
  if (!f.Ok() || headerSize > dib.size()) return {};
  std::uint32_t colors = 0, bitCount, compression = 0;
  std::size_t entry = 4;
  if (headerSize == 12) {
    bitCount = f.U16(10);
    entry = 3;
  } else {
    bitCount = f.U16(14);
    compression = f.U32(16);
    colors = f.U32(32);
  }
  if (!f.Ok()) return {};
  std::uint64_t tableBytes = 0;
  if (bitCount <= 8) tableBytes = std::uint64_t(colors ? colors : (1u << std::min(bitCount, 8u))) * entry;
  else if (colors) tableBytes = std::uint64_t(colors) * entry;
  if (compression == U_BI_BITFIELDS && headerSize == 40) tableBytes += 12;
  const std::uint64_t offBits = headerSize + tableBytes;
  if (offBits > dib.size()) return {};
  return DecodeRecordDib(dib, 0, std::uint32_t(offBits), std::uint32_t(offBits),
                         std::uint32_t(dib.size() - offBits), usage);
}

// The bitmap with the pixels of one colour (a COLORREF) left out.
QImage KeyedOut(const QImage& image, std::uint32_t key) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb k = ColorRef(key).rgb() & 0xFFFFFF;
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == k) line[x] = 0;
  }
  return out;
}

// The colours of a Gouraud-shaded triangle (device points d, colours c) over
// area, sampled at the centres of size.width() x size.height() cells. The
// colours are an affine function of the position; outside the triangle they
// go on (clamped), so that an edge drawn from a coarse image stays clean.
QImage ShadeTriangle(const QPointF d[3], const QColor c[3], const QRectF& area, QSize size) {
  const double det = (d[1].x() - d[0].x()) * (d[2].y() - d[0].y()) - (d[2].x() - d[0].x()) * (d[1].y() - d[0].y());
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull() || std::fabs(det) < 1e-9) return {};
  // Per channel: value = base + gx * x + gy * y, with x, y in device units.
  double base[3], gx[3], gy[3];
  for (int ch = 0; ch < 3; ++ch) {
    auto v = [&](int i) { return double(ch == 0 ? c[i].red() : ch == 1 ? c[i].green() : c[i].blue()); };
    const double d1 = v(1) - v(0), d2 = v(2) - v(0);
    gx[ch] = (d1 * (d[2].y() - d[0].y()) - d2 * (d[1].y() - d[0].y())) / det;
    gy[ch] = (d2 * (d[1].x() - d[0].x()) - d1 * (d[2].x() - d[0].x())) / det;
    base[ch] = v(0) - gx[ch] * d[0].x() - gy[ch] * d[0].y();
  }
  const double stepX = area.width() / size.width(), stepY = area.height() / size.height();
  for (int row = 0; row < size.height(); ++row) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(row));
    const double y = area.top() + (row + 0.5) * stepY;
    for (int col = 0; col < size.width(); ++col) {
      const double x = area.left() + (col + 0.5) * stepX;
      int rgb[3];
      for (int ch = 0; ch < 3; ++ch)
        rgb[ch] = int(std::clamp(base[ch] + gx[ch] * x + gy[ch] * y + 0.5, 0.0, 255.0));
      line[col] = qRgb(rgb[0], rgb[1], rgb[2]);
    }
  }
  return image;
}

// ---------------------------------------------------------------------------

class Player {
 public:
  Player(QPainter& painter, bool wmf) : p_(painter), wmf_(wmf) {
    p_.save();
    t0_ = p_.worldTransform();
    hadClip_ = p_.hasClipping();
    if (hadClip_) clip0_ = p_.clipPath();
    rasterOps_ = p_.paintEngine() && p_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    onPaper_ = PaintsOnPaper(p_);
    if (wmf_) s_.mapMode = U_MM_ANISOTROPIC;
  }
  ~Player() { p_.restore(); }
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // The metafile's device rectangle that lands on dest; pixels per mm of the
  // EMF reference device for the metric mapping modes.
  void SetFrame(const QRectF& device, const QRectF& dest, double pxPerMmX, double pxPerMmY) {
    base_ = QTransform(dest.width() / device.width(), 0, 0, dest.height() / device.height(),
                       dest.left() - device.left() * dest.width() / device.width(),
                       dest.top() - device.top() * dest.height() / device.height()) *
            t0_;
    pxPerMmX_ = pxPerMmX;
    pxPerMmY_ = pxPerMmY;
  }
  // WMF: the device is the first window; the viewport starts equal to it.
  void SetWmfWindow(const QRectF& window) {
    s_.windowOrg = s_.viewportOrg = window.topLeft();
    s_.windowExt = s_.viewportExt = window.size();
  }

  bool EmfRecord(std::uint32_t type, Fields& f, TByteView rec);
  bool WmfRecord(std::uint16_t function, TByteView rec);

 private:
  // --- transforms
  QTransform PageTransform() const;
  QTransform LogicalToDevice() const { return s_.world * PageTransform(); }
  QTransform Full() const { return LogicalToDevice() * base_; }
  static double Scale(const QTransform& t) { return std::sqrt(std::fabs(t.determinant())); }

  // --- state changes
  void SetMapMode(int mode) {
    if (mode < U_MM_TEXT || mode > U_MM_ANISOTROPIC) return;
    if (wmf_ && mode != U_MM_ISOTROPIC) mode = U_MM_ANISOTROPIC;
    s_.mapMode = mode;
  }
  void SetExtent(QSizeF& ext, double x, double y) {
    if (x == 0 || y == 0 || !Finite(x) || !Finite(y)) return;
    ext = QSizeF(x, y);
  }
  void ScaleExtent(QSizeF& ext, double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    SetExtent(ext, ext.width() * xNum / xDenom, ext.height() * yNum / yDenom);
  }
  void SetWorld(const QTransform& t) {
    if (FiniteTransform(t)) s_.world = t;
  }
  void ModifyWorld(const QTransform& t, std::uint32_t mode) {
    switch (mode) {
      case U_MWT_IDENTITY: s_.world = QTransform(); break;
      case U_MWT_LEFTMULTIPLY: SetWorld(t * s_.world); break;
      case U_MWT_RIGHTMULTIPLY: SetWorld(s_.world * t); break;
      case 4: SetWorld(t); break;  // MWT_SET
      default: break;
    }
  }
  void SaveDC() {
    if (stack_.size() >= MaxSaveDepth) {
      ++ignoredSaves_;
      return;
    }
    stack_.push_back(s_);
  }
  void RestoreDC(int which) {
    int levels = which < 0 ? -which : int(stack_.size()) + ignoredSaves_ - which + 1;
    if (which == 0 || levels <= 0 || levels > int(stack_.size()) + ignoredSaves_) return;
    const int fromIgnored = std::min(levels, ignoredSaves_);
    ignoredSaves_ -= fromIgnored;
    levels -= fromIgnored;
    if (levels == 0) return;
    stack_.resize(stack_.size() - std::size_t(levels - 1));
    s_ = std::move(stack_.back());
    stack_.pop_back();
    clipDirty_ = true;
  }

  // --- objects
  void PutObject(std::uint32_t index, GdiObject object) {
    if (index == 0 || (objects_.size() >= MaxObjects && !objects_.count(index))) return;
    objects_[index] = std::move(object);
  }
  int WmfSlot(GdiObject object) {
    for (std::size_t i = 0; i < wmfObjects_.size(); ++i)
      if (!wmfObjects_[i]) {
        wmfObjects_[i] = std::move(object);
        return int(i);
      }
    if (wmfObjects_.size() >= MaxObjects) return -1;
    wmfObjects_.push_back(std::move(object));
    return int(wmfObjects_.size() - 1);
  }
  void Select(const GdiObject& o) {
    switch (o.kind) {
      case GdiObject::Pen: s_.pen = o.pen; break;
      case GdiObject::Brush: s_.brush = o.brush; break;
      case GdiObject::Font: s_.font = o.font; break;
      default: break;
    }
  }
  void SelectStock(std::uint32_t index);
  static PenState MakePenState(std::uint32_t style, double width, QColor color, bool forceGeometric);
  static BrushState MakeBrushState(std::uint32_t style, QColor color, std::uint32_t hatch);

  // --- clipping (metafile device units)
  void CombineClip(const QPainterPath& region, int mode);
  void ClipRect(const QRectF& logical, bool exclude);
  void ApplyClip();
  QPainterPath Everything() const {
    QPainterPath p;
    p.addRect(QRectF(-1e7, -1e7, 2e7, 2e7));
    return p;
  }

  // --- drawing
  bool RopColor(QColor& c) const;
  void Prepare(const QTransform& full, bool rop2 = true);
  QPen MakePen(const QTransform& full) const;
  QBrush MakeBrush(const QTransform& full) const;
  void FillArea(const QPainterPath& path, const QTransform& full);
  void Shape(QPainterPath logical, bool fill, bool stroke);
  void PathLineTo(const QPointF& logical);
  void Polyline(const QPolygonF& pts, bool to);
  void PolyBezier(const QPolygonF& pts, bool to);
  void ArcShape(const QRectF& box, QPointF start, QPointF end, int kind);  // 0 arc, 1 chord, 2 pie, 3 arcto
  void PathEnd(bool fill, bool stroke);
  void Text(QPointF ref, const QString& text, const std::vector<double>& dx, std::uint32_t options,
            const QRectF& rect);
  // jpeg: the compressed bytes the image was decoded from, if any (the
  // screen then gets a kept scaled copy).
  void Image(const QRectF& dest, const QImage& image, QRectF src, std::uint32_t rop, double opacity = 1,
             TByteView jpeg = {});
  void PatBlt(const QRectF& dest, std::uint32_t rop);
  QRectF Box(double l, double t, double r, double b) const { return QRectF(QPointF(l, t), QPointF(r, b)); }

  // --- record helpers
  bool EmfPoly(std::uint32_t type, Fields& f);
  bool EmfPolyPoly(std::uint32_t type, Fields& f);
  bool EmfText(std::uint32_t type, Fields& f);
  bool EmfBlt(std::uint32_t type, Fields& f, TByteView rec);
  bool EmfPlgBlt(Fields& f, TByteView rec);
  bool EmfGradient(Fields& f);
  void ShadedTriangle(const QPointF device[3], const QColor colors[3], std::int64_t& budget);
  std::optional<QPainterPath> RegionData(Fields& f, std::size_t pos, std::size_t size);

  QPainter& p_;
  bool wmf_;
  bool rasterOps_ = false;
  bool onPaper_ = false;  // no transparency on the device
  QTransform t0_, base_;
  bool hadClip_ = false;
  QPainterPath clip0_;
  bool clipDirty_ = true;
  double pxPerMmX_ = 96 / 25.4, pxPerMmY_ = 96 / 25.4;
  DcState s_;
  std::vector<DcState> stack_;
  int ignoredSaves_ = 0;
  bool inPath_ = false;
  QPainterPath path_;  // metafile device units
  std::unordered_map<std::uint32_t, GdiObject> objects_;
  std::vector<std::optional<GdiObject>> wmfObjects_;
};

QTransform Player::PageTransform() const {
  double sx = 1, sy = 1;
  const double inchX = pxPerMmX_ * 25.4, inchY = pxPerMmY_ * 25.4;
  switch (s_.mapMode) {
    case U_MM_TEXT: break;
    case U_MM_LOMETRIC: sx = pxPerMmX_ / 10, sy = -pxPerMmY_ / 10; break;
    case U_MM_HIMETRIC: sx = pxPerMmX_ / 100, sy = -pxPerMmY_ / 100; break;
    case U_MM_LOENGLISH: sx = inchX / 100, sy = -inchY / 100; break;
    case U_MM_HIENGLISH: sx = inchX / 1000, sy = -inchY / 1000; break;
    case U_MM_TWIPS: sx = inchX / 1440, sy = -inchY / 1440; break;
    default: {
      sx = s_.viewportExt.width() / s_.windowExt.width();
      sy = s_.viewportExt.height() / s_.windowExt.height();
      if (s_.mapMode == U_MM_ISOTROPIC) {
        const double m = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(m, sx), sy = std::copysign(m, sy);
      }
    }
  }
  return QTransform(sx, 0, 0, sy, s_.viewportOrg.x() - s_.windowOrg.x() * sx,
                    s_.viewportOrg.y() - s_.windowOrg.y() * sy);
}

void Player::SelectStock(std::uint32_t index) {
  PenState pen;
  BrushState brush;
  switch (index & 0x7FFFFFFF) {
    case 0: brush.color = Qt::white; s_.brush = brush; break;               // WHITE_BRUSH
    case 1: brush.color = QColor(192, 192, 192); s_.brush = brush; break;   // LTGRAY_BRUSH
    case 2: brush.color = QColor(128, 128, 128); s_.brush = brush; break;   // GRAY_BRUSH
    case 3: brush.color = QColor(64, 64, 64); s_.brush = brush; break;      // DKGRAY_BRUSH
    case 4: brush.color = Qt::black; s_.brush = brush; break;               // BLACK_BRUSH
    case 5: brush.kind = BrushState::Null; s_.brush = brush; break;         // NULL_BRUSH
    case 6: pen.color = Qt::white; s_.pen = pen; break;                     // WHITE_PEN
    case 7: s_.pen = pen; break;                                            // BLACK_PEN
    case 8: pen.null = true; s_.pen = pen; break;                           // NULL_PEN
    case 10: case 11: case 16: s_.font = FontState{QStringLiteral("Courier New")}; break;
    case 12: case 13: case 14: case 17: s_.font = FontState{}; break;
    case 18: s_.brush = brush; break;  // DC_BRUSH
    case 19: s_.pen = pen; break;      // DC_PEN
    default: break;
  }
}

PenState Player::MakePenState(std::uint32_t style, double width, QColor color, bool geometric) {
  PenState pen;
  pen.color = color;
  pen.width = std::fabs(width);
  pen.cosmetic = !geometric && pen.width <= 1;
  switch (style & U_PS_STYLE_MASK) {
    case U_PS_NULL: pen.null = true; break;
    case U_PS_DASH: pen.style = Qt::DashLine; break;
    case U_PS_DOT: case U_PS_ALTERNATE: pen.style = Qt::DotLine; break;
    case U_PS_DASHDOT: pen.style = Qt::DashDotLine; break;
    case U_PS_DASHDOTDOT: pen.style = Qt::DashDotDotLine; break;
    default: break;
  }
  switch (style & U_PS_ENDCAP_MASK) {
    case U_PS_ENDCAP_SQUARE: pen.cap = Qt::SquareCap; break;
    case U_PS_ENDCAP_FLAT: pen.cap = Qt::FlatCap; break;
    default: break;
  }
  switch (style & U_PS_JOIN_MASK) {
    case U_PS_JOIN_BEVEL: pen.join = Qt::BevelJoin; break;
    case U_PS_JOIN_MITER: pen.join = Qt::MiterJoin; break;
    default: break;
  }
  return pen;
}

BrushState Player::MakeBrushState(std::uint32_t style, QColor color, std::uint32_t hatch) {
  BrushState brush;
  brush.color = color;
  switch (style) {
    case U_BS_SOLID: break;
    case U_BS_HATCHED: {
      static const Qt::BrushStyle styles[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                              Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
      brush.kind = BrushState::Hatch;
      brush.hatch = hatch < 6 ? styles[hatch] : Qt::HorPattern;
      break;
    }
    default: brush.kind = BrushState::Null; break;  // BS_NULL and pattern brushes without a bitmap
  }
  return brush;
}

// --- clipping

void Player::CombineClip(const QPainterPath& region, int mode) {
  const QPainterPath current = s_.clip ? *s_.clip : Everything();
  switch (mode) {
    case U_RGN_AND: s_.clip = current.intersected(region); break;
    case U_RGN_OR: s_.clip = s_.clip ? current.united(region) : current; break;
    case U_RGN_XOR: s_.clip = current.united(region).subtracted(current.intersected(region)); break;
    case U_RGN_DIFF: s_.clip = current.subtracted(region); break;
    case U_RGN_COPY: s_.clip = region; break;
    default: return;
  }
  clipDirty_ = true;
}

void Player::ClipRect(const QRectF& logical, bool exclude) {
  QPainterPath rect;
  rect.addRect(logical.normalized());
  CombineClip(LogicalToDevice().map(rect), exclude ? U_RGN_DIFF : U_RGN_AND);
}

void Player::ApplyClip() {
  if (!clipDirty_) return;
  clipDirty_ = false;
  p_.setWorldTransform(t0_);
  if (hadClip_) p_.setClipPath(clip0_, Qt::ReplaceClip);
  else p_.setClipPath(QPainterPath(), Qt::NoClip);  // not setClipping(false): Qt 6.4 then ignores the next clip
  std::optional<QPainterPath> clip = s_.clip;
  if (s_.metaClip) clip = clip ? clip->intersected(*s_.metaClip) : *s_.metaClip;
  if (!clip) return;
  p_.setWorldTransform(base_);
  p_.setClipPath(*clip, hadClip_ ? Qt::IntersectClip : Qt::ReplaceClip);
}

// --- drawing

bool Player::RopColor(QColor& c) const {
  switch (s_.rop2) {
    case U_R2_NOP: return false;
    case U_R2_BLACK: c = Qt::black; break;
    case U_R2_WHITE: c = Qt::white; break;
    case U_R2_NOTCOPYPEN: c = QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); break;
    case U_R2_NOT: c = Qt::white; break;
    default: break;
  }
  return true;
}

void Player::Prepare(const QTransform& full, bool rop2) {
  ApplyClip();
  p_.setWorldTransform(full);
  p_.setOpacity(1);
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  if (rasterOps_ && rop2) {
    switch (s_.rop2) {
      case U_R2_XORPEN: case U_R2_NOT: mode = QPainter::RasterOp_SourceXorDestination; break;
      case U_R2_MASKPEN: mode = QPainter::RasterOp_SourceAndDestination; break;
      case U_R2_MERGEPEN: mode = QPainter::RasterOp_SourceOrDestination; break;
      default: break;
    }
  }
  p_.setCompositionMode(mode);
}

QPen Player::MakePen(const QTransform& full) const {
  if (s_.pen.null) return QPen(Qt::NoPen);
  QColor color = s_.pen.color;
  if (!RopColor(color)) return QPen(Qt::NoPen);
  const bool cosmetic = s_.pen.cosmetic || s_.pen.width * Scale(full) < 1.5;
  QPen pen(color, cosmetic ? 0 : s_.pen.width, s_.pen.style, cosmetic ? Qt::FlatCap : s_.pen.cap,
           s_.pen.join);
  return pen;
}

QBrush Player::MakeBrush(const QTransform& full) const {
  QColor color = s_.brush.color;
  if (s_.brush.kind == BrushState::Null || !RopColor(color)) return QBrush(Qt::NoBrush);
  // Hatches and patterns keep their size in output pixels, as on a screen.
  QTransform keep = full.inverted();
  keep = QTransform(keep.m11(), keep.m12(), keep.m21(), keep.m22(), 0, 0);
  switch (s_.brush.kind) {
    case BrushState::Hatch: {
      QBrush b(color, s_.brush.hatch);
      b.setTransform(keep);
      return b;
    }
    case BrushState::Pattern: {
      QImage pattern = s_.brush.pattern;
      if (s_.brush.mono) {
        pattern = pattern.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < pattern.height(); ++y) {
          QRgb* line = reinterpret_cast<QRgb*>(pattern.scanLine(y));
          for (int x = 0; x < pattern.width(); ++x)
            line[x] = qGray(line[x]) < 128 ? s_.textColor.rgb() : s_.bkColor.rgb();
        }
      }
      QBrush b(pattern);
      b.setTransform(keep);
      return b;
    }
    default: return QBrush(color);
  }
}

void Player::FillArea(const QPainterPath& path, const QTransform& full) {
  if (s_.brush.kind == BrushState::Null) return;
  if (s_.brush.kind == BrushState::Hatch && s_.bkOpaque) {
    QColor bk = s_.bkColor;
    if (RopColor(bk)) p_.fillPath(path, bk);
  }
  p_.fillPath(path, MakeBrush(full));
}

void Player::Shape(QPainterPath logical, bool fill, bool stroke) {
  if (inPath_) {
    path_.addPath(LogicalToDevice().map(logical));
    return;
  }
  const QTransform full = Full();
  Prepare(full);
  logical.setFillRule(s_.winding ? Qt::WindingFill : Qt::OddEvenFill);
  if (fill) FillArea(logical, full);
  if (stroke && !s_.pen.null) p_.strokePath(logical, MakePen(full));
}

void Player::PathLineTo(const QPointF& logical) {
  const QTransform t = LogicalToDevice();
  const QPointF from = t.map(s_.current), to = t.map(logical);
  if (path_.elementCount() == 0 || path_.currentPosition() != from) path_.moveTo(from);
  path_.lineTo(to);
}

void Player::Polyline(const QPolygonF& pts, bool to) {
  if (pts.isEmpty()) return;
  if (to) {
    if (inPath_) {
      for (const QPointF& pt : pts) {
        PathLineTo(pt);
        s_.current = pt;
      }
      return;
    }
    QPolygonF all;
    all.reserve(pts.size() + 1);
    all << s_.current << pts;
    s_.current = pts.back();
    QPainterPath path;
    path.addPolygon(all);
    Shape(path, false, true);
    return;
  }
  QPainterPath path;
  path.addPolygon(pts);
  Shape(path, false, true);
}

void Player::PolyBezier(const QPolygonF& pts, bool to) {
  QPainterPath path;
  int i = 0;
  if (to) {
    path.moveTo(s_.current);
  } else {
    if (pts.isEmpty()) return;
    path.moveTo(pts[0]);
    i = 1;
  }
  for (; i + 2 < pts.size(); i += 3) path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
  if (to) s_.current = path.currentPosition();
  if (inPath_ && to) {
    // continue the figure rather than starting a new one
    const QTransform t = LogicalToDevice();
    const QPainterPath mapped = t.map(path);
    if (path_.elementCount() == 0 || path_.currentPosition() != mapped.elementAt(0)) path_.moveTo(mapped.elementAt(0));
    path_.connectPath(mapped);
    return;
  }
  Shape(path, false, true);
}

void Player::ArcShape(const QRectF& rawBox, QPointF start, QPointF end, int kind) {
  const QRectF box = rawBox.normalized();
  if (box.width() <= 0 || box.height() <= 0) return;
  const QPointF c = box.center();
  auto angle = [&](QPointF pt) {
    const double ux = (pt.x() - c.x()) / (box.width() / 2), uy = (pt.y() - c.y()) / (box.height() / 2);
    return (ux == 0 && uy == 0) ? 0.0 : std::atan2(-uy, ux) * 180 / M_PI;
  };
  const double a1 = angle(start), a2 = angle(end);
  // Arcs run counter-clockwise as seen on the device unless set otherwise.
  bool clockwise = s_.arcClockwise;
  if (LogicalToDevice().determinant() < 0) clockwise = !clockwise;
  double sweep = a2 - a1;
  if (clockwise) {
    if (sweep >= 0) sweep -= 360;
  } else if (sweep <= 0) {
    sweep += 360;
  }
  QPainterPath path;
  path.arcMoveTo(box, a1);
  const QPointF arcStart = path.currentPosition();
  if (kind == 2) {
    path = QPainterPath(c);
    path.lineTo(arcStart);
  }
  path.arcTo(box, a1, sweep);
  if (kind == 1 || kind == 2) path.closeSubpath();
  if (kind == 3) {
    QPainterPath withLine(s_.current);
    withLine.lineTo(arcStart);
    withLine.connectPath(path);
    s_.current = path.currentPosition();
    if (inPath_) {
      const QPainterPath mapped = LogicalToDevice().map(withLine);
      if (path_.elementCount() == 0) path_.moveTo(mapped.elementAt(0));
      path_.connectPath(mapped);
      return;
    }
    Shape(withLine, false, true);
    return;
  }
  Shape(path, kind != 0, true);
}

void Player::PathEnd(bool fill, bool stroke) {
  // The path is kept in device units; it is drawn in today's logical units
  // so that the pen keeps its logical width.
  inPath_ = false;
  const QPainterPath logical = LogicalToDevice().inverted().map(path_);
  path_ = QPainterPath();
  Shape(logical, fill, stroke);
}

void Player::Text(QPointF ref, const QString& text, const std::vector<double>& dx, std::uint32_t options,
                  const QRectF& rect) {
  if (inPath_) return;
  const QTransform full = Full();
  Prepare(full);
  if ((options & U_ETO_OPAQUE) && !rect.isNull()) p_.fillRect(rect.normalized(), s_.bkColor);
  if (text.isEmpty()) return;
  const bool updateCp = s_.textAlign & U_TA_UPDATECP;
  if (updateCp) ref = s_.current;

  // The font in output pixels.
  const double yScale = std::hypot(full.m21(), full.m22()), xScale = std::hypot(full.m11(), full.m12());
  double px = s_.font.height == 0 ? 12 * Scale(base_) : std::fabs(double(s_.font.height)) * yScale;
  if (!(px >= 0.5) || xScale <= 0) return;
  // Faces that Linux lacks go through the platform's substitutes; glyphs
  // are unhinted so that widths scale with the output.
  TFont logical;
  logical.Name = s_.font.face.toStdString();
  logical.Charset = s_.font.charset;
  logical.Style = (s_.font.italic ? unsigned(fsItalic) : 0u) | (s_.font.underline ? unsigned(fsUnderline) : 0u) |
                  (s_.font.strikeOut ? unsigned(fsStrikeOut) : 0u);
  const int pixels = std::max(1, int(std::lround(std::min(px, MaxFontPixels))));
  logical.Height = s_.font.height > 0 ? pixels : -pixels;
  QFont font = MakeQFont(logical, 0, true);
  font.setWeight(QFont::Weight(std::clamp(s_.font.weight == 0 ? 400 : s_.font.weight, 1, 1000)));
  if (s_.font.width != 0) {  // an average character width: stretch the face to it
    const double average = QFontMetricsF(font).averageCharWidth();
    // Stretched glyphs stay at most ten times as wide as the face and about
    // a thousand pixels wide: the glyph rasteriser fails on wider ones.
    const int maxStretch = std::clamp(int(100 * MaxStretchedGlyphPixels / pixels), 1, 1000);
    if (average > 0)
      font.setStretch(
          std::clamp(int(std::lround(std::min(1e6, 100 * std::fabs(double(s_.font.width)) * xScale / average))), 1, maxStretch));
  }
  const QFontMetricsF fm(font);

  // Advances along the baseline, in output pixels.
  std::vector<double> advance;
  double width = 0;
  if (!dx.empty()) {
    advance.resize(std::size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
      advance[std::size_t(i)] = width;
      width += (std::size_t(i) < dx.size() ? dx[std::size_t(i)] : 0) * xScale;
    }
  } else {
    width = fm.horizontalAdvance(text);
  }

  const QPointF origin = full.map(ref);
  const double angle = s_.font.escapement / 10.0 + std::atan2(-full.m12(), full.m11()) * 180 / M_PI;
  double x = 0;
  switch (s_.textAlign & U_TA_CENTER) {
    case U_TA_RIGHT: x = -width; break;
    case U_TA_CENTER: x = -width / 2; break;
    default: break;
  }
  double baseline = fm.ascent();
  switch (s_.textAlign & U_TA_BASELINE) {
    case U_TA_BASELINE: baseline = 0; break;
    case U_TA_BOTTOM: baseline = -fm.descent(); break;
    default: break;
  }

  p_.save();
  if (options & U_ETO_CLIPPED) {
    p_.setWorldTransform(full);
    p_.setClipRect(rect.normalized(), Qt::IntersectClip);
  }
  QTransform textFrame;
  textFrame.translate(origin.x(), origin.y());
  textFrame.rotate(-angle);
  p_.setWorldTransform(textFrame);
  if (s_.bkOpaque && !(options & U_ETO_OPAQUE)) p_.fillRect(QRectF(x, baseline - fm.ascent(), width, fm.height()), s_.bkColor);
  QColor color = s_.textColor;
  p_.setPen(color);
  p_.setFont(font);
  if (dx.empty()) {
    p_.drawText(QPointF(x, baseline), text);
  } else {
    for (qsizetype i = 0; i < text.size(); ++i) {
      qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
      p_.drawText(QPointF(x + advance[std::size_t(i)], baseline), text.mid(i, n));
      i += n - 1;
    }
  }
  p_.restore();

  if (updateCp) {
    const double logicalWidth = width / xScale;
    switch (s_.textAlign & U_TA_CENTER) {
      case U_TA_RIGHT: s_.current.rx() -= logicalWidth; break;
      case U_TA_CENTER: break;
      default: s_.current.rx() += logicalWidth; break;
    }
  }
}

void Player::Image(const QRectF& rawDest, const QImage& image, QRectF src, std::uint32_t rop, double opacity,
                   TByteView jpeg) {
  if (image.isNull() || inPath_) return;
  QImage img = image;
  QRectF dest = rawDest;
  // A negative extent mirrors.
  if (dest.width() < 0 || dest.height() < 0) {
    const bool h = dest.width() < 0, v = dest.height() < 0;
    img = img.mirrored(h, v);
    if (h) src.moveLeft(img.width() - src.right());
    if (v) src.moveTop(img.height() - src.bottom());
    dest = dest.normalized();
  }
  if (src.width() < 0 || src.height() < 0) src = src.normalized();
  if (src.isEmpty() || dest.isEmpty()) return;
  // Only the part of the source inside the bitmap is drawn, at the same scale.
  const QRectF inside = src.intersected(QRectF(img.rect()));
  if (inside.isEmpty()) return;
  const double sx = dest.width() / src.width(), sy = dest.height() / src.height();
  dest = QRectF(dest.left() + (inside.left() - src.left()) * sx, dest.top() + (inside.top() - src.top()) * sy,
                inside.width() * sx, inside.height() * sy);
  src = inside;
  Prepare(Full(), false);
  if (onPaper_) {
    img = OpaqueForPaper(img, opacity);
    opacity = 1;
  }
  p_.setOpacity(opacity);
  switch (rop) {
    case U_SRCCOPY: break;
    case U_NOTSRCCOPY: img.invertPixels(); break;
    case U_SRCAND:
      if (!rasterOps_) return;
      p_.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      break;
    case U_SRCPAINT:
      if (rasterOps_) {
        p_.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      } else {  // black adds nothing: leave it out
        img = img.convertToFormat(QImage::Format_ARGB32);
        img.setAlphaChannel(img.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskOutColor).convertToFormat(QImage::Format_Grayscale8));
      }
      break;
    case U_SRCINVERT:
      if (rasterOps_) p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      break;
    default: break;
  }
  // With a plain scale the picture is placed on device pixels here: the
  // painter's own scaling of a bitmap under a mirroring or vanishing scale
  // (far below a pixel) reads outside the picture. A picture then covers at
  // least one device pixel each way.
  const QTransform t = p_.transform();
  if (t.type() > QTransform::TxScale) {
    p_.drawImage(dest, img, src);
    return;
  }
  QRectF device = t.mapRect(dest);
  if (!Finite(device.left()) || !Finite(device.top()) || !Finite(device.right()) || !Finite(device.bottom())) return;
  if (device.width() < 1) device.setWidth(1);
  if (device.height() < 1) device.setHeight(1);
  const bool h = t.m11() < 0, v = t.m22() < 0;
  if (h || v) {
    img = img.mirrored(h, v);
    if (h) src.moveLeft(img.width() - src.right());
    if (v) src.moveTop(img.height() - src.bottom());
  }
  p_.save();
  p_.resetTransform();
  const bool wholeJpeg = !jpeg.empty() && !h && !v && rop == U_SRCCOPY && src == QRectF(img.rect());
  const QSize onScreen = device.size().toSize();
  const bool shrunk = onScreen.width() < img.width() && onScreen.height() < img.height();
  // Played onto a recording canvas (the page picture of a report file), a
  // photo stays compressed; shrunk, it keeps only the pixels it is shown with.
  if (TMetafileRecorder* recorder = wholeJpeg && opacity == 1 ? TMetafileRecorder::Of(p_) : nullptr) {
    if (shrunk) {
      const QImage shown = ScaledJpeg(jpeg, onScreen);
      if (!shown.isNull()) recorder->DrawJpeg(p_, device, shown, EncodeJpegPixels(shown, 90));
    } else {
      recorder->DrawJpeg(p_, device, img, jpeg);
    }
    p_.restore();
    return;
  }
  // A photo shrunk for the screen is drawn from its kept scaled copy.
  const QImage scaled = wholeJpeg && shrunk && PaintsOnScreen(p_)
                            ? ScaledJpeg(jpeg, onScreen)
                            : QImage();
  if (!scaled.isNull())
    p_.drawImage(device, scaled);
  else
    p_.drawImage(device, img, src);
  p_.restore();
}

void Player::PatBlt(const QRectF& rawDest, std::uint32_t rop) {
  if (inPath_) return;
  const QRectF dest = rawDest.normalized();
  const QTransform full = Full();
  Prepare(full, false);
  QPainterPath path;
  path.addRect(dest);
  switch (rop) {
    case U_PATCOPY: p_.fillPath(path, MakeBrush(full)); break;
    case U_BLACKNESS: p_.fillPath(path, Qt::black); break;
    case U_WHITENESS: p_.fillPath(path, Qt::white); break;
    case U_DSTINVERT:
      if (rasterOps_) {
        p_.setCompositionMode(QPainter::RasterOp_NotDestination);
        p_.fillPath(path, Qt::black);
      }
      break;
    case U_PATINVERT:
      if (rasterOps_) {
        p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p_.fillPath(path, MakeBrush(full));
      }
      break;
    default: break;
  }
}

std::optional<QPainterPath> Player::RegionData(Fields& f, std::size_t pos, std::size_t size) {
  // RGNDATAHEADER: dwSize, iType, nCount, nRgnSize, rcBound; then nCount rectangles.
  if (size < 32 || !f.Has(pos, size)) return std::nullopt;
  const std::uint32_t count = f.U32(pos + 8);
  if (count > (size - 32) / 16) return std::nullopt;
  QRegion region;
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(count, MaxRegionRects); ++i) {
    const std::size_t r = pos + 32 + 16 * std::size_t(i);
    auto at = [&](std::size_t pos) { return int(std::clamp<std::int64_t>(f.I32(pos), -100000000, 100000000)); };
    const QRect rect = QRect(QPoint(at(r), at(r + 4)), QPoint(at(r + 8) - 1, at(r + 12) - 1));
    if (rect.isValid()) region += rect;
  }
  if (!f.Ok()) return std::nullopt;
  QPainterPath path;
  path.addRegion(region);
  return path;
}

// ---------------------------------------------------------------------------
// EMF records

QPointF PointL(Fields& f, std::size_t pos) { return QPointF(f.I32(pos), f.I32(pos + 4)); }

bool Player::EmfPoly(std::uint32_t type, Fields& f) {
  const bool small = type >= U_EMR_POLYBEZIER16;
  const std::uint32_t count = f.U32(24);
  const std::size_t each = small ? 4 : 8;
  if (!f.Ok() || count > (f.Size() - 28) / each) return false;
  QPolygonF pts;
  pts.reserve(qsizetype(count));
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t pos = 28 + each * i;
    pts << (small ? QPointF(f.I16(pos), f.I16(pos + 2)) : PointL(f, pos));
  }
  switch (small ? type - U_EMR_POLYBEZIER16 + U_EMR_POLYBEZIER : type) {
    case U_EMR_POLYBEZIER: PolyBezier(pts, false); break;
    case U_EMR_POLYGON: {
      QPainterPath path;
      path.addPolygon(pts);
      path.closeSubpath();
      Shape(path, true, true);
      break;
    }
    case U_EMR_POLYLINE: Polyline(pts, false); break;
    case U_EMR_POLYBEZIERTO: PolyBezier(pts, true); break;
    case U_EMR_POLYLINETO: Polyline(pts, true); break;
    default: break;
  }
  return f.Ok();
}

bool Player::EmfPolyPoly(std::uint32_t type, Fields& f) {
  const bool small = type == U_EMR_POLYPOLYLINE16 || type == U_EMR_POLYPOLYGON16;
  const bool polygon = type == U_EMR_POLYPOLYGON || type == U_EMR_POLYPOLYGON16;
  const std::uint32_t polys = f.U32(24), total = f.U32(28);
  const std::size_t each = small ? 4 : 8;
  if (!f.Ok() || polys > (f.Size() - 32) / 4) return false;
  const std::size_t pointsAt = 32 + 4 * std::size_t(polys);
  if (total > (f.Size() - pointsAt) / each) return false;
  QPainterPath path;
  std::uint64_t next = 0;
  for (std::uint32_t k = 0; k < polys; ++k) {
    const std::uint32_t n = f.U32(32 + 4 * std::size_t(k));
    if (n > total - next) return false;
    QPolygonF pts;
    pts.reserve(qsizetype(n));
    for (std::uint32_t i = 0; i < n; ++i, ++next) {
      const std::size_t pos = pointsAt + each * next;
      pts << (small ? QPointF(f.I16(pos), f.I16(pos + 2)) : PointL(f, pos));
    }
    path.addPolygon(pts);
    if (polygon) path.closeSubpath();
  }
  if (!f.Ok()) return false;
  Shape(path, polygon, true);
  return true;
}

bool Player::EmfText(std::uint32_t type, Fields& f) {
  // rclBounds, iGraphicsMode, exScale, eyScale, then EMRTEXT at 36:
  // ptlReference, nChars, offString, fOptions, [rcl], offDx.
  const QPointF ref = PointL(f, 36);
  const std::uint32_t count = f.U32(44), offString = f.U32(48), options = f.U32(52);
  QRectF rect;
  std::size_t dxField = 72;
  if (options & U_ETO_NO_RECT) dxField = 56;
  else rect = Box(f.I32(56), f.I32(60), f.I32(64), f.I32(68));
  const std::uint32_t offDx = f.U32(dxField);
  if (!f.Ok()) return false;
  const bool wide = type == U_EMR_EXTTEXTOUTW;
  TByteView chars = f.Bytes(offString, std::size_t(count) * (wide ? 2 : 1));
  if (!f.Ok()) return false;
  if (options & U_ETO_GLYPH_INDEX) {  // glyph numbers of a font we do not have: only the background
    Text(ref, QString(), {}, options, rect);
    return true;
  }
  QString text;
  if (wide) {
    text.resize(qsizetype(count));
    for (std::uint32_t i = 0; i < count; ++i) text[qsizetype(i)] = QChar(char16_t(chars[2 * i] | (chars[2 * i + 1] << 8)));
  } else {
    text = DecodeSingleByte(chars, s_.font.charset);
  }
  std::vector<double> dx;
  const std::size_t step = (options & U_ETO_PDY) ? 8 : 4;
  if (offDx != 0 && count > 0 && f.Has(offDx, count * step)) {
    dx.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) dx[i] = f.I32(offDx + step * i);
  }
  Text(ref, text, dx, options, rect);
  return true;
}

bool Player::EmfBlt(std::uint32_t type, Fields& f, TByteView rec) {
  QRectF dest, src;
  std::uint32_t rop = U_SRCCOPY, offBmi, cbBmi, offBits, cbBits, usage;
  QImage image;
  double opacity = 1;
  switch (type) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT:  // its dwRop is the colour left out
    case U_EMR_MASKBLT: {
      // xDest yDest cxDest cyDest dwRop xSrc ySrc xformSrc crBkColorSrc iUsageSrc
      // offBmiSrc cbBmiSrc offBitsSrc cbBitsSrc [cxSrc cySrc | the mask's fields]
      const bool unscaled = type == U_EMR_BITBLT || type == U_EMR_MASKBLT;
      dest = QRectF(f.I32(24), f.I32(28), f.I32(32), f.I32(36));
      rop = f.U32(40);
      usage = f.U32(80);
      offBmi = f.U32(84), cbBmi = f.U32(88), offBits = f.U32(92), cbBits = f.U32(96);
      QSizeF srcSize = dest.size();
      if (!unscaled) srcSize = QSizeF(f.I32(100), f.I32(104));
      src = QRectF(QPointF(f.I32(44), f.I32(48)), srcSize);
      if (!f.Ok()) return false;
      // MASKBLT's dwRop holds two operations: the low three bytes where the
      // mask is set, and in the high byte the index of the one where it is
      // clear (0xAA keeps the destination).
      const std::uint32_t background = rop >> 24;
      if (type == U_EMR_MASKBLT) rop &= 0xFFFFFF;
      if (cbBmi == 0) {
        if (unscaled) PatBlt(dest, rop);
        return true;
      }
      image = DecodeRecordDib(rec, offBmi, cbBmi, offBits, cbBits, usage);
      if (type == U_EMR_MASKBLT && background != ((rop >> 16) & 0xFF)) {
        // Where the mask is clear the destination stays (any other background
        // operation is taken as that): the source is left out there, or, under
        // a raster operation, made of the colour that changes nothing.
        QRgb keep = 0;
        if (rop == U_SRCPAINT || (rasterOps_ && rop == U_SRCINVERT)) keep = qRgb(0, 0, 0);
        if (rasterOps_ && rop == U_SRCAND) keep = qRgb(255, 255, 255);
        image = MaskedSource(rec, f, 100, image, src.topLeft().toPoint(), keep);
        if (!f.Ok()) return false;
      }
      if (type == U_EMR_TRANSPARENTBLT) {
        if (!image.isNull()) image = KeyedOut(image, rop);
        rop = U_SRCCOPY;
      }
      if (type == U_EMR_ALPHABLEND) {  // BLENDFUNCTION: op, flags, constant alpha, format
        if ((rop >> 24) & U_AC_SRC_ALPHA) {
          const QImage alpha = DecodeAlphaDib(rec, offBmi, cbBmi, offBits, cbBits);
          if (!alpha.isNull()) image = alpha;
        }
        opacity = ((rop >> 16) & 0xFF) / 255.0;
        rop = U_SRCCOPY;
      }
      break;
    }
    case U_EMR_STRETCHDIBITS: {
      // xDest yDest xSrc ySrc cxSrc cySrc offBmiSrc cbBmiSrc offBitsSrc cbBitsSrc iUsageSrc dwRop cxDest cyDest
      src = QRectF(f.I32(32), f.I32(36), f.I32(40), f.I32(44));
      offBmi = f.U32(48), cbBmi = f.U32(52), offBits = f.U32(56), cbBits = f.U32(60);
      usage = f.U32(64), rop = f.U32(68);
      dest = QRectF(f.I32(24), f.I32(28), f.I32(72), f.I32(76));
      if (!f.Ok()) return false;
      if (cbBmi == 0) {
        PatBlt(dest, rop);
        return true;
      }
      if (const std::optional<TRecordJpeg> jpeg = RecordJpeg(rec, offBmi, cbBmi, offBits, cbBits, usage)) {
        // A photo kept compressed: its pixels, the source mapped onto them.
        image = jpeg->Pixels();
        if (image.isNull()) return true;
        const double sx = double(image.width()) / jpeg->Size.width(), sy = double(image.height()) / jpeg->Size.height();
        src = QRectF(src.x() * sx, src.y() * sy, src.width() * sx, src.height() * sy);
        Image(dest, image, src, rop, opacity, jpeg->Bytes);
        return true;
      }
      image = DecodeRecordDib(rec, offBmi, cbBmi, offBits, cbBits, usage);
      // Source y counts from the bottom for bottom-up bitmaps.
      if (!image.isNull() && f.I32(offBmi + 8) > 0) src.moveTop(image.height() - src.bottom());
      break;
    }
    case U_EMR_SETDIBITSTODEVICE: {
      // xDest yDest xSrc ySrc cxSrc cySrc offBmiSrc cbBmiSrc offBitsSrc cbBitsSrc iUsageSrc iStartScan cScans
      const QPointF at(f.I32(24), f.I32(28));
      src = QRectF(f.I32(32), f.I32(36), f.I32(40), f.I32(44));
      offBmi = f.U32(48), cbBmi = f.U32(52), offBits = f.U32(56), cbBits = f.U32(60);
      usage = f.U32(64);
      const std::uint32_t startScan = f.U32(68), scans = f.U32(72);
      const std::int32_t height = f.I32(offBmi + 8);
      if (!f.Ok()) return false;
      image = DecodeRecordDib(rec, offBmi, cbBmi, offBits, cbBits, usage);
      if (image.isNull()) return true;
      if (height > 0) src.moveTop(image.height() - src.bottom());
      if (startScan != 0 || scans < std::uint32_t(image.height())) break;  // banded bitmaps: not drawn
      // One bitmap pixel per device pixel.
      const QTransform toDevice = LogicalToDevice();
      const QPointF d = toDevice.map(at);
      const QTransform back = toDevice.inverted();
      dest = QRectF(back.map(d), back.map(d + QPointF(src.width(), src.height())));
      break;
    }
    default: return true;
  }
  if (!image.isNull()) Image(dest, image, src, rop, opacity);
  return true;
}

// PLGBLT: rclBounds aptlDst[3] xSrc ySrc cxSrc cySrc xformSrc crBkColorSrc
// iUsageSrc offBmiSrc cbBmiSrc offBitsSrc cbBitsSrc, then the mask's fields.
// The source rectangle is mapped onto the parallelogram whose upper left,
// upper right and lower left corners are given; where the mask is clear the
// destination stays.
bool Player::EmfPlgBlt(Fields& f, TByteView rec) {
  const QPointF p0 = PointL(f, 24), p1 = PointL(f, 32), p2 = PointL(f, 40);
  const QRectF src(f.I32(48), f.I32(52), f.I32(56), f.I32(60));
  const std::uint32_t usage = f.U32(92), offBmi = f.U32(96), cbBmi = f.U32(100);
  const std::uint32_t offBits = f.U32(104), cbBits = f.U32(108);
  if (!f.Ok()) return false;
  if (inPath_ || cbBmi == 0 || src.width() == 0 || src.height() == 0) return true;
  QImage image = DecodeRecordDib(rec, offBmi, cbBmi, offBits, cbBits, usage);
  if (image.isNull()) return true;
  image = MaskedSource(rec, f, 112, image, src.topLeft().toPoint(), 0);
  if (!f.Ok()) return false;
  // Source pixels -> logical units -> output; a parallelogram without area,
  // or one far beyond any device, draws nothing.
  const QPointF u = (p1 - p0) / src.width(), v = (p2 - p0) / src.height();
  const QTransform onto(u.x(), u.y(), v.x(), v.y(), p0.x() - u.x() * src.x() - v.x() * src.y(),
                        p0.y() - u.y() * src.x() - v.y() * src.y());
  const QTransform full = onto * Full();
  if (image.isNull() || !FiniteTransform(full)) return true;
  const QRectF inside = src.normalized().intersected(QRectF(image.rect()));
  if (inside.isEmpty()) return true;
  const QPolygonF corners = full.map(QPolygonF(inside));
  bool far = false;
  for (const QPointF& corner : corners) {
    if (!Finite(corner.x()) || !Finite(corner.y())) return true;
    far = far || std::fabs(corner.x()) > MaxRasterCoordinate || std::fabs(corner.y()) > MaxRasterCoordinate;
  }
  Prepare(Full(), false);
  if (onPaper_) image = OpaqueForPaper(image);
  if (!far) {
    p_.setWorldTransform(full);
    p_.drawImage(inside, image, inside);
    return true;
  }
  // Corners beyond what the painter places exactly: the part over the
  // painter's device is sampled here (coarser beyond a pixel budget).
  const QPaintDevice* device = p_.device();
  const QRect area = QRect(0, 0, device->width(), device->height()) & corners.boundingRect().toAlignedRect();
  if (area.isEmpty()) return true;
  int step = 1;
  while (std::int64_t(area.width() / step + 1) * (area.height() / step + 1) > MaxGradientPixels) step *= 2;
  const QImage from = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage out((area.width() + step - 1) / step, (area.height() + step - 1) / step,
             QImage::Format_ARGB32_Premultiplied);
  if (out.isNull()) return true;
  const QTransform back = full.inverted();
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QPointF at = back.map(QPointF(area.x() + (x + 0.5) * step, area.y() + (y + 0.5) * step));
      const bool in = at.x() >= inside.left() && at.x() < inside.right() && at.y() >= inside.top() &&
                      at.y() < inside.bottom();
      line[x] = in ? reinterpret_cast<const QRgb*>(from.constScanLine(int(at.y())))[int(at.x())] : 0;
    }
  }
  p_.resetTransform();
  p_.drawImage(QRectF(area.topLeft(), QSizeF(out.width() * step, out.height() * step)), out);
  return true;
}

// GRADIENTFILL: rclBounds nVer nTri ulMode, nVer TRIVERTEX (x y, 16-bit
// red green blue alpha), then rectangles (upper left, lower right) or
// triangles as indices into the vertices. Alpha is not drawn.
bool Player::EmfGradient(Fields& f) {
  const std::uint32_t vertices = f.U32(24), objects = f.U32(28), mode = f.U32(32);
  if (!f.Ok()) return false;
  const bool triangles = mode == U_GRADIENT_FILL_TRIANGLE;
  if (!triangles && mode != U_GRADIENT_FILL_RECT_H && mode != U_GRADIENT_FILL_RECT_V) return true;
  const std::size_t each = triangles ? 12 : 8;
  if (vertices > (f.Size() - 36) / 16) return false;
  const std::size_t objectsAt = 36 + 16 * std::size_t(vertices);
  if (objects > (f.Size() - objectsAt) / each) return false;
  if (inPath_) return true;
  auto at = [&](std::uint32_t i) { return PointL(f, 36 + 16 * std::size_t(i)); };
  auto color = [&](std::uint32_t i) {
    const std::size_t pos = 36 + 16 * std::size_t(i);
    return QColor(f.U16(pos + 8) >> 8, f.U16(pos + 10) >> 8, f.U16(pos + 12) >> 8);
  };
  const QTransform full = Full();
  Prepare(full, false);
  std::int64_t budget = MaxGradientPixels;
  for (std::uint32_t k = 0; k < std::min(objects, MaxGradientObjects); ++k) {
    const std::size_t pos = objectsAt + each * k;
    std::uint32_t index[3] = {f.U32(pos), f.U32(pos + 4), triangles ? f.U32(pos + 8) : 0};
    if (index[0] >= vertices || index[1] >= vertices || index[2] >= vertices) continue;
    if (!triangles) {
      const QPointF a = at(index[0]), b = at(index[1]);
      const QRectF box = QRectF(a, b).normalized();
      if (box.isEmpty()) continue;
      const bool horizontal = mode == U_GRADIENT_FILL_RECT_H;
      QLinearGradient gradient(a, horizontal ? QPointF(b.x(), a.y()) : QPointF(a.x(), b.y()));
      gradient.setColorAt(0, color(index[0]));
      gradient.setColorAt(1, color(index[1]));
      p_.fillRect(box, gradient);
      continue;
    }
    QPointF device[3];
    QColor colors[3];
    bool finite = true;
    for (int i = 0; i < 3; ++i) {
      device[i] = full.map(at(index[i]));
      colors[i] = color(index[i]);
      finite = finite && Finite(device[i].x()) && Finite(device[i].y());
    }
    if (finite) ShadedTriangle(device, colors, budget);
  }
  return f.Ok();
}

// One triangle in the painter's device units: its colours shaded into an
// image over the visible part of its bounding box, which then fills the
// triangle. The image is coarser than the device when the triangle is large
// or the record has used up its budget.
void Player::ShadedTriangle(const QPointF device[3], const QColor colors[3], std::int64_t& budget) {
  QRectF area = QPolygonF({device[0], device[1], device[2]}).boundingRect();
  if (const QPaintDevice* target = p_.device(); target && target->width() > 0 && target->height() > 0)
    area &= QRectF(0, 0, target->width(), target->height());
  if (p_.hasClipping()) area &= p_.transform().mapRect(p_.clipBoundingRect());
  if (area.isEmpty()) return;
  const double ratio = std::clamp(p_.device() ? p_.device()->devicePixelRatioF() : 1.0, 1.0, 4.0);
  const double w = std::max(1.0, std::ceil(area.width() * ratio)), h = std::max(1.0, std::ceil(area.height() * ratio));
  const double allowed = double(std::clamp(std::min(budget, MaxTrianglePixels), MinTrianglePixels, MaxTrianglePixels));
  const double shrink = std::min(1.0, std::sqrt(allowed / (w * h)));
  const QSize size(std::max(1, int(std::ceil(w * shrink))), std::max(1, int(std::ceil(h * shrink))));
  budget -= std::int64_t(size.width()) * size.height();
  const QImage image = ShadeTriangle(device, colors, area, size);
  if (image.isNull()) return;
  QPainterPath triangle;
  triangle.addPolygon(QPolygonF({device[0], device[1], device[2]}));
  triangle.closeSubpath();
  QBrush brush(image);
  brush.setTransform(QTransform(area.width() / size.width(), 0, 0, area.height() / size.height(), area.left(),
                                area.top()));
  p_.save();
  p_.resetTransform();
  // Triangles of a mesh share their edges: without antialiasing they meet
  // without seams.
  p_.setRenderHint(QPainter::Antialiasing, false);
  p_.setRenderHint(QPainter::SmoothPixmapTransform, shrink < 1);
  p_.fillPath(triangle, brush);
  p_.restore();
}

bool Player::EmfRecord(std::uint32_t type, Fields& f, TByteView rec) {
  switch (type) {
    case U_EMR_HEADER: return true;
    case U_EMR_EOF: return false;
    case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE: case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO: case U_EMR_POLYBEZIER16: case U_EMR_POLYGON16: case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16: case U_EMR_POLYLINETO16:
      return EmfPoly(type, f);
    case U_EMR_POLYPOLYLINE: case U_EMR_POLYPOLYGON: case U_EMR_POLYPOLYLINE16: case U_EMR_POLYPOLYGON16:
      return EmfPolyPoly(type, f);
    case U_EMR_SETWINDOWEXTEX: SetExtent(s_.windowExt, f.I32(8), f.I32(12)); break;
    case U_EMR_SETWINDOWORGEX: s_.windowOrg = PointL(f, 8); break;
    case U_EMR_SETVIEWPORTEXTEX: SetExtent(s_.viewportExt, f.I32(8), f.I32(12)); break;
    case U_EMR_SETVIEWPORTORGEX: s_.viewportOrg = PointL(f, 8); break;
    case U_EMR_SCALEVIEWPORTEXTEX: ScaleExtent(s_.viewportExt, f.I32(8), f.I32(12), f.I32(16), f.I32(20)); break;
    case U_EMR_SCALEWINDOWEXTEX: ScaleExtent(s_.windowExt, f.I32(8), f.I32(12), f.I32(16), f.I32(20)); break;
    case U_EMR_SETMAPMODE: SetMapMode(int(f.U32(8))); break;
    case U_EMR_SETBKMODE: s_.bkOpaque = f.U32(8) == U_OPAQUE; break;
    case U_EMR_SETPOLYFILLMODE: s_.winding = f.U32(8) == U_WINDING; break;
    case U_EMR_SETROP2: s_.rop2 = int(f.U32(8)); break;
    case U_EMR_SETTEXTALIGN: s_.textAlign = f.U32(8); break;
    case U_EMR_SETTEXTCOLOR: s_.textColor = ColorRef(f.U32(8)); break;
    case U_EMR_SETBKCOLOR: s_.bkColor = ColorRef(f.U32(8)); break;
    case U_EMR_SETARCDIRECTION: s_.arcClockwise = f.U32(8) == U_AD_CLOCKWISE; break;
    case U_EMR_MOVETOEX:
      s_.current = PointL(f, 8);
      if (inPath_) path_.moveTo(LogicalToDevice().map(s_.current));
      break;
    case U_EMR_LINETO: {
      const QPointF to = PointL(f, 8);
      if (inPath_) {
        PathLineTo(to);
      } else {
        QPainterPath path(s_.current);
        path.lineTo(to);
        Shape(path, false, true);
      }
      s_.current = to;
      break;
    }
    case U_EMR_SETPIXELV: {
      if (inPath_) break;
      const QPointF d = LogicalToDevice().map(PointL(f, 8));
      Prepare(base_);
      p_.fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), ColorRef(f.U32(16)));
      break;
    }
    case U_EMR_SAVEDC: SaveDC(); break;
    case U_EMR_RESTOREDC: RestoreDC(f.I32(8)); break;
    case U_EMR_SETWORLDTRANSFORM:
      SetWorld(QTransform(f.F32(8), f.F32(12), f.F32(16), f.F32(20), f.F32(24), f.F32(28)));
      break;
    case U_EMR_MODIFYWORLDTRANSFORM:
      ModifyWorld(QTransform(f.F32(8), f.F32(12), f.F32(16), f.F32(20), f.F32(24), f.F32(28)), f.U32(32));
      break;
    case U_EMR_SELECTOBJECT: {
      const std::uint32_t index = f.U32(8);
      if (index & 0x80000000u) {
        SelectStock(index);
      } else if (auto it = objects_.find(index); it != objects_.end()) {
        Select(it->second);
      }
      break;
    }
    case U_EMR_DELETEOBJECT: objects_.erase(f.U32(8)); break;
    case U_EMR_CREATEPEN: {
      GdiObject o;
      o.kind = GdiObject::Pen;
      o.pen = MakePenState(f.U32(12), f.I32(16), ColorRef(f.U32(24)), false);
      if (f.Ok()) PutObject(f.U32(8), o);
      break;
    }
    case U_EMR_EXTCREATEPEN: {
      // ihPen offBmi cbBmi offBits cbBits, EXTLOGPEN: style width brushStyle color hatch ...
      const std::uint32_t style = f.U32(28), brushStyle = f.U32(36);
      GdiObject o;
      o.kind = GdiObject::Pen;
      o.pen = MakePenState(style, f.U32(32), ColorRef(f.U32(40)), (style & U_PS_GEOMETRIC) != 0);
      if (brushStyle == U_BS_NULL) o.pen.null = true;
      if ((style & U_PS_STYLE_MASK) == U_PS_USERSTYLE) o.pen.style = Qt::DashLine;
      if (f.Ok()) PutObject(f.U32(8), o);
      break;
    }
    case U_EMR_CREATEBRUSHINDIRECT: {
      GdiObject o;
      o.kind = GdiObject::Brush;
      o.brush = MakeBrushState(f.U32(12), ColorRef(f.U32(16)), f.U32(20));
      if (f.Ok()) PutObject(f.U32(8), o);
      break;
    }
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT: {
      // ihBrush iUsage offBmi cbBmi offBits cbBits
      GdiObject o;
      o.kind = GdiObject::Brush;
      o.brush.pattern = DecodeRecordDib(rec, f.U32(16), f.U32(20), f.U32(24), f.U32(28), f.U32(12));
      o.brush.mono = type == U_EMR_CREATEMONOBRUSH;
      o.brush.kind = o.brush.pattern.isNull() ? BrushState::Solid : BrushState::Pattern;
      o.brush.color = Qt::gray;
      if (f.Ok()) PutObject(f.U32(8), o);
      break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW: {
      GdiObject o;
      o.kind = GdiObject::Font;
      FontState& font = o.font;
      font.height = f.I32(12);
      font.width = f.I32(16);
      font.escapement = f.I32(20);
      font.weight = f.I32(28);
      font.italic = f.U8(32) != 0;
      font.underline = f.U8(33) != 0;
      font.strikeOut = f.U8(34) != 0;
      font.charset = f.U8(35);
      QString face;
      for (int i = 0; i < 32; ++i) {
        const char16_t c = f.U16(40 + 2 * std::size_t(i));
        if (c == 0) break;
        face.append(QChar(c));
      }
      font.face = face;
      if (f.Ok()) PutObject(f.U32(8), o);
      break;
    }
    case U_EMR_RECTANGLE: case U_EMR_ELLIPSE: case U_EMR_ROUNDRECT: {
      const QRectF box = Box(f.I32(8), f.I32(12), f.I32(16), f.I32(20)).normalized();
      if (!f.Ok()) return false;
      QPainterPath path;
      if (type == U_EMR_RECTANGLE) path.addRect(box);
      else if (type == U_EMR_ELLIPSE) path.addEllipse(box);
      else path.addRoundedRect(box, std::fabs(f.I32(24)) / 2.0, std::fabs(f.I32(28)) / 2.0);
      Shape(path, true, true);
      break;
    }
    case U_EMR_ARC: case U_EMR_CHORD: case U_EMR_PIE: case U_EMR_ARCTO: {
      const QRectF box = Box(f.I32(8), f.I32(12), f.I32(16), f.I32(20));
      const QPointF start = PointL(f, 24), end = PointL(f, 32);
      if (!f.Ok()) return false;
      ArcShape(box, start, end, type == U_EMR_ARC ? 0 : type == U_EMR_CHORD ? 1 : type == U_EMR_PIE ? 2 : 3);
      break;
    }
    case U_EMR_ANGLEARC: {
      const QPointF c = PointL(f, 8);
      const double r = f.U32(16), startAngle = f.F32(20), sweep = f.F32(24);
      if (!f.Ok() || !Finite(r) || !Finite(startAngle) || !Finite(sweep)) return false;
      QPainterPath path(s_.current);
      const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
      path.arcTo(box, startAngle, std::clamp(sweep, -360.0, 360.0));
      s_.current = path.currentPosition();
      Shape(path, false, true);
      break;
    }
    case U_EMR_BEGINPATH:
      inPath_ = true;
      path_ = QPainterPath();
      break;
    case U_EMR_ENDPATH: inPath_ = false; break;
    case U_EMR_ABORTPATH:
      inPath_ = false;
      path_ = QPainterPath();
      break;
    case U_EMR_CLOSEFIGURE:
      if (inPath_) path_.closeSubpath();
      break;
    case U_EMR_FILLPATH: PathEnd(true, false); break;
    case U_EMR_STROKEPATH: PathEnd(false, true); break;
    case U_EMR_STROKEANDFILLPATH: PathEnd(true, true); break;
    case U_EMR_SELECTCLIPPATH: {
      QPainterPath region = path_;
      region.setFillRule(s_.winding ? Qt::WindingFill : Qt::OddEvenFill);
      inPath_ = false;
      path_ = QPainterPath();
      CombineClip(region.simplified(), int(f.U32(8)));
      break;
    }
    case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT:
      ClipRect(Box(f.I32(8), f.I32(12), f.I32(16), f.I32(20)), type == U_EMR_EXCLUDECLIPRECT);
      break;
    case U_EMR_OFFSETCLIPRGN:
      if (s_.clip) {
        const QTransform t = LogicalToDevice();
        const QPointF d = t.map(PointL(f, 8)) - t.map(QPointF(0, 0));
        s_.clip->translate(d);
        clipDirty_ = true;
      }
      break;
    case U_EMR_SETMETARGN:
      if (s_.clip) s_.metaClip = s_.metaClip ? s_.metaClip->intersected(*s_.clip) : *s_.clip;
      s_.clip.reset();
      clipDirty_ = true;
      break;
    case U_EMR_EXTSELECTCLIPRGN: {
      const std::uint32_t size = f.U32(8), mode = f.U32(12);
      if (!f.Ok()) return false;
      if (mode == U_RGN_COPY && size == 0) {
        s_.clip.reset();
        clipDirty_ = true;
      } else if (auto region = RegionData(f, 16, size)) {
        CombineClip(*region, int(mode));
      }
      break;
    }
    case U_EMR_FILLRGN:
    case U_EMR_PAINTRGN: {
      // FILLRGN: rclBounds cbRgnData ihBrush RgnData; PAINTRGN: rclBounds cbRgnData RgnData
      const std::uint32_t size = f.U32(24);
      const bool fill = type == U_EMR_FILLRGN;
      auto region = RegionData(f, fill ? 32 : 28, size);
      if (!region) break;
      const BrushState saved = s_.brush;
      if (fill) {
        const std::uint32_t brush = f.U32(28);
        if (brush & 0x80000000u) SelectStock(brush);
        else if (auto it = objects_.find(brush); it != objects_.end() && it->second.kind == GdiObject::Brush)
          s_.brush = it->second.brush;
      }
      Shape(*region, true, false);
      s_.brush = saved;
      break;
    }
    case U_EMR_BITBLT: case U_EMR_STRETCHBLT: case U_EMR_STRETCHDIBITS: case U_EMR_SETDIBITSTODEVICE:
    case U_EMR_ALPHABLEND: case U_EMR_TRANSPARENTBLT: case U_EMR_MASKBLT:
      return EmfBlt(type, f, rec);
    case U_EMR_PLGBLT: return EmfPlgBlt(f, rec);
    case U_EMR_GRADIENTFILL: return EmfGradient(f);
    case U_EMR_EXTTEXTOUTA: case U_EMR_EXTTEXTOUTW: return EmfText(type, f);
    default: break;  // not drawn
  }
  return f.Ok();
}

// ---------------------------------------------------------------------------
// WMF records

QPointF P16(const U_POINT16& p) { return QPointF(p.x, p.y); }
QRectF R16(const U_RECT16& r) { return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)); }

bool Player::WmfRecord(std::uint16_t function, TByteView rec) {
  const char* r = reinterpret_cast<const char*>(rec.data());
  const char* end = r + rec.size();
  auto inside = [&](const void* ptr, std::size_t n) {
    const char* c = static_cast<const char*>(ptr);
    return c && c >= r && c <= end && n <= std::size_t(end - c);
  };
  U_POINT16 a, b, c, d;
  U_RECT16 box;
  std::uint16_t u = 0;
  int16_t i16 = 0;
  U_COLORREF color;
  std::uint32_t rop = 0;
  const char* dib = nullptr;
  auto colorOf = [](const U_COLORREF& cr) { return QColor(cr.Red, cr.Green, cr.Blue); };

  switch (function & 0xFF) {
    case U_WMR_EOF: return false;
    case U_WMR_SETBKCOLOR: if (!U_WMRSETBKCOLOR_get(r, &color)) return false; s_.bkColor = colorOf(color); break;
    case U_WMR_SETBKMODE: if (!U_WMRSETBKMODE_get(r, &u)) return false; s_.bkOpaque = u == U_OPAQUE; break;
    case U_WMR_SETMAPMODE: if (!U_WMRSETMAPMODE_get(r, &u)) return false; SetMapMode(u); break;
    case U_WMR_SETROP2: if (!U_WMRSETROP2_get(r, &u)) return false; s_.rop2 = u; break;
    case U_WMR_SETPOLYFILLMODE: if (!U_WMRSETPOLYFILLMODE_get(r, &u)) return false; s_.winding = u == U_WINDING; break;
    case U_WMR_SETTEXTCOLOR: if (!U_WMRSETTEXTCOLOR_get(r, &color)) return false; s_.textColor = colorOf(color); break;
    case U_WMR_SETTEXTALIGN: if (!U_WMRSETTEXTALIGN_get(r, &u)) return false; s_.textAlign = u; break;
    case U_WMR_SETWINDOWORG: if (!U_WMRSETWINDOWORG_get(r, &a)) return false; s_.windowOrg = P16(a); break;
    case U_WMR_SETWINDOWEXT: if (!U_WMRSETWINDOWEXT_get(r, &a)) return false; SetExtent(s_.windowExt, a.x, a.y); break;
    case U_WMR_SETVIEWPORTORG: if (!U_WMRSETVIEWPORTORG_get(r, &a)) return false; s_.viewportOrg = P16(a); break;
    case U_WMR_SETVIEWPORTEXT: if (!U_WMRSETVIEWPORTEXT_get(r, &a)) return false; SetExtent(s_.viewportExt, a.x, a.y); break;
    case U_WMR_OFFSETWINDOWORG: if (!U_WMROFFSETWINDOWORG_get(r, &a)) return false; s_.windowOrg += P16(a); break;
    case U_WMR_OFFSETVIEWPORTORG: if (!U_WMROFFSETVIEWPORTORG_get(r, &a)) return false; s_.viewportOrg += P16(a); break;
    case U_WMR_SCALEWINDOWEXT:
      if (!U_WMRSCALEWINDOWEXT_get(r, &a, &b)) return false;
      ScaleExtent(s_.windowExt, b.x, a.x, b.y, a.y);
      break;
    case U_WMR_SCALEVIEWPORTEXT:
      if (!U_WMRSCALEVIEWPORTEXT_get(r, &a, &b)) return false;
      ScaleExtent(s_.viewportExt, b.x, a.x, b.y, a.y);
      break;
    case U_WMR_MOVETO: if (!U_WMRMOVETO_get(r, &a)) return false; s_.current = P16(a); break;
    case U_WMR_LINETO: {
      if (!U_WMRLINETO_get(r, &a)) return false;
      QPainterPath path(s_.current);
      path.lineTo(P16(a));
      Shape(path, false, true);
      s_.current = P16(a);
      break;
    }
    case U_WMR_EXCLUDECLIPRECT:
    case U_WMR_INTERSECTCLIPRECT:
      if (!((function & 0xFF) == U_WMR_EXCLUDECLIPRECT ? U_WMREXCLUDECLIPRECT_get(r, &box)
                                                       : U_WMRINTERSECTCLIPRECT_get(r, &box)))
        return false;
      ClipRect(R16(box), (function & 0xFF) == U_WMR_EXCLUDECLIPRECT);
      break;
    case U_WMR_ARC: if (!U_WMRARC_get(r, &a, &b, &box)) return false; ArcShape(R16(box), P16(a), P16(b), 0); break;
    case U_WMR_CHORD: if (!U_WMRCHORD_get(r, &a, &b, &box)) return false; ArcShape(R16(box), P16(a), P16(b), 1); break;
    case U_WMR_PIE: if (!U_WMRPIE_get(r, &a, &b, &box)) return false; ArcShape(R16(box), P16(a), P16(b), 2); break;
    case U_WMR_ELLIPSE:
    case U_WMR_RECTANGLE: {
      const bool ellipse = (function & 0xFF) == U_WMR_ELLIPSE;
      if (!(ellipse ? U_WMRELLIPSE_get(r, &box) : U_WMRRECTANGLE_get(r, &box))) return false;
      QPainterPath path;
      if (ellipse) path.addEllipse(R16(box).normalized());
      else path.addRect(R16(box).normalized());
      Shape(path, true, true);
      break;
    }
    case U_WMR_ROUNDRECT: {
      int16_t w, h;
      if (!U_WMRROUNDRECT_get(r, &w, &h, &box)) return false;
      QPainterPath path;
      path.addRoundedRect(R16(box).normalized(), std::abs(w) / 2.0, std::abs(h) / 2.0);
      Shape(path, true, true);
      break;
    }
    case U_WMR_PATBLT:
      if (!U_WMRPATBLT_get(r, &a, &b, &rop)) return false;
      PatBlt(QRectF(P16(a), QSizeF(b.x, b.y)), rop);
      break;
    case U_WMR_SAVEDC: SaveDC(); break;
    case U_WMR_RESTOREDC: if (!U_WMRRESTOREDC_get(r, &i16)) return false; RestoreDC(i16); break;
    case U_WMR_POLYGON:
    case U_WMR_POLYLINE: {
      const char* data = nullptr;
      const bool polygon = (function & 0xFF) == U_WMR_POLYGON;
      if (!(polygon ? U_WMRPOLYGON_get(r, &u, &data) : U_WMRPOLYLINE_get(r, &u, &data))) return false;
      if (!inside(data, std::size_t(u) * 4)) return false;
      Fields pts(TByteView(reinterpret_cast<const std::uint8_t*>(data), std::size_t(u) * 4));
      QPolygonF poly;
      for (std::size_t k = 0; k < u; ++k) poly << QPointF(pts.I16(4 * k), pts.I16(4 * k + 2));
      QPainterPath path;
      path.addPolygon(poly);
      if (polygon) path.closeSubpath();
      Shape(path, polygon, true);
      break;
    }
    case U_WMR_POLYPOLYGON: {
      const uint16_t* counts = nullptr;
      const char* data = nullptr;
      if (!U_WMRPOLYPOLYGON_get(r, &u, &counts, &data)) return false;
      if (!inside(counts, std::size_t(u) * 2)) return false;
      Fields cf(TByteView(reinterpret_cast<const std::uint8_t*>(counts), std::size_t(u) * 2));
      std::size_t total = 0;
      for (std::size_t k = 0; k < u; ++k) total += cf.U16(2 * k);
      if (!inside(data, total * 4)) return false;
      Fields pts(TByteView(reinterpret_cast<const std::uint8_t*>(data), total * 4));
      QPainterPath path;
      std::size_t next = 0;
      for (std::size_t k = 0; k < u; ++k) {
        QPolygonF poly;
        for (std::size_t n = cf.U16(2 * k); n > 0; --n, ++next) poly << QPointF(pts.I16(4 * next), pts.I16(4 * next + 2));
        path.addPolygon(poly);
        path.closeSubpath();
      }
      Shape(path, true, true);
      break;
    }
    case U_WMR_TEXTOUT: {
      const char* text = nullptr;
      if (!U_WMRTEXTOUT_get(r, &a, &i16, &text)) return false;
      if (i16 < 0 || !inside(text, std::size_t(i16))) return false;
      Text(P16(a), DecodeSingleByte(TByteView(reinterpret_cast<const std::uint8_t*>(text), std::size_t(i16)), s_.font.charset),
           {}, 0, QRectF());
      break;
    }
    case U_WMR_EXTTEXTOUT: {
      const char* text = nullptr;
      const int16_t* dx = nullptr;
      if (!U_WMREXTTEXTOUT_get(r, &a, &i16, &u, &text, &dx, &box)) return false;
      if (i16 < 0 || !inside(text, std::size_t(i16))) return false;
      std::vector<double> advances;
      if (dx && inside(dx, std::size_t(i16) * 2)) {
        Fields df(TByteView(reinterpret_cast<const std::uint8_t*>(dx), std::size_t(i16) * 2));
        for (int k = 0; k < i16; ++k) advances.push_back(df.I16(2 * std::size_t(k)));
      }
      const QRectF rect = (u & (U_ETO_OPAQUE | U_ETO_CLIPPED)) ? R16(box) : QRectF();
      Text(P16(a), DecodeSingleByte(TByteView(reinterpret_cast<const std::uint8_t*>(text), std::size_t(i16)), s_.font.charset),
           advances, u, rect);
      break;
    }
    case U_WMR_STRETCHDIB: {
      if (!U_WMRSTRETCHDIB_get(r, &a, &b, &c, &d, &u, &rop, &dib)) return false;
      if (!dib || !inside(dib, 0)) return true;
      const QImage image = DecodePackedDib(TByteView(reinterpret_cast<const std::uint8_t*>(dib), std::size_t(end - dib)), u);
      QRectF src(P16(c), QSizeF(d.x, d.y));
      if (!image.isNull() && Fields(TByteView(reinterpret_cast<const std::uint8_t*>(dib), std::size_t(end - dib))).I32(8) > 0)
        src.moveTop(image.height() - src.bottom());
      Image(QRectF(P16(a), QSizeF(b.x, b.y)), image, src, rop);
      break;
    }
    case U_WMR_DIBSTRETCHBLT:
    case U_WMR_DIBBITBLT: {
      const bool stretch = (function & 0xFF) == U_WMR_DIBSTRETCHBLT;
      if (stretch ? !U_WMRDIBSTRETCHBLT_get(r, &a, &b, &c, &d, &rop, &dib)
                  : !U_WMRDIBBITBLT_get(r, &a, &b, &c, &rop, &dib))
        return false;
      if (!stretch) d = b;
      const QRectF dest(P16(a), QSizeF(b.x, b.y));
      if (!dib) {
        PatBlt(dest, rop);
        break;
      }
      if (!inside(dib, 0)) return true;
      const QImage image = DecodePackedDib(TByteView(reinterpret_cast<const std::uint8_t*>(dib), std::size_t(end - dib)), 0);
      Image(dest, image, QRectF(P16(c), QSizeF(d.x, d.y)), rop);
      break;
    }
    case U_WMR_SELECTOBJECT:
      if (!U_WMRSELECTOBJECT_get(r, &u)) return false;
      if (u < wmfObjects_.size() && wmfObjects_[u]) Select(*wmfObjects_[u]);
      break;
    case U_WMR_DELETEOBJECT:
      if (!U_WMRDELETEOBJECT_get(r, &u)) return false;
      if (u < wmfObjects_.size()) wmfObjects_[u].reset();
      break;
    case U_WMR_CREATEPENINDIRECT: {
      U_PEN pen;
      if (!U_WMRCREATEPENINDIRECT_get(r, &pen)) return false;
      GdiObject o;
      o.kind = GdiObject::Pen;
      o.pen = MakePenState(pen.Style, int16_t(pen.Widthw[0]), colorOf(pen.Color), false);
      WmfSlot(o);
      break;
    }
    case U_WMR_CREATEBRUSHINDIRECT: {
      const char* brush = nullptr;
      if (!U_WMRCREATEBRUSHINDIRECT_get(r, &brush) || !inside(brush, 8)) return false;
      Fields bf(TByteView(reinterpret_cast<const std::uint8_t*>(brush), 8));
      GdiObject o;
      o.kind = GdiObject::Brush;
      o.brush = MakeBrushState(bf.U16(0), ColorRef(bf.U32(2)), bf.U16(6));
      WmfSlot(o);
      break;
    }
    case U_WMR_DIBCREATEPATTERNBRUSH: {
      const char* bm16 = nullptr;
      std::uint16_t style = 0;
      GdiObject o;
      o.kind = GdiObject::Brush;
      if (U_WMRDIBCREATEPATTERNBRUSH_get(r, &style, &u, &bm16, &dib) && dib && inside(dib, 0))
        o.brush.pattern = DecodePackedDib(TByteView(reinterpret_cast<const std::uint8_t*>(dib), std::size_t(end - dib)), u);
      o.brush.kind = o.brush.pattern.isNull() ? BrushState::Solid : BrushState::Pattern;
      o.brush.color = Qt::gray;
      WmfSlot(o);
      break;
    }
    case U_WMR_CREATEFONTINDIRECT: {
      const char* font = nullptr;
      if (!U_WMRCREATEFONTINDIRECT_get(r, &font) || !inside(font, 18)) return false;
      Fields ff(TByteView(reinterpret_cast<const std::uint8_t*>(font), std::size_t(end - font)));
      GdiObject o;
      o.kind = GdiObject::Font;
      o.font.height = ff.I16(0);
      o.font.width = ff.I16(2);
      o.font.escapement = ff.I16(4);
      o.font.weight = ff.I16(8);
      o.font.italic = ff.U8(10) != 0;
      o.font.underline = ff.U8(11) != 0;
      o.font.strikeOut = ff.U8(12) != 0;
      o.font.charset = ff.U8(13);
      QByteArray face;
      for (std::size_t k = 18; k < 18 + 32 && ff.Has(k, 1) && ff.U8(k) != 0; ++k) face.append(char(ff.U8(k)));
      o.font.face = DecodeSingleByte(TByteView(reinterpret_cast<const std::uint8_t*>(face.constData()), std::size_t(face.size())), 0);
      WmfSlot(o);
      break;
    }
    case U_WMR_CREATEPALETTE: case U_WMR_CREATEPATTERNBRUSH: case U_WMR_CREATEREGION:
    case U_WMR_CREATEBITMAPINDIRECT: case U_WMR_CREATEBITMAP:
      WmfSlot(GdiObject{});  // takes a slot in the object table, not drawn
      break;
    default: break;  // not drawn
  }
  return true;
}

}  // namespace
}  // namespace metafile

// ---------------------------------------------------------------------------

using namespace metafile;

void PlayEnhancedMetafile(QPainter& painter, TByteView emf, const QRectF& dest) {
  EmfHeader h;
  if (dest.isEmpty() || !ReadEmfHeader(emf, h)) return;
  double pxPerMmX = 0, pxPerMmY = 0;
  if (h.micrometersCx > 0 && h.micrometersCy > 0) {
    pxPerMmX = h.deviceCx * 1000.0 / h.micrometersCx, pxPerMmY = h.deviceCy * 1000.0 / h.micrometersCy;
  } else if (h.millimetersCx > 0 && h.millimetersCy > 0) {
    pxPerMmX = double(h.deviceCx) / h.millimetersCx, pxPerMmY = double(h.deviceCy) / h.millimetersCy;
  }
  // The frame (0.01 mm, inclusive) in device pixels; the bounds when the frame is unusable.
  QRectF device;
  if (pxPerMmX > 0 && pxPerMmY > 0 && h.frame[2] != h.frame[0] && h.frame[3] != h.frame[1]) {
    device = QRectF(QPointF(h.frame[0] * pxPerMmX / 100, h.frame[1] * pxPerMmY / 100),
                    QPointF(h.frame[2] * pxPerMmX / 100, h.frame[3] * pxPerMmY / 100));
  } else {
    device = QRectF(QPointF(h.bounds[0], h.bounds[1]), QPointF(h.bounds[2] + 1.0, h.bounds[3] + 1.0));
    if (!(pxPerMmX > 0 && pxPerMmY > 0)) pxPerMmX = pxPerMmY = 96 / 25.4;
  }
  if (device.width() == 0 || device.height() == 0) return;

  Player player(painter, false);
  player.SetFrame(device, dest, pxPerMmX, pxPerMmY);
  EmfWalker walker(emf);
  std::uint32_t type;
  TByteView rec;
  while (walker.Next(type, rec)) {
    Fields f(rec);
    if (!player.EmfRecord(type, f, rec)) break;
  }
}

void PlayWindowsMetafile(QPainter& painter, TByteView wmf, const QRectF& dest) {
  WmfHeader h;
  if (dest.isEmpty()) return;
  // The header facts come from the same checks as loading, but a damaged
  // record chain still plays up to the damage.
  Fields f(wmf);
  QRectF window;
  if (!ValidWmf(wmf, h)) {
    // Played without loading: find the header ourselves.
    WmfHeader partial;
    const bool placeable = f.U32(0) == 0x9AC6CDD7;
    partial.firstRecord = placeable ? U_SIZE_WMRPLACEABLE + 18 : 18;
    if (placeable) {
      for (int i = 0; i < 4; ++i) partial.box[i] = f.I16(6 + 2 * i);
      partial.placeable = partial.box[2] != partial.box[0] && partial.box[3] != partial.box[1];
    }
    if (!f.Ok() || !partial.placeable) return;
    h = partial;
  }
  if (h.placeable) {
    window = QRectF(QPointF(h.box[0], h.box[1]), QPointF(h.box[2], h.box[3]));
  } else {
    window = QRectF(h.windowOrgX, h.windowOrgY, h.windowExtX, h.windowExtY);
  }
  if (window.width() == 0 || window.height() == 0) return;
  Player player(painter, true);
  player.SetFrame(window, dest, 1, 1);
  player.SetWmfWindow(window);
  WmfWalker walker(wmf, h.firstRecord);
  std::uint16_t function;
  TByteView rec;
  while (walker.Next(function, rec)) {
    if (!player.WmfRecord(function, rec)) break;
  }
}
