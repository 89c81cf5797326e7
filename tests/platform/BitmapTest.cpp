// The BMP reader and writer: every bit depth, compression and header version
// read with exact pixels, written back and read again identically, and hostile
// headers refused with the bitmap message without touching the old picture.
#include <gtest/gtest.h>

#include <QPainter>

#include "platform/Graphics.h"
#include "tests/TestSupport.h"
#include "tests/platform/PictureFiles.h"

using namespace testfiles;

namespace {

constexpr const char* kInvalid = "Bitmap image is not valid";

// Colour a test pattern gives at (x, y) for an indexed bitmap.
std::uint32_t IndexAt(int x, int y, int colors) { return std::uint32_t((x + 3 * y) % colors); }

// Loads, checks that writing and reading again gives the same pixels, and
// returns the image read first.
QImage LoadAndRoundTrip(const TBytes& file) {
  TBitmap bitmap;
  bitmap.LoadFromStream(file);
  QImage first = bitmap.Image();
  TBytes saved = bitmap.SaveToStream();
  TBitmap again;
  again.LoadFromStream(saved);
  EXPECT_EQ(again.Image().convertToFormat(QImage::Format_ARGB32), first.convertToFormat(QImage::Format_ARGB32));
  return first;
}

void ExpectInvalid(const TBytes& file) {
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  int changes = 0;
  bitmap.OnChange = [&](TGraphic&) { ++changes; };
  try {
    bitmap.LoadFromStream(file);
    ADD_FAILURE() << "hostile bitmap was read";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message, kInvalid);
  }
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
}

Bmp Indexed(int bits, int width, int height) {
  Bmp b;
  b.width = width;
  b.height = height;
  b.bitCount = bits;
  b.palette = DistinctPalette(1 << bits);
  b.pixels = PackRows(width, std::abs(height), bits, height < 0, [&](int x, int y) { return IndexAt(x, y, 1 << bits); });
  return b;
}

}  // namespace

