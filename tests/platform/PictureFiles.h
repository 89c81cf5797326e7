// Small writers of BMP and ICO files for the picture tests: every header field
// can be set, so that valid files of every kind and hostile ones can be made.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Graphics.h"

namespace testfiles {

inline void Put16(TBytes& out, unsigned v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
inline void Put32(TBytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void Set32(TBytes& out, std::size_t pos, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[pos + i] = std::uint8_t(v >> (8 * i));
}

// Pixel rows as stored in a file: each row padded to 4 bytes, rows in file
// order (bottom row first unless topDown). value(x, y) gives a palette index
// (1, 4, 8 bits), a 16-bit word, 0xRRGGBB (24 bits) or a 32-bit word.
inline TBytes PackRows(int width, int height, int bitCount, bool topDown,
                       const std::function<std::uint32_t(int, int)>& value) {
  const std::size_t stride = (std::size_t(width) * bitCount + 31) / 32 * 4;
  TBytes out(stride * height, 0);
  for (int row = 0; row < height; ++row) {
    const int y = topDown ? row : height - 1 - row;
    std::uint8_t* p = out.data() + row * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = value(x, y);
      switch (bitCount) {
        case 1: p[x / 8] |= std::uint8_t((v & 1) << (7 - x % 8)); break;
        case 4: p[x / 2] |= std::uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: p[x] = std::uint8_t(v); break;
        case 16: p[2 * x] = std::uint8_t(v); p[2 * x + 1] = std::uint8_t(v >> 8); break;
        case 24: p[3 * x] = std::uint8_t(v); p[3 * x + 1] = std::uint8_t(v >> 8); p[3 * x + 2] = std::uint8_t(v >> 16); break;
        case 32: for (int i = 0; i < 4; ++i) p[4 * x + i] = std::uint8_t(v >> (8 * i)); break;
      }
    }
  }
  return out;
}

struct Bmp {
  int width = 4;
  int height = 4;  // negative: top-down
  int bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;  // 12, 40, 52, 56, 108, 124
  int planes = 1;
  std::vector<std::uint32_t> palette;  // 0xRRGGBB
  std::optional<std::uint32_t> colorsUsed;  // default: palette size
  std::vector<std::uint32_t> masks;         // bit fields: r, g, b (, a)
  TBytes pixels;
  std::optional<std::uint32_t> offBits;  // default: right after the palette
};

inline TBytes WriteBmp(const Bmp& b, bool fileHeader = true) {
  TBytes info;
  Put32(info, b.headerSize);
  if (b.headerSize == 12) {
    Put16(info, unsigned(b.width));
    Put16(info, unsigned(b.height));
    Put16(info, unsigned(b.planes));
    Put16(info, unsigned(b.bitCount));
  } else {
    Put32(info, std::uint32_t(b.width));
    Put32(info, std::uint32_t(b.height));
    Put16(info, unsigned(b.planes));
    Put16(info, unsigned(b.bitCount));
    Put32(info, b.compression);
    Put32(info, std::uint32_t(b.pixels.size()));
    Put32(info, 3780);
    Put32(info, 3780);
    Put32(info, b.colorsUsed.value_or(std::uint32_t(b.palette.size())));
    Put32(info, 0);
    // Masks live in the header from version 2 on, after it in a plain one.
    for (std::size_t i = 0; i < b.masks.size(); ++i)
      if (b.headerSize > 40 || i < 3) Put32(info, b.masks[i]);
    info.resize(b.headerSize + (b.headerSize == 40 && !b.masks.empty() ? 12 : 0), 0);
  }
  for (std::uint32_t c : b.palette) {
    info.push_back(std::uint8_t(c));
    info.push_back(std::uint8_t(c >> 8));
    info.push_back(std::uint8_t(c >> 16));
    if (b.headerSize != 12) info.push_back(0);
  }
  TBytes out;
  if (fileHeader) {
    const std::uint32_t offBits = b.offBits.value_or(14 + std::uint32_t(info.size()));
    out.push_back('B');
    out.push_back('M');
    Put32(out, std::uint32_t(14 + info.size() + b.pixels.size()));
    Put32(out, 0);
    Put32(out, offBits);
  }
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), b.pixels.begin(), b.pixels.end());
  return out;
}

// A palette of n distinct colours.
inline std::vector<std::uint32_t> DistinctPalette(int n) {
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < n; ++i)
    palette.push_back((std::uint32_t(i * 37 % 256) << 16) | (std::uint32_t(255 - i) << 8) | std::uint32_t(i * 11 % 256));
  return palette;
}

// An icon file: the directory, then each entry's bytes.
struct IconEntry {
  int width = 32, height = 32, bitCount = 32;
  TBytes bytes;
};

inline TBytes WriteIco(const std::vector<IconEntry>& entries, int type = 1, std::optional<int> count = {}) {
  TBytes out;
  Put16(out, 0);
  Put16(out, unsigned(type));
  Put16(out, unsigned(count.value_or(int(entries.size()))));
  std::uint32_t offset = std::uint32_t(6 + 16 * entries.size());
  for (const auto& e : entries) {
    out.push_back(std::uint8_t(e.width & 0xFF));
    out.push_back(std::uint8_t(e.height & 0xFF));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, unsigned(e.bitCount));
    Put32(out, std::uint32_t(e.bytes.size()));
    Put32(out, offset);
    offset += std::uint32_t(e.bytes.size());
  }
  for (const auto& e : entries) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
  return out;
}

// A DIB icon entry from an image: 32 bits with alpha, or 24 bits with an AND
// mask taken from the alpha (alpha < 128 is transparent).
inline TBytes IconDib(const QImage& source, int bitCount) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const int w = image.width(), h = image.height();
  Bmp b;
  b.width = w;
  b.height = 2 * h;
  b.bitCount = bitCount;
  b.pixels = PackRows(w, h, bitCount, false, [&](int x, int y) {
    QRgb p = image.pixel(x, y);
    return bitCount == 32 ? std::uint32_t(p) : std::uint32_t(p & 0xFFFFFF);
  });
  TBytes mask = PackRows(w, h, 1, false, [&](int x, int y) { return qAlpha(image.pixel(x, y)) < 128 ? 1u : 0u; });
  b.pixels.insert(b.pixels.end(), mask.begin(), mask.end());
  return WriteBmp(b, false);
}

}  // namespace testfiles
