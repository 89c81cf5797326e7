// Report streams: the value encoding byte for byte, the typed records,
// reading in the stream code page, the buffered reader and writer over
// streams, and the refusal of damaged or hostile bytes.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/MetafileRecorder.h"
#include "report/CellBorders.h"
#include "report/CheckItems.h"
#include "report/ReportCells.h"
#include "report/DataItems.h"
#include "report/ImageList.h"
#include "report/ShapeItems.h"
#include "report/ReportStreams.h"
#include "tests/TestSupport.h"

namespace {

TBytes Written(const std::function<void(TdxPSDataWriter&)>& write) {
  TBytes bytes;
  TdxBytesStream stream(bytes);
  TdxPSDataWriter writer(stream);
  write(writer);
  writer.Flush();
  return bytes;
}

TBytes Bytes(std::initializer_list<int> values) {
  TBytes b;
  for (int v : values) b.push_back(std::uint8_t(v));
  return b;
}

void Append(TBytes& b, const TBytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// The message of the EReadError that f raises ("" when it raises none).
std::string ReadErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EReadError& e) {
    return e.Message;
  }
  return "";
}

// Runs read over bytes with a fresh reader and answers what it returns.
template <class F>
auto ReadBack(const TBytes& bytes, F read) {
  TdxByteViewStream stream(bytes);
  TdxPSDataReader reader(stream);
  return read(reader);
}

// A bitmap with a white lower-left corner (its transparent colour).
TBitmap KeyedBitmap() {
  QImage image(6, 4, QImage::Format_RGB32);
  image.fill(QColor(Qt::white));
  image.setPixel(1, 1, qRgb(200, 10, 10));
  image.setPixel(4, 2, qRgb(10, 10, 200));
  TBitmap bitmap;
  bitmap.SetImage(image);
  return bitmap;
}

TMetafile SmallMetafile() {
  TMetafileRecorder recorder(20, 10);
  {
    QPainter painter(&recorder);
    painter.fillRect(QRect(2, 2, 8, 4), Qt::red);
  }
  TMetafile metafile;
  metafile.SetEnhancedData(recorder.EnhancedData());
  return metafile;
}

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterReportClasses();
    dxPSRegisterShapeClasses();
  }
  void TearDown() override { dxPSSetStreamCodePage(1254); }
};

// ---- Value encoding -----------------------------------------------------------------

TEST_F(StorageTest, IntegersTakeTheSmallestTagThatHoldsThem) {
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(100); }), Bytes({0x02, 0x64}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(1000); }), Bytes({0x03, 0xE8, 0x03}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(100000); }), Bytes({0x04, 0xA0, 0x86, 0x01, 0x00}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-128); }), Bytes({0x02, 0x80}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-129); }), Bytes({0x03, 0x7F, 0xFF}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(32768); }), Bytes({0x04, 0x00, 0x80, 0x00, 0x00}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInt64(-5); }), Bytes({0x02, 0xFB}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInt64(std::int64_t(1) << 40); }),
            Bytes({0x13, 0, 0, 0, 0, 0, 1, 0, 0}));

  const TBytes all = Written([](auto& w) {
    for (int v : {0, 127, -128, 128, -32768, 32767, -32769, INT32_MIN, INT32_MAX}) w.WriteInteger(v);
    w.WriteInt64(-(std::int64_t(1) << 50));
    w.WriteInt64(77);
  });
  ReadBack(all, [](TdxPSDataReader& r) {
    for (int v : {0, 127, -128, 128, -32768, 32767, -32769, INT32_MIN, INT32_MAX}) EXPECT_EQ(r.ReadInteger(), v);
    EXPECT_EQ(r.ReadInt64(), -(std::int64_t(1) << 50));
    EXPECT_EQ(r.ReadInt64(), 77);  // an integer tag is a 64-bit integer as well
    EXPECT_EQ(r.Remaining(), 0);
    return 0;
  });
  // A 64-bit value is no 32-bit integer.
  const TBytes wide = Bytes({0x13, 0, 0, 0, 0, 0, 1, 0, 0});
  EXPECT_EQ(ReadErrorOf([&] { ReadBack(wide, [](auto& r) { return r.ReadInteger(); }); }), "Invalid property value");
}

