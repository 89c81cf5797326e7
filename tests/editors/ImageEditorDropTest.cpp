// The image editor's picture files dropped from the file manager, and its
// screen copy: a shrunk picture is scaled once for the screen, not at every
// repaint, while paper and metafiles get the picture itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include "editors/ImageEditor.h"
#include "platform/Application.h"
#include "platform/MetafileRecorder.h"
#include "tests/TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

std::vector<std::string>& Errors() {
  static std::vector<std::string> list;
  return list;
}

class ImageDrop : public ::testing::Test {
 protected:
  void SetUp() override {
    Errors().clear();
    AnswerErrorBoxes([](const std::string&, const std::string& text) { Errors().push_back(text); });
    editor.resize(200, 150);
    editor.Properties().SetGraphicClass(nullptr);  // every registered kind
    photo = WriteTestJpeg(dir, "photo.jpg", 80, 60);
  }
  void TearDown() override { AnswerErrorBoxes(nullptr); }

  // Drags data onto the editor and drops it when the drag is taken; answers
  // whether it was.
  bool Drop(const QMimeData& data) {
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&editor, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&editor, &drop);
    return drop.isAccepted();
  }
  bool DropFiles(const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << (p.contains("://") ? QUrl(p) : QUrl::fromLocalFile(p));
    data.setUrls(urls);
    return Drop(data);
  }
  static QString Q(const std::string& s) { return QString::fromStdString(s); }

  ScratchDir dir;
  std::string photo;
  std::vector<std::string>& errors = Errors();
  TcxImage editor;
};

// A bitmap that counts how often it is drawn, and at what size.
class CountingBitmap : public TBitmap {
 public:
  void Draw(QPainter& painter, const QRectF& dest) const override {
    ++draws;
    lastDest = dest;
    TBitmap::Draw(painter, dest);
  }
  mutable int draws = 0;
  mutable QRectF lastDest;
};

}  // namespace

TEST_F(ImageDrop, OnlyOneLocalPictureFileIsTaken) {
  const std::string text = dir.Write("notes.txt", std::string("not a picture"));
  const std::string upper = dir.Write("PHOTO.JPG", ReadFileBytes(photo));
  struct Case {
    const char* name;
    QStringList files;
    bool taken;
  };
  const Case cases[] = {
      {"a JPEG file", {Q(photo)}, true},
      {"an extension in capitals", {Q(upper)}, true},
      {"a text file", {Q(text)}, false},
      {"two photos", {Q(photo), Q(upper)}, false},
      {"a web address", {"https://example.org/photo.jpg"}, false},
  };
  for (const Case& c : cases) {
    editor.Picture().SetGraphic(nullptr);
    EXPECT_EQ(DropFiles(c.files), c.taken) << c.name;
    EXPECT_EQ(editor.Picture().Empty(), !c.taken) << c.name;
  }
  QMimeData plain;
  plain.setText(Q(photo));
  EXPECT_FALSE(Drop(plain));
  EXPECT_TRUE(errors.empty());

  // The kinds of the load dialog: a bitmap editor takes no JPEG.
  editor.Properties().SetGraphicClassName("TBitmap");
  EXPECT_FALSE(DropFiles({Q(photo)}));
  editor.Properties().SetGraphicClass(nullptr);
  // A read-only editor takes nothing.
  editor.Properties().SetReadOnly(true);
  EXPECT_FALSE(DropFiles({Q(photo)}));
}

TEST_F(ImageDrop, DroppedFileLoadsAsLoadDoesAndABadOneKeepsThePicture) {
  int changes = 0;
  editor.Properties().OnChange = [&](TcxImage&) { ++changes; };
  ASSERT_TRUE(DropFiles({Q(photo)}));
  EXPECT_EQ(editor.Picture().Width(), 80);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(editor.Modified());  // a user change

  const std::string damaged = dir.Write("damaged.jpg", std::string("\xFF\xD8\xFF\xE0 cut short", 14));
  EXPECT_TRUE(DropFiles({Q(damaged)}));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("JPEG error #", 0), 0u) << errors[0];
  EXPECT_EQ(editor.Picture().Width(), 80);

  // OnEditing may refuse; an owner may load the file itself.
  editor.SetModified(false);
  editor.OnEditing = [](TcxImage&, bool& canEdit) { canEdit = false; };
  editor.Picture().SetGraphic(nullptr);
  DropFiles({Q(photo)});
  EXPECT_TRUE(editor.Picture().Empty());
  std::string handed;
  editor.OnDropPicture = [&](TcxImage&, const std::string& fileName) { handed = fileName; };
  EXPECT_TRUE(DropFiles({Q(photo)}));
  EXPECT_EQ(handed, photo);
}

TEST_F(ImageDrop, ShrunkPictureIsScaledOnceForTheScreen) {
  editor.Properties().SetStretch(true);
  auto owned = std::make_unique<CountingBitmap>();
  owned->SetImage(MakeTestImage(800, 600));
  CountingBitmap* bitmap = owned.get();
  editor.Picture().SetGraphic(std::move(owned));
  auto paint = [&] {
    QImage screen(editor.size(), QImage::Format_RGB32);
    QPainter p(&screen);
    editor.PaintTo(p);
    return screen;
  };
  const QImage first = paint();
  const QImage second = paint();
  EXPECT_EQ(bitmap->draws, 1);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(ColorNear(PixelRGB(first, 30, 75), 0xFF0000, 8));

  // A new size, or a changed picture, makes a new copy.
  editor.resize(300, 225);
  paint();
  EXPECT_EQ(bitmap->draws, 2);
  bitmap->SetImage(MakeTestImage(800, 600));
  paint();
  paint();
  EXPECT_EQ(bitmap->draws, 3);

  // A metafile being recorded (printing) gets the picture itself each time.
  for (int i = 0; i < 2; ++i) {
    TMetafileRecorder recorder(editor.width(), editor.height());
    QPainter p(&recorder);
    editor.PaintTo(p);
  }
  EXPECT_EQ(bitmap->draws, 5);
  EXPECT_GT(bitmap->lastDest.width(), 200);
}
