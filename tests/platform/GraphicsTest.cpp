// Pictures: the registry of file kinds and the dialog filters, loading by
// extension with the failure rules (the old picture stays), file access, and
// the clipboard.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

#include "platform/Clipboard.h"
#include "platform/Graphics.h"
#include "tests/TestSupport.h"
#include "tests/platform/PictureFiles.h"

namespace {

TBytes JpegBytes(int width, int height) {
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(width, height));
  TJPEGImage jpeg;
  jpeg.AssignBitmap(bitmap);
  return jpeg.SaveToStream();
}

TBytes BmpBytes(int width, int height) {
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(width, height));
  return bitmap.SaveToStream();
}

// A picture holding a 10 x 10 bitmap, counting its change notifications.
struct LoadedPicture {
  TPicture picture;
  int changes = 0;
  LoadedPicture() {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(MakeTestImage(10, 10));
    picture.SetGraphic(std::move(bitmap));
    picture.OnChange = [this](TPicture&) { ++changes; };
  }
  void ExpectUnchanged() {
    EXPECT_EQ(changes, 0);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassType(), TBitmap::Class());
    EXPECT_EQ(picture.Width(), 10);
  }
};

template <typename E>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message;
  }
  return "(nothing raised)";
}

}  // namespace

TEST(PictureRegistry, KindsInRegistrationOrder) {
  const auto& formats = TPicture::FileFormats();
  ASSERT_GE(formats.size(), 6u);
  const char* expected[][2] = {{"wmf", "Metafiles"},  {"emf", "Enhanced Metafiles"}, {"ico", "Icons"},
                               {"bmp", "Bitmaps"},    {"jpeg", "JPEG Image File"},   {"jpg", "JPEG Image File"}};
  TGraphicClass classes[] = {TMetafile::Class(), TMetafile::Class(), TIcon::Class(),
                             TBitmap::Class(),   TJPEGImage::Class(), TJPEGImage::Class()};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(formats[i].Extension, expected[i][0]);
    EXPECT_EQ(formats[i].Description, expected[i][1]);
    EXPECT_EQ(formats[i].Class, classes[i]);
  }
}

TEST(PictureRegistry, DialogFilters) {
  EXPECT_EQ(GraphicFilter(nullptr),
            "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
            "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
            "Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
  EXPECT_EQ(GraphicFilter(TJPEGImage::Class()),
            "All (*.jpg;*.jpeg)|*.jpg;*.jpeg|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg");
  EXPECT_EQ(GraphicFilter(TBitmap::Class()), "Bitmaps (*.bmp)|*.bmp");  // one kind: no "All"
  EXPECT_EQ(GraphicFilter(TMetafile::Class()),
            "All (*.emf;*.wmf)|*.emf;*.wmf|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
  EXPECT_EQ(GraphicFileMask(TJPEGImage::Class()), "*.jpg;*.jpeg");
  EXPECT_EQ(GraphicFileMask(nullptr), "*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf");

  EXPECT_EQ(GraphicExtension(TJPEGImage::Class()), "jpg");
  EXPECT_EQ(GraphicExtension(TMetafile::Class()), "emf");
  EXPECT_EQ(GraphicExtension(TIcon::Class()), "ico");
  EXPECT_EQ(GraphicExtension(TBitmap::Class()), "bmp");
}

TEST(PictureRegistry, ClassesByNameAndExtension) {
  EXPECT_EQ(FindGraphicClass("tjpegimage"), TJPEGImage::Class());
  EXPECT_EQ(FindGraphicClass("TBITMAP"), TBitmap::Class());
  EXPECT_EQ(FindGraphicClass("TIcon"), TIcon::Class());
  EXPECT_EQ(FindGraphicClass("TMetafile"), TMetafile::Class());
  EXPECT_EQ(FindGraphicClass("TPngImage"), nullptr);
  EXPECT_EQ(FindGraphicClass(""), nullptr);
  EXPECT_EQ(TPicture::ClassForExtension("JPG"), TJPEGImage::Class());
  EXPECT_EQ(TPicture::ClassForExtension("Emf"), TMetafile::Class());
  EXPECT_EQ(TPicture::ClassForExtension("png"), nullptr);
  EXPECT_EQ(TPicture::ClassForExtension(""), nullptr);
  for (TGraphicClass cls : {TBitmap::Class(), TIcon::Class(), TJPEGImage::Class(), TMetafile::Class()}) {
    auto graphic = cls->Create();
    EXPECT_EQ(graphic->ClassType(), cls);
    EXPECT_EQ(graphic->ClassName(), cls->ClassName);
    EXPECT_TRUE(graphic->Empty());
    EXPECT_TRUE(graphic->SaveToStream().empty());
    EXPECT_TRUE(graphic->ToImage().isNull());
  }
}

TEST(PictureLoad, ExtensionPicksTheKindWithoutRegardToCase) {
  ScratchDir dir;
  LoadedPicture p;
  const std::string jpg = dir.Write("PHOTO.JPG", JpegBytes(40, 30));
  p.picture.LoadFromFile(jpg);
  EXPECT_EQ(p.changes, 1);
  ASSERT_NE(p.picture.Graphic(), nullptr);
  EXPECT_EQ(p.picture.Graphic()->ClassType(), TJPEGImage::Class());
  EXPECT_EQ(p.picture.Width(), 40);
  EXPECT_EQ(p.picture.Height(), 30);

  // The graphic's own changes reach the picture's owner.
  p.picture.Graphic()->SetTransparent(true);
  EXPECT_EQ(p.changes, 2);

  // A folder name with a dot does not give the file an extension.
  QDir().mkpath(QString::fromStdString(dir.Path("pics.bmp")));
  const std::string plain = dir.Write("pics.bmp/photo", BmpBytes(4, 4));
  EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { p.picture.LoadFromFile(plain); }), "Unknown picture file extension (.)");
  p.picture.LoadFromFile(dir.Write("pics.bmp/Photo.Bmp", BmpBytes(4, 4)));
  EXPECT_EQ(p.picture.Graphic()->ClassType(), TBitmap::Class());
}

