// Small shared utilities of the engine: page-number conversions (numerals,
// letters, Roman numerals, both directions), caption and file-name helpers,
// font descriptions and comparisons, scaling of points and rectangles.
// The message boxes MessageError, MessageWarning and MessageQuestion live in
// platform/MessageDialogs.h.
#pragma once

#include <string>

#include "platform/Fonts.h"
#include "platform/Types.h"

enum TdxPageNumberFormat { pnfNumeral, pnfChars, pnfUpperChars, pnfRoman, pnfUpperRoman };

// pnfNumeral: decimal digits ("-" for negative numbers); pnfChars and
// pnfUpperChars: NumberToLetters; pnfRoman and pnfUpperRoman: NumberToRoman.
std::string PageNumberToText(int number, TdxPageNumberFormat format);
// 1 -> a, 26 -> z, 27 -> aa, 52 -> zz, 53 -> aaa: the ((n-1) mod 26 + 1)-th
// letter repeated ((n-1) div 26 + 1) times. Empty for numbers below 1.
std::string NumberToLetters(int number, bool upper);
// Greedy Roman numerals without an upper limit (4000 -> mmmm); empty for 0
// and below.
std::string NumberToRoman(int number, bool upper);
// The alphabet position (1 to 26) of the first character in the requested
// case (0 when it is no such letter) plus (length - 1) x 26; the other
// characters are not examined. 0 for an empty text; -1 when the result would
// not fit into an int.
int LettersToNumber(const std::string& text, bool upper);
// Leading m (M) add 1000 each, then at most one form each of the hundreds,
// tens and units. 0 for an empty text; -1 when text is left over (not a
// Roman number) or the value would not fit into an int.
int RomanToNumber(const std::string& text, bool upper);

// "%d %s %s " from the point size, "pt." and the name, then, when the font
// has a style, " [" + the style names ("Bold", "Italic", "Underline",
// "StrikeOut") joined by blanks + "]".
std::string FormatFontInfo(const TFont& font);
// Colour, name, pitch, style and point size are equal.
bool dxAreFontsEqual(const TFont& a, const TFont& b);

// Not empty after trimming, none of < > " [ ] |, and no backslash in the
// name part (after the last "/").
bool ValidateFileName(const std::string& fileName);
// A class name without its leading letter T ("TdxPSEngine" -> "dxPSEngine").
std::string DropT(const std::string& className);
// The caption without its ampersands.
std::string RemoveAmpersands(const std::string& caption);
// Without one trailing colon and then all trailing full stops.
std::string DropColon(const std::string& text);
// The text with "..." appended unless it already ends with it.
std::string AddEndEllipsis(const std::string& text);

// value limited to lo..hi (lo wins when hi < lo).
int MinMax(int value, int lo, int hi);
// Coordinates scaled by numerator / denominator with MulDiv.
TPoint ScalePoint(TPoint point, int numerator, int denominator);
TRect ScaleRect(const TRect& rect, int numerator, int denominator);
