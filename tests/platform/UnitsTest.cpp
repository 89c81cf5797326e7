#include <gtest/gtest.h>

#include "platform/Units.h"

// Known lengths: A4 is 2100 x 2970 tenths of a millimetre, an inch is 254.
TEST(Units, ConvertKnownLengthsBothWays) {
  struct Case {
    int (*convert)(int, int);
    int value, pixelsPerInch, expected;
  } cases[] = {
      {LoMetricToPixels, 2100, 300, 2480},   // 2480.3
      {LoMetricToPixels, 2970, 96, 1123},    // 1122.52
      {LoMetricToPixels, 127, 1, 1},         // a half goes away from zero
      {LoMetricToPixels, -127, 1, -1},
      {PixelsToLoMetric, 2480, 300, 2100},   // 2099.7
      {PixelsToLoMetric, 48, 96, 127},
      {HiMetricToPixels, 635, 600, 150},     // a quarter inch
      {PixelsToMillimeters, 2480, 300, 210},
      {PixelsToMillimeters, 600, 600, 25},   // 25.4
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.convert(c.value, c.pixelsPerInch), c.expected) << c.value << " at " << c.pixelsPerInch;
}

TEST(Units, ConvertStoredPageUnits) {
  EXPECT_EQ(MetricToInchLength(25400), 1000);
  EXPECT_EQ(MetricToInchLength(210000), 8268);  // 8267.7
  EXPECT_EQ(InchToMetricLength(1000), 25400);
  EXPECT_EQ(InchToMetricLength(8500), 215900);
}
