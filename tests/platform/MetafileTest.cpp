// Metafiles: loading and checking EMF and WMF files, and playing them back at
// different sizes. The metafiles are built here with libuemf's record builders.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include <QLabel>

#include "fuzz/EmfCheckerMask.h"
#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "platform/MetafileRecorder.h"
#include "tests/TestSupport.h"

#include <uemf.h>
#include <uemf_utf.h>
#include <uwmf.h>

namespace {

constexpr unsigned Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF, Black = 0x000000;

// An EMF whose reference device has 10 pixels per mm; the default frame is
// 100 x 100 mm, that is device pixels 0..1000.
class EmfBuilder {
 public:
  explicit EmfBuilder(U_RECTL frame = {0, 0, 10000, 10000}) {
    emf_start("/dev/null", 4096, 4096, &et_);
    emf_htable_create(64, 64, &eht_);
    const U_RECTL bounds{0, 0, 999, 999};
    Add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, U_SIZEL{2000, 2000}, U_SIZEL{200, 200}, 0));
  }
  ~EmfBuilder() {
    emf_free(&et_);
    emf_htable_free(&eht_);
  }
  EmfBuilder(const EmfBuilder&) = delete;
  EmfBuilder& operator=(const EmfBuilder&) = delete;

  void Add(char* record) { emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), et_, U_REC_FREE); }
  TBytes Finish() {
    Add(U_EMREOF_set(0, nullptr, et_));
    emf_finish(et_, eht_);
    return TBytes(et_->buf, et_->buf + et_->used);
  }

  std::uint32_t Pen(std::uint32_t style, int width, U_COLORREF color) {
    std::uint32_t ih;
    Add(createpen_set(&ih, eht_, logpen_set(style, U_POINT{width, 0}, color)));
    return ih;
  }
  std::uint32_t Brush(U_COLORREF color, std::uint32_t style = U_BS_SOLID, int hatch = 0) {
    std::uint32_t ih;
    Add(createbrushindirect_set(&ih, eht_, logbrush_set(style, color, hatch)));
    return ih;
  }
  std::uint32_t Font(int height, const char* face) {
    size_t len;
    uint16_t* wide = U_Utf8ToUtf16le(face, 0, &len);
    U_LOGFONT lf = logfont_set(height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, wide);
    free(wide);
    std::uint32_t ih;
    Add(extcreatefontindirectw_set(&ih, eht_, reinterpret_cast<const char*>(&lf), nullptr));
    return ih;
  }
  void Select(std::uint32_t ih) { Add(selectobject_set(ih, eht_)); }
  void Stock(std::uint32_t object) { Add(U_EMRSELECTOBJECT_set(object)); }
  // Solid fill without an outline.
  void Fill(U_COLORREF color) {
    Stock(U_NULL_PEN);
    Select(Brush(color));
  }
  void Rect(int l, int t, int r, int b) { Add(U_EMRRECTANGLE_set(U_RECTL{l, t, r, b})); }
  void Ellipse(int l, int t, int r, int b) { Add(U_EMRELLIPSE_set(U_RECTL{l, t, r, b})); }
  // Text with a dx array (or, with dx empty, none: the offset is cleared).
  void Text(int x, int y, const std::u16string& text, std::vector<std::uint32_t> dx = {},
            std::uint32_t options = U_ETO_NO_RECT) {
    std::vector<std::uint32_t> advances = dx.empty() ? std::vector<std::uint32_t>(text.size(), 0) : dx;
    char* emrtext = emrtext_set(U_POINTL{x, y}, U_NUM_STR(text.size()), 2, const_cast<char16_t*>(text.data()),
                                options, U_RECTL{0, 0, 0, 0}, advances.data());
    char* record = U_EMREXTTEXTOUTW_set(U_RECTL{0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1,
                                        reinterpret_cast<PU_EMRTEXT>(emrtext));
    free(emrtext);
    if (dx.empty()) {  // the offDx field of the EMRTEXT
      const std::uint32_t zero = 0;
      std::memcpy(record + 36 + ((options & U_ETO_NO_RECT) ? 20 : 36), &zero, 4);
    }
    Add(record);
  }

 private:
  EMFTRACK* et_ = nullptr;
  EMFHANDLES* eht_ = nullptr;
};

// A WMF with a placeable header whose box is size x size units at 1000 per
// inch (or without one when size is 0).
class WmfBuilder {
 public:
  explicit WmfBuilder(int size = 1000) {
    wmf_start("/dev/null", 4096, 4096, &wt_);
    wmf_htable_create(64, 64, &wht_);
    U_PAIRF inches{size / 1000.0f, size / 1000.0f};
    wmf_header_append(reinterpret_cast<U_METARECORD*>(U_WMRHEADER_set(size ? &inches : nullptr, 1000)), wt_,
                      U_REC_FREE);
  }
  ~WmfBuilder() {
    wmf_free(&wt_);
    wmf_htable_free(&wht_);
  }
  WmfBuilder(const WmfBuilder&) = delete;
  WmfBuilder& operator=(const WmfBuilder&) = delete;

  void Add(char* record) { wmf_append(reinterpret_cast<U_METARECORD*>(record), wt_, U_REC_FREE); }
  TBytes Finish() {
    Add(U_WMREOF_set());
    wmf_finish(wt_);
    return TBytes(wt_->buf, wt_->buf + wt_->used);
  }
  void Window(int x, int y, int w, int h) {
    Add(U_WMRSETWINDOWORG_set(point16_set(x, y)));
    Add(U_WMRSETWINDOWEXT_set(point16_set(w, h)));
  }
  void Fill(U_COLORREF color) {
    std::uint32_t ih;
    Add(wcreatepenindirect_set(&ih, wht_, U_PEN_set(U_PS_NULL, 0, color)));
    Add(wselectobject_set(ih, wht_));
    Add(wcreatebrushindirect_set(&ih, wht_, U_WLOGBRUSH_set(U_BS_SOLID, color, 0)));
    Add(wselectobject_set(ih, wht_));
  }
  void Font(int height, const char* face, int charset) {
    U_FONT* font = U_FONT_set(height, 0, 0, 0, 400, 0, 0, 0, charset, 0, 0, 0, 0, const_cast<char*>(face));
    std::uint32_t ih;
    Add(wcreatefontindirect_set(&ih, wht_, font));
    free(font);
    Add(wselectobject_set(ih, wht_));
  }
  void Rect(int l, int t, int r, int b) { Add(U_WMRRECTANGLE_set(U_RECT16{int16_t(l), int16_t(t), int16_t(r), int16_t(b)})); }

 private:
  WMFTRACK* wt_ = nullptr;
  WMFHANDLES* wht_ = nullptr;
};

U_COLORREF Rgb(unsigned rgb) { return colorref3_set(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

QImage Play(const TMetafile& mf, int w, int h, unsigned background = White) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(QColor::fromRgb(background));
  QPainter p(&image);
  mf.Draw(p, QRectF(0, 0, w, h));
  return image;
}

TMetafile Load(const TBytes& bytes) {
  TMetafile mf;
  mf.LoadFromStream(bytes);
  return mf;
}

QImage PlayEmf(const std::function<void(EmfBuilder&)>& build, int size = 200) {
  EmfBuilder b;
  build(b);
  return Play(Load(b.Finish()), size, size);
}

// The bounding box of the pixels that are not white.
QRect Ink(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (!ColorNear(PixelRGB(image, x, y), White, 60)) box |= QRect(x, y, 1, 1);
  return box;
}

void ExpectInvalid(const TBytes& bytes) {
  TMetafile mf;
  try {
    mf.LoadFromStream(bytes);
    FAIL() << "loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message, "Metafile is not valid");
  }
  EXPECT_TRUE(mf.Empty());
}

TBytes Quarters() {
  EmfBuilder b;
  b.Fill(Rgb(Red));
  b.Rect(0, 0, 500, 500);
  b.Fill(Rgb(Blue));
  b.Ellipse(500, 500, 1000, 1000);
  b.Select(b.Pen(U_PS_SOLID | U_PS_GEOMETRIC, 40, Rgb(Green)));
  b.Add(U_EMRMOVETOEX_set(U_POINTL{0, 750}));
  b.Add(U_EMRLINETO_set(U_POINTL{500, 750}));
  return b.Finish();
}

}  // namespace

// --- loading and sizes

TEST(MetafileLoad, EmfSizesComeFromTheFrame) {
  TMetafile mf = Load(Quarters());
  EXPECT_TRUE(mf.Enhanced());
  EXPECT_EQ(mf.MMWidth(), 10000);
  EXPECT_EQ(mf.MMHeight(), 10000);
  EXPECT_EQ(mf.Width(), 378);  // 100 mm at 96 dpi
  EXPECT_EQ(mf.Height(), 378);
  EXPECT_EQ(mf.SaveToStream(), Quarters());
  std::unique_ptr<TGraphic> copy = mf.Clone();
  EXPECT_EQ(static_cast<TMetafile&>(*copy).Data(), mf.Data());
  EXPECT_EQ(copy->Width(), 378);
  EXPECT_EQ(mf.ClassName(), "TMetafile");

  int changes = 0;
  mf.OnChange = [&](TGraphic&) { ++changes; };
  mf.SetMMSize(2540, 5080);
  EXPECT_EQ(mf.Width(), 96);
  EXPECT_EQ(mf.Height(), 192);
  EXPECT_EQ(changes, 1);
}

