// The EMF records of the metafile player: polygons, text, bitmap transfers
// (BitBlt, StretchBlt, MaskBlt, PlgBlt, AlphaBlend, TransparentBlt), gradient
// fills and the state, object, clipping and path records; with the alpha and
// masked bitmaps some of them carry.
#include "platform/MetafilePlayerState.h"

namespace metafile {
namespace {

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

QPointF PointL(Fields& f, std::size_t pos) { return QPointF(f.I32(pos), f.I32(pos + 4)); }

}  // namespace

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

}  // namespace metafile
