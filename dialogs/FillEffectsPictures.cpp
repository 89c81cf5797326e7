#include "dialogs/FillEffectsPictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/Canvas.h"

const char* const dxTextureNames[dxTextureCount] = {
    "Newsprint",   "Green marble", "Blue tissue paper", "Papyrus",     "Water droplets", "Cork",
    "Recycled paper", "White marble", "Pink marble",     "Canvas",      "Paper bag",      "Walnut",
    "Parchment",   "Brown marble", "Purple mesh",       "Denim",       "Fish fossil",    "Oak",
    "Stationary",  "Granite",      "Bouquet",           "Woven mat",   "Sand",           "Medium wood",
};

const char* const dxPatternNames[dxPatternCount] = {
    "5%",
    "10%",
    "20%",
    "25%",
    "30%",
    "40%",
    "50%",
    "60%",
    "70%",
    "75%",
    "80%",
    "90%",
    "Light downward diagonal",
    "Light upward diagonal",
    "Dark downward diagonal",
    "Dark upward diagonal",
    "Wide downward diagonal",
    "Wide upward diagonal",
    "Light vertical",
    "Light horizontal",
    "Narrow vertical",
    "Narrow horizontal",
    "Dark vertical",
    "Dark horizontal",
    "Dashed downward",
    "Dashed upward",
    "Dashed vertical",
    "Dashed horizontal",
    "Small confetti",
    "Large confetti",
    "Zig zag",
    "Wave",
    "Diagonal brick",
    "Horizontal brick",
    "Weave",
    "Plaid",
    "Divot",
    "Dottedgrid",
    "Dotted diamond",
    "Shingle",
    "Trellis",
    "Sphere",
    "Small grid",
    "Large grid",
    "Small checked board",
    "Large checked board",
    "Outlined diamond",
    "Solid diamond",
};

namespace {

// ---- Patterns: eight rows of eight bits each, the leftmost pixel in the
// high bit; a set bit is a foreground pixel. In name order.
using PatternRows = std::uint8_t[8];
constexpr PatternRows kPatterns[dxPatternCount] = {
    {0x80, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00},  // 5%
    {0x80, 0x00, 0x08, 0x00, 0x80, 0x00, 0x08, 0x00},  // 10%
    {0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00},  // 20%
    {0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22},  // 25%
    {0xAA, 0x44, 0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11},  // 30%
    {0xAA, 0x55, 0xAA, 0x11, 0xAA, 0x55, 0xAA, 0x11},  // 40%
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},  // 50%
    {0x55, 0xAA, 0x55, 0xEE, 0x55, 0xAA, 0x55, 0xEE},  // 60%
    {0x55, 0xBB, 0x55, 0xEE, 0x55, 0xBB, 0x55, 0xEE},  // 70%
    {0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD},  // 75%
    {0x77, 0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD, 0xFF},  // 80%
    {0x7F, 0xFF, 0xF7, 0xFF, 0x7F, 0xFF, 0xF7, 0xFF},  // 90%
    {0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11},  // light downward diagonal
    {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88},  // light upward diagonal
    {0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66, 0x33, 0x99},  // dark downward diagonal
    {0x33, 0x66, 0xCC, 0x99, 0x33, 0x66, 0xCC, 0x99},  // dark upward diagonal
    {0xC1, 0xE0, 0x70, 0x38, 0x1C, 0x0E, 0x07, 0x83},  // wide downward diagonal
    {0x83, 0x07, 0x0E, 0x1C, 0x38, 0x70, 0xE0, 0xC1},  // wide upward diagonal
    {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88},  // light vertical
    {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // light horizontal
    {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA},  // narrow vertical
    {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00},  // narrow horizontal
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC},  // dark vertical
    {0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00},  // dark horizontal
    {0x88, 0x44, 0x22, 0x11, 0x00, 0x00, 0x00, 0x00},  // dashed downward
    {0x11, 0x22, 0x44, 0x88, 0x00, 0x00, 0x00, 0x00},  // dashed upward
    {0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08},  // dashed vertical
    {0xF0, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00},  // dashed horizontal
    {0x84, 0x10, 0x02, 0x40, 0x08, 0x81, 0x20, 0x04},  // small confetti
    {0xC0, 0xC6, 0x06, 0x30, 0x30, 0x03, 0x63, 0x60},  // large confetti
    {0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18},  // zig zag
    {0x00, 0x18, 0x24, 0xC3, 0x00, 0x18, 0x24, 0xC3},  // wave
    {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81},  // diagonal brick
    {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08},  // horizontal brick
    {0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51},  // weave
    {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0},  // plaid
    {0x00, 0x10, 0x08, 0x10, 0x00, 0x01, 0x80, 0x01},  // divot
    {0xAA, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00},  // dotted grid
    {0x80, 0x00, 0x22, 0x00, 0x08, 0x00, 0x22, 0x00},  // dotted diamond
    {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01},  // shingle
    {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99},  // trellis
    {0x77, 0x89, 0x8F, 0x8F, 0x77, 0x98, 0xF8, 0xF8},  // sphere
    {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88},  // small grid
    {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},  // large grid
    {0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33},  // small checked board
    {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F},  // large checked board
    {0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41, 0x80},  // outlined diamond
    {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0x00},  // solid diamond
};

