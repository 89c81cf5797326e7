// Lengths on paper and on devices. Page sizes and margins are tenths of a
// millimetre (lo-metric); a device measures in pixels at a resolution given
// in pixels per inch. The stored units of a page are thousandths of a
// millimetre or of an inch. Every conversion rounds to the nearest integer,
// halves away from zero (MulDiv).
#pragma once

#include "platform/Types.h"

constexpr int kLoMetricPerInch = 254;   // tenths of a millimetre
constexpr int kHiMetricPerInch = 2540;  // hundredths of a millimetre

inline int LoMetricToPixels(int loMetric, int pixelsPerInch) {
  return MulDiv(loMetric, pixelsPerInch, kLoMetricPerInch);
}
inline int PixelsToLoMetric(int pixels, int pixelsPerInch) {
  return MulDiv(pixels, kLoMetricPerInch, pixelsPerInch);
}
inline int HiMetricToPixels(int hiMetric, int pixelsPerInch) {
  return MulDiv(hiMetric, pixelsPerInch, kHiMetricPerInch);
}
// Whole millimetres.
inline int PixelsToMillimeters(int pixels, int pixelsPerInch) {
  return MulDiv(pixels, kLoMetricPerInch, pixelsPerInch * 10);
}

// Thousandths of a millimetre as thousandths of an inch, and back.
inline int MetricToInchLength(int metric) { return MulDiv(metric, 10, kLoMetricPerInch); }
inline int InchToMetricLength(int inch) { return MulDiv(inch, kLoMetricPerInch, 10); }
