// Writes the seed files of fuzz/corpus/emf and fuzz/corpus/wmf: small valid
// metafiles made with libuemf's record builders, and broken variants of them.
// Not part of the build; run it by hand when the seeds need to change:
//   g++ -std=c++20 fuzz/MetafileSeeds.cpp -luemf -o /tmp/metafile-seeds
//   /tmp/metafile-seeds fuzz/corpus
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <uemf.h>
#include <uemf_utf.h>
#include <uwmf.h>

#include "EmfCheckerMask.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

std::string root;

void Write(const std::string& name, const Bytes& bytes) {
  std::ofstream(root + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                           std::streamsize(bytes.size()));
}

void Put32(Bytes& b, std::size_t pos, std::uint32_t v) { std::memcpy(&b[pos], &v, 4); }

struct Emf {
  EMFTRACK* et = nullptr;
  EMFHANDLES* eht = nullptr;
  Emf() {
    emf_start("/dev/null", 4096, 4096, &et);
    emf_htable_create(64, 64, &eht);
    Add(U_EMRHEADER_set(U_RECTL{0, 0, 999, 999}, U_RECTL{0, 0, 10000, 10000}, nullptr, 0, nullptr,
                        U_SIZEL{2000, 2000}, U_SIZEL{200, 200}, 0));
  }
  ~Emf() {
    emf_free(&et);
    emf_htable_free(&eht);
  }
  void Add(char* rec) { emf_append(reinterpret_cast<PU_ENHMETARECORD>(rec), et, U_REC_FREE); }
  std::uint32_t Brush(U_COLORREF c, std::uint32_t style = U_BS_SOLID, int hatch = 0) {
    std::uint32_t ih;
    Add(createbrushindirect_set(&ih, eht, logbrush_set(style, c, hatch)));
    Add(selectobject_set(ih, eht));
    return ih;
  }
  void Pen(std::uint32_t style, int width, U_COLORREF c) {
    std::uint32_t ih;
    Add(createpen_set(&ih, eht, logpen_set(style, U_POINT{width, 0}, c)));
    Add(selectobject_set(ih, eht));
  }
  Bytes Finish() {
    Add(U_EMREOF_set(0, nullptr, et));
    emf_finish(et, eht);
    return Bytes(et->buf, et->buf + et->used);
  }
};

struct Wmf {
  WMFTRACK* wt = nullptr;
  WMFHANDLES* wht = nullptr;
  explicit Wmf(bool placeable) {
    wmf_start("/dev/null", 4096, 4096, &wt);
    wmf_htable_create(64, 64, &wht);
    U_PAIRF inches{1, 1};
    wmf_header_append(reinterpret_cast<U_METARECORD*>(U_WMRHEADER_set(placeable ? &inches : nullptr, 1000)), wt,
                      U_REC_FREE);
    Add(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
    Add(U_WMRSETWINDOWEXT_set(point16_set(1000, 1000)));
  }
  ~Wmf() {
    wmf_free(&wt);
    wmf_htable_free(&wht);
  }
  void Add(char* rec) { wmf_append(reinterpret_cast<U_METARECORD*>(rec), wt, U_REC_FREE); }
  void Brush(U_COLORREF c, int style = U_BS_SOLID, int hatch = 0) {
    std::uint32_t ih;
    Add(wcreatebrushindirect_set(&ih, wht, U_WLOGBRUSH_set(style, c, hatch)));
    Add(wselectobject_set(ih, wht));
  }
  void Pen(int style, int width, U_COLORREF c) {
    std::uint32_t ih;
    Add(wcreatepenindirect_set(&ih, wht, U_PEN_set(style, width, c)));
    Add(wselectobject_set(ih, wht));
  }
  Bytes Finish() {
    Add(U_WMREOF_set());
    wmf_finish(wt);
    return Bytes(wt->buf, wt->buf + wt->used);
  }
};

const std::uint8_t kPixels[16] = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};