TEST_F(StorageTest, StringsPickTheirTagFromLengthAndCharacters) {
  EXPECT_EQ(Written([](auto& w) { w.WriteString("abc"); }), Bytes({0x06, 0x03, 0x61, 0x62, 0x63}));
  EXPECT_EQ(Written([](auto& w) { w.WriteString(""); }), Bytes({0x06, 0x00}));
  const std::string s255(255, 'x'), s300(300, 'y');
  const TBytes b255 = Written([&](auto& w) { w.WriteString(s255); });
  EXPECT_EQ(b255.size(), 257u);
  EXPECT_EQ(b255[0], 0x06);
  const TBytes b300 = Written([&](auto& w) { w.WriteString(s300); });
  ASSERT_EQ(b300.size(), 305u);
  EXPECT_EQ(TBytes(b300.begin(), b300.begin() + 5), Bytes({0x0C, 0x2C, 0x01, 0x00, 0x00}));

  const std::string turkish = "Çıkış Ğİş";  // UTF-8 inside the program
  const TBytes bt = Written([&](auto& w) { w.WriteString(turkish); });
  ASSERT_EQ(bt.size(), 5 + turkish.size());
  EXPECT_EQ(bt[0], 0x14);
  std::uint32_t length;
  std::memcpy(&length, &bt[1], 4);
  EXPECT_EQ(length, turkish.size());
  EXPECT_EQ(std::string(bt.begin() + 5, bt.end()), turkish);

  ReadBack(Written([&](auto& w) {
             w.WriteString(s255);
             w.WriteString(s300);
             w.WriteString(turkish);
             w.WriteString("");
           }),
           [&](TdxPSDataReader& r) {
             EXPECT_EQ(r.ReadString(), s255);
             EXPECT_EQ(r.ReadString(), s300);
             EXPECT_EQ(r.ReadString(), turkish);
             EXPECT_EQ(r.ReadString(), "");
             return 0;
           });
}

TEST_F(StorageTest, SingleByteStringsAreReadInTheStreamCodePageWithoutDroppingBytes) {
  // 0xD0 0xDD 0xFE 0x80 0x81 in tag 6 and in tag 12.
  TBytes bytes = Bytes({0x06, 0x05, 0xD0, 0xDD, 0xFE, 0x80, 0x81});
  Append(bytes, Bytes({0x0C, 0x03, 0x00, 0x00, 0x00, 0xF0, 0xFD, 0x8E}));
  auto read = [&] {
    return ReadBack(bytes, [](TdxPSDataReader& r) {
      std::string first = r.ReadString();
      return std::make_pair(first, r.ReadString());
    });
  };
  EXPECT_EQ(dxPSStreamCodePage(), 1254);
  auto [a, b] = read();
  EXPECT_EQ(a, "Ğİş€\u0081");
  EXPECT_EQ(b, "ğı\u008E");  // 0x8E is not defined in 1254: kept as the control character
  ASSERT_TRUE(dxPSSetStreamCodePage(1252));
  std::tie(a, b) = read();
  EXPECT_EQ(a, "ÐÝþ€\u0081");
  EXPECT_EQ(b, "ðýŽ");
  EXPECT_FALSE(dxPSSetStreamCodePage(65001));
  EXPECT_EQ(dxPSStreamCodePage(), 1252);
}

TEST_F(StorageTest, WideAndUtf8StringsAreConvertedAndBadSequencesReplaced) {
  // "Ağ" and a character outside the basic plane, as UTF-16 code units.
  TBytes bytes = Bytes({0x12, 0x04, 0, 0, 0, 0x41, 0x00, 0x1F, 0x01, 0x3D, 0xD8, 0x00, 0xDE});
  // A lone surrogate in UTF-16, invalid UTF-8 (a stray continuation byte and
  // a truncated sequence).
  Append(bytes, Bytes({0x12, 0x02, 0, 0, 0, 0x00, 0xD8, 0x42, 0x00}));
  Append(bytes, Bytes({0x14, 0x04, 0, 0, 0, 0x61, 0x80, 0x62, 0xC3}));
  ReadBack(bytes, [](TdxPSDataReader& r) {
    EXPECT_EQ(r.ReadString(), "Ağ\U0001F600");
    EXPECT_EQ(r.ReadString(), "\uFFFDB");
    EXPECT_EQ(r.ReadString(), "a\uFFFDb\uFFFD");
    return 0;
  });
}