TEST(MetafileLoad, WmfSizesFromPlaceableHeaderOrWindow) {
  WmfBuilder placeable(2000);  // 2 inches at 1000 units per inch
  TMetafile mf = Load(placeable.Finish());
  EXPECT_FALSE(mf.Enhanced());
  EXPECT_EQ(mf.MMWidth(), 5080);
  EXPECT_EQ(mf.Width(), 192);

  WmfBuilder plain(0);
  plain.Window(0, 0, 200, 100);
  const TMetafile pixels = Load(plain.Finish());
  EXPECT_EQ(pixels.Width(), 200);  // screen pixels
  EXPECT_EQ(pixels.Height(), 100);
  EXPECT_EQ(pixels.MMWidth(), 5292);

  WmfBuilder twips(0);
  twips.Add(U_WMRSETMAPMODE_set(U_MM_TWIPS));
  twips.Window(0, 0, 1440, 720);
  const TMetafile inTwips = Load(twips.Finish());
  EXPECT_EQ(inTwips.Width(), 96);
  EXPECT_EQ(inTwips.Height(), 48);

  WmfBuilder none(0);  // neither placeable header nor window
  none.Fill(Rgb(Red));
  ExpectInvalid(none.Finish());
}

TEST(MetafileLoad, SetEnhancedDataReadsTheHeader) {
  TMetafile mf;
  int changes = 0;
  mf.OnChange = [&](TGraphic&) { ++changes; };
  EmfBuilder b(U_RECTL{0, 0, 5080, 2540});
  mf.SetEnhancedData(b.Finish());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(mf.Width(), 192);
  EXPECT_EQ(mf.Height(), 96);
  EXPECT_THROW(mf.SetEnhancedData(TBytes{1, 2, 3}), EInvalidGraphic);
  EXPECT_EQ(mf.Width(), 192);
}

TEST(MetafileLoad, HostileInputIsRefusedAndKeepsThePreviousContent) {
  const TBytes good = Quarters();
  ExpectInvalid({});
  ExpectInvalid(TBytes{'B', 'M', 0, 0});
  ExpectInvalid(TBytes(good.begin(), good.begin() + 60));  // header cut short
  ExpectInvalid(TBytes(good.begin(), good.end() - 20));    // EOF missing

  TBytes past = good;  // the second record's size runs past the end
  const std::uint32_t headerSize = *reinterpret_cast<const std::uint32_t*>(&good[4]);
  const std::uint32_t huge = 0x7FFFFFF0;
  std::memcpy(&past[headerSize + 4], &huge, 4);
  ExpectInvalid(past);

  TBytes odd = good;  // a size that is not a multiple of 4
  const std::uint32_t size = *reinterpret_cast<const std::uint32_t*>(&good[headerSize + 4]) + 2;
  std::memcpy(&odd[headerSize + 4], &size, 4);
  ExpectInvalid(odd);

  TBytes signature = good;
  signature[41] = 'X';
  ExpectInvalid(signature);

  TMetafile mf = Load(good);
  EXPECT_THROW(mf.LoadFromStream(past), EInvalidGraphic);
  EXPECT_EQ(mf.Data(), good);
  EXPECT_EQ(mf.Width(), 378);
  EXPECT_TRUE(mf.Enhanced());
}

TEST(MetafileLoad, PolygonCountLargerThanItsRecordIsRefused) {
  EmfBuilder b;
  const U_POINTL pts[3] = {{0, 0}, {100, 0}, {0, 100}};
  b.Add(U_EMRPOLYGON_set(U_RECTL{0, 0, 100, 100}, 3, pts));
  TBytes bytes = b.Finish();
  const std::uint32_t headerSize = *reinterpret_cast<const std::uint32_t*>(&bytes[4]);
  const std::uint32_t count = 0x20000000;
  std::memcpy(&bytes[headerSize + 24], &count, 4);
  ExpectInvalid(bytes);
  // Played anyway (as a recording canvas could hand it over): stops safely.
  QImage image(50, 50, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  PlayEnhancedMetafile(p, bytes, QRectF(0, 0, 50, 50));
}

TEST(MetafileLoad, UntrustedHeaderCountsDoNotMatter) {
  TBytes bytes = Quarters();
  const std::uint32_t huge = 0xFFFFFFFF;
  std::memcpy(&bytes[52], &huge, 4);  // nRecords
  std::memcpy(&bytes[56], &huge, 2);  // nHandles
  std::memcpy(&bytes[48], &huge, 4);  // nBytes
  QImage image = Play(Load(bytes), 100, 100);
  EXPECT_EQ(PixelRGB(image, 25, 25), Red);
}

TEST(MetafileLoad, BrokenWmfIsRefused) {
  WmfBuilder b;
  b.Window(0, 0, 1000, 1000);
  b.Fill(Rgb(Red));
  b.Rect(0, 0, 500, 500);
  const TBytes good = b.Finish();
  EXPECT_NO_THROW(Load(good));

  TBytes checksum = good;
  checksum[20] ^= 0x01;
  ExpectInvalid(checksum);

  ExpectInvalid(TBytes(good.begin(), good.end() - 6));  // no META_EOF
  ExpectInvalid(TBytes(good.begin(), good.begin() + 30));

  TBytes past = good;  // first record after the header runs past the end
  const std::uint32_t huge = 0x10000000;
  std::memcpy(&past[22 + 18], &huge, 4);
  ExpectInvalid(past);

  TBytes version = good;
  version[22 + 4] = 0x77;
  ExpectInvalid(version);

  // A text length that runs outside its record (read before anything else).
  WmfBuilder text;
  text.Window(0, 0, 1000, 1000);
  text.Add(U_WMRTEXTOUT_set(point16_set(0, 0), const_cast<char*>("abcd")));
  TBytes negative = text.Finish();
  for (std::size_t pos = 40; pos + 8 <= negative.size();) {
    std::uint32_t words;
    std::memcpy(&words, &negative[pos], 4);
    if (negative[pos + 4] == 0x21) {
      negative[pos + 7] = 0x80;  // length -32768 + ...
      break;
    }
    pos += std::size_t(words) * 2;
  }
  ExpectInvalid(negative);
  QImage scratch(20, 20, QImage::Format_RGB32);
  QPainter sp(&scratch);
  PlayWindowsMetafile(sp, negative, QRectF(0, 0, 20, 20));
  sp.end();

  // The player stops at the damage but draws what came before it.
  TBytes cut(good.begin(), good.end() - 6);
  const std::uint16_t bad[3] = {0xFFFF, 0x0FFF, 0x041B};
  cut.insert(cut.end(), reinterpret_cast<const std::uint8_t*>(bad), reinterpret_cast<const std::uint8_t*>(bad) + 6);
  QImage image(100, 100, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  PlayWindowsMetafile(p, cut, QRectF(0, 0, 100, 100));
  p.end();
  EXPECT_EQ(PixelRGB(image, 25, 25), Red);
}

// --- playback

TEST(MetafilePlay, FrameMapsOntoDestAtEverySize) {
  const TMetafile mf = Load(Quarters());
  for (int size : {200, 100}) {
    const QImage image = Play(mf, size, size);
    const int q = size / 4;
    EXPECT_EQ(PixelRGB(image, q, q), Red) << size;
    EXPECT_EQ(PixelRGB(image, 3 * q, 3 * q), Blue) << size;
    EXPECT_EQ(PixelRGB(image, 3 * q, q), White) << size;
    EXPECT_EQ(PixelRGB(image, size - 2, size / 2 + 2), White) << size;  // outside the ellipse's corner
    EXPECT_EQ(PixelRGB(image, q, 3 * q), Green) << size;               // the thick line
    EXPECT_EQ(PixelRGB(image, q, 3 * q - q / 3), White) << size;
  }
  // A wide destination stretches: the red square becomes a wide rectangle.
  const QImage wide = Play(mf, 200, 50);
  EXPECT_EQ(PixelRGB(wide, 90, 10), Red);
  EXPECT_EQ(PixelRGB(wide, 110, 10), White);
}

TEST(MetafilePlay, FrameOffsetSelectsTheVisiblePart) {
  EmfBuilder b(U_RECTL{5000, 5000, 10000, 10000});  // device pixels 500..1000
  b.Fill(Rgb(Red));
  b.Rect(500, 500, 750, 750);
  const QImage image = Play(Load(b.Finish()), 200, 200);
  EXPECT_EQ(PixelRGB(image, 50, 50), Red);
  EXPECT_EQ(PixelRGB(image, 150, 150), White);
  EXPECT_EQ(PixelRGB(image, 97, 97), Red);
  EXPECT_EQ(PixelRGB(image, 103, 103), White);
}

TEST(MetafilePlay, MappingModes) {
  auto quarter = [](const QImage& image) {
    return PixelRGB(image, 50, 50) == Red && PixelRGB(image, 150, 50) == White &&
           PixelRGB(image, 50, 150) == White && PixelRGB(image, 96, 96) == Red;
  };
  EXPECT_TRUE(quarter(PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    b.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{100, 100}));
    b.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1000, 1000}));
    b.Fill(Rgb(Red));
    b.Rect(0, 0, 50, 50);
  })));
  EXPECT_TRUE(quarter(PlayEmf([](EmfBuilder& b) {  // 0.1 mm units, y up
    b.Add(U_EMRSETMAPMODE_set(U_MM_LOMETRIC));
    b.Fill(Rgb(Red));
    b.Rect(0, 0, 500, -500);
  })));
  EXPECT_TRUE(quarter(PlayEmf([](EmfBuilder& b) {  // the smaller scale wins
    b.Add(U_EMRSETMAPMODE_set(U_MM_ISOTROPIC));
    b.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{100, 200}));
    b.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1000, 1000}));
    b.Fill(Rgb(Red));
    b.Rect(0, 0, 100, 100);
  })));
  EXPECT_TRUE(quarter(PlayEmf([](EmfBuilder& b) {  // origins
    b.Add(U_EMRSETWINDOWORGEX_set(U_POINTL{100, 100}));
    b.Add(U_EMRSETVIEWPORTORGEX_set(U_POINTL{0, 0}));
    b.Fill(Rgb(Red));
    b.Rect(100, 100, 600, 600);
  })));
  EXPECT_TRUE(quarter(PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    b.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{100, 100}));
    b.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{500, 500}));
    b.Add(U_EMRSCALEVIEWPORTEXTEX_set(2, 1, 2, 1));
    b.Fill(Rgb(Red));
    b.Rect(0, 0, 50, 50);
  })));
}