Bytes EmfShapes() {
  Emf e;
  e.Pen(U_PS_DASH, 0, colorref3_set(0, 0, 0));
  e.Brush(colorref3_set(255, 0, 0));
  e.Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 500, 500}));
  e.Brush(colorref3_set(0, 0, 255), U_BS_HATCHED, U_HS_DIAGCROSS);
  e.Add(U_EMRELLIPSE_set(U_RECTL{500, 500, 1000, 1000}));
  e.Add(U_EMRROUNDRECT_set(U_RECTL{100, 600, 400, 900}, U_SIZEL{50, 50}));
  e.Add(U_EMRPIE_set(U_RECTL{600, 0, 1000, 400}, U_POINTL{1000, 200}, U_POINTL{800, 0}));
  e.Add(U_EMRARC_set(U_RECTL{600, 0, 1000, 400}, U_POINTL{800, 0}, U_POINTL{1000, 200}));
  e.Add(U_EMRCHORD_set(U_RECTL{0, 0, 300, 300}, U_POINTL{300, 150}, U_POINTL{0, 150}));
  const U_POINT16 pts[4] = {{10, 10}, {200, 50}, {50, 200}, {300, 300}};
  e.Add(U_EMRPOLYGON16_set(U_RECTL{0, 0, 300, 300}, 3, pts));
  e.Add(U_EMRPOLYBEZIER16_set(U_RECTL{0, 0, 300, 300}, 4, pts));
  e.Add(U_EMRMOVETOEX_set(U_POINTL{0, 0}));
  e.Add(U_EMRPOLYLINETO16_set(U_RECTL{0, 0, 300, 300}, 4, pts));
  const std::uint32_t counts[2] = {2, 2};
  e.Add(U_EMRPOLYPOLYLINE16_set(U_RECTL{0, 0, 300, 300}, 2, counts, 4, pts));
  e.Add(U_EMRARCTO_set(U_RECTL{0, 0, 300, 300}, U_POINTL{0, 0}, U_POINTL{300, 300}));
  return e.Finish();
}

Bytes EmfStateAndText() {
  Emf e;
  e.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
  e.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{100, 100}));
  e.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1000, 1000}));
  e.Add(U_EMRSAVEDC_set());
  e.Add(U_EMRSETWORLDTRANSFORM_set(xform_set(0.7f, 0.7f, -0.7f, 0.7f, 50, 0)));
  e.Add(U_EMRINTERSECTCLIPRECT_set(U_RECTL{0, 0, 80, 80}));
  e.Add(U_EMREXCLUDECLIPRECT_set(U_RECTL{10, 10, 20, 20}));
  e.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
  e.Add(U_EMRSETTEXTCOLOR_set(colorref3_set(0, 128, 0)));
  e.Add(U_EMRSETTEXTALIGN_set(U_TA_CENTER | U_TA_BASELINE));
  size_t len;
  uint16_t* face = U_Utf8ToUtf16le("Tahoma", 0, &len);
  U_LOGFONT lf = logfont_set(-12, 0, 300, 0, 700, 1, 1, 0, 0, 0, 0, 0, 0, face);
  free(face);
  std::uint32_t ih;
  e.Add(extcreatefontindirectw_set(&ih, e.eht, reinterpret_cast<const char*>(&lf), nullptr));
  e.Add(selectobject_set(ih, e.eht));
  const char16_t text[] = u"Ağır İş";
  std::uint32_t dx[7] = {6, 6, 6, 6, 6, 6, 6};
  char* emrtext = emrtext_set(U_POINTL{50, 50}, 7, 2, const_cast<char16_t*>(text), U_ETO_CLIPPED | U_ETO_OPAQUE,
                              U_RECTL{0, 40, 100, 60}, dx);
  e.Add(U_EMREXTTEXTOUTW_set(U_RECTL{0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrtext)));
  free(emrtext);
  e.Add(U_EMRRESTOREDC_set(-1));
  e.Add(U_EMRSETROP2_set(U_R2_XORPEN));
  e.Add(U_EMRBEGINPATH_set());
  e.Add(U_EMRMOVETOEX_set(U_POINTL{0, 0}));
  e.Add(U_EMRLINETO_set(U_POINTL{90, 10}));
  e.Add(U_EMRLINETO_set(U_POINTL{50, 90}));
  e.Add(U_EMRCLOSEFIGURE_set());
  e.Add(U_EMRENDPATH_set());
  e.Add(U_EMRSTROKEANDFILLPATH_set(U_RECTL{0, 0, 90, 90}));
  e.Add(U_EMRSETMETARGN_set());
  const U_RECTL rects[2] = {{0, 0, 20, 20}, {50, 50, 90, 90}};
  PU_RGNDATA rgn = rgndata_set(rgndataheader_set(2, U_RECTL{0, 0, 90, 90}), const_cast<PU_RECTL>(rects));
  e.Add(U_EMREXTSELECTCLIPRGN_set(U_RGN_OR, rgn));
  e.Add(U_EMRPAINTRGN_set(rgn));
  free(rgn);
  return e.Finish();
}

