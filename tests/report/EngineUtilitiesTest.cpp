// Page-number conversions at their edges, and the small text, font and
// geometry helpers.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "report/EngineUtilities.h"

TEST(PageNumberTest, NumeralsKeepTheSign) {
  EXPECT_EQ(PageNumberToText(0, pnfNumeral), "0");
  EXPECT_EQ(PageNumberToText(-7, pnfNumeral), "-7");
  EXPECT_EQ(PageNumberToText(INT_MAX, pnfNumeral), "2147483647");
  EXPECT_EQ(PageNumberToText(INT_MIN, pnfNumeral), "-2147483648");
  EXPECT_EQ(PageNumberToText(28, pnfChars), "bb");
  EXPECT_EQ(PageNumberToText(28, pnfUpperChars), "BB");
  EXPECT_EQ(PageNumberToText(3, pnfUpperRoman), "III");
  EXPECT_EQ(PageNumberToText(14, pnfRoman), "xiv");
}

TEST(PageNumberTest, Letters) {
  EXPECT_EQ(NumberToLetters(1, false), "a");
  EXPECT_EQ(NumberToLetters(26, false), "z");
  EXPECT_EQ(NumberToLetters(27, false), "aa");
  EXPECT_EQ(NumberToLetters(52, true), "ZZ");
  EXPECT_EQ(NumberToLetters(53, false), "aaa");
  EXPECT_EQ(NumberToLetters(79, false), "aaaa");
  EXPECT_EQ(NumberToLetters(0, false), "");
  EXPECT_EQ(NumberToLetters(-5, true), "");
  EXPECT_EQ(NumberToLetters(INT_MIN, true), "");
  EXPECT_EQ(NumberToLetters(26 * 1000, false), std::string(1000, 'z'));
  // Past 1000 letters the number is written as digits instead of a huge string.
  EXPECT_EQ(NumberToLetters(26 * 1000 + 1, false), "26001");
  EXPECT_EQ(NumberToLetters(INT_MAX, true), "2147483647");

  EXPECT_EQ(LettersToNumber("c", false), 3);
  EXPECT_EQ(LettersToNumber("cc", false), 29);
  EXPECT_EQ(LettersToNumber("z", false), 26);
  EXPECT_EQ(LettersToNumber("zz", false), 52);
  EXPECT_EQ(LettersToNumber("ZZ", true), 52);
  EXPECT_EQ(LettersToNumber("Z", false), 0);   // not a letter of the requested case
  EXPECT_EQ(LettersToNumber("c9", false), 29);  // only the first character is examined
  EXPECT_EQ(LettersToNumber("", false), 0);
  // Round trip over the letter forms.
  for (int n = 1; n <= 200; ++n) EXPECT_EQ(LettersToNumber(NumberToLetters(n, true), true), n) << n;
}

TEST(PageNumberTest, LettersTooLongForAnInt) {
  // (length - 1) x 26 beyond the int range.
  std::string text(std::size_t(INT_MAX / 26) + 2, 'a');
  EXPECT_EQ(LettersToNumber(text, false), -1);
}

TEST(PageNumberTest, RomanNumerals) {
  EXPECT_EQ(NumberToRoman(1, false), "i");
  EXPECT_EQ(NumberToRoman(4, true), "IV");
  EXPECT_EQ(NumberToRoman(1994, false), "mcmxciv");
  EXPECT_EQ(NumberToRoman(3999, false), "mmmcmxcix");
  EXPECT_EQ(NumberToRoman(4000, false), "mmmm");  // thousands repeat past 3999
  EXPECT_EQ(NumberToRoman(1000999, true), std::string(1000, 'M') + "CMXCIX");
  EXPECT_EQ(NumberToRoman(1001000, true), "1001000");
  EXPECT_EQ(NumberToRoman(INT_MAX, false), "2147483647");
  EXPECT_EQ(NumberToRoman(0, false), "");
  EXPECT_EQ(NumberToRoman(-1, true), "");
  EXPECT_EQ(NumberToRoman(INT_MIN, true), "");
  // The largest Roman form still reads back.
  std::string largest = NumberToRoman(1000999, true);
  EXPECT_EQ(RomanToNumber(largest, true), 1000999);

  EXPECT_EQ(RomanToNumber("mmmcmxcix", false), 3999);
  EXPECT_EQ(RomanToNumber("MCMXCIV", true), 1994);
  EXPECT_EQ(RomanToNumber("mmmm", false), 4000);
  EXPECT_EQ(RomanToNumber("", true), 0);
  EXPECT_EQ(RomanToNumber("IIII", true), -1);
  EXPECT_EQ(RomanToNumber("MCMXCIV", false), -1);  // wrong case
  EXPECT_EQ(RomanToNumber("xm", false), -1);       // m only leads
  EXPECT_EQ(RomanToNumber("vx", false), -1);
  EXPECT_EQ(RomanToNumber("cdxliv", false), 444);
  EXPECT_EQ(RomanToNumber("dccclxxxviii", false), 888);
  EXPECT_EQ(RomanToNumber("iv ", false), -1);
  // The two directions agree.
  for (int n = 1; n <= 5000; ++n) {
    ASSERT_EQ(RomanToNumber(NumberToRoman(n, false), false), n) << n;
    ASSERT_EQ(RomanToNumber(NumberToRoman(n, true), true), n) << n;
  }
  // Beyond the int range.
  EXPECT_EQ(RomanToNumber(std::string(2147484, 'm'), false), -1);
}