TEST(MetafilePlay, SaveRestoreAndClipping) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSAVEDC_set());
    b.Add(U_EMRINTERSECTCLIPRECT_set(U_RECTL{0, 0, 500, 1000}));
    b.Add(U_EMREXCLUDECLIPRECT_set(U_RECTL{0, 500, 250, 1000}));
    b.Fill(Rgb(Red));
    b.Rect(0, 0, 1000, 1000);
    b.Add(U_EMRRESTOREDC_set(-1));
    b.Rect(600, 0, 1000, 200);  // restored: no clip, the brush of before (white)
    b.Fill(Rgb(Blue));
    b.Rect(600, 800, 1000, 1000);
  });
  EXPECT_EQ(PixelRGB(image, 50, 50), Red);
  EXPECT_EQ(PixelRGB(image, 150, 50), White);  // clipped away
  EXPECT_EQ(PixelRGB(image, 20, 150), White);  // excluded
  EXPECT_EQ(PixelRGB(image, 80, 150), Red);
  EXPECT_EQ(PixelRGB(image, 150, 190), Blue);
}

TEST(MetafilePlay, ClipRegionAndClipPath) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    const U_RECTL rects[2] = {{0, 0, 200, 200}, {800, 800, 1000, 1000}};
    PU_RGNDATA rgn = rgndata_set(rgndataheader_set(2, U_RECTL{0, 0, 1000, 1000}), const_cast<PU_RECTL>(rects));
    b.Add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, rgn));
    free(rgn);
    b.Fill(Rgb(Red));
    b.Rect(0, 0, 1000, 1000);
    b.Add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, nullptr));  // clip off again
    b.Add(U_EMRBEGINPATH_set());
    b.Add(U_EMRMOVETOEX_set(U_POINTL{500, 0}));
    b.Add(U_EMRLINETO_set(U_POINTL{1000, 0}));
    b.Add(U_EMRLINETO_set(U_POINTL{1000, 500}));
    b.Add(U_EMRCLOSEFIGURE_set());
    b.Add(U_EMRENDPATH_set());
    b.Add(U_EMRSELECTCLIPPATH_set(U_RGN_COPY));
    b.Fill(Rgb(Blue));
    b.Rect(0, 0, 1000, 1000);
  });
  EXPECT_EQ(PixelRGB(image, 20, 20), Red);
  EXPECT_EQ(PixelRGB(image, 180, 180), Red);
  EXPECT_EQ(PixelRGB(image, 100, 150), White);
  EXPECT_EQ(PixelRGB(image, 190, 20), Blue);   // inside the triangle
  EXPECT_EQ(PixelRGB(image, 120, 80), White);  // below its diagonal
}

TEST(MetafilePlay, DeepSaveDcNestingIsBoundedAndBalanced) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    b.Fill(Rgb(Green));
    for (int i = 0; i < 300; ++i) b.Add(U_EMRSAVEDC_set());
    b.Fill(Rgb(Red));
    b.Add(U_EMRRESTOREDC_set(-300));
    b.Rect(0, 0, 500, 500);
    b.Add(U_EMRRESTOREDC_set(-5));  // more than saved: ignored
    b.Rect(500, 500, 1000, 1000);
  });
  EXPECT_EQ(PixelRGB(image, 50, 50), Green);
  EXPECT_EQ(PixelRGB(image, 150, 150), Green);
}

TEST(MetafilePlay, WorldTransform) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSAVEDC_set());
    b.Add(U_EMRSETWORLDTRANSFORM_set(xform_set(1, 0, 0, 1, 500, 0)));
    b.Fill(Rgb(Red));
    b.Rect(0, 0, 500, 500);
    b.Add(U_EMRMODIFYWORLDTRANSFORM_set(xform_set(0.5f, 0, 0, 0.5f, 0, 0), U_MWT_LEFTMULTIPLY));
    b.Fill(Rgb(Blue));
    b.Rect(0, 1000, 1000, 2000);  // scaled by half, then moved right: bottom-right quarter
    b.Add(U_EMRRESTOREDC_set(-1));
    b.Fill(Rgb(Green));
    b.Rect(0, 500, 500, 1000);
  });
  EXPECT_EQ(PixelRGB(image, 150, 50), Red);
  EXPECT_EQ(PixelRGB(image, 50, 50), White);
  EXPECT_EQ(PixelRGB(image, 150, 150), Blue);
  EXPECT_EQ(PixelRGB(image, 50, 150), Green);
}

TEST(MetafilePlay, StretchDibitsDrawsA24BitBitmap) {
  // 2 x 2, bottom-up: first row blue, white; second row red, green.
  const std::uint8_t px[16] = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
  auto build = [&](EmfBuilder& b) {
    PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
    b.Add(U_EMRSTRETCHDIBITS_set(U_RECTL{0, 0, 999, 999}, U_POINTL{0, 0}, U_POINTL{1000, 1000}, U_POINTL{0, 0},
                                 U_POINTL{2, 2}, U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 16,
                                 reinterpret_cast<char*>(const_cast<std::uint8_t*>(px))));
    free(bmi);
  };
  for (int size : {200, 60}) {
    const QImage image = PlayEmf(build, size);
    const int q = size / 4;
    EXPECT_EQ(PixelRGB(image, q, q), Red) << size;
    EXPECT_EQ(PixelRGB(image, 3 * q, q), Green) << size;
    EXPECT_EQ(PixelRGB(image, q, 3 * q), Blue) << size;
    EXPECT_EQ(PixelRGB(image, 3 * q, 3 * q), White) << size;
  }

  // A part of the bitmap: the source rectangle counts from the bottom.
  const QImage part = PlayEmf([&](EmfBuilder& b) {
    PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
    b.Add(U_EMRSTRETCHDIBITS_set(U_RECTL{0, 0, 999, 999}, U_POINTL{0, 0}, U_POINTL{1000, 1000}, U_POINTL{1, 1},
                                 U_POINTL{1, 1}, U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 16,
                                 reinterpret_cast<char*>(const_cast<std::uint8_t*>(px))));
    free(bmi);
  });
  EXPECT_EQ(PixelRGB(part, 100, 100), Green);

  // Bits missing: refused, and when played nothing is read outside the record.
  EmfBuilder b;
  PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(200, 200, 1, 24, U_BI_RGB, 0, 0, 0, 0, 0), nullptr);
  b.Add(U_EMRSTRETCHDIBITS_set(U_RECTL{0, 0, 999, 999}, U_POINTL{0, 0}, U_POINTL{1000, 1000}, U_POINTL{0, 0},
                               U_POINTL{200, 200}, U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 16,
                               reinterpret_cast<char*>(const_cast<std::uint8_t*>(px))));
  free(bmi);
  const TBytes missing = b.Finish();
  ExpectInvalid(missing);
  QImage image(50, 50, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  PlayEnhancedMetafile(p, missing, QRectF(0, 0, 50, 50));
  p.end();
  EXPECT_TRUE(Ink(image).isEmpty());
}

TEST(MetafilePlay, BitmapsUnderAMirroringOrVanishingScale) {
  const std::uint8_t px[16] = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
  auto build = [&](int viewportHeight) {
    return [&px, viewportHeight](EmfBuilder& b) {
      PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
      // y grows upwards: logical (0, 0) is the bottom left corner.
      b.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
      b.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{1000, 1000}));
      b.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1000, -viewportHeight}));
      b.Add(U_EMRSETVIEWPORTORGEX_set(U_POINTL{0, viewportHeight == 1000 ? 999 : 500}));
      b.Add(U_EMRSTRETCHDIBITS_set(U_RECTL{0, 0, 999, 999}, U_POINTL{0, 0}, U_POINTL{1000, 1000}, U_POINTL{0, 0},
                                   U_POINTL{2, 2}, U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 16,
                                   reinterpret_cast<char*>(const_cast<std::uint8_t*>(px))));
      free(bmi);
    };
  };
  // Mirrored upside down, as the mapping turns it.
  const QImage image = PlayEmf(build(1000), 200);
  EXPECT_EQ(PixelRGB(image, 50, 50), Blue);
  EXPECT_EQ(PixelRGB(image, 150, 50), White);
  EXPECT_EQ(PixelRGB(image, 50, 150), Red);
  EXPECT_EQ(PixelRGB(image, 150, 150), Green);
  // Squeezed to far below a pixel: still drawn, one pixel high, and nothing
  // outside the bitmap is read.
  const QImage thin = PlayEmf(build(1), 200);
  EXPECT_FALSE(Ink(thin).isEmpty());
  EXPECT_LE(Ink(thin).height(), 2);
}