TEST_F(StorageTest, BooleansListsAndDates) {
  EXPECT_EQ(Written([](auto& w) {
              w.WriteBoolean(true);
              w.WriteBoolean(false);
              w.WriteListBegin();
              w.WriteListEnd();
            }),
            Bytes({0x09, 0x08, 0x01, 0x00}));
  // Any tag but 9 is false and is consumed.
  ReadBack(Bytes({0x09, 0x02, 0x08, 0x14, 0x01, 0x00}), [](TdxPSDataReader& r) {
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_FALSE(r.ReadBoolean());
    EXPECT_FALSE(r.ReadBoolean());
    EXPECT_FALSE(r.ReadBoolean());
    EXPECT_FALSE(r.EndOfList());
    r.ReadListBegin();
    EXPECT_TRUE(r.EndOfList());
    EXPECT_TRUE(r.EndOfList());  // only looks
    r.ReadListEnd();
    return 0;
  });

  const TBytes date = Written([](auto& w) { w.WriteDateTime(45000.75); });
  ASSERT_EQ(date.size(), 9u);
  EXPECT_EQ(date[0], 0x11);
  TBytes dates = date;
  Append(dates, Written([](auto& w) {
           w.WriteInteger(40000);
           w.WriteInt64(std::int64_t(1) << 33);
         }));
  ReadBack(dates, [](TdxPSDataReader& r) {
    EXPECT_EQ(r.ReadDateTime(), 45000.75);
    EXPECT_EQ(r.ReadDateTime(), 40000.0);  // whole days
    EXPECT_EQ(r.ReadDateTime(), double(std::int64_t(1) << 33));
    return 0;
  });
  EXPECT_EQ(ReadErrorOf([] { ReadBack(Bytes({0x06, 0x00}), [](auto& r) { return r.ReadDateTime(); }); }),
            "Invalid property value");
}

TEST_F(StorageTest, AValueOfTheWrongKindOrPastTheEndIsAReadError) {
  auto error = [](TBytes bytes, std::function<void(TdxPSDataReader&)> read) {
    return ReadErrorOf([&] {
      ReadBack(bytes, [&](TdxPSDataReader& r) {
        read(r);
        return 0;
      });
    });
  };
  EXPECT_EQ(error(Bytes({0x06, 0x00}), [](auto& r) { r.ReadInteger(); }), "Invalid property value");
  EXPECT_EQ(error(Bytes({0x02, 0x00}), [](auto& r) { r.ReadString(); }), "Invalid property value");
  EXPECT_EQ(error(Bytes({0x00}), [](auto& r) { r.ReadListBegin(); }), "Invalid property value");
  EXPECT_EQ(error(Bytes({0x01}), [](auto& r) { r.ReadListEnd(); }), "Invalid property value");
  EXPECT_EQ(error(Bytes({0x05, 0x00}), [](auto& r) { r.ReadInteger(); }), "Invalid property value");
  EXPECT_EQ(error(Bytes({0x04, 0xA0, 0x86}), [](auto& r) { r.ReadInteger(); }), "Stream read error");
  EXPECT_EQ(error(Bytes({}), [](auto& r) { r.EndOfList(); }), "Stream read error");
  EXPECT_EQ(error(Bytes({0x06, 0x05, 0x61}), [](auto& r) { r.ReadString(); }), "Stream read error");
  // Lengths far beyond the stream are refused before anything is allocated.
  EXPECT_EQ(error(Bytes({0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 0x61}), [](auto& r) { r.ReadString(); }), "Stream read error");
  EXPECT_EQ(error(Bytes({0x14, 0xF0, 0xFF, 0xFF, 0x7F, 0x61}), [](auto& r) { r.ReadString(); }), "Stream read error");
  EXPECT_EQ(error(Bytes({0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x61, 0x00}), [](auto& r) { r.ReadString(); }),
            "Stream read error");
  EXPECT_EQ(error(Bytes({0x0C, 0xFF, 0xFF, 0xFF, 0xFF}), [](auto& r) { r.ReadString(); }), "Invalid property value");
  TBitmap bitmap;
  EXPECT_EQ(error(Bytes({0x13, 0, 0, 0, 0, 0, 0, 0, 0x40, 1, 2}), [&](auto& r) { r.ReadPicture(bitmap); }),
            "Stream read error");
  EXPECT_EQ(error(Bytes({0x13, 0, 0, 0, 0, 0, 0, 0, 0x80}), [&](auto& r) { r.SkipPicture(); }),
            "Invalid property value");
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(error(Bytes({0x0F}), [](auto& r) { r.SkipBytes(2); }), "Stream read error");
  EXPECT_EQ(error(Bytes({0x01, 0x02}), [](auto& r) { r.ReadRect(); }), "Stream read error");
}

TEST_F(StorageTest, ListNestingIsBounded) {
  TBytes deep(TdxPSDataReader::MaxListDepth + 1, 0x01);
  int opened = 0;
  const std::string message = ReadErrorOf([&] {
    ReadBack(deep, [&](TdxPSDataReader& r) {
      for (;;) {
        r.ReadListBegin();
        ++opened;
      }
      return 0;
    });
  });
  EXPECT_EQ(message, "Report stream lists are nested too deeply");
  EXPECT_EQ(opened, TdxPSDataReader::MaxListDepth);
  // Lists after each other do not add up.
  TBytes flat;
  for (int i = 0; i < 2000; ++i) Append(flat, Bytes({0x01, 0x00}));
  ReadBack(flat, [](TdxPSDataReader& r) {
    for (int i = 0; i < 2000; ++i) {
      r.ReadListBegin();
      r.ReadListEnd();
    }
    return 0;
  });
}

