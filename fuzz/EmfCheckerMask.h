// Shared by the metafile seed generator and the metafile tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <uemf.h>

// A monochrome 2 x 2 checkerboard (bottom-up: set at the upper left and lower
// right) appended to a MASKBLT or PLGBLT record made by libuemf, its fields
// (offBmiMask and on) at `fields`. libuemf's builders lay the mask over the
// source's pixels, so the mask is added here instead. Answers the grown record.
inline char* WithChecker(char* record, std::size_t fields) {
  std::uint32_t size;
  std::memcpy(&size, record + 4, 4);
  const std::uint32_t offBmi = size, cbBmi = 48, offBits = size + cbBmi, cbBits = 8;
  record = static_cast<char*>(std::realloc(record, size + cbBmi + cbBits));
  const U_RGBQUAD mono[2] = {rgbquad_set(0, 0, 0, 0), rgbquad_set(255, 255, 255, 0)};
  const U_BITMAPINFOHEADER header = bitmapinfoheader_set(2, 2, 1, 1, U_BI_RGB, 8, 0, 0, 2, 0);
  const std::uint8_t checker[8] = {0x40, 0, 0, 0, 0x80, 0, 0, 0};
  std::memcpy(record + offBmi, &header, 40);
  std::memcpy(record + offBmi + 40, mono, 8);
  std::memcpy(record + offBits, checker, cbBits);
  for (std::uint32_t v : {offBmi, cbBmi, offBits, cbBits}) std::memcpy(record + fields, &v, 4), fields += 4;
  size += cbBmi + cbBits;
  std::memcpy(record + 4, &size, 4);
  return record;
}