TEST(MetafilePlay, StretchBltAndBitBltWithSourceBitmap) {
  const std::uint8_t px[16] = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
  const QImage image = PlayEmf([&](EmfBuilder& b) {
    PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
    char* bits = reinterpret_cast<char*>(const_cast<std::uint8_t*>(px));
    // the right column of the bitmap (green over white), stretched over the left half
    b.Add(U_EMRSTRETCHBLT_set(U_RECTL{0, 0, 499, 999}, U_POINTL{0, 0}, U_POINTL{500, 1000}, U_POINTL{1, 0},
                              U_POINTL{1, 2}, xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS, U_SRCCOPY,
                              bmi, 16, bits));
    // one logical unit is 50 device pixels (10 output pixels) from here on
    b.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    b.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{20, 20}));
    b.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1000, 1000}));
    b.Add(U_EMRBITBLT_set(U_RECTL{900, 900, 999, 999}, U_POINTL{18, 18}, U_POINTL{2, 2}, U_POINTL{0, 0},
                          xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS, U_NOTSRCCOPY, bmi, 16, bits));
    // a source larger than the bitmap: only the bitmap's part is drawn, unscaled
    b.Add(U_EMRBITBLT_set(U_RECTL{500, 0, 699, 199}, U_POINTL{10, 0}, U_POINTL{4, 4}, U_POINTL{0, 0},
                          xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 16, bits));
    free(bmi);
  });
  EXPECT_EQ(PixelRGB(image, 50, 50), Green);
  EXPECT_EQ(PixelRGB(image, 50, 150), White);
  EXPECT_EQ(PixelRGB(image, 150, 50), White);
  EXPECT_EQ(PixelRGB(image, 185, 185), 0x00FFFF);  // inverted red
  EXPECT_EQ(PixelRGB(image, 195, 195), Black);     // inverted white
  EXPECT_EQ(PixelRGB(image, 105, 5), Red);
  EXPECT_EQ(PixelRGB(image, 115, 5), Green);
  EXPECT_EQ(PixelRGB(image, 105, 15), Blue);
  EXPECT_EQ(PixelRGB(image, 130, 5), White);
  EXPECT_EQ(PixelRGB(image, 105, 30), White);
}

TEST(MetafilePlay, BitBltWithoutSourceUsesTheBrush) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    b.Select(b.Brush(Rgb(Green)));
    b.Add(U_EMRBITBLT_set(U_RECTL{0, 0, 499, 499}, U_POINTL{0, 0}, U_POINTL{500, 500}, U_POINTL{0, 0},
                          xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS, U_PATCOPY, nullptr, 0,
                          nullptr));
    b.Add(U_EMRBITBLT_set(U_RECTL{500, 0, 999, 499}, U_POINTL{500, 0}, U_POINTL{500, 500}, U_POINTL{0, 0},
                          xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS, U_BLACKNESS, nullptr, 0,
                          nullptr));
  });
  EXPECT_EQ(PixelRGB(image, 50, 50), Green);
  EXPECT_EQ(PixelRGB(image, 150, 50), Black);
  EXPECT_EQ(PixelRGB(image, 50, 150), White);
}

// --- gradient fills and keyed bitmaps

namespace {

U_TRIVERTEX Vertex(int x, int y, unsigned rgb) {
  // 16 bits a channel; the low byte (left 0 here) does not count
  return U_TRIVERTEX{x, y, std::uint16_t((rgb >> 16) << 8), std::uint16_t(((rgb >> 8) & 0xFF) << 8),
                     std::uint16_t((rgb & 0xFF) << 8), 0};
}

void Gradient(EmfBuilder& b, std::vector<U_TRIVERTEX> vertices, std::vector<std::uint32_t> objects,
              std::uint32_t mode) {
  const std::uint32_t each = mode == U_GRADIENT_FILL_TRIANGLE ? 3 : 2;
  b.Add(U_EMRGRADIENTFILL_set(U_RECTL{0, 0, 999, 999}, U_NUM_TRIVERTEX(vertices.size()),
                              U_NUM_GRADOBJ(objects.size() / each), mode, vertices.data(), objects.data()));
}

// Plays without loading first, as a damaged file is played.
QImage PlayBytes(const TBytes& bytes, int size = 100) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  PlayEnhancedMetafile(p, bytes, QRectF(0, 0, size, size));
  p.end();
  return image;
}

// The byte offset of the first record of a type.
std::size_t RecordOffset(const TBytes& bytes, std::uint32_t type) {
  for (std::size_t pos = 0; pos + 8 <= bytes.size();) {
    std::uint32_t t, size;
    std::memcpy(&t, &bytes[pos], 4);
    std::memcpy(&size, &bytes[pos + 4], 4);
    if (t == type) return pos;
    if (size < 8) break;
    pos += size;
  }
  ADD_FAILURE() << "no record " << type;
  return 0;
}

}  // namespace

TEST(MetafilePlay, GradientFillRectangles) {
  // Top half: red to blue from left to right; bottom half: green to white downwards.
  const QImage image = PlayEmf([](EmfBuilder& b) {
    Gradient(b, {Vertex(0, 0, Red), Vertex(1000, 500, Blue)}, {0, 1}, U_GRADIENT_FILL_RECT_H);
    Gradient(b, {Vertex(0, 500, Green), Vertex(1000, 1000, White)}, {0, 1}, U_GRADIENT_FILL_RECT_V);
  });
  EXPECT_TRUE(ColorNear(PixelRGB(image, 1, 50), Red, 6));
  EXPECT_TRUE(ColorNear(PixelRGB(image, 100, 50), 0x800080, 6));
  EXPECT_TRUE(ColorNear(PixelRGB(image, 198, 50), Blue, 6));
  EXPECT_TRUE(ColorNear(PixelRGB(image, 100, 101), Green, 6));
  EXPECT_TRUE(ColorNear(PixelRGB(image, 100, 150), 0x80FF80, 6));
  EXPECT_TRUE(ColorNear(PixelRGB(image, 100, 198), White, 6));
  EXPECT_EQ(PixelRGB(image, 50, 10), PixelRGB(image, 50, 90));  // horizontal: the same down a column

  // Through the world transform: scaled to the left half, flipped right to left.
  const QImage turned = PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSETWORLDTRANSFORM_set(xform_set(-0.5f, 0, 0, 1, 500, 0)));
    Gradient(b, {Vertex(0, 0, Red), Vertex(1000, 1000, Blue)}, {0, 1}, U_GRADIENT_FILL_RECT_H);
  });
  EXPECT_TRUE(ColorNear(PixelRGB(turned, 98, 100), Red, 10));
  EXPECT_TRUE(ColorNear(PixelRGB(turned, 1, 100), Blue, 10));
  EXPECT_EQ(PixelRGB(turned, 150, 100), White);
}

TEST(MetafilePlay, GradientFillTriangles) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    Gradient(b, {Vertex(0, 0, Red), Vertex(1000, 0, Green), Vertex(0, 1000, Blue)}, {0, 1, 2},
             U_GRADIENT_FILL_TRIANGLE);
  });
  EXPECT_TRUE(ColorNear(PixelRGB(image, 1, 1), Red, 8));
  EXPECT_TRUE(ColorNear(PixelRGB(image, 196, 1), Green, 10));
  EXPECT_TRUE(ColorNear(PixelRGB(image, 1, 196), Blue, 10));
  EXPECT_TRUE(ColorNear(PixelRGB(image, 66, 66), 0x555555, 10));
  EXPECT_EQ(PixelRGB(image, 110, 110), White);  // beyond the long edge
  EXPECT_EQ(PixelRGB(image, 198, 198), White);

  // A mesh of two triangles of one colour: no seam and no gap along the shared edge.
  const QImage mesh = PlayEmf([](EmfBuilder& b) {
    Gradient(b, {Vertex(0, 0, Green), Vertex(1000, 0, Green), Vertex(1000, 1000, Green), Vertex(0, 1000, Green)},
             {0, 1, 2, 0, 2, 3}, U_GRADIENT_FILL_TRIANGLE);
  });
  for (int i = 0; i < 200; ++i) ASSERT_EQ(PixelRGB(mesh, i, i), Green) << i;
  EXPECT_TRUE(Ink(mesh) == QRect(0, 0, 200, 200));

  // Mirrored by the mapping (y up): the corners follow.
  const QImage flipped = PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    b.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{1000, 1000}));
    b.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1000, -1000}));
    b.Add(U_EMRSETVIEWPORTORGEX_set(U_POINTL{0, 1000}));
    Gradient(b, {Vertex(0, 0, Red), Vertex(1000, 0, Green), Vertex(0, 1000, Blue)}, {0, 1, 2},
             U_GRADIENT_FILL_TRIANGLE);
  });
  EXPECT_TRUE(ColorNear(PixelRGB(flipped, 1, 198), Red, 10));
  EXPECT_TRUE(ColorNear(PixelRGB(flipped, 1, 3), Blue, 10));
  EXPECT_EQ(PixelRGB(flipped, 150, 50), White);
}

TEST(MetafilePlay, TransparentBltLeavesOutTheKeyColour) {
  // 2 x 2, bottom-up: blue, white; red, green. White is the key.
  const std::uint8_t px[16] = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
  auto build = [&](std::uint32_t key) {
    return [&px, key](EmfBuilder& b) {
      b.Fill(Rgb(Black));
      b.Rect(0, 0, 1001, 1001);
      PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
      b.Add(U_EMRTRANSPARENTBLT_set(U_RECTL{0, 0, 999, 999}, U_POINTL{0, 0}, U_POINTL{1000, 1000}, U_POINTL{0, 0},
                                    U_POINTL{2, 2}, xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS, key,
                                    bmi, 16, reinterpret_cast<char*>(const_cast<std::uint8_t*>(px))));
      free(bmi);
    };
  };
  const QImage image = PlayEmf(build(0xFFFFFF));
  EXPECT_EQ(PixelRGB(image, 50, 50), Red);
  EXPECT_EQ(PixelRGB(image, 150, 50), Green);
  EXPECT_EQ(PixelRGB(image, 50, 150), Blue);
  EXPECT_EQ(PixelRGB(image, 150, 150), Black);  // what was beneath
  // Keyed on red (a COLORREF is 0x00BBGGRR).
  const QImage red = PlayEmf(build(0x0000FF));
  EXPECT_EQ(PixelRGB(red, 50, 50), Black);
  EXPECT_EQ(PixelRGB(red, 150, 150), White);
}