Bytes EmfBitmaps() {
  Emf e;
  PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
  char* px = reinterpret_cast<char*>(const_cast<std::uint8_t*>(kPixels));
  e.Add(U_EMRSTRETCHDIBITS_set(U_RECTL{0, 0, 499, 499}, U_POINTL{0, 0}, U_POINTL{500, 500}, U_POINTL{0, 0},
                               U_POINTL{2, 2}, U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 16, px));
  e.Add(U_EMRBITBLT_set(U_RECTL{500, 0, 999, 499}, U_POINTL{500, 0}, U_POINTL{2, 2}, U_POINTL{0, 0},
                        xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255), U_DIB_RGB_COLORS, U_SRCCOPY, bmi,
                        16, px));
  e.Add(U_EMRSTRETCHBLT_set(U_RECTL{0, 500, 499, 999}, U_POINTL{0, 500}, U_POINTL{-500, 500}, U_POINTL{0, 0},
                            U_POINTL{2, 2}, xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255),
                            U_DIB_RGB_COLORS, U_SRCINVERT, bmi, 16, px));
  e.Add(U_EMRSETDIBITSTODEVICE_set(U_RECTL{500, 500, 501, 501}, U_POINTL{500, 500}, U_POINTL{0, 0}, U_POINTL{2, 2},
                                   U_DIB_RGB_COLORS, 0, 2, bmi, 16, px));
  std::uint32_t ih;
  e.Add(createdibpatternbrushpt_set(&ih, e.eht, U_DIB_RGB_COLORS, bmi, 16, px));
  e.Add(selectobject_set(ih, e.eht));
  e.Add(U_EMRBITBLT_set(U_RECTL{500, 500, 999, 999}, U_POINTL{500, 500}, U_POINTL{500, 500}, U_POINTL{0, 0},
                        xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255), U_DIB_RGB_COLORS, U_PATCOPY,
                        nullptr, 0, nullptr));
  free(bmi);
  // 8-bit with a palette of two colours
  U_RGBQUAD palette[2] = {rgbquad_set(255, 0, 0, 0), rgbquad_set(0, 0, 255, 0)};
  bmi = bitmapinfo_set(bitmapinfoheader_set(4, 1, 1, 8, U_BI_RGB, 4, 0, 0, 2, 0), palette);
  const char indexes[4] = {0, 1, 1, 0};
  e.Add(U_EMRSTRETCHDIBITS_set(U_RECTL{0, 0, 999, 99}, U_POINTL{0, 0}, U_POINTL{1000, 100}, U_POINTL{0, 0},
                               U_POINTL{4, 1}, U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 4, const_cast<char*>(indexes)));
  free(bmi);
  return e.Finish();
}

// Shaded rectangles and triangles, and a bitmap drawn without its key colour.
Bytes EmfGradientsAndKeyedBitmap() {
  Emf e;
  const U_TRIVERTEX v[4] = {{0, 0, 0xFF00, 0, 0, 0}, {500, 500, 0, 0, 0xFF00, 0}, {1000, 0, 0, 0xFF00, 0, 0},
                            {500, 1000, 0xFF00, 0xFF00, 0, 0}};
  const std::uint32_t rects[2] = {0, 1};
  e.Add(U_EMRGRADIENTFILL_set(U_RECTL{0, 0, 500, 500}, 2, 1, U_GRADIENT_FILL_RECT_H, const_cast<PU_TRIVERTEX>(v),
                              rects));
  e.Add(U_EMRGRADIENTFILL_set(U_RECTL{0, 0, 500, 500}, 2, 1, U_GRADIENT_FILL_RECT_V, const_cast<PU_TRIVERTEX>(v),
                              rects));
  const std::uint32_t triangles[6] = {0, 2, 3, 1, 2, 3};
  e.Add(U_EMRGRADIENTFILL_set(U_RECTL{0, 0, 1000, 1000}, 4, 2, U_GRADIENT_FILL_TRIANGLE,
                              const_cast<PU_TRIVERTEX>(v), triangles));
  PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
  char* px = reinterpret_cast<char*>(const_cast<std::uint8_t*>(kPixels));
  e.Add(U_EMRTRANSPARENTBLT_set(U_RECTL{0, 500, 499, 999}, U_POINTL{0, 500}, U_POINTL{500, 500}, U_POINTL{0, 0},
                                U_POINTL{2, 2}, xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255),
                                U_DIB_RGB_COLORS, 0x0000FFu /* red, as a COLORREF */, bmi, 16, px));
  free(bmi);
  return e.Finish();
}

