// EXIF orientation: the tag read from IFD0 in both byte orders, and damaged or
// hostile blocks that must read as "as stored" without reading past the block.
#include <gtest/gtest.h>

#include "platform/ExifOrientation.h"
#include "tests/platform/JpegFiles.h"

using testfiles::ExifEntry;
using testfiles::ExifSegment;

namespace {

constexpr std::uint16_t Tag = 0x0112, Short = 3, Long = 4, Ascii = 2;

int Read(const TBytes& block) { return int(ExifOrientation(block)); }

}  // namespace

TEST(ExifOrientation, EveryValueInBothByteOrders) {
  for (bool bigEndian : {false, true})
    for (int v = 1; v <= 8; ++v) {
      // The tag after other entries, as cameras write it.
      const TBytes block = ExifSegment({{0x010F, Ascii, 6, 0x40}, {0x0110, Ascii, 6, 0x50}, {Tag, Short, 1, std::uint32_t(v)}},
                                       bigEndian);
      EXPECT_EQ(Read(block), v) << bigEndian;
    }
}

TEST(ExifOrientation, DamagedBlocksReadAsStored) {
  const TBytes good = ExifSegment({{Tag, Short, 1, 6}});
  ASSERT_EQ(Read(good), 6);
  TBytes wrongSignature = good;
  wrongSignature[0] = 'e';
  TBytes wrongOrder = good;
  wrongOrder[6] = 'X';
  TBytes wrongMagic = good;
  wrongMagic[8] = 43;
  struct Case {
    const char* what;
    TBytes block;
  } cases[] = {
      {"empty", {}},
      {"signature only", TBytes(good.begin(), good.begin() + 6)},
      {"not EXIF", wrongSignature},
      {"no byte order", wrongOrder},
      {"not TIFF", wrongMagic},
      {"no tag", ExifSegment({{0x010F, Ascii, 6, 0x40}})},
      {"value 0", ExifSegment({{Tag, Short, 1, 0}})},
      {"value 9", ExifSegment({{Tag, Short, 1, 9}})},
      {"value 0xFFFF", ExifSegment({{Tag, Short, 1, 0xFFFF}})},
      {"wrong type", ExifSegment({{Tag, Long, 1, 6}})},
      {"count 2^32-1", ExifSegment({{Tag, Short, 0xFFFFFFFF, 6}})},
      {"count 0", ExifSegment({{Tag, Short, 0, 6}})},
      {"directory past the block", ExifSegment({{Tag, Short, 1, 6}}, false, 0x7FFFFFF0)},
      {"directory at 2^32-1", ExifSegment({{Tag, Short, 1, 6}}, true, 0xFFFFFFFF)},
      {"directory in the header", ExifSegment({{Tag, Short, 1, 6}}, false, 7)},
      // 65535 entries claimed, the tag would be the second, the block holds one.
      {"entries past the block", ExifSegment({{0x010F, Ascii, 6, 0}}, false, 8, 0, 0xFFFF)},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.block), 1) << c.what;
  // Every cut of a good block is either complete enough or as stored; none
  // reads past its end (the sanitizer watches the copies, which end exactly).
  for (std::size_t n = 0; n < good.size(); ++n) {
    const TBytes cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    const int v = Read(cut);
    EXPECT_TRUE(v == 1 || v == 6) << n;
  }
}

TEST(ExifOrientation, DirectoryLinksAreNotFollowed) {
  // IFD0 holds no tag and links to a second directory holding one, which
  // links back to IFD0 (a loop): the picture is as stored, at once.
  constexpr std::uint32_t second = 8 + 2 + 12 + 4;
  TBytes block = ExifSegment({{0x010F, Ascii, 6, 0}}, false, 8, second);
  ASSERT_EQ(block.size(), 6 + second);
  const TBytes next = ExifSegment({{Tag, Short, 1, 8}}, false, 8, 8);
  block.insert(block.end(), next.begin() + 14, next.end());
  EXPECT_EQ(Read(block), 1);
  // The count is cut to the entries present: a tag among them is still read.
  EXPECT_EQ(Read(ExifSegment({{0x010F, Ascii, 6, 0}, {Tag, Short, 1, 3}}, false, 8, 8, 0xFFFF)), 3);
}

TEST(ExifOrientation, PlacementMovesCornersWhereTheTagSays) {
  // A 3 x 2 picture: the stored top-left corner's upright position for each
  // value, in an upright picture whose lines are 10 pixels apart.
  const int w = 3, h = 2;
  const std::ptrdiff_t stride = 10;
  struct Case {
    TExifOrientation o;
    int x, y;  // upright position of stored (0, 0)
  } cases[] = {{TExifOrientation::Normal, 0, 0},    {TExifOrientation::MirrorHorizontal, 2, 0},
               {TExifOrientation::Rotate180, 2, 1}, {TExifOrientation::MirrorVertical, 0, 1},
               {TExifOrientation::Transpose, 0, 0}, {TExifOrientation::Rotate90, 1, 0},
               {TExifOrientation::Transverse, 1, 2}, {TExifOrientation::Rotate270, 0, 2}};
  for (const Case& c : cases) {
    const TOrientedPlacement p = OrientedPlacement(c.o, w, h, stride);
    EXPECT_EQ(p.Origin, c.y * stride + c.x) << int(c.o);
    // Every stored pixel lands inside the upright picture, each on its own place.
    const int uw = SwapsSides(c.o) ? h : w, uh = SwapsSides(c.o) ? w : h;
    std::vector<int> hits(std::size_t(stride * uh), 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::ptrdiff_t i = p.Origin + x * p.StepX + y * p.StepY;
        ASSERT_TRUE(i >= 0 && i % stride < uw && i / stride < uh) << int(c.o) << " " << x << "," << y;
        ++hits[std::size_t(i)];
      }
    for (int v : hits) EXPECT_LE(v, 1);
  }
}