TEST(UtilityTest, FontInfo) {
  TFont font;
  font.Name = "Times New Roman";
  font.SetSize(8);
  EXPECT_EQ(FormatFontInfo(font), "8 pt. Times New Roman ");
  font.Style = fsBold | fsItalic;
  EXPECT_EQ(FormatFontInfo(font), "8 pt. Times New Roman  [Bold Italic]");
  font.Style = fsUnderline | fsStrikeOut;
  font.SetSize(14);
  EXPECT_EQ(FormatFontInfo(font), "14 pt. Times New Roman  [Underline StrikeOut]");

  TFont other = font;
  EXPECT_TRUE(dxAreFontsEqual(font, other));
  other.Charset = SYMBOL_CHARSET;  // not compared
  EXPECT_TRUE(dxAreFontsEqual(font, other));
  other.SetPixelsPerInch(120);  // another height, the same point size
  EXPECT_NE(other.Height, font.Height);
  EXPECT_TRUE(dxAreFontsEqual(font, other));
  other.SetSize(15);
  EXPECT_FALSE(dxAreFontsEqual(font, other));
  other = font;
  other.Color = clRed;
  EXPECT_FALSE(dxAreFontsEqual(font, other));
  other = font;
  other.Pitch = fpFixed;
  EXPECT_FALSE(dxAreFontsEqual(font, other));
}

TEST(UtilityTest, FileNames) {
  EXPECT_TRUE(ValidateFileName("report.rps"));
  EXPECT_TRUE(ValidateFileName("/home/u/My Reports/report.rps"));
  EXPECT_TRUE(ValidateFileName("dir\\x/report.rps"));  // backslash outside the name part
  EXPECT_FALSE(ValidateFileName(""));
  EXPECT_FALSE(ValidateFileName("  \t"));
  for (const char* bad : {"a<b", "a>b", "a\"b", "a[b", "a]b", "a|b", "dir/a\\b"})
    EXPECT_FALSE(ValidateFileName(bad)) << bad;
}

TEST(UtilityTest, Captions) {
  EXPECT_EQ(DropT("TdxPSEngine"), "dxPSEngine");
  EXPECT_EQ(DropT("Form"), "Form");
  EXPECT_EQ(DropT(""), "");
  EXPECT_EQ(RemoveAmpersands("&Print && Save&"), "Print  Save");
  EXPECT_EQ(DropColon("Name:"), "Name");
  EXPECT_EQ(DropColon("Name::"), "Name:");
  EXPECT_EQ(DropColon("&Options..."), "&Options");
  EXPECT_EQ(DropColon("Wait...:"), "Wait");
  EXPECT_EQ(DropColon(":"), "");
  EXPECT_EQ(AddEndEllipsis("Print"), "Print...");
  EXPECT_EQ(AddEndEllipsis("Print..."), "Print...");
  EXPECT_EQ(AddEndEllipsis(".."), ".....");
  EXPECT_EQ(AddEndEllipsis(""), "...");
}

TEST(UtilityTest, NumbersAndGeometry) {
  EXPECT_EQ(MinMax(5, 0, 10), 5);
  EXPECT_EQ(MinMax(-5, 0, 10), 0);
  EXPECT_EQ(MinMax(15, 0, 10), 10);
  EXPECT_EQ(MinMax(5, 10, 0), 10);  // lo wins
  EXPECT_EQ(ScalePoint({3, -3}, 1, 2), (TPoint{2, -2}));  // halves away from zero
  EXPECT_EQ(ScaleRect(TRect(0, 10, 96, 200), 4800, 96), TRect(0, 500, 4800, 10000));
  EXPECT_EQ(ScaleRect(TRect(1, 1, 1, 1), 1, 0), TRect(-1, -1, -1, -1));  // as MulDiv answers
}
