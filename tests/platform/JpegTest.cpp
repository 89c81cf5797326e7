// JPEG images: compressing a bitmap and decoding it back, grey, CMYK and YCCK
// files, camera orientations, large pictures, and damaged files that must end in "JPEG error #n" without touching the
// previous image.
#include <gtest/gtest.h>

#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "platform/Graphics.h"
#include "tests/TestSupport.h"
#include "tests/platform/JpegFiles.h"

using testfiles::Jpeg;
using testfiles::WriteJpeg;

namespace {

TBytes TestJpeg(int width = 64, int height = 48, int quality = 90) {
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(width, height));
  TJPEGImage jpeg;
  jpeg.AssignBitmap(bitmap, quality);
  return jpeg.SaveToStream();
}

void ExpectJpegError(const TBytes& data) {
  TJPEGImage jpeg;
  const TBytes good = TestJpeg(16, 8);
  jpeg.LoadFromStream(good);
  int changes = 0;
  jpeg.OnChange = [&](TGraphic&) { ++changes; };
  try {
    jpeg.LoadFromStream(data);
    ADD_FAILURE() << "damaged JPEG was read";
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message.rfind("JPEG error #", 0), 0u) << e.Message;
    EXPECT_GT(std::atoi(e.Message.c_str() + 12), 0) << e.Message;
  }
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(jpeg.Width(), 16);
  EXPECT_EQ(jpeg.SaveToStream(), good);
}

}  // namespace

TEST(Jpeg, AssignBitmapDecodesToNearlyTheSamePixels) {
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(64, 48));
  TJPEGImage jpeg;
  int changes = 0;
  jpeg.OnChange = [&](TGraphic&) { ++changes; };
  jpeg.AssignBitmap(bitmap);
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(jpeg.Width(), 64);
  ASSERT_EQ(jpeg.Height(), 48);
  const QImage image = jpeg.ToImage();
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  for (auto [x, y] : {std::pair{4, 4}, {20, 40}, {60, 4}, {44, 40}, {32, 24}})
    EXPECT_TRUE(ColorNear(PixelRGB(image, x, y), PixelRGB(bitmap.Image(), x, y), 24))
        << x << "," << y << " " << std::hex << PixelRGB(image, x, y);

  const TBytes bytes = jpeg.SaveToStream();
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
  EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);

  TJPEGImage again;
  again.LoadFromStream(bytes);
  EXPECT_EQ(again.ToImage(), image);
  EXPECT_EQ(again.Clone()->SaveToStream(), bytes);

  EXPECT_LT(TestJpeg(64, 48, 10).size(), TestJpeg(64, 48, 95).size());

  jpeg.AssignBitmap(TBitmap());
  EXPECT_TRUE(jpeg.Empty());
  EXPECT_TRUE(jpeg.SaveToStream().empty());
}

TEST(Jpeg, GreyCmykAndYcckFiles) {
  // Grey bars, left dark and right light.
  TJPEGImage jpeg;
  jpeg.LoadFromStream(WriteJpeg({.width = 8, .height = 8, .components = 1,
                                 .line = [](int, JSAMPLE* l) { for (int x = 0; x < 8; ++x) l[x] = x < 4 ? 40 : 220; },
                                 .segments = {}}));
  EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), 1, 3), 0x282828, 12));
  EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), 6, 3), 0xDCDCDC, 12));

  // Adobe's writers store CMYK inverted (255 means no ink), in CMYK or YCCK
  // form: top left pure red (no cyan, full magenta and yellow), top right
  // cyan, bottom left 50 % grey from black ink, bottom right white paper.
  const std::array<std::vector<JSAMPLE>, 4> inks = {
      std::vector<JSAMPLE>{255, 0, 0, 255}, {0, 255, 255, 255}, {255, 255, 255, 128}, {255, 255, 255, 255}};
  for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
    jpeg.LoadFromStream(WriteJpeg({.width = 16, .height = 16, .components = 4, .stored = stored,
                                   .line = testfiles::Quadrants(16, 16, 4, inks), .segments = {}}));
    const QImage image = jpeg.ToImage();
    for (auto [x, y, rgb] : {std::tuple{3, 3, 0xFF0000u}, {12, 3, 0x00FFFFu}, {3, 12, 0x808080u}, {12, 12, 0xFFFFFFu}})
      EXPECT_TRUE(ColorNear(PixelRGB(image, x, y), rgb, 12)) << stored << " " << x << "," << y << " " << std::hex
                                                            << PixelRGB(image, x, y);
  }
}

