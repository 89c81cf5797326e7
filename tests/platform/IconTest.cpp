// The ICO reader: DIB entries with alpha or an AND mask, PNG entries, the
// choice of the entry shown, and hostile directories.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>

#include "platform/Graphics.h"
#include "tests/TestSupport.h"
#include "tests/platform/PictureFiles.h"

using namespace testfiles;

namespace {

constexpr const char* kInvalid = "Icon image is not valid";

// 32 x 32: a transparent frame 4 pixels wide around a green square with a red pixel.
QImage FramedSquare(int size = 32) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 4; y < size - 4; ++y)
    for (int x = 4; x < size - 4; ++x) image.setPixel(x, y, qRgba(0, 255, 0, 255));
  image.setPixel(5, 6, qRgba(255, 0, 0, 255));
  return image;
}

TBytes PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return TBytes(bytes.begin(), bytes.end());
}

void ExpectInvalid(const TBytes& file) {
  TIcon icon;
  icon.LoadFromStream(WriteIco({{16, 16, 24, IconDib(FramedSquare(16), 24)}}));
  const TBytes before = icon.SaveToStream();
  try {
    icon.LoadFromStream(file);
    ADD_FAILURE() << "hostile icon was read";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message, kInvalid);
  }
  EXPECT_EQ(icon.SaveToStream(), before);
  EXPECT_EQ(icon.Width(), 16);
}

void ExpectFramedSquare(const QImage& image) {
  ASSERT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);
  EXPECT_EQ(image.pixel(4, 4), qRgba(0, 255, 0, 255));
  EXPECT_EQ(image.pixel(27, 27), qRgba(0, 255, 0, 255));
  EXPECT_EQ(image.pixel(5, 6), qRgba(255, 0, 0, 255));
}

}  // namespace

TEST(IcoRead, DibEntryWithAlphaOrMask) {
  for (int bits : {32, 24}) {
    SCOPED_TRACE(bits);
    const TBytes file = WriteIco({{32, 32, bits, IconDib(FramedSquare(), bits)}});
    TIcon icon;
    icon.LoadFromStream(file);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    ExpectFramedSquare(icon.ToImage());
    EXPECT_EQ(icon.SaveToStream(), file);  // the original bytes
    EXPECT_TRUE(icon.Transparent());
  }
}

TEST(IcoRead, IndexedEntryUsesItsMask) {
  // 4 bits: index 1 red, index 2 blue; the mask clears the left column.
  Bmp b;
  b.width = 8, b.height = 16, b.bitCount = 4;
  b.palette = {0x000000, 0xFF0000, 0x0000FF};
  b.pixels = PackRows(8, 8, 4, false, [](int x, int y) { return (x + y) % 2 ? 2u : 1u; });
  TBytes mask = PackRows(8, 8, 1, false, [](int x, int) { return x == 0 ? 1u : 0u; });
  b.pixels.insert(b.pixels.end(), mask.begin(), mask.end());
  TIcon icon;
  icon.LoadFromStream(WriteIco({{8, 8, 4, WriteBmp(b, false)}}));
  const QImage image = icon.ToImage();
  EXPECT_EQ(qAlpha(image.pixel(0, 3)), 0);
  EXPECT_EQ(image.pixel(1, 0), qRgba(0, 0, 255, 255));
  EXPECT_EQ(image.pixel(2, 0), qRgba(255, 0, 0, 255));

  // Without its mask such an entry is incomplete.
  b.pixels.resize(b.pixels.size() - mask.size());
  ExpectInvalid(WriteIco({{8, 8, 4, WriteBmp(b, false)}}));
}

TEST(IcoRead, ThirtyTwoSquareEntryIsChosen) {
  QImage small(16, 16, QImage::Format_ARGB32);
  small.fill(qRgba(0, 0, 255, 255));
  QImage plain(32, 32, QImage::Format_ARGB32), large(48, 48, QImage::Format_ARGB32);
  plain.fill(Qt::white);
  large.fill(Qt::white);
  const TBytes file = WriteIco({{16, 16, 32, IconDib(small, 32)},
                                {32, 32, 24, IconDib(plain, 24)},
                                {32, 32, 32, IconDib(FramedSquare(), 32)}});
  TIcon icon;
  icon.LoadFromStream(file);
  ExpectFramedSquare(icon.ToImage());  // the deepest 32 x 32 entry

  // Without a 32 x 32 entry the first one is shown.
  TIcon first;
  first.LoadFromStream(WriteIco({{16, 16, 32, IconDib(small, 32)}, {48, 48, 32, IconDib(large, 32)}}));
  EXPECT_EQ(first.Width(), 16);
}

