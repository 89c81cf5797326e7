// Drawing on the canvas: brushes and pens, lines and shapes, fills, pixels and
// pictures.
#include "platform/Canvas.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QScreen>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/CanvasHelpers.h"
#include "platform/ScopeExit.h"

using namespace CanvasHelpers;

namespace {

// Hatch rows, most significant bit = leftmost pixel.
const std::uint8_t* HatchRows(TBrushStyle style) {
  static const std::uint8_t rows[6][8] = {
      {0xFF, 0, 0, 0, 0, 0, 0, 0},                          // horizontal
      {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},     // vertical
      {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},     // \ forward diagonal
      {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},     // / backward diagonal
      {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},     // cross
      {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},     // diagonal cross
  };
  switch (style) {
    case bsHorizontal: return rows[0];
    case bsVertical: return rows[1];
    case bsFDiagonal: return rows[2];
    case bsBDiagonal: return rows[3];
    case bsCross: return rows[4];
    case bsDiagCross: return rows[5];
    default: return nullptr;
  }
}

QRgb OpaqueRgb(TColor c) { return ToQColor(c).rgba(); }

TBrush SolidBrush(TColor c) {
  TBrush b;
  b.Color = c;
  return b;
}

}  // namespace

// ---- Brushes and pens ---------------------------------------------------------------------

namespace {

struct BrushSetup {
  bool none = true;
  QBrush brush;
};

// What a brush paints, given the text and background colours and mode.
BrushSetup MakeBrush(const TBrush& b, TColor textColor, TColor bkColor, int bkMode) {
  BrushSetup s;
  if (!b.Bitmap.isNull()) {
    const QImage& src = b.Bitmap;
    QImage tex(src.size(), QImage::Format_ARGB32_Premultiplied);
    if (src.format() == QImage::Format_Mono || src.format() == QImage::Format_MonoLSB) {
      QRgb fg = textColor == clNone ? 0 : OpaqueRgb(textColor);
      QRgb bg = bkColor == clNone ? 0 : OpaqueRgb(bkColor);
      for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) tex.setPixel(x, y, qGray(src.pixel(x, y)) >= 128 ? bg : fg);
    } else {
      tex = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    s.brush = QBrush(tex);
    s.none = false;
    return s;
  }
  if (b.Style == bsClear || b.Color == clNone) return s;
  if (b.Style == bsSolid) {
    s.brush = QBrush(ToQColor(b.Color));
    s.none = false;
    return s;
  }
  const std::uint8_t* rows = HatchRows(b.Style);
  if (!rows) return s;
  QImage tex(8, 8, QImage::Format_ARGB32_Premultiplied);
  tex.fill(bkMode == OPAQUE && bkColor != clNone ? OpaqueRgb(bkColor) : 0);
  QRgb line = OpaqueRgb(b.Color);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if ((rows[y] >> (7 - x)) & 1) tex.setPixel(x, y, line);
  s.brush = QBrush(tex);
  s.none = false;
  return s;
}

}  // namespace

void TCanvas::FillDeviceRect(const QRect& r, const TBrush& brush) {
  if (!painter_ || r.isEmpty()) return;
  BrushSetup b = MakeBrush(brush, state_.textColor, state_.bkColor, state_.bkMode);
  if (b.none) return;
  DeviceSpace ds(*this);
  painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
  painter_->fillRect(r, b.brush);
}

void TCanvas::FillDeviceRegion(const QRegion& r, const TBrush& brush) {
  if (!painter_ || r.isEmpty()) return;
  BrushSetup b = MakeBrush(brush, state_.textColor, state_.bkColor, state_.bkMode);
  if (b.none) return;
  DeviceSpace ds(*this);
  painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
  for (const QRect& rect : r) painter_->fillRect(rect, b.brush);
}

namespace {

struct PenSetup {
  bool none = true;
  bool thin = true;   // one device pixel
  double width = 1;   // device pixels
  bool inside = false;
  QPen pen;
  bool gaps = false;  // styled line on an opaque background
  QPen gapPen;
};

}  // namespace