// The 2 x 2 bitmap through a checkerboard mask, and onto a turned and a sheared
// parallelogram (masked and not).
Bytes EmfMaskedAndParallelogram() {
  Emf e;
  PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
  char* px = reinterpret_cast<char*>(const_cast<std::uint8_t*>(kPixels));
  e.Add(U_EMRSAVEDC_set());
  e.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
  e.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{4, 4}));
  e.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1000, 1000}));
  e.Add(WithChecker(U_EMRMASKBLT_set(U_RECTL{0, 0, 499, 499}, U_POINTL{0, 0}, U_POINTL{2, 2}, U_POINTL{0, 0},
                                     xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255), U_DIB_RGB_COLORS,
                                     U_POINTL{0, 0}, U_DIB_RGB_COLORS, 0xAACC0020u, bmi, 16, px, nullptr, 0, nullptr),
                    112));
  e.Add(U_EMRMASKBLT_set(U_RECTL{500, 0, 999, 499}, U_POINTL{2, 0}, U_POINTL{2, 2}, U_POINTL{0, 0},
                         xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255), U_DIB_RGB_COLORS, U_POINTL{0, 0},
                         U_DIB_RGB_COLORS, 0xAA330008u, bmi, 16, px, nullptr, 0, nullptr));
  e.Add(U_EMRRESTOREDC_set(-1));
  U_POINTL turned[3] = {{500, 500}, {500, 1000}, {0, 500}};
  e.Add(WithChecker(U_EMRPLGBLT_set(U_RECTL{0, 500, 499, 999}, turned, U_POINTL{0, 0}, U_POINTL{2, 2},
                                    xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255), U_DIB_RGB_COLORS,
                                    U_POINTL{0, 0}, U_DIB_RGB_COLORS, bmi, 16, px, nullptr, 0, nullptr),
                    124));
  U_POINTL sheared[3] = {{700, 500}, {1000, 600}, {500, 1000}};
  e.Add(U_EMRPLGBLT_set(U_RECTL{500, 500, 999, 999}, sheared, U_POINTL{0, 0}, U_POINTL{2, 2},
                        xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255), U_DIB_RGB_COLORS, U_POINTL{0, 0},
                        U_DIB_RGB_COLORS, bmi, 16, px, nullptr, 0, nullptr));
  free(bmi);
  return e.Finish();
}

Bytes WmfShapes(bool placeable) {
  Wmf w(placeable);
  w.Pen(U_PS_SOLID, 20, colorref3_set(0, 0, 0));
  w.Brush(colorref3_set(255, 0, 0));
  w.Add(U_WMRRECTANGLE_set(U_RECT16{0, 0, 500, 500}));
  w.Brush(colorref3_set(0, 0, 255), U_BS_HATCHED, U_HS_CROSS);
  w.Add(U_WMRELLIPSE_set(U_RECT16{500, 500, 1000, 1000}));
  w.Add(U_WMRROUNDRECT_set(100, 100, U_RECT16{0, 600, 400, 900}));
  w.Add(U_WMRPIE_set(point16_set(1000, 200), point16_set(800, 0), U_RECT16{600, 0, 1000, 400}));
  w.Add(U_WMRARC_set(point16_set(800, 0), point16_set(1000, 200), U_RECT16{600, 0, 1000, 400}));
  w.Add(U_WMRCHORD_set(point16_set(300, 150), point16_set(0, 150), U_RECT16{0, 0, 300, 300}));
  const U_POINT16 pts[4] = {{10, 10}, {200, 50}, {50, 200}, {300, 300}};
  w.Add(U_WMRPOLYGON_set(3, pts));
  w.Add(U_WMRPOLYLINE_set(4, pts));
  const uint16_t counts[2] = {2, 2};
  w.Add(U_WMRPOLYPOLYGON_set(2, counts, pts));
  w.Add(U_WMRMOVETO_set(point16_set(0, 0)));
  w.Add(U_WMRLINETO_set(point16_set(1000, 1000)));
  w.Add(U_WMRPATBLT_set(point16_set(0, 0), point16_set(100, 100), U_PATCOPY));
  return w.Finish();
}

