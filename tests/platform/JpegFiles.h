// Small writers of JPEG files for the picture tests: pixels from a function,
// any stored colour space, and extra segments (EXIF, ICC profile pieces)
// written after the frame's own headers.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Graphics.h"

extern "C" {
#include <jpeglib.h>
}

namespace testfiles {

struct JpegSegment {
  int marker;  // JPEG_APP0 + n
  TBytes payload;
};

struct Jpeg {
  int width = 16, height = 16;
  int components = 3;                  // of the samples: 1 grey, 3 RGB, 4 CMYK
  J_COLOR_SPACE stored = JCS_UNKNOWN;  // colour space in the file; unknown: libjpeg's default
  int quality = 95;
  bool fullChroma = true;              // no subsampling, so colour edges stay sharp
  // Fills one line of samples (width * components).
  std::function<void(int y, JSAMPLE* line)> line;
  std::vector<JpegSegment> segments;
};

inline TBytes WriteJpeg(const Jpeg& j) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = JDIMENSION(j.width);
  cinfo.image_height = JDIMENSION(j.height);
  cinfo.input_components = j.components;
  cinfo.in_color_space = j.components == 1 ? JCS_GRAYSCALE : j.components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);  // CMYK input writes the Adobe marker
  if (j.stored != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, j.stored);
  jpeg_set_quality(&cinfo, j.quality, TRUE);
  if (j.fullChroma)
    for (int c = 0; c < cinfo.num_components; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  for (const JpegSegment& s : j.segments)
    jpeg_write_marker(&cinfo, s.marker, s.payload.data(), unsigned(s.payload.size()));
  std::vector<JSAMPLE> line(std::size_t(j.width) * j.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    j.line(int(cinfo.next_scanline), line.data());
    JSAMPROW row = line.data();
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  TBytes bytes(out, out + size);
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return bytes;
}

// A line function of four quadrants of the given sample values (top left, top
// right, bottom left, bottom right).
inline std::function<void(int, JSAMPLE*)> Quadrants(int width, int height, int components,
                                                    std::array<std::vector<JSAMPLE>, 4> colours) {
  return [=](int y, JSAMPLE* line) {
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c)
        line[x * components + c] = colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)][c];
  };
}
inline std::function<void(int, JSAMPLE*)> Uniform(int width, std::vector<JSAMPLE> colour) {
  return [=](int, JSAMPLE* line) {
    for (int x = 0; x < width; ++x)
      for (std::size_t c = 0; c < colour.size(); ++c) line[x * colour.size() + c] = colour[c];
  };
}

// A TIFF block for an APP1 "Exif" segment: IFD0 holds the given entries
// (tag, type, count, value or offset), in the given byte order, followed by
// the link to the next directory.
struct ExifEntry {
  std::uint16_t tag, type;
  std::uint32_t count, value;
};
inline TBytes ExifSegment(const std::vector<ExifEntry>& entries, bool bigEndian = false, std::uint32_t ifdOffset = 8,
                          std::uint32_t nextIfd = 0, std::optional<std::uint16_t> entryCount = {}) {
  TBytes out = {'E', 'x', 'i', 'f', 0, 0};
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(std::uint8_t(v >> (8 * (bigEndian ? bytes - 1 - i : i))));
  };
  out.push_back(bigEndian ? 'M' : 'I');
  out.push_back(bigEndian ? 'M' : 'I');
  put(42, 2);
  put(ifdOffset, 4);
  put(entryCount.value_or(std::uint16_t(entries.size())), 2);
  for (const ExifEntry& e : entries) {
    put(e.tag, 2);
    put(e.type, 2);
    put(e.count, 4);
    // A SHORT value sits in the first two bytes of the value field.
    if (e.type == 3 && e.count == 1) put(e.value, 2), put(0, 2);
    else put(e.value, 4);
  }
  put(nextIfd, 4);
  return out;
}
inline JpegSegment OrientationSegment(int orientation, bool bigEndian = false) {
  return {JPEG_APP0 + 1, ExifSegment({{0x010F, 2, 4, 0}, {0x0112, 3, 1, std::uint32_t(orientation)}}, bigEndian)};
}

// An ICC profile as a chain of APP2 "ICC_PROFILE" segments of at most piece
// bytes each (sequence numbers from 1, the count in every piece).
inline std::vector<JpegSegment> IccSegments(const TBytes& profile, std::size_t piece) {
  const std::size_t count = (profile.size() + piece - 1) / piece;
  std::vector<JpegSegment> segments;
  for (std::size_t i = 0; i < count; ++i) {
    TBytes p = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, std::uint8_t(i + 1), std::uint8_t(count)};
    const auto begin = profile.begin() + std::ptrdiff_t(i * piece);
    p.insert(p.end(), begin, begin + std::ptrdiff_t(std::min(piece, profile.size() - i * piece)));
    segments.push_back({JPEG_APP0 + 2, std::move(p)});
  }
  return segments;
}

}  // namespace testfiles
