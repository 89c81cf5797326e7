// JPEG photos kept compressed: a JPEG drawn onto a recording canvas becomes
// a STRETCHDIBITS record that carries the JPEG bytes (BI_JPEG) and replays as
// the photo; damaged or hostile records of that kind draw nothing; the kept
// decode and the screen copies are shared and stay bounded.
#include <gtest/gtest.h>

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstring>

#include "platform/Graphics.h"
#include "platform/JpegCache.h"
#include "platform/MetafileRecorder.h"
#include "tests/TestSupport.h"

namespace {

TJPEGImage TestPhoto(int width, int height) {
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(width, height));
  TJPEGImage jpeg;
  jpeg.AssignBitmap(bitmap, 90);
  TJPEGImage loaded;  // as a photo file is read
  loaded.LoadFromStream(jpeg.SaveToStream());
  return loaded;
}

TMetafile RecordPhoto(const TJPEGImage& photo, const QRectF& dest, QSize canvas) {
  TMetafileRecorder recorder(canvas.width(), canvas.height());
  QPainter p(&recorder);
  photo.Draw(p, dest);
  p.end();
  TMetafile mf;
  mf.SetEnhancedData(recorder.EnhancedData());
  return mf;
}

QImage Play(const TByteView emf, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  PlayEnhancedMetafile(p, emf, QRectF(QPointF(0, 0), QSizeF(size)));
  p.end();
  return image;
}

std::size_t Find(const TBytes& haystack, const TBytes& needle) {
  auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end());
  return it == haystack.end() ? std::string::npos : std::size_t(it - haystack.begin());
}

void Put32(TBytes& bytes, std::size_t pos, std::uint32_t value) { std::memcpy(&bytes[pos], &value, 4); }

constexpr unsigned Red = 0xFF0000, Blue = 0x0000FF, Green = 0x00FF00;

}  // namespace