TEST(PictureLoad, FailuresKeepTheOldPicture) {
  ScratchDir dir;
  {
    LoadedPicture p;
    const std::string png = dir.Write("photo.png", BmpBytes(4, 4));
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { p.picture.LoadFromFile(png); }),
              "Unknown picture file extension (.png)");
    p.ExpectUnchanged();
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { p.picture.LoadFromFile(dir.Path("photo.PNG")); }),
              "Unknown picture file extension (.PNG)");  // as typed, even for a missing file
  }
  {
    LoadedPicture p;
    const std::string missing = dir.Path("missing.jpg");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { p.picture.LoadFromFile(missing); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    p.ExpectUnchanged();
  }
  {
    LoadedPicture p;
    TBytes damaged = BmpBytes(8, 8);
    testfiles::Set32(damaged, 18, 100000);  // width beyond the limit
    const std::string bmp = dir.Write("damaged.bmp", damaged);
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { p.picture.LoadFromFile(bmp); }), "Bitmap image is not valid");
    p.ExpectUnchanged();
    TBytes cut = BmpBytes(8, 8);
    cut.resize(cut.size() - 10);
    const std::string truncated = dir.Write("truncated.bmp", cut);
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { p.picture.LoadFromFile(truncated); }), "Bitmap image is not valid");
    p.ExpectUnchanged();
  }
  {
    LoadedPicture p;
    const std::string jpg = dir.Write("garbage.jpg", std::string("not a jpeg at all"));
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { p.picture.LoadFromFile(jpg); }).rfind("JPEG error #", 0), 0u);
    p.ExpectUnchanged();
    const std::string ico = dir.Write("bad.ico", std::string("\0\0\1\0\x09\0", 6));
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { p.picture.LoadFromFile(ico); }), "Icon image is not valid");
    p.ExpectUnchanged();
    QDir().mkpath(QString::fromStdString(dir.Path("folder.bmp")));
    EXPECT_EQ(MessageOf<EFOpenError>([&] { p.picture.LoadFromFile(dir.Path("folder.bmp")); }),
              "Cannot open file \"" + dir.Path("folder.bmp") + "\". Is a directory");
    p.ExpectUnchanged();
  }
}

TEST(PictureFiles, SaveWritesThroughATemporaryFile) {
  ScratchDir dir;
  TPicture picture;
  picture.SaveToFile(dir.Path("nothing.bmp"));  // empty: nothing written
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.Path("nothing.bmp"))));

  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(MakeTestImage(12, 9));
  picture.SetGraphic(std::move(bitmap));
  const std::string file = dir.Path("out.bmp");
  dir.Write("out.bmp", std::string("old contents"));
  ::chmod(file.c_str(), 0640);
  picture.SaveToFile(file);
  EXPECT_EQ(ReadFileBytes(file), picture.Graphic()->SaveToStream());
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replaced file's mode is kept
  EXPECT_EQ(QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files).size(), 1) << "no temporary left";

  TPicture back;
  back.LoadFromFile(file);
  EXPECT_EQ(static_cast<TBitmap*>(back.Graphic())->Image(), static_cast<TBitmap*>(picture.Graphic())->Image());

  const std::string nowhere = dir.Path("no/such/folder/out.bmp");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { picture.SaveToFile(nowhere); }),
            "Cannot create file \"" + nowhere + "\". No such file or directory");
}