TEST(MetafilePlay, HostileGradientAndTransparentRecordsDrawNothing) {
  auto triangle = [](EmfBuilder& b) {
    Gradient(b, {Vertex(0, 0, Red), Vertex(1000, 0, Green), Vertex(0, 1000, Blue)}, {0, 1, 2},
             U_GRADIENT_FILL_TRIANGLE);
  };
  EmfBuilder good;
  triangle(good);
  const TBytes bytes = good.Finish();
  const std::size_t at = RecordOffset(bytes, U_EMR_GRADIENTFILL);
  // Counts larger than the record, also where 32-bit products wrap round.
  for (auto [field, value] : std::vector<std::pair<std::size_t, std::uint32_t>>{
           {24, 4}, {28, 2}, {24, 0x10000000}, {28, 0x15555556}, {24, 0xFFFFFFFF}, {28, 0xFFFFFFFF}}) {
    TBytes hostile = bytes;
    std::memcpy(&hostile[at + field], &value, 4);
    SCOPED_TRACE(testing::Message() << field << " " << value);
    ExpectInvalid(hostile);
    EXPECT_TRUE(Ink(PlayBytes(hostile)).isEmpty());
  }
  // Indices past the vertices, an unknown mode, empty rectangles and
  // triangles, nothing at all: loaded, and nothing drawn.
  const QImage empty = PlayEmf([](EmfBuilder& b) {
    Gradient(b, {Vertex(0, 0, Red), Vertex(1000, 0, Green), Vertex(0, 1000, Blue)}, {0, 1, 7},
             U_GRADIENT_FILL_TRIANGLE);
    Gradient(b, {Vertex(0, 0, Red), Vertex(1000, 1000, Blue)}, {0, 1}, 7);
    Gradient(b, {Vertex(0, 0, Red), Vertex(1000, 1000, Blue)}, {0, 0x80000000u}, U_GRADIENT_FILL_RECT_H);
    Gradient(b, {Vertex(300, 0, Red), Vertex(300, 1000, Blue)}, {0, 1}, U_GRADIENT_FILL_RECT_H);
    Gradient(b, {Vertex(0, 0, Red), Vertex(500, 500, Green), Vertex(1000, 1000, Blue)}, {0, 1, 2},
             U_GRADIENT_FILL_TRIANGLE);
    Gradient(b, {}, {}, U_GRADIENT_FILL_TRIANGLE);
  });
  EXPECT_TRUE(Ink(empty).isEmpty());

  // Far outside every device: drawn in bounded time, only what shows.
  const int huge = 2000000000;
  const QImage big = PlayEmf([](EmfBuilder& b) {
    Gradient(b, {Vertex(-huge, -huge, Black), Vertex(huge, -huge, Black), Vertex(0, huge, Black)}, {0, 1, 2},
             U_GRADIENT_FILL_TRIANGLE);
    Gradient(b, {Vertex(-huge, 900, Blue), Vertex(huge, huge, Blue)}, {0, 1}, U_GRADIENT_FILL_RECT_V);
    for (int i = 0; i < 25; ++i)  // many huge triangles over the left half: coarse, not slow
      Gradient(b,
               {Vertex(-huge, -huge, Red), Vertex(500, -huge, Red), Vertex(500, huge, Red), Vertex(-huge, huge, Red)},
               {0, 1, 2, 0, 2, 3}, U_GRADIENT_FILL_TRIANGLE);
  });
  EXPECT_EQ(PixelRGB(big, 2, 2), Red);
  EXPECT_EQ(PixelRGB(big, 98, 197), Red);
  EXPECT_TRUE(ColorNear(PixelRGB(big, 195, 100), Black, 8));
  EXPECT_EQ(PixelRGB(big, 195, 195), Blue);

  // A keyed bitmap whose bits are missing: refused, nothing read outside the record.
  EmfBuilder b;
  const std::uint8_t px[16] = {};
  PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(300, 300, 1, 24, U_BI_RGB, 0, 0, 0, 0, 0), nullptr);
  b.Add(U_EMRTRANSPARENTBLT_set(U_RECTL{0, 0, 999, 999}, U_POINTL{0, 0}, U_POINTL{1000, 1000}, U_POINTL{0, 0},
                                U_POINTL{300, 300}, xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS,
                                0xFFFFFF, bmi, 16, reinterpret_cast<char*>(const_cast<std::uint8_t*>(px))));
  free(bmi);
  const TBytes missing = b.Finish();
  ExpectInvalid(missing);
  EXPECT_TRUE(Ink(PlayBytes(missing)).isEmpty());
}

// --- masked and parallelogram blits

namespace {

// 2 x 2, bottom-up: red, green over blue, white.
const std::uint8_t kQuad[16] = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};

struct Dibs {
  PU_BITMAPINFO quad = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
  ~Dibs() { free(quad); }
  static char* Bits(const std::uint8_t* bits) { return reinterpret_cast<char*>(const_cast<std::uint8_t*>(bits)); }
};

// The 2 x 2 bitmap at logical (0, 0, 2, 2), one logical unit a quarter of the picture.
void MaskBlt(EmfBuilder& b, std::uint32_t rop, bool mask, U_POINTL maskAt = {0, 0}) {
  Dibs d;
  b.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
  b.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{2, 2}));
  b.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1000, 1000}));
  char* record = U_EMRMASKBLT_set(U_RECTL{0, 0, 999, 999}, U_POINTL{0, 0}, U_POINTL{2, 2}, U_POINTL{0, 0},
                                  xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS, maskAt,
                                  U_DIB_RGB_COLORS, rop, d.quad, 16, Dibs::Bits(kQuad), nullptr, 0, nullptr);
  b.Add(mask ? WithChecker(record, 112) : record);
}

// The bitmap (all of it) onto the parallelogram with corners ul, ur, ll.
void PlgBlt(EmfBuilder& b, U_POINTL ul, U_POINTL ur, U_POINTL ll, bool mask, U_POINTL cSrc = {2, 2}) {
  Dibs d;
  U_POINTL corners[3] = {ul, ur, ll};
  char* record = U_EMRPLGBLT_set(U_RECTL{0, 0, 999, 999}, corners, U_POINTL{0, 0}, cSrc,
                                 xform_set(1, 0, 0, 1, 0, 0), Rgb(White), U_DIB_RGB_COLORS, U_POINTL{0, 0},
                                 U_DIB_RGB_COLORS, d.quad, 16, Dibs::Bits(kQuad), nullptr, 0, nullptr);
  b.Add(mask ? WithChecker(record, 124) : record);
}

std::vector<unsigned> Quadrants(const QImage& image) {
  return {PixelRGB(image, 50, 50), PixelRGB(image, 150, 50), PixelRGB(image, 50, 150), PixelRGB(image, 150, 150)};
}

void BlackGround(EmfBuilder& b) {
  b.Fill(Rgb(Black));
  b.Rect(0, 0, 1001, 1001);
}

}  // namespace

TEST(MetafilePlay, MaskBltDrawsTheSourceWhereTheMaskIsSet) {
  using V = std::vector<unsigned>;
  // Foreground copy, background keeps the destination.
  EXPECT_EQ(Quadrants(PlayEmf([](EmfBuilder& b) { BlackGround(b), MaskBlt(b, 0xAACC0020, true); })),
            (V{Red, Black, Black, White}));
  // The mask moved one pixel left: only the lower left pixel of the source lies on a set bit.
  EXPECT_EQ(Quadrants(PlayEmf([](EmfBuilder& b) { BlackGround(b), MaskBlt(b, 0xAACC0020, true, {1, 0}); })),
            (V{Black, Black, Blue, Black}));
  // The same operation on both sides: the mask does not matter.
  EXPECT_EQ(Quadrants(PlayEmf([](EmfBuilder& b) { BlackGround(b), MaskBlt(b, 0xCCCC0020, true); })),
            (V{Red, Green, Blue, White}));
  // Inverted source where set.
  EXPECT_EQ(Quadrants(PlayEmf([](EmfBuilder& b) { BlackGround(b), MaskBlt(b, 0xAA330008, true); })),
            (V{0x00FFFF, Black, Black, Black}));
  // Without a mask: a BITBLT with the foreground operation.
  EXPECT_EQ(Quadrants(PlayEmf([](EmfBuilder& b) { BlackGround(b), MaskBlt(b, 0xAACC0020, false); })),
            (V{Red, Green, Blue, White}));
  EXPECT_EQ(Quadrants(PlayEmf([](EmfBuilder& b) { BlackGround(b), MaskBlt(b, 0xAA330008, false); })),
            (V{0x00FFFF, 0xFF00FF, 0xFFFF00, Black}));
}