// ---- Typed records ------------------------------------------------------------------

TEST_F(StorageTest, RectanglesAndVersionTriplesAreRawIntegers) {
  const TBytes bytes = Written([](auto& w) {
    w.WriteRect(TRect(1, -2, 300, 70000));
    w.WriteVersionTriple({3, 0, 2});
    w.WriteRawUInt32(0xA1B2C3D4);
  });
  EXPECT_EQ(bytes, Bytes({1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x2C, 1, 0, 0, 0x70, 0x11, 1, 0,  //
                          3, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0xD4, 0xC3, 0xB2, 0xA1}));
  ReadBack(bytes, [](TdxPSDataReader& r) {
    EXPECT_EQ(r.ReadRect(), TRect(1, -2, 300, 70000));
    EXPECT_EQ(r.ReadVersionTriple(), (TdxPSVersionTriple{3, 0, 2}));
    EXPECT_EQ(r.ReadRawUInt32(), 0xA1B2C3D4u);
    return 0;
  });
}

TEST_F(StorageTest, ClassReferencesNameRegisteredClassesAndFallBackToTheDefaults) {
  const TBytes bytes = Written([](auto& w) {
    w.WriteClass(nullptr);
    w.WriteClass(TdxPSCellRaisedBorder::StaticClass());
    w.WriteString("TNoSuchClass");
    w.WriteClass(nullptr);
    w.WriteClass(TdxPSCrossFillPattern::StaticClass());
    w.WriteClass(TdxReportCell::StaticClass());  // registered, but no fill pattern
    w.WriteClass(TdxPSReportGroupWebLookAndFeel::StaticClass());
    w.WriteString("TNoSuchLookAndFeel");
  });
  ASSERT_EQ(TBytes(bytes.begin(), bytes.begin() + 5), Bytes({0x06, 0x03, 'n', 'i', 'l'}));
  ReadBack(bytes, [](TdxPSDataReader& r) {
    EXPECT_EQ(r.ReadClass(), nullptr);
    EXPECT_EQ(r.ReadCellBorderClass(), TdxPSCellRaisedBorder::StaticClass());
    EXPECT_EQ(r.ReadCellBorderClass(), TdxPSCellUltraFlatBorder::StaticClass());
    EXPECT_EQ(r.ReadFillPatternClass(), TdxPSSolidFillPattern::StaticClass());
    EXPECT_EQ(r.ReadFillPatternClass(), TdxPSCrossFillPattern::StaticClass());
    EXPECT_EQ(r.ReadFillPatternClass(), TdxPSSolidFillPattern::StaticClass());
    EXPECT_EQ(r.ReadLookAndFeelClass(), TdxPSReportGroupWebLookAndFeel::StaticClass());
    EXPECT_EQ(r.ReadLookAndFeelClass(), TdxPSReportGroupNullLookAndFeel::StaticClass());
    return 0;
  });
}

TEST_F(StorageTest, FontRecordsKeepTheirFieldsInOrder) {
  TFont font;
  font.Name = "Times New Roman";
  font.Charset = 162;
  font.Color = clRed;
  font.Pitch = fpFixed;
  font.SetSize(14);
  font.Style = fsBold | fsUnderline;
  const TBytes bytes = Written([&](auto& w) { w.WriteFont(font); });
  TBytes expected = Bytes({0x03, 162, 0});                      // charset (beyond the 1-byte range)
  Append(expected, Bytes({0x03, 0xFF, 0x00}));                 // colour
  Append(expected, Bytes({0x06, 15}));                          // face name
  Append(expected, TBytes(font.Name.begin(), font.Name.end()));
  Append(expected, Bytes({0x02, 2, 0x02, 14, 0x02, 5}));       // pitch, size, style
  EXPECT_EQ(bytes, expected);

  TFont given;
  given.Orientation = 900;
  ReadBack(bytes, [&](TdxPSDataReader& r) {
    r.ReadFont(given);
    return 0;
  });
  EXPECT_EQ(given.Name, font.Name);
  EXPECT_EQ(given.Charset, 162);
  EXPECT_EQ(given.Color, clRed);
  EXPECT_EQ(given.Pitch, fpFixed);
  EXPECT_EQ(given.Size(), 14);
  EXPECT_EQ(given.Style, fsBold | fsUnderline);
  EXPECT_EQ(given.Orientation, 900);  // not in the record: left as it was
  const TFont fresh = ReadBack(bytes, [](TdxPSDataReader& r) { return r.ReadFont(); });
  EXPECT_EQ(fresh.Size(), 14);

  // A record cut short leaves the given font alone.
  TFont untouched;
  const TBytes cut(bytes.begin(), bytes.end() - 2);
  EXPECT_EQ(ReadErrorOf([&] { ReadBack(cut, [&](auto& r) { r.ReadFont(untouched); return 0; }); }),
            "Stream read error");
  EXPECT_EQ(untouched, TFont());
}

