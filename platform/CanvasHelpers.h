// Helpers shared by the pieces of the canvas (Canvas.cpp, CanvasDrawing.cpp,
// CanvasText.cpp, CanvasFrameControls.cpp): rounding and clamping, rectangle
// and colour conversions, the font data of a canvas and the scope that draws
// in device pixels. Internal to the canvas.
#pragma once

#include <QColor>
#include <QFont>
#include <QPaintEngine>
#include <QPainter>
#include <QRect>
#include <climits>
#include <cmath>

#include "platform/Canvas.h"

namespace CanvasHelpers {

inline QColor ToQColor(TColor color) { return ColorToQColor(color); }

inline int ClampInt(long long v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return int(v);
}

inline int RoundToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= double(INT_MAX)) return INT_MAX;
  if (v <= double(INT_MIN)) return INT_MIN;
  return int(std::floor(v + 0.5));
}

inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }

inline TRect FromQRect(const QRect& r) {
  if (r.isEmpty()) return TRect();
  return TRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
}

inline bool IsRasterDevice(QPainter* p) {
  return p && p->paintEngine() && p->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

}  // namespace CanvasHelpers

struct TCanvas::FontData {
  TFont key;
  QFont ref;       // kRefPixels em, unhinted
  double k = 0;    // logical units per reference pixel
  TTextMetric tm;
};

class TCanvas::DeviceSpace {
 public:
  explicit DeviceSpace(const TCanvas& c) : c_(c) { c_.painter_->setWorldTransform(c_.base_); }
  ~DeviceSpace() { c_.painter_->setWorldTransform(c_.MappingTransform()); }
  DeviceSpace(const DeviceSpace&) = delete;
  DeviceSpace& operator=(const DeviceSpace&) = delete;

 private:
  const TCanvas& c_;
};
