// A paint device that draws onto another one in shades of gray: every pen,
// brush, background and picture reaches the target with its colours turned
// into their gray values (transparency kept). Print jobs with gray shading
// draw their pages through it, so that also a PDF written to a file, or sent
// to a queue that ignores the colour option, carries no colour.
#pragma once

#include <QColor>
#include <QImage>
#include <QPaintDevice>
#include <memory>

class QBrush;

class TGrayPaintDevice : public QPaintDevice {
 public:
  // target must outlive the device; painting on the device paints on it.
  explicit TGrayPaintDevice(QPaintDevice* target);
  ~TGrayPaintDevice() override;
  TGrayPaintDevice(const TGrayPaintDevice&) = delete;
  TGrayPaintDevice& operator=(const TGrayPaintDevice&) = delete;

  QPaintEngine* paintEngine() const override;

  // The gray forms of colours, brushes and pictures.
  static QColor Gray(const QColor& color);
  static QBrush Gray(const QBrush& brush);
  static QImage Gray(const QImage& image);

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  class Engine;
  QPaintDevice* target_;
  std::unique_ptr<Engine> engine_;
};