Bytes WmfStateAndText() {
  Wmf w(true);
  w.Add(U_WMRSAVEDC_set());
  w.Add(U_WMRINTERSECTCLIPRECT_set(U_RECT16{0, 0, 800, 800}));
  w.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
  w.Add(U_WMRSETTEXTCOLOR_set(colorref3_set(0, 0, 128)));
  w.Add(U_WMRSETTEXTALIGN_set(U_TA_RIGHT | U_TA_BOTTOM));
  U_FONT* font = U_FONT_set(-120, 0, 0, 0, 400, 0, 0, 0, 162, 0, 0, 0, 0, const_cast<char*>("Times New Roman"));
  std::uint32_t ih;
  w.Add(wcreatefontindirect_set(&ih, w.wht, font));
  free(font);
  w.Add(wselectobject_set(ih, w.wht));
  w.Add(U_WMRTEXTOUT_set(point16_set(900, 300), const_cast<char*>("\xDD\xFE \x80 text")));
  int16_t dx[4] = {100, 100, 100, 100};
  w.Add(U_WMREXTTEXTOUT_set(point16_set(100, 600), 4, U_ETO_OPAQUE, "ab\xFD\xF0", dx, U_RECT16{50, 500, 600, 700}));
  w.Add(U_WMRRESTOREDC_set(-1));
  w.Add(U_WMRSETMAPMODE_set(U_MM_ISOTROPIC));
  w.Add(U_WMRSETVIEWPORTEXT_set(point16_set(500, 1000)));
  w.Add(U_WMRSCALEWINDOWEXT_set(point16_set(1, 1), point16_set(2, 2)));
  PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
  const char* px = reinterpret_cast<const char*>(kPixels);
  w.Add(U_WMRSTRETCHDIB_set(point16_set(0, 0), point16_set(500, 500), point16_set(0, 0), point16_set(2, 2),
                            U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 16, px));
  w.Add(U_WMRDIBSTRETCHBLT_set(point16_set(500, 0), point16_set(500, 500), point16_set(0, 0), point16_set(2, 2),
                               U_SRCCOPY, bmi, 16, px));
  w.Add(U_WMRDIBBITBLT_set(point16_set(0, 500), point16_set(2, 2), point16_set(0, 0), U_SRCCOPY, bmi, 16, px));
  free(bmi);
  return w.Finish();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  root = std::string(argv[1]) + "/emf";
  const Bytes shapes = EmfShapes(), state = EmfStateAndText(), bitmaps = EmfBitmaps();
  Write("shapes.emf", shapes);
  Write("state-text.emf", state);
  Write("bitmaps.emf", bitmaps);
  Write("gradients-keyed.emf", EmfGradientsAndKeyedBitmap());
  Write("masked-parallelogram.emf", EmfMaskedAndParallelogram());
  Write("truncated.emf", Bytes(bitmaps.begin(), bitmaps.begin() + bitmaps.size() / 2));
  const std::uint32_t header = *reinterpret_cast<const std::uint32_t*>(&shapes[4]);
  Bytes past = shapes;
  Put32(past, header + 4, 0x7FFFFFF0);
  Write("size-past-end.emf", past);
  Bytes count = shapes;
  Put32(count, 52, 0xFFFFFFFF);
  Put32(count, 56, 0xFFFF);
  Write("huge-counts.emf", count);
  Bytes points = shapes;  // the polygon's point count made to overflow 32-bit arithmetic
  for (std::size_t pos = header; pos + 8 <= points.size();) {
    std::uint32_t type, size;
    std::memcpy(&type, &points[pos], 4);
    std::memcpy(&size, &points[pos + 4], 4);
    if (type == U_EMR_POLYGON16) Put32(points, pos + 24, 0x40000001);
    if (size < 8) break;
    pos += size;
  }
  Write("point-count-overflow.emf", points);

  root = std::string(argv[1]) + "/wmf";
  const Bytes placeable = WmfShapes(true), plain = WmfShapes(false), text = WmfStateAndText();
  Write("placeable.wmf", placeable);
  Write("plain.wmf", plain);
  Write("state-text-dib.wmf", text);
  Bytes checksum = placeable;
  checksum[20] ^= 0x5A;
  Write("bad-checksum.wmf", checksum);
  Write("truncated.wmf", Bytes(text.begin(), text.begin() + text.size() * 2 / 3));
  Bytes negative = text;  // a text length that points outside its record
  for (std::size_t pos = 40; pos + 8 <= negative.size();) {
    std::uint32_t words;
    std::memcpy(&words, &negative[pos], 4);
    if (negative[pos + 4] == 0x21) {
      negative[pos + 7] = 0x80;
      break;
    }
    if (words < 3) break;
    pos += std::size_t(words) * 2;
  }
  Write("negative-text-length.wmf", negative);
  Bytes wpast = plain;
  Put32(wpast, 18, 0x7FFFFFF0);
  Write("size-past-end.wmf", wpast);
  return 0;
}
