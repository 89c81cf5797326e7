// Reading files chosen by a person who may have chosen anything: FIFOs,
// devices, folders and huge files are refused at once with the reason, a
// file that cannot be a picture of its kind is refused on its first bytes,
// and the picture already shown stays as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <chrono>
#include <cstdio>

#include "platform/Graphics.h"
#include "platform/ReadableFile.h"
#include "tests/HostileFiles.h"

namespace {

constexpr std::int64_t kGigabyte = std::int64_t(1) << 30;
constexpr std::int64_t kMemoryBound = std::int64_t(64) << 20;

struct HostileName {
  const char* label;
  std::function<std::string(const ScratchDir&)> make;
  const char* reason;  // part of the message
};

class ReadableFileTest : public ::testing::TestWithParam<HostileName> {
 protected:
  ScratchDir dir_;
};

const HostileName kHostileNames[] = {
    {"Fifo", [](const ScratchDir& d) { return MakeFifo(d, "photo.jpg"); }, "FIFO"},
    {"DeviceLink", [](const ScratchDir& d) { return MakeLink(d, "photo.jpg", "/dev/zero"); }, "character device"},
    {"Folder",
     [](const ScratchDir& d) {
       QDir().mkpath(QString::fromStdString(d.Path("folder.jpg")));
       return d.Path("folder.jpg");
     },
     "Is a directory"},
    {"Missing", [](const ScratchDir& d) { return d.Path("none.jpg"); }, "No such file"},
    {"TooLarge",
     [](const ScratchDir& d) {
       const TBytes head = {0xFF, 0xD8, 0xFF, 0xE0};
       return MakeSparseFile(d, "huge.jpg", head, kGigabyte);
     },
     "too large"},
};

// Whatever the name leads to, the picture shown before stays, and the
// refusal comes at once (a FIFO would otherwise wait for a writer for ever).
TEST_P(ReadableFileTest, RefusedWithTheReasonAndThePictureStays) {
  const std::string name = GetParam().make(dir_);
  TPicture picture;
  picture.LoadFromFile(WriteTestJpeg(dir_, "old.jpg", 8, 6));
  ASSERT_EQ(picture.Width(), 8);
  try {
    picture.LoadFromFile(name);
    FAIL() << "loaded " << name;
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message.find(GetParam().reason), std::string::npos) << e.Message;
    EXPECT_NE(e.Message.find(name), std::string::npos) << e.Message;
  }
  EXPECT_EQ(picture.Width(), 8);
  EXPECT_THROW(ReadFileBytes(name), EFOpenError);
}

INSTANTIATE_TEST_SUITE_P(Names, ReadableFileTest, ::testing::ValuesIn(kHostileNames),
                         [](const auto& info) { return std::string(info.param.label); });

// Zeros named .jpg are refused without being read: a gigabyte on its size,
// 200 MB (within what is read whole) on its first bytes, with the JPEG
// reader's own message. The time and memory taken are printed; memory is
// bounded.
TEST(ReadableFileBounds, ZerosNamedJpgAreRefusedWithoutBeingRead) {
  ScratchDir dir;
  struct Case {
    std::int64_t size;
    bool onHead;  // refused by the picture reader, else by its size
  };
  for (const Case c : {Case{kGigabyte, false}, Case{200 << 20, true}}) {
    const std::string name = MakeSparseFile(dir, std::to_string(c.size) + ".jpg", TBytes(16, 0), c.size);
    TPicture picture;
    std::string message;
    bool invalidPicture = false;
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t grown = PeakMemoryGrowth([&] {
      try {
        picture.LoadFromFile(name);
      } catch (const EInvalidGraphic& e) {
        invalidPicture = true;
        message = e.Message;
      } catch (const EFOpenError& e) {
        message = e.Message;
      }
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%lld MB of zeros as a JPEG: refused in %.4f s, peak memory grew by %.1f MB (%s)\n",
                static_cast<long long>(c.size >> 20), seconds, double(grown) / (1 << 20), message.c_str());
    EXPECT_LT(grown, kMemoryBound);
    EXPECT_EQ(invalidPicture, c.onHead) << message;
    EXPECT_NE(message.find(c.onHead ? "JPEG error" : "too large"), std::string::npos) << message;
    EXPECT_TRUE(picture.Empty());
  }
}

TEST(ReadableFileBounds, HeadsOfEveryKindAreKnown) {
  struct Case {
    TGraphicClass cls;
    TBytes good;
  };
  TBytes emf(44, 0);
  emf[0] = 1;
  emf[40] = ' ', emf[41] = 'E', emf[42] = 'M', emf[43] = 'F';
  const Case cases[] = {
      {TBitmap::Class(), {'B', 'M', 0, 0}},
      {TIcon::Class(), {0, 0, 1, 0, 1, 0}},
      {TJPEGImage::Class(), {0xFF, 0xD8, 0xFF, 0xE1}},
      {TMetafile::Class(), emf},
      {TMetafile::Class(), {0xD7, 0xCD, 0xC6, 0x9A}},
      {TMetafile::Class(), {1, 0, 9, 0, 0, 3}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(PictureHeadFits(c.cls, c.good)) << c.cls->ClassName;
    EXPECT_FALSE(PictureHeadFits(c.cls, TBytes(64, 0))) << c.cls->ClassName;
    EXPECT_FALSE(PictureHeadFits(c.cls, TBytes())) << c.cls->ClassName;
  }
}

// A file that grows past the bound while it is read is refused too.
TEST(ReadableFileBounds, ReadingStopsAtTheBound) {
  ScratchDir dir;
  const std::string name = dir.Write("small.bin", std::string(100, 'a'));
  TReadableFile file(name, 150);
  dir.Write("small.bin", std::string(200, 'b'));  // grows after it was opened
  EXPECT_THROW(file.ReadAll(), EFOpenError);
  TReadableFile again(name, 200);
  EXPECT_EQ(again.ReadAll().size(), 200u);
}

}  // namespace
