#include "platform/GrayPaintDevice.h"

#include <QBitmap>
#include <QBrush>
#include <QGradient>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

// Forwards every drawing operation to a painter on the target, with the
// colours of the state and of the pictures turned gray. The painter on this
// device hands the state over unchanged (the engine claims every feature but
// the raster operations, which paper has not either), so the target painter
// does what the target's own engine needs.
class TGrayPaintDevice::Engine : public QPaintEngine {
 public:
  explicit Engine(QPaintDevice* target)
      : QPaintEngine(AllFeatures & ~(RasterOpModes | PorterDuff | PerspectiveTransform)), target_(target) {}

  bool begin(QPaintDevice*) override { return out_.begin(target_); }
  bool end() override { return out_.end(); }
  Type type() const override { return target_->paintEngine() ? target_->paintEngine()->type() : User; }

  void updateState(const QPaintEngineState& state) override {
    const DirtyFlags flags = state.state();
    if (flags & DirtyTransform) out_.setTransform(state.transform());
    if (flags & DirtyPen) {
      QPen pen = state.pen();
      pen.setBrush(Gray(pen.brush()));
      out_.setPen(pen);
    }
    if (flags & DirtyBrush) out_.setBrush(Gray(state.brush()));
    if (flags & DirtyBrushOrigin) out_.setBrushOrigin(state.brushOrigin());
    if (flags & DirtyBackground) out_.setBackground(Gray(state.backgroundBrush()));
    if (flags & DirtyBackgroundMode) out_.setBackgroundMode(state.backgroundMode());
    if (flags & DirtyFont) out_.setFont(state.font());
    if (flags & DirtyHints) out_.setRenderHints(state.renderHints());
    if (flags & DirtyCompositionMode) out_.setCompositionMode(state.compositionMode());
    if (flags & DirtyOpacity) out_.setOpacity(state.opacity());
    if (flags & (DirtyClipPath | DirtyClipRegion)) {
      if (state.clipOperation() == Qt::NoClip)
        out_.setClipping(false);
      else if (flags & DirtyClipPath)
        out_.setClipPath(state.clipPath(), state.clipOperation());
      else
        out_.setClipRegion(state.clipRegion(), state.clipOperation());
    }
    if (flags & DirtyClipEnabled) out_.setClipping(state.isClipEnabled());
  }

  void drawRects(const QRectF* rects, int count) override { out_.drawRects(rects, count); }
  void drawLines(const QLineF* lines, int count) override { out_.drawLines(lines, count); }
  void drawEllipse(const QRectF& r) override { out_.drawEllipse(r); }
  void drawPath(const QPainterPath& path) override { out_.drawPath(path); }
  void drawPoints(const QPointF* points, int count) override { out_.drawPoints(points, count); }
  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    switch (mode) {
      case OddEvenMode: out_.drawPolygon(points, count, Qt::OddEvenFill); break;
      case WindingMode: out_.drawPolygon(points, count, Qt::WindingFill); break;
      case ConvexMode: out_.drawConvexPolygon(points, count); break;
      case PolylineMode: out_.drawPolyline(points, count); break;
    }
  }
  void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override {
    // A bitmap is a stencil in the pen's colour, which is gray already.
    if (pixmap.depth() == 1)
      out_.drawPixmap(r, pixmap, source);
    else
      out_.drawImage(r, Gray(pixmap.toImage()), source);
  }
  void drawImage(const QRectF& r, const QImage& image, const QRectF& source,
                 Qt::ImageConversionFlags flags) override {
    out_.drawImage(r, Gray(image), source, flags);
  }
  void drawTiledPixmap(const QRectF& r, const QPixmap& pixmap, const QPointF& offset) override {
    if (pixmap.depth() == 1)
      out_.drawTiledPixmap(r, pixmap, offset);
    else
      out_.drawTiledPixmap(r, QPixmap::fromImage(Gray(pixmap.toImage())), offset);
  }
  void drawTextItem(const QPointF& p, const QTextItem& item) override { out_.drawTextItem(p, item); }

 private:
  QPaintDevice* target_;
  QPainter out_;
};

TGrayPaintDevice::TGrayPaintDevice(QPaintDevice* target) : target_(target), engine_(std::make_unique<Engine>(target)) {}

TGrayPaintDevice::~TGrayPaintDevice() = default;

QPaintEngine* TGrayPaintDevice::paintEngine() const { return engine_.get(); }

int TGrayPaintDevice::metric(PaintDeviceMetric metric) const {
  switch (metric) {
    case PdmWidth: return target_->width();
    case PdmHeight: return target_->height();
    case PdmWidthMM: return target_->widthMM();
    case PdmHeightMM: return target_->heightMM();
    case PdmNumColors: return target_->colorCount();
    case PdmDepth: return target_->depth();
    case PdmDpiX: return target_->logicalDpiX();
    case PdmDpiY: return target_->logicalDpiY();
    case PdmPhysicalDpiX: return target_->physicalDpiX();
    case PdmPhysicalDpiY: return target_->physicalDpiY();
    case PdmDevicePixelRatio: return target_->devicePixelRatio();
    case PdmDevicePixelRatioScaled: return int(target_->devicePixelRatioF() * devicePixelRatioFScale());
  }
  return 0;
}

QColor TGrayPaintDevice::Gray(const QColor& color) {
  if (!color.isValid()) return color;
  const QRgb rgba = color.rgba();
  const int gray = qGray(rgba);
  return QColor(gray, gray, gray, qAlpha(rgba));
}

QBrush TGrayPaintDevice::Gray(const QBrush& brush) {
  switch (brush.style()) {
    case Qt::NoBrush:
      return brush;
    case Qt::TexturePattern: {
      QBrush out = brush;
      out.setColor(Gray(brush.color()));
      out.setTextureImage(Gray(brush.textureImage()));
      out.setTransform(brush.transform());
      return out;
    }
    case Qt::LinearGradientPattern:
    case Qt::RadialGradientPattern:
    case Qt::ConicalGradientPattern: {
      QGradient gradient = *brush.gradient();
      QGradientStops stops = gradient.stops();
      for (auto& stop : stops) stop.second = Gray(stop.second);
      gradient.setStops(stops);
      QBrush out(gradient);
      out.setTransform(brush.transform());
      return out;
    }
    default: {
      QBrush out = brush;
      out.setColor(Gray(brush.color()));
      return out;
    }
  }
}

QImage TGrayPaintDevice::Gray(const QImage& image) {
  if (image.isNull() || image.format() == QImage::Format_Grayscale8) return image;
  if (image.colorCount() > 0) {
    // Indexed pictures (bitmaps among them) keep their format and turn
    // their colour table gray.
    QImage out = image;
    QList<QRgb> table = out.colorTable();
    for (QRgb& c : table) {
      const int gray = qGray(c);
      c = qRgba(gray, gray, gray, qAlpha(c));
    }
    out.setColorTable(table);
    return out;
  }
  if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_Grayscale8);
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const int gray = qGray(line[x]);
      line[x] = qRgba(gray, gray, gray, qAlpha(line[x]));
    }
  }
  return out;
}
