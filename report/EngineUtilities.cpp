#include "report/EngineUtilities.h"

#include <climits>
#include <cstdint>

// ---------------------------------------------------------------------------
// Page numbers

std::string PageNumberToText(int number, TdxPageNumberFormat format) {
  switch (format) {
    case pnfChars: return NumberToLetters(number, false);
    case pnfUpperChars: return NumberToLetters(number, true);
    case pnfRoman: return NumberToRoman(number, false);
    case pnfUpperRoman: return NumberToRoman(number, true);
    case pnfNumeral:
    default: return std::to_string(number);
  }
}

constexpr int kMaxLetterRepeat = 1000;

std::string NumberToLetters(int number, bool upper) {
  if (number < 1) return std::string();
  // Beyond 1000 repeated letters the form is unreadable and would cost memory
  // without bound; such numbers are written as digits.
  if ((number - 1) / 26 >= kMaxLetterRepeat) return std::to_string(number);
  const char letter = char((upper ? 'A' : 'a') + (number - 1) % 26);
  return std::string(std::size_t((number - 1) / 26 + 1), letter);
}

namespace {
struct RomanSymbol {
  int Value;
  const char* Lower;
  const char* Upper;
};
constexpr RomanSymbol kRomanSymbols[] = {
    {1000, "m", "M"}, {900, "cm", "CM"}, {500, "d", "D"}, {400, "cd", "CD"}, {100, "c", "C"},
    {90, "xc", "XC"}, {50, "l", "L"},    {40, "xl", "XL"}, {10, "x", "X"},   {9, "ix", "IX"},
    {5, "v", "V"},    {4, "iv", "IV"},   {1, "i", "I"},
};

// The nine forms of hundreds, tens and units, lower case.
constexpr const char* kRomanGroups[3][9] = {
    {"c", "cc", "ccc", "cd", "d", "dc", "dcc", "dccc", "cm"},
    {"x", "xx", "xxx", "xl", "l", "lx", "lxx", "lxxx", "xc"},
    {"i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix"},
};
constexpr int kRomanGroupUnit[3] = {100, 10, 1};

char ToUpperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Whether text at pos begins with form (given in lower case) in the wanted case.
bool StartsWithForm(const std::string& text, std::size_t pos, const char* form, bool upper) {
  for (std::size_t i = 0; form[i]; ++i) {
    if (pos + i >= text.size()) return false;
    char want = upper ? ToUpperAscii(form[i]) : form[i];
    if (text[pos + i] != want) return false;
  }
  return true;
}
}  // namespace

std::string NumberToRoman(int number, bool upper) {
  std::string result;
  if (number <= 0) return result;
  // Thousands past 3999 repeat "m"; past 1000 of them the number is written
  // as digits, as for letters.
  if (number / 1000 > kMaxLetterRepeat) return std::to_string(number);
  result.reserve(std::size_t(number / 1000) + 16);
  for (const RomanSymbol& s : kRomanSymbols) {
    while (number >= s.Value) {
      result += upper ? s.Upper : s.Lower;
      number -= s.Value;
    }
  }
  return result;
}

int LettersToNumber(const std::string& text, bool upper) {
  if (text.empty()) return 0;
  const char first = text[0];
  const char a = upper ? 'A' : 'a';
  std::int64_t position = first >= a && first <= a + 25 ? first - a + 1 : 0;
  std::int64_t value = position + std::int64_t(text.size() - 1) * 26;
  return value > INT_MAX ? -1 : int(value);
}

int RomanToNumber(const std::string& text, bool upper) {
  const char m = upper ? 'M' : 'm';
  std::size_t pos = 0;
  std::int64_t sum = 0;
  while (pos < text.size() && text[pos] == m) {
    sum += 1000;
    ++pos;
  }
  for (int group = 0; group < 3 && pos < text.size(); ++group) {
    for (int form = 8; form >= 0; --form) {
      const char* f = kRomanGroups[group][form];
      if (StartsWithForm(text, pos, f, upper)) {
        pos += std::char_traits<char>::length(f);
        sum += std::int64_t(form + 1) * kRomanGroupUnit[group];
        break;
      }
    }
  }
  if (pos < text.size()) return -1;
  return sum > INT_MAX ? -1 : int(sum);
}

// ---------------------------------------------------------------------------
// Fonts

std::string FormatFontInfo(const TFont& font) {
  std::string result = Format("%d %s %s ", font.Size(), "pt.", font.Name.c_str());
  static const struct {
    TFontStyle Style;
    const char* Name;
  } kStyles[] = {{fsBold, "Bold"}, {fsItalic, "Italic"}, {fsUnderline, "Underline"}, {fsStrikeOut, "StrikeOut"}};
  std::string styles;
  for (const auto& s : kStyles) {
    if (!(font.Style & s.Style)) continue;
    if (!styles.empty()) styles += ' ';
    styles += s.Name;
  }
  if (!styles.empty()) result += " [" + styles + "]";
  return result;
}

bool dxAreFontsEqual(const TFont& a, const TFont& b) {
  return a.Color == b.Color && a.Name == b.Name && a.Pitch == b.Pitch && a.Style == b.Style && a.Size() == b.Size();
}

// ---------------------------------------------------------------------------
// Texts

bool ValidateFileName(const std::string& fileName) {
  std::size_t first = fileName.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return false;
  if (fileName.find_first_of("<>\"[]|") != std::string::npos) return false;
  std::size_t slash = fileName.find_last_of('/');
  std::string namePart = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  return namePart.find('\\') == std::string::npos;
}

std::string DropT(const std::string& className) {
  return !className.empty() && className[0] == 'T' ? className.substr(1) : className;
}

std::string RemoveAmpersands(const std::string& caption) {
  std::string result;
  for (char c : caption)
    if (c != '&') result += c;
  return result;
}

std::string DropColon(const std::string& text) {
  std::string result = text;
  if (!result.empty() && result.back() == ':') result.pop_back();
  while (!result.empty() && result.back() == '.') result.pop_back();
  return result;
}

std::string AddEndEllipsis(const std::string& text) {
  if (text.size() >= 3 && text.compare(text.size() - 3, 3, "...") == 0) return text;
  return text + "...";
}

// ---------------------------------------------------------------------------
// Numbers and geometry

int MinMax(int value, int lo, int hi) {
  if (value > hi) value = hi;
  if (value < lo) value = lo;
  return value;
}

TPoint ScalePoint(TPoint point, int numerator, int denominator) {
  return {MulDiv(point.X, numerator, denominator), MulDiv(point.Y, numerator, denominator)};
}

TRect ScaleRect(const TRect& rect, int numerator, int denominator) {
  return TRect(MulDiv(rect.Left, numerator, denominator), MulDiv(rect.Top, numerator, denominator),
               MulDiv(rect.Right, numerator, denominator), MulDiv(rect.Bottom, numerator, denominator));
}
