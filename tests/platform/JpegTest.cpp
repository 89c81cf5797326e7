// JPEG images: compressing a bitmap and decoding it back, grey and CMYK files,
// and damaged files that must end in "JPEG error #n" without touching the
// previous image.
#include <gtest/gtest.h>

#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "platform/Graphics.h"
#include "tests/TestSupport.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

// A JPEG file from raw samples (1 grey or 4 CMYK components per pixel).
TBytes EncodeRaw(int width, int height, int components, const std::vector<JSAMPLE>& samples) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_CMYK;
  jpeg_set_defaults(&cinfo);  // CMYK input writes the Adobe marker
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(samples.data()) + std::size_t(cinfo.next_scanline) * width * components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  TBytes bytes(out, out + size);
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return bytes;
}

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

TEST(Jpeg, GreyAndAdobeCmykFiles) {
  std::vector<JSAMPLE> grey(8 * 8);
  for (int i = 0; i < 64; ++i) grey[i] = JSAMPLE(i % 8 < 4 ? 40 : 220);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(EncodeRaw(8, 8, 1, grey));
  EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), 1, 3), 0x282828, 12));
  EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), 6, 3), 0xDCDCDC, 12));

  // Adobe CMYK is stored inverted: 255 means no ink.
  std::vector<JSAMPLE> cmyk;
  for (int i = 0; i < 64; ++i) {
    const bool left = i % 8 < 4;
    // left: pure red (no cyan, full magenta and yellow); right: 50 % grey from black ink.
    const JSAMPLE c = 255, m = left ? 0 : 255, y = left ? 0 : 255, k = left ? 255 : 128;
    cmyk.insert(cmyk.end(), {c, m, y, k});
  }
  jpeg.LoadFromStream(EncodeRaw(8, 8, 4, cmyk));
  EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), 1, 1), 0xFF0000, 12)) << std::hex << PixelRGB(jpeg.ToImage(), 1, 1);
  EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), 6, 6), 0x808080, 12)) << std::hex << PixelRGB(jpeg.ToImage(), 6, 6);
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