// ---- Textures: drawn from noise that repeats every 64 pixels, so that each
// texture tiles without seams.

// A lattice value in [0, 1) for integer coordinates, repeating with the period.
double Lattice(int x, int y, int period, std::uint32_t seed) {
  x = ((x % period) + period) % period;
  y = ((y % period) + period) % period;
  std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return double(h & 0xFFFFFF) / double(0x1000000);
}

// Smooth value noise at (x, y) with cells of the given size (64 divisible by it).
double Noise(double x, double y, int cell, std::uint32_t seed) {
  const int period = dxTextureSize / cell;
  const double fx = x / cell, fy = y / cell;
  const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
  double tx = fx - ix, ty = fy - iy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const double a = Lattice(ix, iy, period, seed), b = Lattice(ix + 1, iy, period, seed);
  const double c = Lattice(ix, iy + 1, period, seed), d = Lattice(ix + 1, iy + 1, period, seed);
  return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty;
}

// Several octaves of noise, in [0, 1).
double Turbulence(double x, double y, std::uint32_t seed) {
  return (Noise(x, y, 32, seed) * 8 + Noise(x, y, 16, seed + 1) * 4 + Noise(x, y, 8, seed + 2) * 2 +
          Noise(x, y, 4, seed + 3)) /
         15.0;
}

struct Rgb {
  int R, G, B;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {int(a.R + (b.R - a.R) * t), int(a.G + (b.G - a.G) * t), int(a.B + (b.B - a.B) * t)};
}

enum class Kind { Speckle, Marble, Fibre, Droplets, Weave, Mesh, Wood, Flowers, Fossil };

struct TextureRecipe {
  Kind kind;
  Rgb dark, light;
  std::uint32_t seed;
};

