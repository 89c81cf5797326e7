// The pictures the fill-effects dialog offers: 24 textures of 64 x 64 pixels
// and 48 two-colour patterns of 8 x 8 pixels, each set drawn once into one
// atlas bitmap (textures 4 columns by 6 rows, patterns 8 columns by 6 rows).
// The entry in column c and row r bears name number 6 c + r.
#pragma once

#include <QImage>

#include "platform/Types.h"

inline constexpr int dxTextureSize = 64;
inline constexpr int dxTextureColumns = 4;
inline constexpr int dxTextureRows = 6;
inline constexpr int dxTextureCount = dxTextureColumns * dxTextureRows;
inline constexpr int dxPatternSize = 8;
inline constexpr int dxPatternColumns = 8;
inline constexpr int dxPatternRows = 6;
inline constexpr int dxPatternCount = dxPatternColumns * dxPatternRows;

extern const char* const dxTextureNames[dxTextureCount];
extern const char* const dxPatternNames[dxPatternCount];

// The atlases (built on first use): textures in colour, patterns in black
// (foreground) on white (background).
const QImage& dxTextureAtlas();
const QImage& dxPatternAtlas();

// The texture or pattern that bears a name number, cut from its atlas.
QImage dxTextureCell(int nameIndex);
// The pattern recoloured: black pixels become the foreground colour, white
// pixels the background colour, other pixels stay.
QImage dxPatternCell(int nameIndex, TColor foreground, TColor background);
// The whole pattern atlas recoloured in the same way.
QImage dxRecolorPattern(const QImage& pattern, TColor foreground, TColor background);