// The pen in device terms.
static PenSetup MakePen(const TPen& p, int deviceWidth, TColor bkColor, int bkMode) {
  PenSetup s;
  if (p.Style == psClear || p.Color == clNone) return s;
  s.none = false;
  s.width = std::max(1, deviceWidth);
  s.thin = s.width <= 1;
  s.inside = p.Style == psInsideFrame;
  QColor c = ToQColor(p.Color);
  if (s.thin) {
    s.pen = QPen(c, 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    QList<qreal> dashes;
    switch (p.Style) {
      case psDash: dashes = {18, 6}; break;
      case psDot: dashes = {3, 3}; break;
      case psDashDot: dashes = {9, 6, 3, 6}; break;
      case psDashDotDot: dashes = {9, 3, 3, 3, 3, 3}; break;
      default: break;
    }
    if (!dashes.isEmpty()) {
      s.pen.setDashPattern(dashes);
      if (bkMode == OPAQUE && bkColor != clNone) {
        s.gaps = true;
        s.gapPen = QPen(ToQColor(bkColor), 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
      }
    }
  } else {
    s.pen = QPen(c, s.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  }
  return s;
}

// A one-pixel line from d0 to d1 without its last pixel, or a wide line
// with round ends.
void TCanvas::StrokeLine(TPoint d0, TPoint d1) {
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  if (ps.none || !painter_) return;
  DeviceSpace ds(*this);
  painter_->setBrush(Qt::NoBrush);
  if (!ps.thin) {
    painter_->setPen(ps.pen);
    painter_->drawLine(QPointF(d0.X + 0.5, d0.Y + 0.5), QPointF(d1.X + 0.5, d1.Y + 0.5));
    return;
  }
  if (d0 == d1) return;
  // A cosmetic pen with flat caps leaves out the last pixel, as lines do here.
  QPoint a(d0.X, d0.Y), b(d1.X, d1.Y);
  if (ps.gaps) {
    painter_->setPen(ps.gapPen);
    painter_->drawLine(a, b);
  }
  painter_->setPen(ps.pen);
  painter_->drawLine(a, b);
}

// ---- Lines and shapes ------------------------------------------------------------------------

void TCanvas::MoveTo(int x, int y) { state_.penPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  StrokeLine(LPtoDP(state_.penPos), LPtoDP(TPoint{x, y}));
  state_.penPos = {x, y};
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (points.size() < 2 || !painter_) return;
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  if (ps.none) return;
  if (ps.thin) {
    for (std::size_t i = 1; i < points.size(); ++i) StrokeLine(LPtoDP(points[i - 1]), LPtoDP(points[i]));
    return;
  }
  QPolygonF poly;
  for (const TPoint& p : points) {
    TPoint d = LPtoDP(p);
    poly << QPointF(d.X + 0.5, d.Y + 0.5);
  }
  DeviceSpace ds(*this);
  painter_->setBrush(Qt::NoBrush);
  painter_->setPen(ps.pen);
  painter_->drawPolyline(poly);
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (points.size() < 2 || !painter_) return;
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  BrushSetup bs = MakeBrush(state_.brush, state_.textColor, state_.bkColor, state_.bkMode);
  Qt::FillRule rule = state_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
  QPolygon poly;
  QPolygonF polyF;
  for (const TPoint& p : points) {
    TPoint d = LPtoDP(p);
    poly << QPoint(d.X, d.Y);
    polyF << QPointF(d.X + 0.5, d.Y + 0.5);
  }
  DeviceSpace ds(*this);
  painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
  if (!bs.none) {
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(bs.brush);
    painter_->drawPolygon(poly, rule);
  }
  if (ps.none) return;
  painter_->setBrush(Qt::NoBrush);
  if (ps.thin) {
    if (ps.gaps) {
      painter_->setPen(ps.gapPen);
      painter_->drawPolygon(poly, rule);
    }
    painter_->setPen(ps.pen);
    painter_->drawPolygon(poly, rule);
  } else {
    painter_->setPen(ps.pen);
    painter_->drawPolygon(polyF, rule);
  }
}

void TCanvas::PolyBezier(std::span<const TPoint> points) {
  if (points.size() < 4 || (points.size() - 1) % 3 != 0 || !painter_) return;
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  if (ps.none) return;
  double off = ps.thin ? 0.0 : 0.5;
  auto dev = [&](std::size_t i) {
    TPoint d = LPtoDP(points[i]);
    return QPointF(d.X + off, d.Y + off);
  };
  QPainterPath path(dev(0));
  for (std::size_t i = 1; i + 2 < points.size(); i += 3) path.cubicTo(dev(i), dev(i + 1), dev(i + 2));
  DeviceSpace ds(*this);
  painter_->setBrush(Qt::NoBrush);
  painter_->setPen(ps.pen);
  painter_->drawPath(path);
}

namespace {
enum FigureKind { fkRectangle, fkEllipse, fkRoundRect, fkArc, fkPie, fkChord };

// Angle (degrees, counter-clockwise on the device) of the ellipse parameter
// whose point lies on the ray from the centre through p.
double ParamAngle(const QRectF& r, QPointF p) {
  double cx = r.center().x(), cy = r.center().y();
  double a = std::max(r.width() / 2, 1e-9), b = std::max(r.height() / 2, 1e-9);
  double ux = p.x() - cx, uy = cy - p.y();
  if (ux == 0 && uy == 0) ux = 1;
  return std::atan2(uy / b, ux / a) * 180.0 / std::numbers::pi;
}
}  // namespace

void TCanvas::DrawClosedFigure(int kind, const TRect& r, TPoint start, TPoint end, int ew, int eh) {
  if (!painter_) return;
  TRect d = DeviceRect(r);
  if (d.Width() < 1 || d.Height() < 1) return;
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  BrushSetup bs = kind == fkArc ? BrushSetup() : MakeBrush(state_.brush, state_.textColor, state_.bkColor, state_.bkMode);
  if (kind == fkArc && ps.none) return;

  // Geometry: through the centres of the outermost pixels.
  QRectF g;
  if (ps.none || ps.thin) {
    g = QRectF(d.Left, d.Top, d.Width() - 1, d.Height() - 1);
  } else if (ps.inside) {
    double w = std::min({ps.width, double(d.Width()), double(d.Height())});
    g = QRectF(d.Left + w / 2, d.Top + w / 2, d.Width() - w, d.Height() - w);
  } else {
    g = QRectF(d.Left + 0.5, d.Top + 0.5, d.Width() - 1, d.Height() - 1);
  }

  DeviceSpace ds(*this);
  painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
  painter_->setPen(ps.none ? QPen(Qt::NoPen) : ps.pen);
  painter_->setBrush(bs.none ? QBrush(Qt::NoBrush) : bs.brush);

  if (kind == fkRectangle) {
    if (ps.none) {
      if (!bs.none) painter_->fillRect(QRect(d.Left, d.Top, d.Width() - 1, d.Height() - 1), bs.brush);
      return;
    }
    if (ps.gaps) {
      painter_->setPen(ps.gapPen);
      painter_->drawRect(g);
      painter_->setPen(ps.pen);
      painter_->setBrush(Qt::NoBrush);
    }
    painter_->drawRect(g);
    return;
  }
  if (kind == fkEllipse) {
    painter_->drawEllipse(g);
    return;
  }
  if (kind == fkRoundRect) {
    double sx = std::fabs(double(state_.viewportExt.cx) / state_.windowExt.cx);
    double sy = std::fabs(double(state_.viewportExt.cy) / state_.windowExt.cy);
    double rx = std::min(std::fabs(ew) * sx / 2, g.width() / 2);
    double ry = std::min(std::fabs(eh) * sy / 2, g.height() / 2);
    painter_->drawRoundedRect(g, rx, ry, Qt::AbsoluteSize);
    return;
  }
  TPoint ds0 = LPtoDP(start), de0 = LPtoDP(end);
  double a0 = ParamAngle(g, QPointF(ds0.X, ds0.Y));
  double a1 = ParamAngle(g, QPointF(de0.X, de0.Y));
  double span = a1 - a0;
  while (span <= 0) span += 360;
  while (span > 360) span -= 360;
  int s16 = RoundToInt(a0 * 16), span16 = RoundToInt(span * 16);
  if (kind == fkArc) {
    painter_->setBrush(Qt::NoBrush);
    painter_->drawArc(g, s16, span16);
  } else if (kind == fkPie) {
    painter_->drawPie(g, s16, span16);
  } else {
    painter_->drawChord(g, s16, span16);
  }
}

void TCanvas::Rectangle(const TRect& r) { DrawClosedFigure(fkRectangle, r, {}, {}, 0, 0); }
void TCanvas::Ellipse(const TRect& r) { DrawClosedFigure(fkEllipse, r, {}, {}, 0, 0); }
void TCanvas::RoundRect(const TRect& r, int ew, int eh) { DrawClosedFigure(fkRoundRect, r, {}, {}, ew, eh); }
void TCanvas::Arc(const TRect& r, TPoint s, TPoint e) { DrawClosedFigure(fkArc, r, s, e, 0, 0); }
void TCanvas::Pie(const TRect& r, TPoint s, TPoint e) { DrawClosedFigure(fkPie, r, s, e, 0, 0); }
void TCanvas::Chord(const TRect& r, TPoint s, TPoint e) { DrawClosedFigure(fkChord, r, s, e, 0, 0); }

// ---- Fills ------------------------------------------------------------------------------------

void TCanvas::FillRect(const TRect& r) { FillRect(r, state_.brush); }

void TCanvas::FillRect(const TRect& r, const TBrush& brush) { FillDeviceRect(ToQRect(DeviceRect(r)), brush); }

void TCanvas::FillRect(const TRect& r, TColor color) {
  if (color == clNone) return;
  TBrush b;
  b.Color = color;
  FillRect(r, b);
}

void TCanvas::FrameRect(const TRect& r) { FrameRect(r, state_.brush); }

void TCanvas::FrameRect(const TRect& r, const TBrush& brush) {
  TRect d = DeviceRect(r);
  if (d.IsEmpty()) return;
  int wx = std::max(1, RoundToInt(std::fabs(double(state_.viewportExt.cx) / state_.windowExt.cx)));
  int wy = std::max(1, RoundToInt(std::fabs(double(state_.viewportExt.cy) / state_.windowExt.cy)));
  QRegion frame(ToQRect(d));
  frame -= QRegion(QRect(d.Left + wx, d.Top + wy, d.Width() - 2 * wx, d.Height() - 2 * wy));
  FillDeviceRegion(frame, brush);
}

void TCanvas::InvertRect(const TRect& r) {
  if (!IsRasterDevice(painter_)) return;
  TRect d = DeviceRect(r);
  if (d.IsEmpty()) return;
  DeviceSpace ds(*this);
  painter_->save();
  painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
  painter_->fillRect(ToQRect(d), Qt::black);
  painter_->restore();
}

void TCanvas::FillRgn(const TRegion& logicalRegion, const TBrush& brush) {
  QRegion dev;
  for (const QRect& r : logicalRegion.ToQRegion()) dev += QRect(ToQRect(DeviceRect(FromQRect(r))));
  FillDeviceRegion(dev, brush);
}

bool TCanvas::PatBlt(int x, int y, int width, int height, unsigned rop) {
  TRect d = DeviceRect(TRect(x, y, ClampInt((long long)x + width), ClampInt((long long)y + height)));
  switch (rop) {
    case PATCOPY: FillDeviceRect(ToQRect(d), state_.brush); return true;
    case BLACKNESS: FillDeviceRect(ToQRect(d), SolidBrush(clBlack)); return true;
    case WHITENESS: FillDeviceRect(ToQRect(d), SolidBrush(clWhite)); return true;
    case DSTINVERT:
      if (!IsRasterDevice(painter_) || d.IsEmpty()) return true;
      {
        DeviceSpace ds(*this);
        painter_->save();
        painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
        painter_->fillRect(ToQRect(d), Qt::black);
        painter_->restore();
      }
      return true;
    case PATINVERT: {
      if (!IsRasterDevice(painter_) || d.IsEmpty()) return true;
      BrushSetup b = MakeBrush(state_.brush, state_.textColor, state_.bkColor, state_.bkMode);
      if (b.none) return true;
      DeviceSpace ds(*this);
      painter_->save();
      painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
      painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter_->fillRect(ToQRect(d), b.brush);
      painter_->restore();
      return true;
    }
    default: return false;
  }
}

TColor TCanvas::GetPixel(int x, int y) const {
  if (!painter_ || !painter_->device() || painter_->device()->devType() != QInternal::Image) return CLR_INVALID;
  const auto* image = static_cast<const QImage*>(painter_->device());
  QPoint p = base_.map(QPoint(MapX(x), MapY(y)));
  if (!image->rect().contains(p)) return CLR_INVALID;
  QRgb c = image->pixel(p);
  return TColor(RGBValue(qRed(c), qGreen(c), qBlue(c)));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  if (color == clNone) return;
  TBrush b;
  b.Color = color;
  FillDeviceRect(QRect(MapX(x), MapY(y), 1, 1), b);
}

// ---- Pictures ---------------------------------------------------------------------------------

void TCanvas::StretchDraw(const TRect& r, const TGraphic& graphic) {
  if (!painter_ || graphic.Empty()) return;
  TRect d = DeviceRect(r);
  if (d.IsEmpty()) return;
  DeviceSpace ds(*this);
  painter_->save();
  ScopeExit restore([this] { painter_->restore(); });
  graphic.Draw(*painter_, QRectF(d.Left, d.Top, d.Width(), d.Height()));
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic) {
  if (graphic.Empty()) return;
  StretchDraw(TRect(x, y, ClampInt((long long)x + graphic.Width()), ClampInt((long long)y + graphic.Height())),
              graphic);
}

void TCanvas::CopyRect(const TRect& dest, const QImage& source, const TRect& sourceRect, unsigned rop) {
  if (!painter_ || source.isNull() || sourceRect.IsEmpty()) return;
  TRect d = DeviceRect(dest);
  if (d.IsEmpty()) return;
  TRect s = IntersectRect(sourceRect, TRect(0, 0, source.width(), source.height()));
  if (s.IsEmpty()) return;
  // The part of the destination that the clamped source covers.
  double fx = double(d.Width()) / sourceRect.Width(), fy = double(d.Height()) / sourceRect.Height();
  QRectF target(d.Left + (s.Left - sourceRect.Left) * fx, d.Top + (s.Top - sourceRect.Top) * fy, s.Width() * fx,
                s.Height() * fy);
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  bool raster = IsRasterDevice(painter_);
  if (raster && rop == SRCPAINT) mode = QPainter::RasterOp_SourceOrDestination;
  if (raster && rop == SRCAND) mode = QPainter::RasterOp_SourceAndDestination;
  if (raster && rop == SRCINVERT) mode = QPainter::RasterOp_SourceXorDestination;
  QImage img = source.hasAlphaChannel() ? source.convertToFormat(QImage::Format_RGB32) : source;
  DeviceSpace ds(*this);
  painter_->save();
  painter_->setCompositionMode(mode);
  painter_->drawImage(target, img, QRectF(s.Left, s.Top, s.Width(), s.Height()));
  painter_->restore();
}

bool TCanvas::BitBlt(int x, int y, int width, int height, const QImage& source, int sx, int sy, unsigned rop) {
  if (width <= 0 || height <= 0) return false;
  if (rop != SRCCOPY && rop != SRCPAINT && rop != SRCAND && rop != SRCINVERT) return false;
  CopyRect(TRect(x, y, ClampInt((long long)x + width), ClampInt((long long)y + height)), source,
           TRect(sx, sy, ClampInt((long long)sx + width), ClampInt((long long)sy + height)), rop);
  return true;
}