TEST_F(StorageTest, BitmapsAreWrittenWithTheirMaskAndKeepIt) {
  const TBitmap bitmap = KeyedBitmap();
  const TBytes bytes = Written([&](auto& w) { w.WritePicture(bitmap); });
  const TBytes image = bitmap.SaveToStream();
  const TBytes mask = dxPSBitmapMaskBytes(bitmap);
  // N, the BMP file, 1, the mask.
  ASSERT_EQ(bytes[0], 0x03);  // the record length as an integer of the smallest size
  const std::size_t n = bytes[1] | (bytes[2] << 8);
  EXPECT_EQ(n, image.size() + 1 + mask.size());
  EXPECT_EQ(TBytes(bytes.begin() + 3, bytes.begin() + 3 + std::ptrdiff_t(image.size())), image);
  EXPECT_EQ(bytes[3 + image.size()], 1);
  EXPECT_EQ(TBytes(bytes.end() - std::ptrdiff_t(mask.size()), bytes.end()), mask);

  // The mask is a monochrome bitmap, white exactly where the transparent
  // colour is.
  TBitmap maskBitmap;
  maskBitmap.LoadFromStream(mask);
  EXPECT_TRUE(maskBitmap.Monochrome());
  EXPECT_EQ(PixelRGB(maskBitmap.Image(), 0, 3), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(maskBitmap.Image(), 1, 1), 0x000000u);
  EXPECT_EQ(PixelRGB(maskBitmap.Image(), 4, 2), 0x000000u);
  EXPECT_EQ(PixelRGB(maskBitmap.Image(), 5, 0), 0xFFFFFFu);

  TBitmap read;
  ReadBack(bytes, [&](TdxPSDataReader& r) {
    r.ReadPicture(read);
    EXPECT_EQ(r.Remaining(), 0);
    return 0;
  });
  EXPECT_EQ(read.Image().convertToFormat(QImage::Format_RGB32), bitmap.Image().convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(dxPSBitmapMaskBytes(read), mask);
  // Drawn transparent, the keyed pixels let the background through.
  read.SetTransparent(true);
  QImage canvas(6, 4, QImage::Format_RGB32);
  canvas.fill(Qt::green);
  {
    QPainter painter(&canvas);
    read.Draw(painter, QRectF(0, 0, 6, 4));
  }
  EXPECT_EQ(PixelRGB(canvas, 0, 0), 0x00FF00u);
  EXPECT_EQ(PixelRGB(canvas, 1, 1), 0xC80A0Au);
}

TEST_F(StorageTest, AForeignMaskBecomesTransparencyAndABadOneIsRefused) {
  const TBitmap bitmap = KeyedBitmap();
  TBytes image = bitmap.SaveToStream();
  // A mask that hides the red pixel only.
  QImage maskImage(6, 4, QImage::Format_RGB32);
  maskImage.fill(Qt::black);
  maskImage.setPixel(1, 1, qRgb(255, 255, 255));
  TBitmap maskBitmap;
  maskBitmap.SetImage(maskImage);
  auto record = [&](const TBytes& mask) {
    TBytes payload = image;
    payload.push_back(1);
    Append(payload, mask);
    return Written([&](auto& w) {
      w.WriteInt64(std::int64_t(payload.size()));
      w.Write(payload.data(), payload.size());
    });
  };
  TBitmap read;
  ReadBack(record(maskBitmap.SaveToStream()), [&](TdxPSDataReader& r) {
    r.ReadPicture(read);
    return 0;
  });
  ASSERT_TRUE(read.Image().hasAlphaChannel());
  EXPECT_EQ(qAlpha(read.Image().pixel(1, 1)), 0);
  EXPECT_EQ(qAlpha(read.Image().pixel(0, 3)), 255);

  // A mask of another size: refused, the target as it was.
  TBitmap smaller;
  smaller.SetSize(3, 3);
  TBitmap target = KeyedBitmap();
  target.SetSize(2, 2);
  const TBytes badMask = record(smaller.SaveToStream());
  EXPECT_EQ(ReadErrorOf([&] { ReadBack(badMask, [&](auto& r) { r.ReadPicture(target); return 0; }); }),
            "Invalid picture record in report stream");
  EXPECT_EQ(target.Width(), 2);
}

TEST_F(StorageTest, OtherPicturesCarryNoMaskAndEmptyRecordsChangeNothing) {
  const TMetafile metafile = SmallMetafile();
  const TBytes bytes = Written([&](auto& w) {
    w.WritePicture(metafile);
    w.WritePicture(TBitmap());
    w.WriteInteger(42);
  });
  const TBytes emf = metafile.SaveToStream();
  ASSERT_GT(emf.size(), 100u);
  TMetafile read;
  TBitmap untouched = KeyedBitmap();
  ReadBack(bytes, [&](TdxPSDataReader& r) {
    const std::int64_t start = r.Position();
    EXPECT_EQ(r.ReadInt64(), std::int64_t(emf.size() + 1));
    r.SetPosition(start);
    r.ReadPicture(read);
    r.ReadPicture(untouched);  // N = 0
    EXPECT_EQ(r.ReadInteger(), 42);
    return 0;
  });
  EXPECT_EQ(read.SaveToStream(), emf);
  EXPECT_EQ(bytes[bytes.size() - 2 - 2 - 1], 0);  // the flag after the picture, then 02 00, then 02 2A
  EXPECT_EQ(untouched.Width(), 6);

  // Skipping passes over the whole record.
  ReadBack(bytes, [](TdxPSDataReader& r) {
    r.SkipPicture();
    r.SkipPicture();
    EXPECT_EQ(r.ReadInteger(), 42);
    return 0;
  });
}

TEST_F(StorageTest, ImageListsRoundTripInTheirOwnFormat) {
  TCustomImageList list(6, 4);
  list.Add(KeyedBitmap());
  TBitmap blue;
  QImage image(6, 4, QImage::Format_RGB32);
  image.fill(Qt::blue);
  blue.SetImage(image);
  list.Add(blue);
  const TBytes bytes = Written([&](auto& w) { w.WriteImageList(list); });
  const TBytes record = dxPSImageListRecordBytes(list);
  ASSERT_GE(record.size(), 20u);
  EXPECT_EQ(TBytes(record.begin(), record.begin() + 20),
            Bytes({'d', 'x', 'I', 'L', 1, 0, 0, 0, 6, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0}));

  TCustomImageList read(16, 16);
  ReadBack(bytes, [&](TdxPSDataReader& r) {
    r.ReadImageList(read);
    return 0;
  });
  ASSERT_EQ(read.Count(), 2);
  EXPECT_EQ(read.Width(), 6);
  EXPECT_EQ(read.Height(), 4);
  EXPECT_EQ(PixelRGB(read.Image(0).Image(), 1, 1), 0xC80A0Au);
  EXPECT_EQ(PixelRGB(read.Image(1).Image(), 3, 3), 0x0000FFu);
  EXPECT_TRUE(read.Image(0).Transparent());

  // Damaged records are refused and leave the list alone.
  auto damaged = [&](std::size_t at, std::uint8_t value) {
    TBytes bad = record;
    bad[at] = value;
    return Written([&](auto& w) {
      w.WriteInt64(std::int64_t(bad.size()));
      w.Write(bad.data(), bad.size());
    });
  };
  for (auto [at, value] : {std::pair<std::size_t, std::uint8_t>{0, 'X'}, {4, 2}, {8, 0}, {17, 0x7F}, {22, 0x7F}}) {
    TCustomImageList target(3, 3);
    target.Add(blue);
    EXPECT_FALSE(ReadErrorOf([&] { ReadBack(damaged(at, value), [&](auto& r) { r.ReadImageList(target); return 0; }); })
                     .empty())
        << "byte " << at;
    EXPECT_EQ(target.Count(), 1);
    EXPECT_EQ(target.Width(), 3);
  }
  TCustomImageList unchanged(5, 5);
  ReadBack(Bytes({0x02, 0x00}), [&](TdxPSDataReader& r) {
    r.ReadImageList(unchanged);
    return 0;
  });
  EXPECT_EQ(unchanged.Width(), 5);
}

// ---- Buffering and streams -------------------------------------------------------------

TEST_F(StorageTest, ReaderAndWriterWorkAcrossTheirBuffers) {
  const std::string longText(10000, 'z');
  TBytes bytes = Written([&](auto& w) {
    for (int i = 0; i < 3000; ++i) w.WriteInteger(i * 37);
    w.WriteString(longText);
    w.WriteString("son");
  });
  EXPECT_GT(bytes.size(), 3 * TdxPSDataWriter::DefaultBufferSize);
  ReadBack(bytes, [&](TdxPSDataReader& r) {
    for (int i = 0; i < 3000; ++i) EXPECT_EQ(r.ReadInteger(), i * 37);
    const std::int64_t text = r.Position();
    EXPECT_EQ(r.ReadString(), longText);
    EXPECT_EQ(r.ReadString(), "son");
    EXPECT_EQ(r.Remaining(), 0);
    // Back into the buffer, back beyond it, forward again.
    r.SetPosition(text);
    EXPECT_EQ(r.ReadString(), longText);
    r.SetPosition(0);
    EXPECT_EQ(r.ReadInteger(), 0);
    EXPECT_EQ(r.ReadInteger(), 37);
    r.SetPosition(text + 5 + std::int64_t(longText.size()));
    EXPECT_EQ(r.ReadString(), "son");
    return 0;
  });

  // The writer goes back to fill in a field and on to the end again.
  TBytes patched;
  {
    TdxBytesStream stream(patched);
    TdxPSDataWriter w(stream);
    w.WriteRawInt32(0);
    for (int i = 0; i < 2000; ++i) w.WriteInteger(100000);
    const std::int64_t end = w.Position();
    w.SetPosition(0);
    w.WriteRawInt32(std::int32_t(end));
    w.SetPosition(end);
    w.WriteBoolean(true);
    w.Flush();
  }
  ASSERT_EQ(patched.size(), 4u + 2000 * 5 + 1);
  EXPECT_EQ(ReadBack(patched, [](TdxPSDataReader& r) { return r.ReadRawInt32(); }), 4 + 2000 * 5);
  EXPECT_EQ(patched.back(), 0x09);
}

TEST_F(StorageTest, WritingToAReadOnlyStreamFails) {
  const TBytes source = Bytes({1, 2, 3});
  TdxByteViewStream stream(source);
  TdxPSDataWriter writer(stream);
  writer.WriteInteger(5);
  try {
    writer.Flush();
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message, "Stream write error");
  }
}