// One picture per orientation value: quadrants red, green, blue and white as
// stored; the decoded picture is the upright one, in size and in pixels.
TEST(Jpeg, CameraOrientationsDecodeUpright) {
  constexpr QRgb R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF;
  struct Case {
    int value;
    std::array<QRgb, 4> upright;  // top left, top right, bottom left, bottom right
  } cases[] = {{1, {R, G, B, W}}, {2, {G, R, W, B}}, {3, {W, B, G, R}}, {4, {B, W, R, G}},
               {5, {R, B, G, W}}, {6, {B, R, W, G}}, {7, {W, G, B, R}}, {8, {G, W, R, B}},
               {0, {R, G, B, W}}, {9, {R, G, B, W}}};  // out of range: as stored
  constexpr int w = 48, h = 32;
  // The same quadrants as RGB samples and as Adobe (inverted) CMYK.
  const std::array<std::vector<JSAMPLE>, 4> rgb = {
      std::vector<JSAMPLE>{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  const std::array<std::vector<JSAMPLE>, 4> cmyk = {
      std::vector<JSAMPLE>{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
  for (int components : {3, 4})
    for (const Case& c : cases) {
      const TBytes file = WriteJpeg({.width = w, .height = h, .components = components,
                                     .line = testfiles::Quadrants(w, h, components, components == 3 ? rgb : cmyk),
                                     .segments = {testfiles::OrientationSegment(c.value, c.value % 2 == 0)}});
      TJPEGImage jpeg;
      jpeg.LoadFromStream(file);
      const bool swaps = c.value >= 5 && c.value <= 8;
      ASSERT_EQ(jpeg.Width(), swaps ? h : w) << c.value;
      ASSERT_EQ(jpeg.Height(), swaps ? w : h) << c.value;
      const QImage image = jpeg.ToImage();
      const int uw = image.width(), uh = image.height();
      const std::pair<int, int> corners[4] = {{uw / 4, uh / 4}, {uw * 3 / 4, uh / 4}, {uw / 4, uh * 3 / 4}, {uw * 3 / 4, uh * 3 / 4}};
      for (int q = 0; q < 4; ++q)
        EXPECT_TRUE(ColorNear(PixelRGB(image, corners[q].first, corners[q].second), c.upright[q], 16))
            << "components " << components << " value " << c.value << " quadrant " << q << " " << std::hex
            << PixelRGB(image, corners[q].first, corners[q].second);
      // The stored bytes are the file as read: reading them again is upright again.
      EXPECT_EQ(jpeg.SaveToStream(), file);
      TJPEGImage again;
      again.LoadFromStream(jpeg.SaveToStream());
      EXPECT_EQ(again.ToImage(), image);
    }
}

// A 50-megapixel camera picture turned on its side decodes to its upright
// size; one that claims more than can be held is refused and the old picture
// stays.
TEST(Jpeg, LargePictures) {
  const int w = 8688, h = 5792;
  const TBytes big = WriteJpeg({.width = w, .height = h, .quality = 50, .fullChroma = false,
                                .line = [](int y, JSAMPLE* l) {
                                  for (int x = 0; x < w; ++x) l[3 * x] = JSAMPLE(x * 255 / w), l[3 * x + 1] = JSAMPLE(y * 255 / h), l[3 * x + 2] = 128;
                                },
                                .segments = {testfiles::OrientationSegment(8)}});
  TJPEGImage jpeg;
  jpeg.LoadFromStream(big);
  ASSERT_EQ(jpeg.Width(), h);
  ASSERT_EQ(jpeg.Height(), w);
  // Turned anticlockwise: the stored right edge is the upright top.
  EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), 0, 0), 0xFF0080, 12)) << std::hex << PixelRGB(jpeg.ToImage(), 0, 0);
  EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), h - 1, w - 1), 0x00FF80, 12)) << std::hex << PixelRGB(jpeg.ToImage(), h - 1, w - 1);

  // Frame headers claiming 65535 x 65535 and 20000 x 20000 pixels.
  for (unsigned side : {65535u, 20000u}) {
    TBytes huge = TestJpeg(16, 16);
    for (std::size_t i = 2; i + 9 < huge.size(); ++i)
      if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
        huge[i + 5] = huge[i + 7] = std::uint8_t(side >> 8);
        huge[i + 6] = huge[i + 8] = std::uint8_t(side);
        break;
      }
    ExpectJpegError(huge);
  }
}

TEST(Jpeg, DamagedFilesRaiseJpegErrors) {
  const TBytes good = TestJpeg();
  ExpectJpegError({});
  ExpectJpegError({0xFF, 0xD8});
  ExpectJpegError({'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8});
  ExpectJpegError(TBytes(good.begin(), good.begin() + 100));  // inside the tables

  // A frame header claiming 60000 x 60000 pixels is refused before decoding.
  TBytes huge = good;
  for (std::size_t i = 2; i + 9 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 0xEA, huge[i + 6] = 0x60;  // height
      huge[i + 7] = 0xEA, huge[i + 8] = 0x60;  // width
      break;
    }
  }
  ExpectJpegError(huge);

  // Data cut inside the compressed pixels is only a warning: the image keeps
  // its size and the rows that were read.
  TJPEGImage cut;
  cut.LoadFromStream(TBytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() * 3 / 4)));
  EXPECT_EQ(cut.Width(), 64);
  EXPECT_TRUE(ColorNear(PixelRGB(cut.ToImage(), 4, 4), 0xFF0000, 24));
}

TEST(Jpeg, EveryPrefixAndGarbleIsSafe) {
  const TBytes good = TestJpeg(16, 16);
  std::srand(7);
  for (std::size_t n = 0; n < good.size(); n += 3) {
    TJPEGImage jpeg;
    try {
      jpeg.LoadFromStream(TBytes(good.begin(), good.begin() + std::ptrdiff_t(n)));
    } catch (const EJPEG&) {
    }
    TBytes garbled = good;
    for (int i = 0; i < 4; ++i) garbled[std::size_t(std::rand()) % garbled.size()] = std::uint8_t(std::rand());
    try {
      jpeg.LoadFromStream(garbled);
    } catch (const EJPEG&) {
    }
  }
}

TEST(Jpeg, DrawScalesSmoothly) {
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(64, 48));
  TJPEGImage jpeg;
  jpeg.AssignBitmap(bitmap);
  QImage target(32, 24, QImage::Format_RGB32);
  target.fill(Qt::white);
  {
    QPainter painter(&target);
    jpeg.Draw(painter, QRectF(0, 0, 32, 24));
    EXPECT_FALSE(painter.testRenderHint(QPainter::SmoothPixmapTransform));  // restored
  }
  EXPECT_TRUE(ColorNear(PixelRGB(target, 2, 2), 0xFF0000, 24));
  EXPECT_TRUE(ColorNear(PixelRGB(target, 29, 21), 0x0000FF, 24));
  EXPECT_TRUE(ColorNear(PixelRGB(target, 16, 12), 0x00FF00, 40));
}