TEST(MetafilePlay, PlgBltMapsTheSourceOntoTheParallelogram) {
  // Turned a quarter clockwise: the upper left corner of the source goes to the upper right.
  const QImage turned = PlayEmf([](EmfBuilder& b) {
    BlackGround(b);
    PlgBlt(b, {1000, 0}, {1000, 1000}, {0, 0}, false);
  });
  EXPECT_EQ(Quadrants(turned), (std::vector<unsigned>{Blue, Red, White, Green}));
  // With the mask: the destination stays where it is clear.
  const QImage masked = PlayEmf([](EmfBuilder& b) {
    BlackGround(b);
    PlgBlt(b, {1000, 0}, {1000, 1000}, {0, 0}, true);
  });
  EXPECT_EQ(Quadrants(masked), (std::vector<unsigned>{Black, Red, White, Black}));
  // Sheared right and mirrored top to bottom, within a world transform that halves everything.
  const QImage sheared = PlayEmf([](EmfBuilder& b) {
    BlackGround(b);
    b.Add(U_EMRSETWORLDTRANSFORM_set(xform_set(0.5f, 0, 0, 0.5f, 0, 0)));
    PlgBlt(b, {1000, 2000}, {2000, 2000}, {0, 0}, false);
  });
  EXPECT_EQ(PixelRGB(sheared, 105, 197), Red);    // upper left of the source: lower left corner
  EXPECT_EQ(PixelRGB(sheared, 195, 197), Green);  // upper right
  EXPECT_EQ(PixelRGB(sheared, 5, 2), Blue);       // lower left
  EXPECT_EQ(PixelRGB(sheared, 95, 2), White);     // lower right
  EXPECT_EQ(PixelRGB(sheared, 5, 195), Black);    // beside the slanted edges
  EXPECT_EQ(PixelRGB(sheared, 195, 5), Black);
}

TEST(MetafilePlay, HostileMaskedAndParallelogramBlitsDrawNothing) {
  // Mask offsets and sizes pointing past the record: refused or left out, nothing read outside.
  for (std::uint32_t type : {U_EMR_MASKBLT, U_EMR_PLGBLT}) {
    EmfBuilder good;
    if (type == U_EMR_MASKBLT) MaskBlt(good, 0xAACC0020, true);
    else PlgBlt(good, {0, 0}, {1000, 0}, {0, 1000}, true);
    const TBytes bytes = good.Finish();
    const std::size_t at = RecordOffset(bytes, type) + (type == U_EMR_MASKBLT ? 112 : 124);
    for (auto [field, value] : std::vector<std::pair<std::size_t, std::uint32_t>>{
             {0, 0xFFFFFFF0}, {4, 0x7FFFFFFF}, {8, 0xFFFFFFF0}, {12, 0xFFFFFFFF}, {4, 4}, {12, 1}}) {
      TBytes hostile = bytes;
      std::memcpy(&hostile[at + field], &value, 4);
      SCOPED_TRACE(testing::Message() << type << " " << field << " " << value);
      EXPECT_TRUE(Ink(PlayBytes(hostile)).isEmpty());
    }
    EXPECT_FALSE(Ink(PlayBytes(bytes)).isEmpty());
  }
  // Parallelograms without area, far beyond any device, or from an empty source.
  const int huge = 2000000000;
  const QImage empty = PlayEmf([](EmfBuilder& b) {
    PlgBlt(b, {0, 0}, {1000, 1000}, {500, 500}, false);
    PlgBlt(b, {300, 300}, {300, 300}, {300, 300}, false);
    PlgBlt(b, {0, 0}, {1000, 0}, {0, 1000}, false, {0, 2});
    PlgBlt(b, {0, 0}, {1, 0}, {0, 1}, false, {huge, huge});
    b.Add(U_EMRSETWORLDTRANSFORM_set(xform_set(10, 0, 0, 10, 0, 0)));
    PlgBlt(b, {-huge, -huge}, {huge, -huge}, {-huge, huge}, false);
  });
  EXPECT_TRUE(Ink(empty).isEmpty());
  // Huge ones still draw what shows, in its place: here the left edge of the
  // lower left pixel, along the middle of the picture.
  const QImage edge = PlayEmf([](EmfBuilder& b) { PlgBlt(b, {500, -huge / 20}, {500 + huge / 10, -huge / 20},
                                                         {500, huge / 20}, false); });
  EXPECT_EQ(PixelRGB(edge, 98, 100), White);
  EXPECT_EQ(PixelRGB(edge, 102, 100), Blue);
  EXPECT_EQ(PixelRGB(edge, 198, 2), Blue);
  const QImage corner = PlayEmf([](EmfBuilder& b) { PlgBlt(b, {0, 0}, {20000000, 0}, {0, 20000000}, false); });
  EXPECT_EQ(PixelRGB(corner, 100, 100), Red);
}

TEST(MetafilePlay, ArcsPiesAndDirection) {
  auto pie = [](bool clockwise) {
    return PlayEmf([clockwise](EmfBuilder& b) {
      if (clockwise) b.Add(U_EMRSETARCDIRECTION_set(U_AD_CLOCKWISE));
      b.Fill(Rgb(Red));
      // from 3 o'clock to 12 o'clock
      b.Add(U_EMRPIE_set(U_RECTL{0, 0, 1000, 1000}, U_POINTL{1000, 500}, U_POINTL{500, 0}));
    });
  };
  const QImage ccw = pie(false), cw = pie(true);
  EXPECT_EQ(PixelRGB(ccw, 130, 70), Red);
  EXPECT_EQ(PixelRGB(ccw, 70, 70), White);
  EXPECT_EQ(PixelRGB(ccw, 130, 130), White);
  EXPECT_EQ(PixelRGB(cw, 130, 70), White);
  EXPECT_EQ(PixelRGB(cw, 70, 70), Red);
  EXPECT_EQ(PixelRGB(cw, 130, 130), Red);

  const QImage chord = PlayEmf([](EmfBuilder& b) {
    b.Fill(Rgb(Blue));
    b.Add(U_EMRCHORD_set(U_RECTL{0, 0, 1000, 1000}, U_POINTL{1000, 500}, U_POINTL{0, 500}));
  });
  EXPECT_EQ(PixelRGB(chord, 100, 40), Blue);  // upper half
  EXPECT_EQ(PixelRGB(chord, 100, 160), White);
}

TEST(MetafilePlay, PolygonsPolylinesAndBeziers) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    b.Fill(Rgb(Red));
    const U_POINT16 tri[3] = {{0, 0}, {500, 0}, {0, 500}};
    b.Add(U_EMRPOLYGON16_set(U_RECTL{0, 0, 500, 500}, 3, tri));
    b.Fill(Rgb(Blue));
    const U_POINTL squares[8] = {{500, 500}, {700, 500}, {700, 700}, {500, 700},
                                 {800, 800}, {1000, 800}, {1000, 1000}, {800, 1000}};
    const std::uint32_t counts[2] = {4, 4};
    b.Add(U_EMRPOLYPOLYGON_set(U_RECTL{500, 500, 1000, 1000}, 2, counts, 8, squares));
    b.Select(b.Pen(U_PS_SOLID | U_PS_GEOMETRIC, 30, Rgb(Green)));
    const U_POINTL line[3] = {{600, 100}, {900, 100}, {900, 400}};
    b.Add(U_EMRPOLYLINE_set(U_RECTL{600, 100, 900, 400}, 3, line));
  });
  EXPECT_EQ(PixelRGB(image, 20, 20), Red);
  EXPECT_EQ(PixelRGB(image, 80, 80), White);
  EXPECT_EQ(PixelRGB(image, 120, 120), Blue);
  EXPECT_EQ(PixelRGB(image, 190, 190), Blue);
  EXPECT_EQ(PixelRGB(image, 150, 150), White);
  EXPECT_EQ(PixelRGB(image, 150, 20), Green);
  EXPECT_EQ(PixelRGB(image, 180, 60), Green);
  EXPECT_EQ(PixelRGB(image, 150, 60), White);
}

TEST(MetafilePlay, PathsFillAndStroke) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    b.Fill(Rgb(Red));
    b.Add(U_EMRBEGINPATH_set());
    b.Add(U_EMRMOVETOEX_set(U_POINTL{0, 0}));
    b.Add(U_EMRLINETO_set(U_POINTL{500, 0}));
    b.Add(U_EMRLINETO_set(U_POINTL{500, 500}));
    b.Add(U_EMRLINETO_set(U_POINTL{0, 500}));
    b.Add(U_EMRCLOSEFIGURE_set());
    b.Add(U_EMRENDPATH_set());
    b.Add(U_EMRFILLPATH_set(U_RECTL{0, 0, 500, 500}));
    b.Select(b.Pen(U_PS_SOLID | U_PS_GEOMETRIC, 40, Rgb(Blue)));
    b.Add(U_EMRBEGINPATH_set());
    b.Rect(600, 600, 900, 900);
    b.Add(U_EMRENDPATH_set());
    b.Add(U_EMRSTROKEPATH_set(U_RECTL{600, 600, 900, 900}));
  });
  EXPECT_EQ(PixelRGB(image, 50, 50), Red);
  EXPECT_EQ(PixelRGB(image, 120, 150), Blue);  // the stroked outline
  EXPECT_EQ(PixelRGB(image, 150, 150), White);  // not filled
}

TEST(MetafilePlay, HatchBrushWithOpaqueBackground) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSETBKCOLOR_set(Rgb(0xFFFF00)));
    b.Add(U_EMRSETBKMODE_set(U_OPAQUE));
    b.Stock(U_NULL_PEN);
    b.Select(b.Brush(Rgb(Blue), U_BS_HATCHED, U_HS_CROSS));
    b.Rect(0, 0, 500, 500);
  });
  int blue = 0, yellow = 0, other = 0;
  for (int y = 10; y < 90; ++y)
    for (int x = 10; x < 90; ++x) {
      const unsigned c = PixelRGB(image, x, y);
      (c == Blue ? blue : c == 0xFFFF00 ? yellow : other)++;
    }
  EXPECT_GT(blue, 300);
  EXPECT_GT(yellow, 3000);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(PixelRGB(image, 150, 150), White);
}