TEST_F(StorageTest, FileStreamsReadWriteAndReportMissingFiles) {
  ScratchDir dir;
  const std::string path = dir.Path("values.bin");
  {
    TdxFileStream file(path, TdxFileStreamMode::Create);
    TdxPSDataWriter w(file);
    w.WriteString("dosya");
    w.WriteInteger(-7);
    w.Flush();
  }
  TdxFileStream file(path, TdxFileStreamMode::Read);
  EXPECT_EQ(file.Size(), 9);
  TdxPSDataReader r(file);
  EXPECT_EQ(r.ReadString(), "dosya");
  EXPECT_EQ(r.ReadInteger(), -7);
  EXPECT_THROW(TdxFileStream(dir.Path("absent.bin"), TdxFileStreamMode::Read), EFOpenError);
  EXPECT_THROW(TdxFileStream(dir.Path("no/such/folder.bin"), TdxFileStreamMode::Create), EFCreateError);
}

// ---- Reader and writer classes -------------------------------------------------------------

class TVersionTwoReader : public TdxPSDataReader {
 public:
  template <class T>
  using dxMetaClass = TdxPSStreamFilerMeta<T>;
  DX_CLASS(TVersionTwoReader, TdxPSDataReader)

 public:
  using TdxPSDataReader::TdxPSDataReader;
  static bool SupportsStreamVersion(int version) { return version == 2; }
};

