// Colours of JPEG pictures: embedded ICC profiles (whole or in pieces) are
// converted to sRGB; grey stays grey; damaged or hostile profiles and chains
// leave the pixels as stored, without an error.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "platform/Graphics.h"
#include "tests/TestSupport.h"
#include "tests/platform/IccProfiles.h"
#include "tests/platform/JpegFiles.h"

using testfiles::IccSegments;
using testfiles::Jpeg;
using testfiles::JpegSegment;
using testfiles::WriteJpeg;

namespace {

// Left half one colour, right half another, as RGB samples.
TBytes TwoColours(std::array<JSAMPLE, 3> left, std::array<JSAMPLE, 3> right, std::vector<JpegSegment> segments) {
  return WriteJpeg({.width = 32, .height = 16, .line = [=](int, JSAMPLE* l) {
                      for (int x = 0; x < 32; ++x)
                        for (int c = 0; c < 3; ++c) l[3 * x + c] = (x < 16 ? left : right)[std::size_t(c)];
                    },
                    .segments = std::move(segments)});
}

QImage Decode(const TBytes& file) {
  TJPEGImage jpeg;
  jpeg.LoadFromStream(file);
  return jpeg.ToImage();
}

std::vector<JpegSegment> Join(std::vector<JpegSegment> a, const std::vector<JpegSegment>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

// Expected values: the colours' sRGB equivalents worked out from the colour
// spaces' definitions (primaries, white, tone curves).
TEST(JpegColor, EmbeddedProfilesAreConvertedToSrgb) {
  struct Case {
    const char* what;
    TBytes profile;
    std::size_t piece;  // the profile split into pieces of this size
    QRgb left, right;   // sRGB of (200, 60, 40) and (40, 180, 90)
  } cases[] = {
      {"Adobe RGB", iccprofiles::AdobeRgb(), 60000, 0xE83922, 0x00B553},
      {"Adobe RGB in pieces", iccprofiles::AdobeRgb(), 100, 0xE83922, 0x00B553},
      {"Display P3", iccprofiles::DisplayP3(), 60000, 0xD92A17, 0x00B74E},
      {"sRGB", iccprofiles::Srgb(), 60000, 0xC83C28, 0x28B45A},
  };
  for (const Case& c : cases) {
    const QImage image = Decode(TwoColours({200, 60, 40}, {40, 180, 90}, IccSegments(c.profile, c.piece)));
    EXPECT_TRUE(ColorNear(PixelRGB(image, 4, 8), c.left, 4)) << c.what << " " << std::hex << PixelRGB(image, 4, 8);
    EXPECT_TRUE(ColorNear(PixelRGB(image, 28, 8), c.right, 4)) << c.what << " " << std::hex << PixelRGB(image, 28, 8);
  }
}

TEST(JpegColor, GreyStaysGrey) {
  // Linear grey 128 is sRGB 188; the picture stays neutral.
  const TBytes file = WriteJpeg({.width = 16, .height = 16, .components = 1,
                                 .line = [](int, JSAMPLE* l) { std::fill(l, l + 16, JSAMPLE(128)); },
                                 .segments = IccSegments(iccprofiles::LinearGrey(), 60000)});
  const QRgb p = PixelRGB(Decode(file), 8, 8);
  EXPECT_TRUE(ColorNear(p, 0xBCBCBC, 3)) << std::hex << p;
  EXPECT_EQ(qRed(p), qGreen(p));
  EXPECT_EQ(qGreen(p), qBlue(p));
  // An RGB profile does not describe grey pixels: they stay as stored.
  const TBytes rgbProfile = WriteJpeg({.width = 16, .height = 16, .components = 1,
                                       .line = [](int, JSAMPLE* l) { std::fill(l, l + 16, JSAMPLE(128)); },
                                       .segments = IccSegments(iccprofiles::AdobeRgb(), 60000)});
  EXPECT_TRUE(ColorNear(PixelRGB(Decode(rgbProfile), 8, 8), 0x808080, 2));
}

TEST(JpegColor, DamagedProfilesLeaveThePixelsAsStored) {
  const TBytes adobe = iccprofiles::AdobeRgb();
  const QImage plain = Decode(TwoColours({200, 60, 40}, {40, 180, 90}, {}));
  std::vector<JpegSegment> pieces = IccSegments(adobe, 200);
  ASSERT_GE(pieces.size(), 3u);
  auto withPiece = [&](std::size_t i, std::function<void(TBytes&)> change) {
    std::vector<JpegSegment> s = pieces;
    change(s[i].payload);
    return s;
  };
  TBytes garbage(600);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = std::uint8_t(i * 7);
  TBytes cutTags = adobe;  // the tag table points past the end
  cutTags.resize(200);
  TBytes tagCount = adobe;  // 2^32-1 tags
  tagCount[128] = tagCount[129] = tagCount[130] = tagCount[131] = 0xFF;
  struct Case {
    const char* what;
    std::vector<JpegSegment> segments;
  } cases[] = {
      {"garbage", IccSegments(garbage, 60000)},
      {"cut profile", IccSegments(cutTags, 60000)},
      {"2^32-1 tags", IccSegments(tagCount, 60000)},
      {"a piece missing", {pieces[0], pieces[2]}},
      {"a piece twice", Join(pieces, {pieces[1]})},
      {"sequence 0", withPiece(0, [](TBytes& p) { p[12] = 0; })},
      {"counts differ", withPiece(1, [](TBytes& p) { p[13] = 9; })},
      {"empty piece", withPiece(1, [](TBytes& p) { p.resize(14); })},
      {"marker too short", withPiece(0, [](TBytes& p) { p.resize(13); })},
  };
  for (const Case& c : cases) {
    TJPEGImage jpeg;
    ASSERT_NO_THROW(jpeg.LoadFromStream(TwoColours({200, 60, 40}, {40, 180, 90}, c.segments))) << c.what;
    for (int x : {4, 28}) EXPECT_TRUE(ColorNear(PixelRGB(jpeg.ToImage(), x, 8), PixelRGB(plain, x, 8), 1)) << c.what;
  }
  // The pieces in any order are one profile.
  std::swap(pieces[0], pieces[2]);
  EXPECT_TRUE(ColorNear(PixelRGB(Decode(TwoColours({200, 60, 40}, {40, 180, 90}, pieces)), 4, 8), 0xE83922, 4));
}

// A CMYK photo with the press profile it was separated for (the one the
// system's PostScript interpreter ships): its inks come back as that press
// prints them, not as the plain formula's pure screen colours.
TEST(JpegColor, CmykWithAPressProfileIsConvertedToSrgb) {
  const QStringList found = QDir(QStringLiteral("/usr/share/ghostscript")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
  TBytes press;
  for (const QString& version : found) {
    QFile file(QStringLiteral("/usr/share/ghostscript/%1/iccprofiles/default_cmyk.icc").arg(version));
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray bytes = file.readAll();
      press.assign(bytes.begin(), bytes.end());
    }
  }
  ASSERT_FALSE(press.empty()) << "the PostScript interpreter's CMYK profile is missing (package ghostscript)";
  // Adobe's inverted samples: left full cyan, right full magenta and yellow.
  const std::array<std::vector<JSAMPLE>, 4> inks = {
      std::vector<JSAMPLE>{0, 255, 255, 255}, {255, 0, 0, 255}, {0, 255, 255, 255}, {255, 0, 0, 255}};
  for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
    const QImage image = Decode(WriteJpeg({.width = 32, .height = 16, .components = 4, .stored = stored,
                                           .line = testfiles::Quadrants(32, 16, 4, inks),
                                           .segments = IccSegments(press, 60000)}));
    const QRgb cyan = PixelRGB(image, 4, 4), red = PixelRGB(image, 28, 4);
    // A press cyan is a light blue and a press red leans to orange: the plain
    // formula would give 00FFFF and FF0000.
    EXPECT_LT(qRed(cyan), 60) << stored << " " << std::hex << cyan;
    EXPECT_GT(qBlue(cyan), 180) << stored << " " << std::hex << cyan;
    EXPECT_LT(qGreen(cyan), 225) << stored << " " << std::hex << cyan;
    EXPECT_GT(qRed(red), 200) << stored << " " << std::hex << red;
    EXPECT_GT(qGreen(red), 10) << stored << " " << std::hex << red;
    EXPECT_LT(qBlue(red), 90) << stored << " " << std::hex << red;
  }
}
