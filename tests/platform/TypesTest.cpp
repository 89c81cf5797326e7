#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/Types.h"

TEST(MulDiv, RoundsHalvesAwayFromZeroInEverySign) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);     // 2.5
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);   // -2.5
  EXPECT_EQ(MulDiv(5, -1, 2), -3);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(-5, -1, -2), -3);
  EXPECT_EQ(MulDiv(-5, -1, 2), 3);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);     // 1.5
  EXPECT_EQ(MulDiv(1, 1, 2), 1);     // 0.5
  EXPECT_EQ(MulDiv(-1, 1, 2), -1);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);     // 2.33
  EXPECT_EQ(MulDiv(8, 1, 3), 3);     // 2.67
  EXPECT_EQ(MulDiv(-8, 1, 3), -3);
  EXPECT_EQ(MulDiv(1, 1, 3), 0);
  EXPECT_EQ(MulDiv(0, 5, 7), 0);
  EXPECT_EQ(MulDiv(12700, 1000, 254), 50000);
}

TEST(MulDiv, UsesA64BitIntermediate) {
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
  EXPECT_EQ(MulDiv(1 << 20, 1 << 20, 1 << 10), 1 << 30);
  EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
  EXPECT_EQ(MulDiv(INT_MIN, INT_MIN, INT_MIN), INT_MIN);
  EXPECT_EQ(MulDiv(INT_MAX, -1, 1), -INT_MAX);
}

TEST(MulDiv, ZeroDivisorAndOverflowGiveMinusOne) {
  EXPECT_EQ(MulDiv(10, 10, 0), -1);
  EXPECT_EQ(MulDiv(0, 0, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);  // 2^31 does not fit
  EXPECT_EQ(MulDiv(INT_MIN, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, 1, -1), -1);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, 1), -1);
}

TEST(Rects, IntersectAnswersTheZeroRectWhenEmpty) {
  EXPECT_EQ(IntersectRect(TRect(0, 0, 10, 10), TRect(5, 5, 20, 20)), TRect(5, 5, 10, 10));
  EXPECT_EQ(IntersectRect(TRect(0, 0, 10, 10), TRect(10, 0, 20, 10)), TRect());  // touching edges
  EXPECT_EQ(IntersectRect(TRect(0, 0, 10, 10), TRect(20, 20, 30, 30)), TRect());
  EXPECT_EQ(IntersectRect(TRect(-5, -5, 5, 5), TRect(-10, 0, 0, 10)), TRect(-5, 0, 0, 5));
}

TEST(Rects, UnionIgnoresEmptyRects) {
  EXPECT_EQ(UnionRect(TRect(0, 0, 10, 10), TRect(5, 5, 20, 30)), TRect(0, 0, 20, 30));
  EXPECT_EQ(UnionRect(TRect(), TRect(5, 5, 20, 30)), TRect(5, 5, 20, 30));
  EXPECT_EQ(UnionRect(TRect(5, 5, 20, 30), TRect(100, 100, 100, 200)), TRect(5, 5, 20, 30));
  EXPECT_EQ(UnionRect(TRect(3, 3, 3, 3), TRect(7, 7, 6, 6)), TRect());
}

TEST(Rects, ExclusiveEdges) {
  TRect r(0, 0, 10, 5);
  EXPECT_TRUE(r.Contains({9, 4}));
  EXPECT_FALSE(r.Contains({10, 4}));
  EXPECT_FALSE(r.Contains({9, 5}));
  EXPECT_TRUE(TRect(5, 5, 5, 10).IsEmpty());
}

TEST(Colors, ClassicSystemColours) {
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0u);
  EXPECT_EQ(ColorToRGB(clBtnShadow), 0x808080u);
  EXPECT_EQ(ColorToRGB(clBtnHighlight), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(cl3DDkShadow), 0x000000u);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(clWindowText), 0x000000u);
  EXPECT_EQ(ColorToRGB(clHighlight), RGBValue(0, 0, 128));
  EXPECT_EQ(ColorToRGB(clInfoBk), RGBValue(255, 255, 225));
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(1000), 0u);
  EXPECT_EQ(ColorToRGB(TColor(0xFF0000FF)), 0u);  // unknown system colour index
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  EXPECT_EQ(GetRValue(ColorToRGB(clRed)), 255);
  EXPECT_EQ(GetBValue(ColorToRGB(clBlue)), 255);
  EXPECT_EQ(ColorToRGB(clNone), std::uint32_t(clNone));  // plain values pass through
}

TEST(Strings, FormatLowerCaseSameText) {
  EXPECT_EQ(Format("%d-%s-%05.1f", 42, "x", 3.14159), "42-x-003.1");
  EXPECT_EQ(Format("%s", ""), "");
  std::string big(5000, 'a');
  EXPECT_EQ(Format("[%s]", big.c_str()).size(), 5002u);
  EXPECT_EQ(Format("Unknown picture file extension (.%s)", "wmx"), "Unknown picture file extension (.wmx)");
  EXPECT_EQ(LowerCase("AbC \xC3\x87Z"), "abc \xC3\x87z");  // only ASCII letters change
  EXPECT_TRUE(SameText("Times New Roman", "TIMES NEW roman"));
  EXPECT_FALSE(SameText("Arial", "Arial "));
  EXPECT_FALSE(SameText("\xC3\x87", "\xC3\xA7"));
}
