// A recording canvas: a paint device whose paint engine writes EMF records,
// so that what is painted on it (a widget through QWidget::render, say) stays
// vector data and prints sharp at any resolution. Paths, rectangles, lines,
// polygons and ellipses become path records, text becomes EXTTEXTOUTW with
// its font and character advances, images become STRETCHDIBITS (ALPHABLEND
// when they have alpha; JPEG pictures keep their compressed bytes, BI_JPEG),
// clipping becomes clip regions or clip paths.
//
//   TMetafileRecorder recorder(widget->width(), widget->height());
//   widget->render(&recorder);
//   metafile.SetEnhancedData(recorder.EnhancedData());
#pragma once

#include <QPaintDevice>
#include <memory>

#include "platform/Graphics.h"

class TMetafileRecorder : public QPaintDevice {
 public:
  // A canvas of width x height pixels at dpi pixels per inch; the metafile's
  // frame is that size.
  TMetafileRecorder(int width, int height, int dpi = 96);
  ~TMetafileRecorder() override;
  TMetafileRecorder(const TMetafileRecorder&) = delete;
  TMetafileRecorder& operator=(const TMetafileRecorder&) = delete;

  QPaintEngine* paintEngine() const override;
  // The EMF so far (header, records, EOF). Painting should have ended.
  TBytes EnhancedData() const;

  // The recording canvas a painter draws on (also through a widget that is
  // rendered onto one), or null.
  static TMetafileRecorder* Of(QPainter& painter);
  // Draws pixels decoded from the JPEG bytes: the record carries the bytes
  // themselves when the whole picture is drawn, else the pixels.
  void DrawJpeg(QPainter& painter, const QRectF& dest, const QImage& pixels, TByteView jpeg);

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  class Engine;
  std::unique_ptr<Engine> engine_;
  int width_, height_, dpi_;
};
