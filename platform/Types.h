// Basic value types shared by every layer: integer geometry, colours and the
// rounding multiply-divide used for all scaling.
#pragma once

#include <cstdint>
#include <string>

using TColor = std::int32_t;  // 0x00BBGGRR; top bit set: a system colour index

// System colours (index in the low byte, top bit set).
constexpr TColor clScrollBar = TColor(0xFF000000);
constexpr TColor clBackground = TColor(0xFF000001);
constexpr TColor clActiveCaption = TColor(0xFF000002);
constexpr TColor clInactiveCaption = TColor(0xFF000003);
constexpr TColor clMenu = TColor(0xFF000004);
constexpr TColor clWindow = TColor(0xFF000005);
constexpr TColor clWindowFrame = TColor(0xFF000006);
constexpr TColor clMenuText = TColor(0xFF000007);
constexpr TColor clWindowText = TColor(0xFF000008);
constexpr TColor clCaptionText = TColor(0xFF000009);
constexpr TColor clActiveBorder = TColor(0xFF00000A);
constexpr TColor clInactiveBorder = TColor(0xFF00000B);
constexpr TColor clAppWorkSpace = TColor(0xFF00000C);
constexpr TColor clHighlight = TColor(0xFF00000D);
constexpr TColor clHighlightText = TColor(0xFF00000E);
constexpr TColor clBtnFace = TColor(0xFF00000F);
constexpr TColor clBtnShadow = TColor(0xFF000010);
constexpr TColor clGrayText = TColor(0xFF000011);
constexpr TColor clBtnText = TColor(0xFF000012);
constexpr TColor clInactiveCaptionText = TColor(0xFF000013);
constexpr TColor clBtnHighlight = TColor(0xFF000014);
constexpr TColor cl3DDkShadow = TColor(0xFF000015);
constexpr TColor cl3DLight = TColor(0xFF000016);
constexpr TColor clInfoText = TColor(0xFF000017);
constexpr TColor clInfoBk = TColor(0xFF000018);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The classic system colour table (the values a standard desktop scheme uses).
// System colours resolve through it so that output does not depend on the
// desktop theme of the machine that prints.
std::uint32_t GetSysColor(int index);
// Plain 0x00BBGGRR value of a colour; system colours are resolved.
std::uint32_t ColorToRGB(TColor color);
constexpr int GetRValue(std::uint32_t rgb) { return int(rgb & 0xFF); }
constexpr int GetGValue(std::uint32_t rgb) { return int((rgb >> 8) & 0xFF); }
constexpr int GetBValue(std::uint32_t rgb) { return int((rgb >> 16) & 0xFF); }
constexpr std::uint32_t RGBValue(int r, int g, int b) {
  return std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) | (std::uint32_t(b & 0xFF) << 16);
}

// number * numerator / denominator with a 64-bit intermediate, rounded to the
// nearest integer, halves away from zero. A zero denominator or a result that
// does not fit into 32 bits gives -1, as the platform routine does.
int MulDiv(int number, int numerator, int denominator);

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Rectangle with exclusive right and bottom edges.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr TRect() = default;
  constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr void Offset(int dx, int dy) { Left += dx; Right += dx; Top += dy; Bottom += dy; }
  constexpr void Inflate(int dx, int dy) { Left -= dx; Right += dx; Top -= dy; Bottom += dy; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Bounds(int left, int top, int width, int height) {
  return TRect(left, top, left + width, top + height);
}
// Intersection; an empty result is the zero rectangle, as the platform answers.
TRect IntersectRect(const TRect& a, const TRect& b);
TRect UnionRect(const TRect& a, const TRect& b);

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Lower-case copy (ASCII letters only).
std::string LowerCase(std::string s);
bool SameText(const std::string& a, const std::string& b);
