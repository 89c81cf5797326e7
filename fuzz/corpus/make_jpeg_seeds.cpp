// Writes the valid JPEG seeds of fuzz/corpus/jpeg/ (make_seeds.py derives the
// damaged ones from them), and the seeds with EXIF orientations and ICC
// profiles, sound and hostile. Build and run by hand:
//   g++ -O1 -o /tmp/make_jpeg_seeds fuzz/corpus/make_jpeg_seeds.cpp -ljpeg -llcms2
//   /tmp/make_jpeg_seeds fuzz/corpus/jpeg
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "../../tests/platform/IccProfiles.h"

using Bytes = std::vector<unsigned char>;
struct Segment {
  int marker;
  Bytes payload;
};

static void Write(const std::string& path, int w, int h, int comps, J_COLOR_SPACE space, bool progressive,
                  int restart, int quality, const std::vector<Segment>& segments = {}) {
  std::vector<JSAMPLE> px(std::size_t(w) * h * comps);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < comps; ++c)
        px[(std::size_t(y) * w + x) * comps + c] = JSAMPLE((x * 255 / w) ^ (c * 85) ^ (y * 255 / h / (c + 1)));
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::exit(1);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = comps;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  cinfo.restart_interval = JDIMENSION(restart);
  jpeg_start_compress(&cinfo, TRUE);
  for (const Segment& s : segments) jpeg_write_marker(&cinfo, s.marker, s.payload.data(), unsigned(s.payload.size()));
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = px.data() + std::size_t(cinfo.next_scanline) * w * comps;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
}

// EXIF with IFD0 of the given entries count (the entries that follow may be
// fewer) holding one orientation entry of the given type and count.
static Segment Exif(bool bigEndian, unsigned orientation, unsigned entries = 1, unsigned type = 3,
                    std::uint32_t count = 1, std::uint32_t ifd = 8, std::uint32_t next = 0) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back((unsigned char)(v >> (8 * (bigEndian ? n - 1 - i : i))));
  };
  b.push_back(bigEndian ? 'M' : 'I');
  b.push_back(bigEndian ? 'M' : 'I');
  put(42, 2);
  put(ifd, 4);
  put(entries, 2);
  put(0x0112, 2);
  put(type, 2);
  put(count, 4);
  put(orientation, 2);
  put(0, 2);
  put(next, 4);
  return {JPEG_APP0 + 1, b};
}

// The profile as APP2 pieces of at most piece bytes; count overrides the
// number of pieces every piece claims.
static std::vector<Segment> Icc(const Bytes& icc, size_t piece, int count = 0) {
  const size_t n = (icc.size() + piece - 1) / piece;
  std::vector<Segment> out;
  for (size_t i = 0; i < n; ++i) {
    Bytes b = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, (unsigned char)(i + 1),
               (unsigned char)(count ? count : int(n))};
    b.insert(b.end(), icc.begin() + long(i * piece), icc.begin() + long(std::min(icc.size(), (i + 1) * piece)));
    out.push_back({JPEG_APP0 + 2, b});
  }
  return out;
}

static std::vector<Segment> Join(std::vector<Segment> a, const std::vector<Segment>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : ".";
  Write(dir + "/rgb_32x24.jpg", 32, 24, 3, JCS_RGB, false, 0, 75);
  Write(dir + "/grey_16x16.jpg", 16, 16, 1, JCS_GRAYSCALE, false, 0, 75);
  Write(dir + "/progressive_40x20.jpg", 40, 20, 3, JCS_RGB, true, 0, 60);
  Write(dir + "/cmyk_adobe_16x8.jpg", 16, 8, 4, JCS_CMYK, false, 0, 75);
  Write(dir + "/restarts_48x16.jpg", 48, 16, 3, JCS_RGB, false, 1, 50);
  Write(dir + "/exif_rotate90_40x24.jpg", 40, 24, 3, JCS_RGB, false, 0, 75, {Exif(true, 6)});
  Write(dir + "/exif_transverse_cmyk_16x8.jpg", 16, 8, 4, JCS_CMYK, false, 0, 75, {Exif(false, 7)});
  Write(dir + "/icc_adobe_pieces_32x24.jpg", 32, 24, 3, JCS_RGB, true, 0, 75,
        Join({Exif(false, 3)}, Icc(iccprofiles::AdobeRgb(), 200)));
  Write(dir + "/icc_grey_linear_16x16.jpg", 16, 16, 1, JCS_GRAYSCALE, false, 0, 75, Icc(iccprofiles::LinearGrey(), 60000));
  Write(dir + "/bad_exif_counts_16x16.jpg", 16, 16, 3, JCS_RGB, false, 0, 75,
        {Exif(false, 6, 0xFFFF, 3, 0xFFFFFFFF, 8, 8)});
  Write(dir + "/bad_exif_offset_16x16.jpg", 16, 16, 3, JCS_RGB, false, 0, 75, {Exif(true, 6, 1, 3, 1, 0xFFFFFFF0)});
  const std::vector<Segment> pieces = Icc(iccprofiles::AdobeRgb(), 200);
  Write(dir + "/bad_icc_chain_16x16.jpg", 16, 16, 3, JCS_RGB, false, 0, 75, {pieces[0], pieces[2], pieces[2]});
  return 0;
}