TEST(Picture, AssignBitmapAndEmptying) {
  ScratchDir dir;
  TPicture source;
  source.LoadFromFile(dir.Write("a.jpg", JpegBytes(20, 10)));
  TPicture copy;
  int changes = 0;
  copy.OnChange = [&](TPicture&) { ++changes; };
  copy.Assign(&source);
  EXPECT_EQ(changes, 1);
  ASSERT_NE(copy.Graphic(), source.Graphic());
  EXPECT_EQ(copy.Graphic()->SaveToStream(), source.Graphic()->SaveToStream());
  // The copy is independent: changing the source does not notify it.
  source.Graphic()->SetTransparent(true);
  EXPECT_EQ(changes, 1);

  // Bitmap() replaces another kind by an empty bitmap and keeps a bitmap.
  TBitmap& bitmap = copy.Bitmap();
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(copy.Empty());
  bitmap.SetSize(3, 3);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(&copy.Bitmap(), &bitmap);
  EXPECT_EQ(copy.Width(), 3);

  copy.Assign(nullptr);
  EXPECT_EQ(copy.Graphic(), nullptr);
  copy.AssignGraphic(source.Graphic());
  EXPECT_EQ(copy.Width(), 20);
  TPicture empty;
  copy.Assign(&empty);
  EXPECT_TRUE(copy.Empty());
}

TEST(Clipboard, BitmapRoundTrip) {
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(21, 13));
  CopyGraphicToClipboard(bitmap);
  EXPECT_TRUE(ClipboardHasFormat(TClipboardFormat::Bitmap));
  EXPECT_TRUE(ClipboardHasFormat(TClipboardFormat::Picture));
  EXPECT_FALSE(ClipboardHasFormat(TClipboardFormat::MetafilePicture));

  std::unique_ptr<TBitmap> raster = BitmapFromClipboard();
  ASSERT_NE(raster, nullptr);
  EXPECT_EQ(raster->Image().convertToFormat(QImage::Format_RGB32), bitmap.Image());

  std::unique_ptr<TGraphic> graphic = GraphicFromClipboard();
  ASSERT_NE(graphic, nullptr);
  ASSERT_EQ(graphic->ClassType(), TBitmap::Class());
  EXPECT_EQ(static_cast<TBitmap&>(*graphic).Image(), bitmap.Image());
}

TEST(Clipboard, JpegKeepsItsKindAndIconsAreRefused) {
  TJPEGImage jpeg;
  jpeg.LoadFromStream(JpegBytes(16, 16));
  CopyGraphicToClipboard(jpeg);
  std::unique_ptr<TGraphic> graphic = GraphicFromClipboard();
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->ClassType(), TJPEGImage::Class());
  EXPECT_EQ(graphic->SaveToStream(), jpeg.SaveToStream());
  ASSERT_NE(BitmapFromClipboard(), nullptr);  // also there as a raster image
  EXPECT_EQ(BitmapFromClipboard()->Image().convertToFormat(QImage::Format_RGB32), jpeg.ToImage());

  TIcon icon;
  QImage square(16, 16, QImage::Format_ARGB32);
  square.fill(Qt::red);
  icon.LoadFromStream(testfiles::WriteIco({{16, 16, 32, testfiles::IconDib(square, 32)}}));
  EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { CopyGraphicToClipboard(icon); }),
            "Clipboard does not support Icons");
  EXPECT_EQ(GraphicFromClipboard()->ClassType(), TJPEGImage::Class());  // clipboard untouched
}

