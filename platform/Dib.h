// Reading of device-independent bitmaps (the pixel part of BMP files and of
// icon entries), shared by the bitmap and icon readers. Every field is checked
// against the bytes that remain before anything is allocated or read.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

#include "platform/Graphics.h"

namespace dib {

// Thrown for any invalid or inconsistent field; the callers turn it into
// their own message.
struct DibError {};

// Limits for every raster picture read from outside: no side longer than
// MaxSide pixels and no more than MaxPixels pixels in all.
constexpr int MaxSide = 16384;
constexpr std::int64_t MaxPixels = std::int64_t(1) << 28;
// Throws DibError when a size is not within the limits (or not positive).
void CheckSize(std::int64_t width, std::int64_t height);

// Little-endian values at a position, checked against the end of the data.
std::uint16_t U16(TByteView data, std::size_t pos);
std::uint32_t U32(TByteView data, std::size_t pos);
// True when n bytes starting at pos lie inside the data.
inline bool Has(TByteView data, std::size_t pos, std::size_t n) {
  return pos <= data.size() && n <= data.size() - pos;
}

struct Decoded {
  QImage image;          // Format_RGB32, or Format_ARGB32 when the bitmap has alpha
  int bitCount = 0;
  std::size_t bitsEnd = 0;  // end of the pixel data within the input
};

constexpr std::size_t BitsFollowColorTable = SIZE_MAX;

// Decodes the DIB whose info header starts at headerPos. bitsPos is where the
// pixels start (a BMP file's offset), or BitsFollowColorTable for the packed
// layout of icons. In icon mode the header's height counts the mask rows too
// (it is halved), only uncompressed bottom-up data is accepted, and 32-bit
// pixels keep their alpha byte.
Decoded Decode(TByteView data, std::size_t headerPos, std::size_t bitsPos, bool icon);

}  // namespace dib
