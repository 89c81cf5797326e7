// The orientation a camera records in a JPEG's EXIF block (APP1 "Exif"), and
// where each stored pixel lands in the upright picture.
//
// The block is outside input: every offset and count is checked against the
// block before it is used, and only the first directory (IFD0, where the
// orientation lives) is read, so no chain of directory links is followed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Graphics.h"

// The eight orientations of the EXIF tag 0x0112: which side of the upright
// picture the stored first row and first column show.
enum class TExifOrientation : std::uint8_t {
  Normal = 1,          // row 0 top, column 0 left
  MirrorHorizontal,    // row 0 top, column 0 right
  Rotate180,           // row 0 bottom, column 0 right
  MirrorVertical,      // row 0 bottom, column 0 left
  Transpose,           // row 0 left, column 0 top
  Rotate90,            // row 0 right, column 0 top (turn clockwise to view)
  Transverse,          // row 0 right, column 0 bottom
  Rotate270,           // row 0 left, column 0 bottom (turn anticlockwise to view)
};

// The orientation in an APP1 segment's payload (the bytes after the marker's
// length, starting with "Exif\0\0"). A payload that is not EXIF, a damaged
// block, a missing tag or a value outside 1..8 give Normal.
TExifOrientation ExifOrientation(TByteView app1);

// True when the upright picture's width is the stored height.
inline bool SwapsSides(TExifOrientation o) { return o >= TExifOrientation::Transpose; }

// Where the stored pixel (x, y) of a width x height picture lands in the
// upright picture: upright index = Origin + x * StepX + y * StepY, in pixels
// of an upright picture whose lines are stride pixels apart.
struct TOrientedPlacement {
  std::ptrdiff_t Origin = 0;
  std::ptrdiff_t StepX = 1;
  std::ptrdiff_t StepY = 0;
};
TOrientedPlacement OrientedPlacement(TExifOrientation o, int width, int height, std::ptrdiff_t stride);