// In name order.
constexpr TextureRecipe kTextures[dxTextureCount] = {
    {Kind::Speckle, {150, 150, 150}, {235, 235, 230}, 11},   // newsprint
    {Kind::Marble, {20, 80, 40}, {150, 200, 160}, 12},       // green marble
    {Kind::Fibre, {120, 150, 220}, {200, 215, 245}, 13},     // blue tissue paper
    {Kind::Fibre, {190, 170, 120}, {235, 220, 180}, 14},     // papyrus
    {Kind::Droplets, {70, 110, 160}, {170, 200, 230}, 15},   // water droplets
    {Kind::Speckle, {140, 90, 40}, {210, 160, 100}, 16},     // cork
    {Kind::Speckle, {180, 170, 150}, {225, 220, 205}, 17},   // recycled paper
    {Kind::Marble, {170, 170, 175}, {250, 250, 250}, 18},    // white marble
    {Kind::Marble, {200, 130, 140}, {250, 220, 225}, 19},    // pink marble
    {Kind::Weave, {190, 180, 150}, {230, 222, 200}, 20},     // canvas
    {Kind::Fibre, {160, 120, 70}, {200, 160, 110}, 21},      // paper bag
    {Kind::Wood, {70, 40, 20}, {130, 80, 45}, 22},           // walnut
    {Kind::Fibre, {220, 200, 160}, {250, 240, 215}, 23},     // parchment
    {Kind::Marble, {80, 50, 30}, {190, 150, 110}, 24},       // brown marble
    {Kind::Mesh, {90, 40, 120}, {190, 150, 210}, 25},        // purple mesh
    {Kind::Weave, {40, 70, 120}, {90, 120, 170}, 26},        // denim
    {Kind::Fossil, {150, 130, 100}, {220, 205, 175}, 27},    // fish fossil
    {Kind::Wood, {150, 110, 60}, {210, 170, 110}, 28},       // oak
    {Kind::Fibre, {225, 225, 215}, {250, 250, 245}, 29},     // stationary
    {Kind::Speckle, {60, 60, 65}, {190, 185, 180}, 30},      // granite
    {Kind::Flowers, {200, 80, 110}, {245, 235, 220}, 31},    // bouquet
    {Kind::Weave, {170, 140, 80}, {220, 195, 130}, 32},      // woven mat
    {Kind::Speckle, {200, 175, 120}, {240, 220, 170}, 33},   // sand
    {Kind::Wood, {120, 75, 35}, {180, 125, 70}, 34},         // medium wood
};

constexpr double kTwoPi = 2 * std::numbers::pi;

Rgb TexturePixel(const TextureRecipe& t, int x, int y) {
  const double n = Turbulence(x, y, t.seed);
  switch (t.kind) {
    case Kind::Speckle: {
      const double fine = Lattice(x, y, dxTextureSize, t.seed + 7);
      return Mix(t.dark, t.light, 0.35 + 0.45 * n + (fine > 0.85 ? -0.4 : 0.0) + (fine < 0.05 ? 0.2 : 0.0));
    }
    case Kind::Marble: {
      const double v = 0.5 + 0.5 * std::sin(kTwoPi * (x + y) / dxTextureSize + 6.0 * n);
      return Mix(t.dark, t.light, 0.25 + 0.75 * std::pow(v, 0.4));
    }
    case Kind::Fibre: {
      // Fine across, long along: streaks that still repeat every 64 pixels.
      const double streak = Noise(x * 4.0, y, 16, t.seed + 5);
      return Mix(t.dark, t.light, 0.4 + 0.35 * n + 0.25 * streak);
    }
    case Kind::Droplets: {
      double v = 0.55 + 0.3 * n;
      for (int i = 0; i < 7; ++i) {
        const double cx = Lattice(i, 0, 64, t.seed) * dxTextureSize, cy = Lattice(i, 1, 64, t.seed) * dxTextureSize;
        const double r = 4 + 5 * Lattice(i, 2, 64, t.seed);
        double dx = std::abs(x - cx), dy = std::abs(y - cy);
        dx = std::min(dx, dxTextureSize - dx);
        dy = std::min(dy, dxTextureSize - dy);
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < r) v = d < r - 1.5 ? 0.25 + 0.7 * (1 - d / r) : 0.1;
      }
      return Mix(t.dark, t.light, v);
    }
    case Kind::Weave: {
      const bool horizontal = ((x / 4) + (y / 4)) % 2 == 0;
      const double thread = horizontal ? 0.5 + 0.5 * std::sin(kTwoPi * y / 4.0) : 0.5 + 0.5 * std::sin(kTwoPi * x / 4.0);
      return Mix(t.dark, t.light, 0.3 + 0.4 * thread + 0.3 * n);
    }
    case Kind::Mesh: {
      const bool line = x % 8 < 2 || y % 8 < 2;
      return Mix(t.dark, t.light, line ? 0.15 + 0.3 * n : 0.6 + 0.4 * n);
    }
    case Kind::Wood: {
      const double ring = 0.5 + 0.5 * std::sin(kTwoPi * 4 * x / dxTextureSize + 5.0 * n);
      return Mix(t.dark, t.light, 0.2 + 0.8 * std::pow(ring, 3.0));
    }
    case Kind::Flowers: {
      const int cx = (x / 16) * 16 + 8, cy = (y / 16) * 16 + 8;
      const double d = std::hypot(x - cx, y - cy);
      const double petal = 0.5 + 0.5 * std::cos(5 * std::atan2(y - cy, x - cx));
      if (d < 2) return {240, 200, 60};
      if (d < 3 + 3 * petal) return Mix(t.dark, t.light, 0.2 * n);
      return Mix(t.light, {170, 200, 150}, 0.3 * n);
    }
    case Kind::Fossil: {
      const double spine = std::abs(std::sin(kTwoPi * (x - 32) / dxTextureSize)) * 10;
      const bool bone = std::abs(y - 32 - spine * 0.3) < 1.5 || (x % 8 == 0 && std::abs(y - 32) < 10 - spine * 0.5);
      return Mix(t.dark, t.light, bone ? 0.1 + 0.2 * n : 0.5 + 0.5 * n);
    }
  }
  return t.light;
}