TEST(BmpRead, IndexedDepthsGivePaletteColours) {
  for (int bits : {1, 4, 8}) {
    SCOPED_TRACE(bits);
    const int w = 13, h = 5;  // odd width: rows end inside a byte and need padding
    Bmp b = Indexed(bits, w, h);
    QImage image = LoadAndRoundTrip(WriteBmp(b));
    ASSERT_EQ(image.size(), QSize(w, h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(PixelRGB(image, x, y), b.palette[IndexAt(x, y, 1 << bits)]) << x << "," << y;
    TBitmap bitmap;
    bitmap.LoadFromStream(WriteBmp(b));
    EXPECT_EQ(bitmap.Monochrome(), bits == 1);
  }
}

TEST(BmpRead, ShortPaletteAndCoreHeader) {
  // 8 bits with only 4 colours listed; indexes past the table read as black.
  Bmp b;
  b.width = 6;
  b.height = 2;
  b.bitCount = 8;
  b.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  b.pixels = PackRows(6, 2, 8, false, [](int x, int) { return std::uint32_t(x); });
  QImage image = LoadAndRoundTrip(WriteBmp(b));
  EXPECT_EQ(PixelRGB(image, 0, 0), 0xFF0000u);
  EXPECT_EQ(PixelRGB(image, 3, 1), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(image, 5, 1), 0x000000u);

  // The old 12-byte header with 3-byte palette entries.
  Bmp core = Indexed(4, 7, 3);
  core.headerSize = 12;
  image = LoadAndRoundTrip(WriteBmp(core));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(PixelRGB(image, x, y), core.palette[IndexAt(x, y, 16)]);

  // The old header has no colour count: a shorter table ends at the pixels.
  Bmp shortCore;
  shortCore.headerSize = 12, shortCore.width = 3, shortCore.height = 1, shortCore.bitCount = 8;
  shortCore.palette = DistinctPalette(20);
  shortCore.pixels = {19, 20, 0, 0};
  image = LoadAndRoundTrip(WriteBmp(shortCore));
  EXPECT_EQ(PixelRGB(image, 0, 0), shortCore.palette[19]);
  EXPECT_EQ(PixelRGB(image, 1, 0), 0u);
}

TEST(BmpRead, DirectColourDepths) {
  const int w = 5, h = 3;
  auto rgb = [](int x, int y) { return std::uint32_t((x * 50) << 16 | (y * 80) << 8 | (255 - x * 40)); };

  Bmp b24;
  b24.width = w, b24.height = h, b24.bitCount = 24;
  b24.pixels = PackRows(w, h, 24, false, rgb);
  QImage image = LoadAndRoundTrip(WriteBmp(b24));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(PixelRGB(image, x, y), rgb(x, y));
  EXPECT_FALSE(image.hasAlphaChannel());

  // 32 bits without bit fields: the fourth byte is not alpha.
  Bmp b32 = b24;
  b32.bitCount = 32;
  b32.pixels = PackRows(w, h, 32, false, [&](int x, int y) { return 0x12000000u | rgb(x, y); });
  image = LoadAndRoundTrip(WriteBmp(b32));
  EXPECT_FALSE(image.hasAlphaChannel());
  EXPECT_EQ(PixelRGB(image, 4, 2), rgb(4, 2));

  // 16 bits, 5-5-5: 31 scales to 255, 16 to 132.
  Bmp b16;
  b16.width = 2, b16.height = 1, b16.bitCount = 16;
  b16.pixels = PackRows(2, 1, 16, false, [](int x, int) { return x ? (16u << 10 | 0u << 5 | 31u) : (31u << 10); });
  image = LoadAndRoundTrip(WriteBmp(b16));
  EXPECT_EQ(PixelRGB(image, 0, 0), 0xFF0000u);
  EXPECT_EQ(PixelRGB(image, 1, 0), 0x8400FFu);
}

TEST(BmpRead, BitFieldsInEveryHeaderVersion) {
  // 16 bits 5-6-5 after a plain header, and in version 2, 4 and 5 headers.
  for (std::uint32_t header : {40u, 52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(header);
    Bmp b;
    b.width = 3, b.height = 2, b.bitCount = 16, b.compression = 3, b.headerSize = header;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixels = PackRows(3, 2, 16, false, [](int x, int y) {
      return x == 0 ? 0xF800u : x == 1 ? 0x07E0u : (y ? 0x001Fu : 0x0000u);
    });
    QImage image = LoadAndRoundTrip(WriteBmp(b));
    EXPECT_EQ(PixelRGB(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelRGB(image, 1, 1), 0x00FF00u);
    EXPECT_EQ(PixelRGB(image, 2, 1), 0x0000FFu);
    EXPECT_EQ(PixelRGB(image, 2, 0), 0x000000u);
  }
  // 32 bits with alpha (version 5 header), channels in an unusual order.
  Bmp b;
  b.width = 2, b.height = 2, b.bitCount = 32, b.compression = 3, b.headerSize = 124;
  b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
  b.pixels = PackRows(2, 2, 32, false, [](int x, int y) { return x ? 0x80102030u : (y ? 0xFF0000FFu : 0x00000000u); });
  QImage image = LoadAndRoundTrip(WriteBmp(b));
  ASSERT_TRUE(image.hasAlphaChannel());
  EXPECT_EQ(image.pixel(1, 0), qRgba(0x30, 0x20, 0x10, 0x80));
  EXPECT_EQ(image.pixel(0, 1), qRgba(0xFF, 0, 0, 0xFF));
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);

  // An alpha mask over alpha values that are all 0 means an opaque picture.
  b.pixels = PackRows(2, 2, 32, false, [](int x, int) { return x ? 0x00102030u : 0x000000FFu; });
  image = LoadAndRoundTrip(WriteBmp(b));
  EXPECT_FALSE(image.hasAlphaChannel());
  EXPECT_EQ(image.pixel(0, 0), qRgb(0xFF, 0, 0));
  EXPECT_EQ(image.pixel(1, 1), qRgb(0x30, 0x20, 0x10));
}

TEST(BmpRead, TopDownRows) {
  Bmp b = Indexed(8, 4, -3);
  QImage image = LoadAndRoundTrip(WriteBmp(b));
  ASSERT_EQ(image.size(), QSize(4, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(PixelRGB(image, x, y), b.palette[IndexAt(x, y, 256)]);
}

TEST(BmpRead, Rle8) {
  Bmp b;
  b.width = 5, b.height = 3, b.bitCount = 8, b.compression = 1;
  b.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  b.pixels = {
      3, 1, 2, 2,           // bottom row: 1 1 1 2 2
      0, 0,                 // end of line
      0, 3, 3, 2, 1, 0,     // absolute: 3 2 1, padded
      0, 2, 1, 1,           // move right 1 and up 1: skipped pixels keep index 0
      1, 3,                 // top row, x 4: 3
      0, 1,                 // end of bitmap
  };
  QImage image = LoadAndRoundTrip(WriteBmp(b));
  const std::uint32_t expected[3][5] = {
      {0x000000, 0x000000, 0x000000, 0x000000, 0x0000FF},
      {0x0000FF, 0x00FF00, 0xFF0000, 0x000000, 0x000000},
      {0xFF0000, 0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00},
  };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelRGB(image, x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpRead, Rle4) {
  Bmp b;
  b.width = 6, b.height = 2, b.bitCount = 4, b.compression = 2;
  b.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  b.pixels = {
      5, 0x12,              // bottom row: 1 2 1 2 1
      0, 0,                 // end of line
      0, 3, 0x32, 0x10,     // absolute: 3 2 1 (two bytes, already even)
      3, 0x30,              // 3 0 3
      0, 1,                 // end of bitmap
  };
  QImage image = LoadAndRoundTrip(WriteBmp(b));
  const std::uint32_t expected[2][6] = {
      {0x0000FF, 0x00FF00, 0xFF0000, 0x0000FF, 0x000000, 0x0000FF},
      {0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00, 0xFF0000, 0x000000},
  };
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelRGB(image, x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpWrite, StandardFilesReadBackIdentically) {
  TBitmap opaque;
  opaque.SetImage(MakeTestImage(31, 17));
  TBytes file = opaque.SaveToStream();
  ASSERT_GE(file.size(), 54u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[28], 24);                       // bit count
  EXPECT_EQ(file.size(), 54u + (31 * 3 + 3) / 4 * 4 * 17);
  TBitmap back;
  back.LoadFromStream(file);
  EXPECT_EQ(back.Image(), opaque.Image());

  QImage alpha(3, 2, QImage::Format_ARGB32);
  alpha.fill(qRgba(10, 20, 30, 40));
  alpha.setPixel(2, 1, qRgba(255, 0, 0, 0));
  TBitmap translucent;
  translucent.SetImage(alpha);
  file = translucent.SaveToStream();
  EXPECT_EQ(file[28], 32);
  back.LoadFromStream(file);
  EXPECT_EQ(back.Image(), alpha);

  EXPECT_TRUE(TBitmap().SaveToStream().empty());
}

TEST(BmpRead, HostileHeadersAreRefused) {
  const Bmp good = Indexed(8, 4, 4);
  TBitmap check;
  check.LoadFromStream(WriteBmp(good));  // the base file itself is fine

  auto with = [&](auto change) {
    Bmp b = good;
    change(b);
    return WriteBmp(b);
  };
  ExpectInvalid({});
  ExpectInvalid({'B', 'M'});
  ExpectInvalid(with([](Bmp& b) { b.width = 20000; }));
  ExpectInvalid(with([](Bmp& b) { b.height = -20000; }));
  ExpectInvalid(with([](Bmp& b) { b.height = INT32_MIN; }));
  ExpectInvalid(with([](Bmp& b) { b.width = 0; }));
  ExpectInvalid(with([](Bmp& b) { b.width = -4; }));
  ExpectInvalid(with([](Bmp& b) { b.height = 0; }));
  ExpectInvalid(with([](Bmp& b) { b.planes = 2; }));
  ExpectInvalid(with([](Bmp& b) { b.bitCount = 7; }));
  ExpectInvalid(with([](Bmp& b) { b.headerSize = 64; }));
  ExpectInvalid(with([](Bmp& b) { b.compression = 4; }));                       // embedded JPEG
  ExpectInvalid(with([](Bmp& b) { b.compression = 2; }));                       // RLE4 with 8 bits
  ExpectInvalid(with([](Bmp& b) { b.compression = 1; b.height = -4; }));        // top-down RLE
  ExpectInvalid(with([](Bmp& b) { b.colorsUsed = 300; }));                      // more than 8 bits index
  ExpectInvalid(with([](Bmp& b) { b.offBits = 0xFFFFFFF0u; }));                 // offset beyond the end
  ExpectInvalid(with([](Bmp& b) { b.offBits = 20; }));                          // inside the header
  ExpectInvalid(with([](Bmp& b) { b.pixels.resize(b.pixels.size() - 1); }));    // last row cut short

  // A colour table claimed larger than the file holds.
  Bmp palette = good;
  palette.palette.resize(2);
  palette.colorsUsed = 256;
  palette.pixels.clear();
  ExpectInvalid(WriteBmp(palette));

  // Bit fields: overlapping, missing, not contiguous, or wider than the pixel.
  for (std::vector<std::uint32_t> masks : std::vector<std::vector<std::uint32_t>>{
           {0xF800, 0x0FE0, 0x001F}, {0, 0x07E0, 0x001F}, {0xF900, 0x07E0, 0x0000},
           {0x1F0000, 0x07E0, 0x001F}, {0xA000, 0x07E0, 0x001F}}) {
    Bmp b;
    b.width = 2, b.height = 2, b.bitCount = 16, b.compression = 3, b.masks = masks;
    b.pixels = PackRows(2, 2, 16, false, [](int, int) { return 0u; });
    ExpectInvalid(WriteBmp(b));
  }
  Bmp fields24;
  fields24.bitCount = 24, fields24.compression = 3, fields24.masks = {0xFF0000, 0xFF00, 0xFF};
  fields24.pixels = PackRows(4, 4, 24, false, [](int, int) { return 0u; });
  ExpectInvalid(WriteBmp(fields24));

  // A file without the file header is not a BMP file.
  ExpectInvalid(WriteBmp(good, false));
}

TEST(BmpRead, RleNeverLeavesTheImage) {
  auto rle8 = [](TBytes data) {
    Bmp b;
    b.width = 4, b.height = 2, b.bitCount = 8, b.compression = 1, b.palette = {0, 0xFFFFFF};
    b.pixels = std::move(data);
    return WriteBmp(b);
  };
  ExpectInvalid(rle8({5, 1, 0, 1}));                    // run longer than the row
  ExpectInvalid(rle8({3, 1, 2, 1, 0, 1}));              // second run crosses the row end
  ExpectInvalid(rle8({0, 5, 1, 1, 1, 1, 1, 0}));        // absolute run longer than the row
  ExpectInvalid(rle8({0, 2, 9, 0, 0, 1}));              // move right past the edge
  ExpectInvalid(rle8({0, 2, 0, 9, 0, 1}));              // move up past the top
  ExpectInvalid(rle8({0, 0, 0, 0, 0, 0, 1, 1, 0, 1}));  // a row above the top
  ExpectInvalid(rle8({0, 4, 1, 1}));                    // absolute run cut short by the end
  ExpectInvalid(rle8({0, 2, 1}));                       // move cut short

  auto rle4 = [](TBytes data) {
    Bmp b;
    b.width = 3, b.height = 1, b.bitCount = 4, b.compression = 2, b.palette = {0, 0xFFFFFF};
    b.pixels = std::move(data);
    return WriteBmp(b);
  };
  ExpectInvalid(rle4({4, 0x11, 0, 1}));
  ExpectInvalid(rle4({0, 4, 0x11, 0x11, 0, 1}));
  // Exactly filling the rows is fine, and data ending without end-of-bitmap too.
  TBitmap bitmap;
  EXPECT_NO_THROW(bitmap.LoadFromStream(rle4({3, 0x11, 0, 0})));
  EXPECT_EQ(PixelRGB(bitmap.Image(), 2, 0), 0xFFFFFFu);
}

TEST(BmpRead, EveryPrefixAndBitFlipIsSafe) {
  // Under the sanitizers this shows that no cut or flipped byte makes the
  // reader go out of bounds; cut uncompressed files are always refused.
  const TBytes files[] = {WriteBmp(Indexed(4, 9, 3)), [] {
                            Bmp b;
                            b.width = 4, b.height = 2, b.bitCount = 8, b.compression = 1, b.palette = {0, 0xFF};
                            b.pixels = {4, 1, 0, 0, 0, 4, 1, 0, 1, 0, 0, 1};
                            return WriteBmp(b);
                          }()};
  for (std::size_t f = 0; f < std::size(files); ++f) {
    const TBytes& file = files[f];
    for (std::size_t n = 0; n < file.size(); ++n) {
      TBitmap bitmap;
      TBytes prefix(file.begin(), file.begin() + n);
      if (f == 0) {
        EXPECT_THROW(bitmap.LoadFromStream(prefix), EInvalidGraphic) << n;
      } else {
        try {
          bitmap.LoadFromStream(prefix);
        } catch (const EInvalidGraphic&) {
        }
      }
    }
    for (std::size_t i = 0; i < file.size(); ++i) {
      for (std::uint8_t bit : {0x01, 0x80}) {
        TBytes flipped = file;
        flipped[i] ^= bit;
        TBitmap bitmap;
        try {
          bitmap.LoadFromStream(flipped);
        } catch (const EInvalidGraphic&) {
        }
      }
    }
  }
}

TEST(BitmapGraphic, TransparentDrawLeavesTheKeyColourOut) {
  QImage source(4, 4, QImage::Format_RGB32);
  source.fill(QColor(0, 0, 255));
  source.setPixel(1, 1, qRgb(255, 0, 0));
  TBitmap bitmap;
  bitmap.SetImage(source);
  EXPECT_EQ(bitmap.TransparentColor(), RGBValue(0, 0, 255));

  QImage target(8, 8, QImage::Format_RGB32);
  target.fill(Qt::white);
  {
    QPainter painter(&target);
    bitmap.SetTransparent(true);
    bitmap.Draw(painter, QRectF(0, 0, 8, 8));  // stretched twice
  }
  EXPECT_EQ(PixelRGB(target, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(target, 7, 7), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(target, 2, 2), 0xFF0000u);
  EXPECT_EQ(PixelRGB(target, 3, 3), 0xFF0000u);

  bitmap.SetTransparent(false);
  {
    QPainter painter(&target);
    bitmap.Draw(painter, QRectF(0, 0, 8, 8));
  }
  EXPECT_EQ(PixelRGB(target, 0, 0), 0x0000FFu);
}

TEST(BitmapGraphic, SizeCopyAndNotifications) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  int changes = 0;
  bitmap.OnChange = [&](TGraphic&) { ++changes; };
  bitmap.SetSize(5, 3);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(PixelRGB(bitmap.Image(), 4, 2), 0xFFFFFFu);
  EXPECT_THROW(bitmap.SetSize(20000, 2), EOutOfResources);

  auto copy = bitmap.Clone();
  EXPECT_FALSE(copy->OnChange);  // a copy is not tied to the original's owner
  QImage changed = bitmap.Image();
  changed.setPixel(0, 0, qRgb(1, 2, 3));
  bitmap.SetImage(changed);
  EXPECT_EQ(PixelRGB(static_cast<TBitmap&>(*copy).Image(), 0, 0), 0xFFFFFFu);
  bitmap.SetSize(0, 0);
  EXPECT_TRUE(bitmap.Empty());
}
