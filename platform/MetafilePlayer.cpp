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
//
// This file holds the walkers and headers, the player's transforms, objects,
// clipping and drawing, and the entry points; the records are interpreted in
// MetafileEmfRecords.cpp and MetafileWmfRecords.cpp, the drawing state and
// the Player class are declared in MetafilePlayerState.h.
#include "platform/MetafilePlayerState.h"
#include "platform/QtStrings.h"

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
// The player: single-byte text and bitmaps, transforms, objects, clipping and drawing

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
  logical.Name = FromQ(s_.font.face);
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
