// Fonts by name, as the engine knows them, and the faces that stand in for
// the ones Linux lacks.
//
// The substitute files come from Debian's fonts-wine package
// (/usr/share/wine/fonts). Of those, "Tahoma", "Marlett" and "Symbol" are
// outline fonts and are used as they are. The "MS Sans Serif" file holds
// only one bitmap size (13 pixels) and cannot be scaled, so it is registered
// but not chosen as a substitute: scaled output (zoomed previews, printers)
// needs outlines, and "Liberation Sans" (metric-compatible with the usual
// sans-serif face) takes its place.
#pragma once

#include <QFont>
#include <QString>
#include <string>

#include "platform/Types.h"

// Font style bits (a set over fsBold, fsItalic, fsUnderline, fsStrikeOut, in
// that order: bit n is the style of ordinal n).
enum TFontStyle : unsigned {
  fsBold = 1,
  fsItalic = 2,
  fsUnderline = 4,
  fsStrikeOut = 8,
};
using TFontStyles = unsigned;

enum TFontPitch { fpDefault, fpVariable, fpFixed };

constexpr int DEFAULT_CHARSET = 1;
constexpr int ANSI_CHARSET = 0;
constexpr int SYMBOL_CHARSET = 2;
constexpr int TURKISH_CHARSET = 162;

// A logical font. Height follows the platform's rule: negative = character
// height (em size), positive = cell height (ascent + descent), 0 = a default
// of 12; in the logical units of the canvas it is used on. Size is in points
// at PixelsPerInch (96 unless set).
struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;
  int PixelsPerInch = 96;
  int Charset = DEFAULT_CHARSET;
  TColor Color = clWindowText;
  TFontStyles Style = 0;
  int Orientation = 0;  // tenths of a degree, counter-clockwise
  TFontPitch Pitch = fpDefault;

  // Points: -Height * 72 / PixelsPerInch, rounded.
  int Size() const;
  // Height := -Size * PixelsPerInch / 72, rounded.
  void SetSize(int points);
  // Changes PixelsPerInch and keeps the point size.
  void SetPixelsPerInch(int ppi);

  friend bool operator==(const TFont&, const TFont&) = default;
};

// Adds the substitute font files that exist to the application's font
// database. Needs the Qt application object; further calls do nothing.
void RegisterSubstituteFonts();

// The installed family that shows a font name:
//   "MS Sans Serif", "MS Shell Dlg", "Microsoft Sans Serif", "Arial"
//       -> "Liberation Sans" (the wine "MS Sans Serif" only if it is scalable)
//   "Tahoma", "MS Shell Dlg 2" -> the wine "Tahoma" if registered, else "DejaVu Sans"
//   "Times New Roman" -> "Liberation Serif"; "Courier New", "Courier" -> "Liberation Mono"
// Case is ignored; other names stay as they are (fontconfig finds a fallback).
QString SubstituteFontName(const std::string& name);

// A QFont for a logical font. emPixels > 0 gives the em size in pixels;
// 0 takes it from font.Height read as pixels (a positive cell height is
// converted with the face's ascent and descent). With unhinted, glyph
// outlines and advances are not fitted to the pixel grid, so that widths
// scale linearly with the size (the canvas measures that way); widgets leave
// it off. Kerning and ligatures are off, as in the platform's text output.
QFont MakeQFont(const TFont& font, int emPixels = 0, bool unhinted = false);