TEST(JpegKeptCompressed, RecordedPhotoCarriesItsBytesAndReplaysAsThePhoto) {
  const TJPEGImage photo = TestPhoto(800, 600);
  const TBytes jpeg = photo.SaveToStream();
  const TMetafile mf = RecordPhoto(photo, QRectF(0, 0, 400, 300), QSize(400, 300));
  // The record holds the JPEG file itself, not 800 x 600 pixels.
  EXPECT_NE(Find(mf.Data(), jpeg), std::string::npos);
  EXPECT_LT(mf.Data().size(), jpeg.size() + 1024);

  // On the screen (from a scaled copy) and at full size, as the photo.
  for (QSize size : {QSize(400, 300), QSize(800, 600), QSize(1600, 1200)}) {
    const QImage image = Play(mf.Data(), size);
    auto at = [&](double x, double y) { return PixelRGB(image, int(x * size.width()), int(y * size.height())); };
    EXPECT_TRUE(ColorNear(at(0.1, 0.1), Red, 24)) << size.width();
    EXPECT_TRUE(ColorNear(at(0.9, 0.9), Blue, 24)) << size.width();
    EXPECT_TRUE(ColorNear(at(0.5, 0.5), Green, 24)) << size.width();
  }

  // A widget that shows the photo, rendered onto the recorder as a printed
  // control is: its painter draws through the recorder too.
  class PhotoWidget : public QWidget {
   public:
    explicit PhotoWidget(const TJPEGImage& photo) : photo_(photo) { resize(200, 150); }
    void paintEvent(QPaintEvent*) override {
      QPainter p(this);
      photo_.Draw(p, QRectF(0, 0, 200, 150));
    }
    const TJPEGImage& photo_;
  } widget(photo);
  TMetafileRecorder widgetRecorder(200, 150);
  widget.render(&widgetRecorder, QPoint(0, 0), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  EXPECT_NE(Find(widgetRecorder.EnhancedData(), jpeg), std::string::npos);
  EXPECT_LT(widgetRecorder.EnhancedData().size(), jpeg.size() + 4096);

  // Part of the photo has no JPEG of its own: the record takes its pixels.
  TMetafileRecorder recorder(100, 100);
  QPainter p(&recorder);
  p.drawImage(QRectF(0, 0, 100, 100), photo.ToImage(), QRectF(0, 0, 100, 100));
  p.end();
  EXPECT_EQ(Find(recorder.EnhancedData(), jpeg), std::string::npos);
}

// Each case damages the BI_JPEG header or data of a recorded photo; the
// record then draws nothing (or what the damaged data still holds) and the
// player goes on without a fault.
TEST(JpegKeptCompressed, DamagedJpegRecordsDrawNothing) {
  const TJPEGImage photo = TestPhoto(64, 48);
  const TBytes jpeg = photo.SaveToStream();
  const TMetafile mf = RecordPhoto(photo, QRectF(0, 0, 64, 48), QSize(64, 48));
  const std::size_t bits = Find(mf.Data(), jpeg);
  ASSERT_NE(bits, std::string::npos);
  // The STRETCHDIBITS record: its BITMAPINFOHEADER comes right before the bits.
  const std::size_t bmi = bits - 40;
  ASSERT_EQ(mf.Data()[bmi], 40);
  struct Case {
    const char* name;
    std::size_t pos;
    std::uint32_t value;
    bool drawn;
  };
  const Case cases[] = {
      {"as recorded", 0, 0, true},
      {"another compression", bmi + 16, 7, false},
      {"a bit count", bmi + 14, 0x00040018, false},  // 24 bits, compression kept
      {"no width", bmi + 4, 0, false},
      {"a huge height", bmi + 8, 0x7FFFFFF0, false},
      {"not a JPEG", bits, 0x11223344, false},
      {"a short image size", bmi + 20, 3, false},
      {"a longer image size than the bits", bmi + 20, 0xFFFFFFF0, true},
  };
  for (const Case& c : cases) {
    TBytes emf = mf.Data();
    if (c.pos) Put32(emf, c.pos, c.value);
    ClearJpegCache();
    const QImage image = Play(emf, QSize(64, 48));
    EXPECT_EQ(ColorNear(PixelRGB(image, 5, 5), Red, 24), c.drawn) << c.name;
  }
  // The JPEG cut short: the player reads what there is, without a fault.
  TBytes cut = mf.Data();
  for (std::size_t i = bits + jpeg.size() / 2; i < bits + jpeg.size(); ++i) cut[i] = 0;
  Play(cut, QSize(64, 48));
}

TEST(JpegKeptCompressed, DecodeAndScreenCopiesAreSharedAndBounded) {
  ClearJpegCache();
  const TBytes a = TestPhoto(400, 300).SaveToStream();
  const TBytes b = TestPhoto(200, 100).SaveToStream();
  // The same bytes give the same pixels, not a second decode.
  const QImage full = DecodedJpeg(a);
  EXPECT_EQ(DecodedJpeg(TBytes(a)).cacheKey(), full.cacheKey());
  const QImage small = ScaledJpeg(a, QSize(100, 75));
  EXPECT_EQ(small.size(), QSize(100, 75));
  EXPECT_EQ(ScaledJpeg(a, QSize(100, 75)).cacheKey(), small.cacheKey());

  // Many zooms: the copies together never hold more than the photo.
  for (int w = 20; w < 400; w += 20) {
    ScaledJpeg(a, QSize(w, w * 3 / 4));
    EXPECT_LE(KeptJpegPixels(), 2 * 400 * 300) << w;
  }
  // Another photo replaces the first and its copies.
  DecodedJpeg(b);
  EXPECT_NE(ScaledJpeg(a, QSize(100, 75)).cacheKey(), small.cacheKey());
  EXPECT_TRUE(ScaledJpeg(TBytes{1, 2, 3}, QSize(10, 10)).isNull());
  EXPECT_THROW(DecodedJpeg(TBytes{0xFF, 0xD8, 0xFF}), EJPEG);
  ClearJpegCache();
  EXPECT_EQ(KeptJpegPixels(), 0);
}
