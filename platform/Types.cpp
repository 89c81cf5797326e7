#include "platform/Types.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace {

// The classic standard desktop scheme, indexed by system colour number.
constexpr std::uint32_t kSysColors[] = {
    RGBValue(192, 192, 192),  //  0 scroll bar
    RGBValue(0, 128, 128),    //  1 desktop background
    RGBValue(0, 0, 128),      //  2 active caption
    RGBValue(128, 128, 128),  //  3 inactive caption
    RGBValue(192, 192, 192),  //  4 menu
    RGBValue(255, 255, 255),  //  5 window
    RGBValue(0, 0, 0),        //  6 window frame
    RGBValue(0, 0, 0),        //  7 menu text
    RGBValue(0, 0, 0),        //  8 window text
    RGBValue(255, 255, 255),  //  9 caption text
    RGBValue(192, 192, 192),  // 10 active border
    RGBValue(192, 192, 192),  // 11 inactive border
    RGBValue(128, 128, 128),  // 12 application work space
    RGBValue(0, 0, 128),      // 13 highlight
    RGBValue(255, 255, 255),  // 14 highlight text
    RGBValue(192, 192, 192),  // 15 button face
    RGBValue(128, 128, 128),  // 16 button shadow
    RGBValue(128, 128, 128),  // 17 gray text
    RGBValue(0, 0, 0),        // 18 button text
    RGBValue(192, 192, 192),  // 19 inactive caption text
    RGBValue(255, 255, 255),  // 20 button highlight
    RGBValue(0, 0, 0),        // 21 3D dark shadow
    RGBValue(192, 192, 192),  // 22 3D light
    RGBValue(0, 0, 0),        // 23 info text
    RGBValue(255, 255, 225),  // 24 info background
    RGBValue(0, 0, 0),        // 25 (unused)
    RGBValue(0, 0, 255),      // 26 hot-tracked item
    RGBValue(16, 132, 208),   // 27 gradient of the active caption
    RGBValue(181, 181, 181),  // 28 gradient of the inactive caption
    RGBValue(0, 0, 128),      // 29 menu highlight
    RGBValue(192, 192, 192),  // 30 menu bar
};

}  // namespace

std::uint32_t GetSysColor(int index) {
  if (index < 0 || index >= int(std::size(kSysColors))) return 0;
  return kSysColors[index];
}

std::uint32_t ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return std::uint32_t(color);
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  std::int64_t product = std::int64_t(number) * numerator;  // |product| <= 2^62
  std::int64_t den = denominator;
  bool negative = (product < 0) != (den < 0);
  std::uint64_t p = product < 0 ? std::uint64_t(-product) : std::uint64_t(product);
  std::uint64_t d = den < 0 ? std::uint64_t(-den) : std::uint64_t(den);
  std::uint64_t q = (p + d / 2) / d;  // halves away from zero
  if (negative) {
    if (q > std::uint64_t(std::numeric_limits<int>::max()) + 1) return -1;
    return int(-std::int64_t(q));
  }
  if (q > std::uint64_t(std::numeric_limits<int>::max())) return -1;
  return int(q);
}

TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom));
  if (r.IsEmpty()) return TRect();
  return r;
}

TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b.IsEmpty() ? TRect() : b;
  if (b.IsEmpty()) return a;
  return TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom));
}

std::string Format(const char* fmt, ...) {
  if (!fmt) return std::string();
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string result;
  if (n > 0) {
    result.resize(std::size_t(n) + 1);
    std::vsnprintf(result.data(), result.size(), fmt, args);
    result.resize(std::size_t(n));
  }
  va_end(args);
  return result;
}

std::string LowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}