QImage BuildTextureAtlas() {
  QImage atlas(dxTextureColumns * dxTextureSize, dxTextureRows * dxTextureSize, QImage::Format_RGB32);
  for (int index = 0; index < dxTextureCount; ++index) {
    const int left = (index / dxTextureRows) * dxTextureSize, top = (index % dxTextureRows) * dxTextureSize;
    for (int y = 0; y < dxTextureSize; ++y)
      for (int x = 0; x < dxTextureSize; ++x) {
        const Rgb c = TexturePixel(kTextures[index], x, y);
        atlas.setPixel(left + x, top + y, qRgb(c.R, c.G, c.B));
      }
  }
  return atlas;
}

QImage BuildPatternAtlas() {
  QImage atlas(dxPatternColumns * dxPatternSize, dxPatternRows * dxPatternSize, QImage::Format_RGB32);
  for (int index = 0; index < dxPatternCount; ++index) {
    const int left = (index / dxPatternRows) * dxPatternSize, top = (index % dxPatternRows) * dxPatternSize;
    for (int y = 0; y < dxPatternSize; ++y)
      for (int x = 0; x < dxPatternSize; ++x) {
        const bool set = (kPatterns[index][y] >> (7 - x)) & 1;
        atlas.setPixel(left + x, top + y, set ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
      }
  }
  return atlas;
}

QRect CellRect(int nameIndex, int rows, int size) {
  return QRect((nameIndex / rows) * size, (nameIndex % rows) * size, size, size);
}

}  // namespace

const QImage& dxTextureAtlas() {
  static const QImage atlas = BuildTextureAtlas();
  return atlas;
}

const QImage& dxPatternAtlas() {
  static const QImage atlas = BuildPatternAtlas();
  return atlas;
}

QImage dxTextureCell(int nameIndex) {
  if (nameIndex < 0 || nameIndex >= dxTextureCount) return QImage();
  return dxTextureAtlas().copy(CellRect(nameIndex, dxTextureRows, dxTextureSize));
}

QImage dxRecolorPattern(const QImage& pattern, TColor foreground, TColor background) {
  QImage image = pattern.convertToFormat(QImage::Format_RGB32);
  const QRgb fore = ColorToQColor(foreground).rgb(), back = ColorToQColor(background).rgb();
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x] | 0xFF000000u;
      if (p == 0xFF000000u)
        line[x] = fore;
      else if (p == 0xFFFFFFFFu)
        line[x] = back;
    }
  }
  return image;
}

QImage dxPatternCell(int nameIndex, TColor foreground, TColor background) {
  if (nameIndex < 0 || nameIndex >= dxPatternCount) return QImage();
  return dxRecolorPattern(dxPatternAtlas().copy(CellRect(nameIndex, dxPatternRows, dxPatternSize)), foreground,
                          background);
}