TEST(MetafilePlay, TextAlignmentAndDxArray) {
  auto text = [](std::uint32_t align, int x, int y, std::u16string s, std::vector<std::uint32_t> dx = {}) {
    return Ink(PlayEmf([&](EmfBuilder& b) {
      b.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
      b.Add(U_EMRSETTEXTALIGN_set(align));
      b.Select(b.Font(-200, "Liberation Sans"));
      b.Text(x, y, s, dx);
    }));
  };
  const QRect left = text(U_TA_LEFT | U_TA_TOP, 100, 100, u"HH");
  ASSERT_FALSE(left.isEmpty());
  EXPECT_GE(left.left(), 19);
  EXPECT_LE(left.left(), 26);
  EXPECT_GE(left.top(), 20);
  EXPECT_LE(left.bottom(), 62);
  EXPECT_GT(left.width(), 20);

  const QRect right = text(U_TA_RIGHT | U_TA_TOP, 900, 100, u"HH");
  EXPECT_LE(right.right(), 181);
  EXPECT_GE(right.right(), 172);
  EXPECT_NEAR(right.width(), left.width(), 2);

  const QRect centre = text(U_TA_CENTER | U_TA_BASELINE, 500, 500, u"HH");
  EXPECT_NEAR(centre.center().x(), 100, 3);
  EXPECT_LE(centre.bottom(), 100);
  EXPECT_GE(centre.bottom(), 97);

  const QRect bottom = text(U_TA_LEFT | U_TA_BOTTOM, 100, 500, u"HH");
  EXPECT_LE(bottom.bottom(), 100);
  EXPECT_LT(bottom.bottom(), centre.bottom() + 1);

  // dx places each character: two narrow letters 120 output pixels apart.
  const QImage spaced = PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    b.Select(b.Font(-200, "Liberation Sans"));
    b.Text(100, 100, u"II", {600, 100});
  });
  EXPECT_FALSE(Ink(spaced.copy(15, 0, 20, 200)).isEmpty());
  EXPECT_TRUE(Ink(spaced.copy(40, 0, 90, 200)).isEmpty());
  EXPECT_FALSE(Ink(spaced.copy(135, 0, 20, 200)).isEmpty());

  // The font height is in logical units: half the size at half the scale.
  const QImage small = PlayEmf(
      [](EmfBuilder& b) {
        b.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        b.Select(b.Font(-200, "Liberation Sans"));
        b.Text(100, 100, u"HH");
      },
      100);
  EXPECT_NEAR(Ink(small).height(), left.height() / 2.0, 2);
}

TEST(MetafilePlay, TextUpdatesTheCurrentPosition) {
  const QRect ink = Ink(PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    b.Add(U_EMRSETTEXTALIGN_set(U_TA_UPDATECP));
    b.Select(b.Font(-200, "Liberation Sans"));
    b.Add(U_EMRMOVETOEX_set(U_POINTL{500, 100}));
    b.Text(0, 0, u"I", {300});
    b.Text(0, 0, u"I", {300});
  }));
  EXPECT_GE(ink.left(), 100);
  EXPECT_GE(ink.width(), 55);  // second letter 60 pixels to the right
  EXPECT_LE(ink.top(), 30);
}

TEST(MetafilePlay, OpaqueTextRectangle) {
  const QImage image = PlayEmf([](EmfBuilder& b) {
    b.Add(U_EMRSETBKCOLOR_set(Rgb(Green)));
    b.Select(b.Font(-100, "Liberation Sans"));
    std::vector<std::uint32_t> dx(1, 100);
    char* emrtext = emrtext_set(U_POINTL{0, 0}, 1, 2, const_cast<char16_t*>(u"x"), U_ETO_OPAQUE,
                                U_RECTL{500, 500, 1000, 1000}, dx.data());
    b.Add(U_EMREXTTEXTOUTW_set(U_RECTL{0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrtext)));
    free(emrtext);
  });
  EXPECT_EQ(PixelRGB(image, 150, 150), Green);
  EXPECT_EQ(PixelRGB(image, 190, 110), Green);
}

TEST(MetafilePlay, WmfPlaceableQuarters) {
  WmfBuilder b;
  b.Window(0, 0, 1000, 1000);
  b.Fill(Rgb(Red));
  b.Rect(0, 0, 500, 500);
  b.Fill(Rgb(Blue));
  b.Add(U_WMRELLIPSE_set(U_RECT16{500, 500, 1000, 1000}));
  const TMetafile mf = Load(b.Finish());
  for (int size : {200, 80}) {
    const QImage image = Play(mf, size, size);
    const int q = size / 4;
    EXPECT_EQ(PixelRGB(image, q, q), Red) << size;
    EXPECT_EQ(PixelRGB(image, 3 * q, 3 * q), Blue) << size;
    EXPECT_EQ(PixelRGB(image, 3 * q, q), White) << size;
  }
  EXPECT_EQ(mf.SaveToStream(), mf.Data());
  EXPECT_EQ(mf.Data()[0], 0xD7);
}

TEST(MetafilePlay, WmfWindowMapsOntoDest) {
  WmfBuilder b(0);
  b.Window(100, 100, 200, -200);  // y up
  b.Fill(Rgb(Red));
  b.Rect(100, 100, 200, 0);  // top-left quarter
  b.Add(U_WMRSAVEDC_set());
  b.Add(U_WMRINTERSECTCLIPRECT_set(U_RECT16{200, 100, 300, 0}));
  b.Fill(Rgb(Blue));
  b.Rect(100, 100, 300, -100);
  b.Add(U_WMRRESTOREDC_set(-1));
  b.Fill(Rgb(Green));
  b.Rect(100, -50, 150, -100);
  const QImage image = Play(Load(b.Finish()), 200, 200);
  EXPECT_EQ(PixelRGB(image, 50, 50), Red);
  EXPECT_EQ(PixelRGB(image, 150, 50), Blue);
  EXPECT_EQ(PixelRGB(image, 150, 150), White);
  EXPECT_EQ(PixelRGB(image, 20, 180), Green);
}

TEST(MetafilePlay, WmfStretchDib) {
  const std::uint8_t px[16] = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
  WmfBuilder b;
  b.Window(0, 0, 1000, 1000);
  PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
  b.Add(U_WMRSTRETCHDIB_set(point16_set(0, 0), point16_set(1000, 1000), point16_set(0, 0), point16_set(2, 2),
                            U_DIB_RGB_COLORS, U_SRCCOPY, bmi, 16, reinterpret_cast<const char*>(px)));
  free(bmi);
  const QImage image = Play(Load(b.Finish()), 100, 100);
  EXPECT_EQ(PixelRGB(image, 25, 25), Red);
  EXPECT_EQ(PixelRGB(image, 75, 25), Green);
  EXPECT_EQ(PixelRGB(image, 25, 75), Blue);
  EXPECT_EQ(PixelRGB(image, 75, 75), White);
}

TEST(MetafilePlay, WmfTextIsDecodedWithTheFontsCharacterSet) {
  // The same letters as single bytes (WMF) and as UTF-16 (EMF) look the same.
  auto wmf = [](const char* bytes, int charset) {
    WmfBuilder b;
    b.Window(0, 0, 1000, 1000);
    b.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
    b.Font(-300, "Liberation Sans", charset);
    b.Add(U_WMRTEXTOUT_set(point16_set(100, 100), const_cast<char*>(bytes)));
    return Play(Load(b.Finish()), 200, 200);
  };
  auto emf = [](const std::u16string& text) {
    return PlayEmf([&](EmfBuilder& b) {
      b.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
      b.Select(b.Font(-300, "Liberation Sans"));
      b.Text(100, 100, text);
    });
  };
  const QImage turkish = wmf("\xDD\xFE\xF0", 162);
  EXPECT_FALSE(Ink(turkish).isEmpty());
  EXPECT_EQ(turkish, emf(u"\u0130\u015F\u011F"));
  EXPECT_EQ(wmf("\x80\xE9", 0), emf(u"\u20AC\u00E9"));
  EXPECT_NE(wmf("\xDD", 0), emf(u"\u0130"));
}

