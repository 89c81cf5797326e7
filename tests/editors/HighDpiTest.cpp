// The image editor (the main window's photo area) on a high-density screen
// (device pixel ratio 2): a photo is shown at the device's resolution, so a
// picture of twice the area's size in client pixels lands one picture pixel
// on one device pixel; a metafile is played at the device's resolution.
// These tests run in a second pass of the test program under
// QT_SCALE_FACTOR=2 and skip in the normal pass.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <memory>

#include "editors/ImageEditor.h"
#include "platform/MetafileRecorder.h"
#include "tests/TestSupport.h"

namespace {

#define SKIP_UNLESS_RATIO_2()                                                        \
  if (qApp->devicePixelRatio() != 2.0) GTEST_SKIP() << "needs a device pixel ratio of 2"

QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A 1-pixel checkerboard on the left half, then a black block and a white
// block with a sharp edge between them.
QImage CheckerPhoto(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool black = x < width / 2 ? (x + y) % 2 == 0 : x < width * 3 / 4;
      image.setPixel(x, y, black ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
  return image;
}

// The photo area's setup: stretched and centred, as the main window has it.
std::unique_ptr<TcxImage> MakeEditor() {
  auto editor = std::make_unique<TcxImage>();
  editor->Properties().SetStretch(true);
  editor->Properties().SetCenter(true);
  editor->Properties().SetShowFocusRect(false);
  editor->resize(140, 100);
  editor->show();
  return editor;
}

}  // namespace

TEST(HighDpi, PhotoLandsOnePicturePixelOnOneDevicePixel) {
  SKIP_UNLESS_RATIO_2();
  auto editor = MakeEditor();
  const TRect content = editor->ViewInfo().ContentRect;
  ASSERT_GT(content.Width(), 100);
  // Twice the content's size: the editor scales it down to the content in
  // client pixels, which is 1:1 in device pixels.
  const QImage photo = CheckerPhoto(2 * content.Width(), 2 * content.Height());
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(photo);
  editor->Picture().SetGraphic(std::move(bitmap));
  const TRect picture = PictureRect(editor->ViewInfo(), photo.width(), photo.height());
  ASSERT_EQ(picture, content);

  const QImage image = Grab(*editor);
  ASSERT_EQ(image.size(), editor->size() * 2);
  int wrong = 0;
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x)
      wrong += !ColorNear(PixelRGB(image, 2 * picture.Left + x, 2 * picture.Top + y), PixelRGB(photo, x, y), 16);
  EXPECT_EQ(wrong, 0);
  // The checkerboard alternates from one device pixel to the next: no 2 x 2
  // blocks of a picture shown at the client's resolution.
  const int y = 2 * picture.Top + photo.height() / 2;
  for (int x = 2 * picture.Left; x < 2 * picture.Left + 40; ++x)
    EXPECT_NE(PixelRGB(image, x, y), PixelRGB(image, x + 1, y)) << x;
}

TEST(HighDpi, TransparentMetafileIsPlayedAtDeviceResolution) {
  SKIP_UNLESS_RATIO_2();
  auto editor = MakeEditor();
  const TRect content = editor->ViewInfo().ContentRect;
  // A metafile of half the content's size, its left half black: stretched
  // twice in client pixels, four times in device pixels.
  const int w = content.Width() / 2, h = content.Height() / 2;
  TMetafileRecorder recorder(w, h);
  {
    QPainter p(&recorder);
    p.fillRect(QRect(0, 0, w / 2, h), Qt::black);
  }
  auto metafile = std::make_unique<TMetafile>();
  metafile->SetEnhancedData(recorder.EnhancedData());
  metafile->SetTransparent(true);
  editor->Picture().SetGraphic(std::move(metafile));
  ASSERT_TRUE(editor->Picture().Graphic()->Transparent());
  const TRect picture = PictureRect(editor->ViewInfo(), w, h);

  const QImage image = Grab(*editor);
  // Across the edge the colour goes from black to the background in one
  // step: a metafile played at the client's size and scaled up would leave
  // a band of grey there.
  const int y = 2 * (picture.Top + picture.Bottom) / 2;
  int grey = 0, black = 0;
  for (int x = 2 * picture.Left + 4; x < 2 * picture.Right - 4; ++x) {
    const int g = qGray(image.pixel(x, y));
    grey += g > 30 && g < 225;
    black += g <= 30;
  }
  EXPECT_EQ(grey, 0);
  EXPECT_NEAR(black, picture.Width() - 4, 4);
}