TEST(IcoRead, PngEntry) {
  TIcon icon;
  icon.LoadFromStream(WriteIco({{32, 32, 32, PngBytes(FramedSquare())}}));
  ExpectFramedSquare(icon.ToImage());

  // A PNG whose header claims an absurd size is refused before decoding.
  TBytes png = PngBytes(FramedSquare());
  png[16] = 0, png[17] = 1, png[18] = 0, png[19] = 0;  // width 65536 (big-endian)
  ExpectInvalid(WriteIco({{32, 32, 32, png}}));
  ExpectInvalid(WriteIco({{32, 32, 32, TBytes(png.begin(), png.begin() + 20)}}));
  // A valid header over broken data.
  TBytes broken = PngBytes(FramedSquare());
  std::fill(broken.begin() + 33, broken.end(), 0x55);
  ExpectInvalid(WriteIco({{32, 32, 32, broken}}));
}

TEST(IcoRead, HostileDirectoriesAreRefused) {
  const TBytes entry = IconDib(FramedSquare(), 32);
  ExpectInvalid({});
  ExpectInvalid({0, 0, 1, 0});
  ExpectInvalid(WriteIco({{32, 32, 32, entry}}, 1, 10));  // count beyond the directory
  ExpectInvalid(WriteIco({{32, 32, 32, entry}}, 1, 0));   // no entries
  ExpectInvalid(WriteIco({{32, 32, 32, entry}}, 2));      // a cursor
  TBytes reserved = WriteIco({{32, 32, 32, entry}});
  reserved[0] = 1;
  ExpectInvalid(reserved);

  // Entry size or offset beyond the file, or pointing into the directory;
  // a second, unused entry is checked as well.
  TBytes file = WriteIco({{32, 32, 32, entry}, {16, 16, 32, IconDib(FramedSquare(16), 32)}});
  for (auto [pos, value] : std::vector<std::pair<std::size_t, std::uint32_t>>{
           {6 + 8, 0xFFFFFFF0u}, {6 + 12, 0xFFFFFFF0u}, {6 + 12, 6}, {6 + 8, 0}, {22 + 8, 1u << 20}, {22 + 12, 1u << 20}}) {
    TBytes bad = file;
    Set32(bad, pos, value);
    ExpectInvalid(bad);
  }

  // The entry's own header: height not doubled beyond 0, top-down, compressed, huge.
  auto withHeader = [&](std::size_t pos, std::uint32_t value) {
    TBytes dib = entry;
    Set32(dib, pos, value);
    return WriteIco({{32, 32, 32, dib}});
  };
  ExpectInvalid(withHeader(8, 1));
  ExpectInvalid(withHeader(8, std::uint32_t(-64)));
  ExpectInvalid(withHeader(16, 1));
  ExpectInvalid(withHeader(4, 20000));
  ExpectInvalid(withHeader(8, 2 * 1000));  // rows beyond the entry's bytes
}

TEST(IcoRead, EveryPrefixIsRefused) {
  const TBytes file = WriteIco({{8, 8, 24, IconDib(FramedSquare(8), 24)}});
  for (std::size_t n = 0; n < file.size(); ++n) {
    TIcon icon;
    EXPECT_THROW(icon.LoadFromStream(TBytes(file.begin(), file.begin() + n)), EInvalidGraphic) << n;
  }
}

TEST(IconGraphic, DrawsWithItsMask) {
  TIcon icon;
  icon.LoadFromStream(WriteIco({{32, 32, 24, IconDib(FramedSquare(), 24)}}));
  QImage target(64, 64, QImage::Format_RGB32);
  target.fill(QColor(255, 0, 255));
  {
    QPainter painter(&target);
    icon.Draw(painter, QRectF(0, 0, 64, 64));
  }
  EXPECT_EQ(PixelRGB(target, 1, 1), 0xFF00FFu);
  EXPECT_EQ(PixelRGB(target, 32, 32), 0x00FF00u);

  auto copy = icon.Clone();
  EXPECT_EQ(copy->SaveToStream(), icon.SaveToStream());
  EXPECT_EQ(copy->ToImage(), icon.ToImage());
}