TEST(MetafilePlay, DrawKeepsThePainterState) {
  const TMetafile mf = Load(Quarters());
  QImage image(100, 100, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.translate(10, 10);
  p.setPen(QColor(1, 2, 3));
  p.setClipRect(QRect(0, 0, 40, 40));
  mf.Draw(p, QRectF(0, 0, 80, 80));
  EXPECT_EQ(p.transform(), QTransform::fromTranslate(10, 10));
  EXPECT_EQ(p.pen().color(), QColor(1, 2, 3));
  EXPECT_EQ(p.clipBoundingRect(), QRectF(0, 0, 40, 40));
  p.end();
  EXPECT_EQ(PixelRGB(image, 30, 30), Red);    // translated by the painter
  EXPECT_EQ(PixelRGB(image, 55, 30), White);  // clipped by the caller's clip
  EXPECT_EQ(PixelRGB(image, 70, 70), White);
}

TEST(MetafileLoad, SeedCorpusOfTheFuzzTargets) {
  for (const char* name : {"emf/shapes.emf", "emf/state-text.emf", "emf/bitmaps.emf", "emf/huge-counts.emf",
                           "emf/gradients-keyed.emf", "emf/masked-parallelogram.emf", "wmf/placeable.wmf", "wmf/plain.wmf",
                           "wmf/state-text-dib.wmf"}) {
    TMetafile mf;
    EXPECT_NO_THROW(mf.LoadFromFile(SourcePath(std::string("fuzz/corpus/") + name))) << name;
    EXPECT_EQ(mf.Enhanced(), name[0] == 'e') << name;
    const QImage image = Play(mf, 120, 120);
    EXPECT_FALSE(Ink(image).isEmpty()) << name;
  }
  // Found by fuzzing: a blit under a mirroring scale far below a pixel.
  {
    TMetafile mf;
    try {
      mf.LoadFromFile(SourcePath("fuzz/corpus/emf/mirrored-vanishing-blit.emf"));
    } catch (const EInvalidGraphic&) {
    }
    QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    QFile file(QString::fromStdString(SourcePath("fuzz/corpus/emf/mirrored-vanishing-blit.emf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    PlayEnhancedMetafile(p, TByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()),
                         QRectF(2, 2, 60, 44));
  }
  for (const char* name : {"emf/truncated.emf", "emf/size-past-end.emf", "emf/point-count-overflow.emf",
                           "wmf/bad-checksum.wmf", "wmf/truncated.wmf", "wmf/size-past-end.wmf",
                           "wmf/negative-text-length.wmf"}) {
    TMetafile mf;
    EXPECT_THROW(mf.LoadFromFile(SourcePath(std::string("fuzz/corpus/") + name)), EInvalidGraphic) << name;
  }
}

// --- the recording canvas

namespace {

// Paints the same scene into a raster image and through a recording.
void Scene(QPainter& p) {
  p.fillRect(QRect(0, 0, 100, 100), Qt::red);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::blue);
  p.drawEllipse(QRectF(100, 0, 100, 100));
  p.setPen(QPen(Qt::green, 6));
  p.drawLine(0, 80, 200, 80);
  p.save();
  p.setClipRect(QRect(150, 0, 50, 100));
  p.fillRect(QRect(100, 90, 100, 10), Qt::black);  // only its right half shows
  p.restore();
  p.setPen(Qt::black);
  QFont font("Liberation Sans");
  font.setPixelSize(20);
  p.setFont(font);
  p.drawText(QPointF(10, 40), "Hello");
}

TMetafile Record(int w, int h, const std::function<void(QPainter&)>& paint) {
  TMetafileRecorder recorder(w, h);
  QPainter p(&recorder);
  paint(p);
  p.end();
  TMetafile mf;
  mf.SetEnhancedData(recorder.EnhancedData());
  return mf;
}

}  // namespace

TEST(MetafileRecorder, RecordedSceneReplaysAtAnySize) {
  const TMetafile mf = Record(200, 100, Scene);
  EXPECT_EQ(mf.Width(), 200);
  EXPECT_EQ(mf.Height(), 100);
  QImage direct(200, 100, QImage::Format_RGB32);
  direct.fill(Qt::white);
  QPainter dp(&direct);
  Scene(dp);
  dp.end();
  for (int scale : {1, 3}) {
    const QImage image = Play(mf, 200 * scale, 100 * scale);
    auto at = [&](int x, int y) { return PixelRGB(image, x * scale, y * scale); };
    EXPECT_EQ(at(5, 90), Red) << scale;
    EXPECT_EQ(at(150, 30), Blue) << scale;
    EXPECT_EQ(at(104, 4), White) << scale;  // outside the ellipse
    EXPECT_EQ(at(50, 80), Green) << scale;
    EXPECT_EQ(at(170, 95), Black) << scale;
    EXPECT_EQ(at(120, 95), White) << scale;  // clipped
  }
  // The text lands where the painter put it.
  const QRect recorded = Ink(Play(mf, 200, 100).copy(0, 10, 100, 60));
  const QRect painted = Ink(direct.copy(0, 10, 100, 60));
  EXPECT_NEAR(recorded.left(), painted.left(), 2);
  EXPECT_NEAR(recorded.right(), painted.right(), 3);
  EXPECT_NEAR(recorded.top(), painted.top(), 2);
  EXPECT_NEAR(recorded.bottom(), painted.bottom(), 2);
}

TEST(MetafileRecorder, ImagesKeepTheirAlpha) {
  QImage half(10, 10, QImage::Format_ARGB32);
  half.fill(Qt::transparent);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 5; ++x) half.setPixel(x, y, qRgb(255, 0, 0));
  QImage opaque(2, 1, QImage::Format_RGB32);
  opaque.setPixel(0, 0, qRgb(0, 0, 255));
  opaque.setPixel(1, 0, qRgb(255, 255, 255));
  const TMetafile mf = Record(100, 100, [&](QPainter& p) {
    p.fillRect(QRect(0, 0, 100, 100), Qt::green);
    p.drawImage(QRectF(0, 0, 100, 50), half);
    p.scale(2, 2);
    p.drawPixmap(QRectF(0, 25, 50, 25), QPixmap::fromImage(opaque), QRectF(0, 0, 2, 1));
  });
  const QImage image = Play(mf, 100, 100);
  EXPECT_EQ(PixelRGB(image, 20, 20), Red);
  EXPECT_EQ(PixelRGB(image, 80, 20), Green);
  EXPECT_EQ(PixelRGB(image, 20, 75), Blue);
  EXPECT_EQ(PixelRGB(image, 80, 75), White);
}

TEST(MetafileRecorder, WidgetRendersAsVectors) {
  QLabel label;
  label.setText("Ardel Sorvan");
  label.setFont(QFont("Liberation Sans", 12));
  label.setStyleSheet("QLabel { background: yellow; color: navy; }");
  label.resize(160, 40);
  TMetafileRecorder recorder(160, 40);
  label.render(&recorder);
  TMetafile mf;
  mf.SetEnhancedData(recorder.EnhancedData());
  EXPECT_EQ(mf.Width(), 160);

  const QImage grabbed = label.grab().toImage();
  const QImage played = Play(mf, 320, 80);  // twice the size
  EXPECT_TRUE(ColorNear(PixelRGB(played, 4, 4), 0xFFFF00, 8));
  EXPECT_TRUE(ColorNear(PixelRGB(played, 316, 76), 0xFFFF00, 8));
  auto text = [](const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qBlue(image.pixel(x, y)) > 60 && qRed(image.pixel(x, y)) < 150) box |= QRect(x, y, 1, 1);
    return box;
  };
  const QRect small = text(grabbed), large = text(played);
  ASSERT_FALSE(small.isEmpty());
  EXPECT_NEAR(large.left(), 2 * small.left(), 4);
  EXPECT_NEAR(large.width(), 2 * small.width(), 8);
  EXPECT_NEAR(large.top(), 2 * small.top(), 4);
  EXPECT_NEAR(large.height(), 2 * small.height(), 6);
}

// Paper takes no transparency (a spooler turns a page holding any into one
// picture): a picture with soft edges is played onto a PDF with a stencil,
// on a screen with its soft edges.
TEST(MetafileRecorder, SoftEdgedPicturesReachPaperAsStencils) {
  QImage soft(40, 10, QImage::Format_ARGB32);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 40; ++x) soft.setPixel(x, y, qRgba(0, 0, 0, x * 255 / 39));  // clear to opaque
  const TMetafile mf = Record(40, 10, [&](QPainter& p) { p.drawImage(QPointF(0, 0), soft); });

  // On a screen the edge stays soft.
  const QImage screen = Play(mf, 40, 10);
  EXPECT_EQ(qGray(PixelRGB(screen, 0, 5)), 255);
  EXPECT_NEAR(qGray(PixelRGB(screen, 20, 5)), 124, 12);
  EXPECT_LT(qGray(PixelRGB(screen, 39, 5)), 8);

  ScratchDir dir;
  const QString file = QString::fromStdString(dir.Path("paper.pdf"));
  {
    QPdfWriter writer(file);
    writer.setResolution(96);
    QPainter painter(&writer);
    ASSERT_TRUE(PaintsOnPaper(painter));
    mf.Draw(painter, QRectF(0, 0, 400, 100));
  }
  QFile pdf(file);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.contains("/ImageMask true")) << "the picture's clear half is cut out";
  EXPECT_FALSE(QString::fromLatin1(bytes).contains(QRegularExpression("/SMask \\d+ 0 R"))) << "a soft mask";
  EXPECT_FALSE(QString::fromLatin1(bytes).contains(QRegularExpression("/(ca|CA) 0"))) << "a translucent state";
}

TEST(PaperPictures, HalfCoveredPixelsDecideAndOpacityFadesToWhite) {
  QImage image(3, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(0, 0, 0, 127));
  image.setPixel(1, 0, qRgba(0, 0, 0, 128));
  image.setPixel(2, 0, qRgba(200, 100, 0, 255));
  const QImage paper = OpaqueForPaper(image);
  EXPECT_EQ(qAlpha(paper.pixel(0, 0)), 0);
  EXPECT_EQ(paper.pixel(1, 0), qRgba(0, 0, 0, 255));
  EXPECT_EQ(paper.pixel(2, 0), qRgba(200, 100, 0, 255));

  const QImage faded = OpaqueForPaper(image, 0.5);
  EXPECT_EQ(faded.pixel(1, 0), qRgba(128, 128, 128, 255));
  EXPECT_EQ(faded.pixel(2, 0), qRgba(228, 178, 128, 255));

  // Opaque pictures at full opacity are taken as they are.
  QImage plain(2, 2, QImage::Format_RGB32);
  plain.fill(Qt::red);
  EXPECT_EQ(OpaqueForPaper(plain).cacheKey(), plain.cacheKey());
  // Nonsense opacities count as full.
  EXPECT_EQ(OpaqueForPaper(image, std::nan("")).pixel(2, 0), qRgba(200, 100, 0, 255));
}