TEST(Clipboard, ForeignAndDamagedContents) {
  // A raster image put there by another program.
  QGuiApplication::clipboard()->setImage(MakeTestImage(8, 6));
  EXPECT_FALSE(ClipboardHasFormat(TClipboardFormat::Picture));
  std::unique_ptr<TGraphic> graphic = GraphicFromClipboard();
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->ClassType(), TBitmap::Class());
  EXPECT_EQ(graphic->Width(), 8);

  // A damaged private format falls back to the raster image; nothing usable gives null.
  auto* mime = new QMimeData;
  mime->setData("application/x-ardel-picture", QByteArray("TBitmap\0BMjunk", 14));
  mime->setImageData(MakeTestImage(5, 5));
  QGuiApplication::clipboard()->setMimeData(mime);
  graphic = GraphicFromClipboard();
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->Width(), 5);

  mime = new QMimeData;
  mime->setData("application/x-ardel-picture", QByteArray("TNothing\0", 9));
  mime->setText("text");
  QGuiApplication::clipboard()->setMimeData(mime);
  EXPECT_EQ(GraphicFromClipboard(), nullptr);
  EXPECT_EQ(BitmapFromClipboard(), nullptr);
}

TEST(FuzzSeeds, ValidSeedsLoadAndDamagedOnesAreRefused) {
  // The fuzz corpora hold valid files and damaged ones ("bad_" in front).
  const std::pair<const char*, TGraphicClass> kinds[] = {
      {"bmp", TBitmap::Class()}, {"ico", TIcon::Class()}, {"jpeg", TJPEGImage::Class()}};
  for (const auto& [kind, cls] : kinds) {
    QDir dir(QString::fromStdString(std::string(ARDEL_SOURCE_DIR) + "/fuzz/corpus/" + kind));
    const QStringList files = dir.entryList(QDir::Files);
    EXPECT_GE(files.size(), 4) << kind;
    for (const QString& name : files) {
      SCOPED_TRACE(name.toStdString());
      const TBytes bytes = ReadFileBytes(dir.filePath(name).toStdString());
      auto graphic = cls->Create();
      // Damaged JPEG data inside the scan is only a warning, and a damaged
      // EXIF block or colour profile leaves the picture as stored: such seeds may load.
      const bool bad = name.startsWith("bad_");
      const bool mayLoad = bad && (name.contains("scan") || name.contains("truncated_data") ||
                                   name.contains("exif") || name.contains("icc"));
      try {
        graphic->LoadFromStream(bytes);
        EXPECT_TRUE(!bad || mayLoad);
        EXPECT_GT(graphic->Width(), 0);
      } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(bad) << e.Message;
      }
    }
  }
}

TEST(Clipboard, MetafileGoesAsEmfWithARasterRendering) {
  // A minimal enhanced metafile: a header with a 25.4 x 12.7 mm frame and the end record.
  using testfiles::Put32;
  TBytes emf;
  Put32(emf, 1), Put32(emf, 88);                                      // EMR_HEADER
  for (std::uint32_t v : {0u, 0u, 95u, 47u}) Put32(emf, v);           // bounds
  for (std::uint32_t v : {0u, 0u, 2540u, 1270u}) Put32(emf, v);       // frame, 0.01 mm
  Put32(emf, 0x464D4520), Put32(emf, 0x10000), Put32(emf, 108);       // signature, version, bytes
  Put32(emf, 2), Put32(emf, 1), Put32(emf, 0), Put32(emf, 0), Put32(emf, 0);  // records, handles, ...
  for (std::uint32_t v : {1024u, 768u, 320u, 240u}) Put32(emf, v);    // device pixels and millimetres
  Put32(emf, 14), Put32(emf, 20), Put32(emf, 0), Put32(emf, 16), Put32(emf, 20);  // EMR_EOF
  TMetafile metafile;
  metafile.LoadFromStream(emf);
  ASSERT_FALSE(metafile.Empty());

  CopyGraphicToClipboard(metafile);
  EXPECT_TRUE(ClipboardHasFormat(TClipboardFormat::MetafilePicture));
  EXPECT_TRUE(ClipboardHasFormat(TClipboardFormat::Bitmap));
  const QByteArray onClipboard = QGuiApplication::clipboard()->mimeData()->data("image/x-emf");
  EXPECT_EQ(TBytes(onClipboard.begin(), onClipboard.end()), emf);
  std::unique_ptr<TBitmap> raster = BitmapFromClipboard();
  ASSERT_NE(raster, nullptr);
  EXPECT_EQ(raster->Width(), metafile.Width());
  EXPECT_EQ(PixelRGB(raster->Image(), 1, 1), 0xFFFFFFu);  // drawn against white

  // Without the private format the metafile format is taken next.
  auto* mime = new QMimeData;
  mime->setData("image/x-emf", onClipboard);
  QGuiApplication::clipboard()->setMimeData(mime);
  std::unique_ptr<TGraphic> graphic = GraphicFromClipboard();
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->ClassType(), TMetafile::Class());
  EXPECT_EQ(graphic->SaveToStream(), emf);
}