TEST_F(StorageTest, FactoriesAnswerTheFilerClassForAVersionFromTheEndOfTheirList) {
  TdxPSReaderFactory* factory = TdxPSReaderFactory::Instance();
  TdxPSDataReader::Unregister();
  EXPECT_EQ(factory->ReaderClassFor(1), nullptr);
  factory->Register(TVersionTwoReader::StaticClass());
  EXPECT_EQ(factory->ReaderClassFor(1), nullptr);
  EXPECT_EQ(factory->ReaderClassFor(2), TVersionTwoReader::StaticClass());
  TdxPSDataReader::Register();  // goes to the front: found last
  EXPECT_EQ(factory->ReaderClassFor(1), TdxPSDataReader::StaticClass());
  EXPECT_EQ(factory->ReaderClassFor(2), TVersionTwoReader::StaticClass());
  factory->Unregister(TVersionTwoReader::StaticClass());
  EXPECT_EQ(factory->ReaderClassFor(2), TdxPSDataReader::StaticClass());

  TdxPSDataWriter::Register();
  EXPECT_EQ(TdxPSWriterFactory::Instance()->WriterClassFor(7), TdxPSDataWriter::StaticClass());
  EXPECT_TRUE(TdxPSDataWriter::SupportsStreamVersion(-3));
}

// ---- A document through the real reader and writer -------------------------------------------

