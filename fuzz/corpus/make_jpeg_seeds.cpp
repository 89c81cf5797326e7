// Writes the valid JPEG seeds of fuzz/corpus/jpeg/ (make_seeds.py derives the
// damaged ones from them). Build and run by hand:
//   g++ -O1 -o /tmp/make_jpeg_seeds fuzz/corpus/make_jpeg_seeds.cpp -ljpeg
//   /tmp/make_jpeg_seeds fuzz/corpus/jpeg
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

static void Write(const std::string& path, int w, int h, int comps, J_COLOR_SPACE space, bool progressive,
                  int restart, int quality) {
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
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = px.data() + std::size_t(cinfo.next_scanline) * w * comps;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
}

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : ".";
  Write(dir + "/rgb_32x24.jpg", 32, 24, 3, JCS_RGB, false, 0, 75);
  Write(dir + "/grey_16x16.jpg", 16, 16, 1, JCS_GRAYSCALE, false, 0, 75);
  Write(dir + "/progressive_40x20.jpg", 40, 20, 3, JCS_RGB, true, 0, 60);
  Write(dir + "/cmyk_adobe_16x8.jpg", 16, 8, 4, JCS_CMYK, false, 0, 75);
  Write(dir + "/restarts_48x16.jpg", 48, 16, 3, JCS_RGB, false, 1, 50);
  return 0;
}
