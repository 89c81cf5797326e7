// The metafile player's drawing state (pens, brushes, fonts, objects, the
// device context and its saved copies) and the Player class that replays
// records onto a QPainter. Shared by the pieces of the player:
// MetafilePlayer.cpp (walkers, headers, transforms, objects, clipping and
// drawing), MetafileEmfRecords.cpp and MetafileWmfRecords.cpp.
#pragma once

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

inline QColor ColorRef(std::uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }

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

inline bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e9; }
inline bool FiniteTransform(const QTransform& t) {
  return Finite(t.m11()) && Finite(t.m12()) && Finite(t.m21()) && Finite(t.m22()) && Finite(t.dx()) &&
         Finite(t.dy()) && std::fabs(t.determinant()) > 1e-12;
}

// Windows-1252 (and Windows-1254 for the Turkish character set) for the
// single-byte text of metafiles; other character sets go through Qt's codecs
// when it has them.
QString DecodeSingleByte(TByteView bytes, int charset);
// The colours of a DIB that GDI would draw: validated and decoded through the
// shared reader, after a size check that keeps the allocation within what the
// bytes can describe.
QImage DecodeRecordDib(TByteView record, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                       std::uint32_t cbBits, std::uint32_t usage);

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

}  // namespace metafile