TEST_F(StorageTest, ADocumentWrittenReadAndWrittenAgainGivesTheSameBytes) {
  TdxReportCells doc;
  doc.Cells()->SetBoundsRect(TRect(0, 0, 400, 300));
  auto* cell = new TdxReportCell(doc.Cells());
  cell->SetBoundsRect(TRect(10, 10, 200, 100));
  cell->SetBorderClass(TdxPSCellSunkenBorder::StaticClass());
  auto* text = new TdxReportCellString(cell);
  text->SetBoundsRect(TRect(0, 0, 100, 20));
  text->SetText("Ocak Şubat");
  auto* check = new TdxReportCellCheck(cell);
  check->SetChecked(true);
  auto* picture = new TdxReportCellGraphic(cell);
  const TMetafile metafile = SmallMetafile();
  picture->SetImage(&metafile);
  auto* image = new TdxReportCellImage(cell);
  const TBitmap bitmap = KeyedBitmap();
  image->SetImage(&bitmap);
  auto* ellipse = new TdxReportCellEllipse(cell);
  ellipse->SetShapeColor(clRed);
  auto* group = new TdxReportGroup(doc.Cells());
  group->Caption = "Grup";
  doc.HeaderCell()->SetBoundsRect(TRect(0, 0, 400, 20));
  new TdxReportCellString(doc.AddOverlay());

  // The first read resolves the system colours of defaults into RGB values;
  // from then on a document reads and writes without change.
  const TBytes first = Written([&](auto& w) { doc.WriteData(w); });
  TdxReportCells copy;
  ReadBack(first, [&](TdxPSDataReader& r) {
    copy.ReadData(r);
    EXPECT_EQ(r.Remaining(), 0);
    return 0;
  });
  ASSERT_EQ(copy.Cells()->CellCount(), 2);
  ASSERT_EQ(copy.Cells()->Cells(0)->DataItemCount(), 5);
  EXPECT_EQ(dynamic_cast<TdxReportCellString*>(copy.Cells()->Cells(0)->DataItems(0))->GetText(), "Ocak Şubat");
  EXPECT_EQ(copy.Cells()->Cells(0)->BorderClass(), TdxPSCellSunkenBorder::StaticClass());
  EXPECT_EQ(dynamic_cast<TdxReportGroup*>(copy.Cells()->Cells(1))->Caption, "Grup");
  EXPECT_EQ(copy.OverlayCount(), 1);
  EXPECT_TRUE(copy.HasHeaderCell());
  const TBytes second = Written([&](auto& w) { copy.WriteData(w); });
  TdxReportCells again;
  ReadBack(second, [&](TdxPSDataReader& r) {
    again.ReadData(r);
    return 0;
  });
  const TBytes third = Written([&](auto& w) { again.WriteData(w); });
  const auto diff = std::mismatch(second.begin(), second.end(), third.begin(), third.end());
  EXPECT_EQ(third, second) << "first difference at " << (diff.first - second.begin());

  // The same bytes with an item class that is not registered: an assertion
  // failure, and the document is left empty.
  TBytes renamed = first;
  const std::string name = "TdxReportCellString";
  auto at = std::search(renamed.begin(), renamed.end(), name.begin(), name.end());
  ASSERT_NE(at, renamed.end());
  at[name.size() - 1] = 'X';
  TdxReportCells other;
  try {
    ReadBack(renamed, [&](TdxPSDataReader& r) {
      other.ReadData(r);
      return 0;
    });
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "Assertion failure");
  }
  EXPECT_EQ(other.Cells()->CellCount(), 0);
}

}  // namespace

TEST_F(StorageTest, AShapeKeepsItsFillThroughASaveAndALoad) {
  // What each shape's fill is saved as, and what it reads back as; a
  // pattern class that is not registered reads as the solid fill, as it
  // always did.
  const struct {
    TdxPSFillPatternClass saved;
    const char* renamed;  // the pattern's name in the file, changed to this
    TdxPSFillPatternClass loaded;
  } cases[] = {
      {nullptr, nullptr, nullptr},
      {TdxPSSolidFillPattern::StaticClass(), nullptr, TdxPSSolidFillPattern::StaticClass()},
      {TdxPSCrossFillPattern::StaticClass(), nullptr, TdxPSCrossFillPattern::StaticClass()},
      {TdxPSCrossFillPattern::StaticClass(), "TdxPSCrossFillPatterX", TdxPSSolidFillPattern::StaticClass()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.renamed ? c.renamed : dxClassName(c.saved));
    TdxReportCells doc;
    doc.Cells()->SetBoundsRect(TRect(0, 0, 400, 300));
    auto* cell = new TdxReportCell(doc.Cells());
    auto* shape = new TdxReportCellRectangle(cell);
    shape->SetContentPattern(c.saved);
    TBytes bytes = Written([&](auto& w) { doc.WriteData(w); });
    if (c.renamed) {
      const std::string name = dxClassName(c.saved);
      auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
      ASSERT_NE(at, bytes.end());
      std::copy(c.renamed, c.renamed + name.size(), at);
    }
    TdxReportCells copy;
    ReadBack(bytes, [&](TdxPSDataReader& r) {
      copy.ReadData(r);
      return 0;
    });
    ASSERT_EQ(copy.Cells()->CellCount(), 1);
    ASSERT_EQ(copy.Cells()->Cells(0)->DataItemCount(), 1);
    EXPECT_EQ(copy.Cells()->Cells(0)->DataItems(0)->GetContentPattern(), c.loaded);
  }
}
