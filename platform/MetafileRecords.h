// Private to the metafile code: bounds-checked access to record fields and
// the structural checks that TMetafile and the player share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Graphics.h"

namespace metafile {

// Little-endian fields of one record. A read outside the record yields 0 and
// marks the reader failed; callers test Ok() once after reading a record.
class Fields {
 public:
  explicit Fields(TByteView record) : rec_(record) {}
  std::size_t Size() const { return rec_.size(); }
  bool Has(std::size_t pos, std::size_t n) const { return pos <= rec_.size() && n <= rec_.size() - pos; }
  bool Ok() const { return ok_; }
  void Fail() { ok_ = false; }

  std::uint8_t U8(std::size_t pos) {
    if (!Check(pos, 1)) return 0;
    return rec_[pos];
  }
  std::uint16_t U16(std::size_t pos) {
    if (!Check(pos, 2)) return 0;
    return std::uint16_t(rec_[pos] | (rec_[pos + 1] << 8));
  }
  std::int16_t I16(std::size_t pos) { return std::int16_t(U16(pos)); }
  std::uint32_t U32(std::size_t pos) {
    if (!Check(pos, 4)) return 0;
    return std::uint32_t(rec_[pos]) | (std::uint32_t(rec_[pos + 1]) << 8) | (std::uint32_t(rec_[pos + 2]) << 16) |
           (std::uint32_t(rec_[pos + 3]) << 24);
  }
  std::int32_t I32(std::size_t pos) { return std::int32_t(U32(pos)); }
  float F32(std::size_t pos) {
    std::uint32_t v = U32(pos);
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
  }
  // n bytes at pos (an empty view, and failure, when they do not fit).
  TByteView Bytes(std::size_t pos, std::size_t n) {
    if (!Check(pos, n)) return {};
    return rec_.subspan(pos, n);
  }

 private:
  bool Check(std::size_t pos, std::size_t n) {
    if (Has(pos, n)) return true;
    ok_ = false;
    return false;
  }
  TByteView rec_;
  bool ok_ = true;
};

// Walks the records of an EMF. Every record's size is checked against the
// bytes that remain (at least 8, a multiple of 4) and every record the player
// interprets must pass libuemf's safety check before it is handed out.
class EmfWalker {
 public:
  explicit EmfWalker(TByteView data);
  // The next record; false at EMR_EOF, at the end of the data or at a broken
  // record (then Broken() is true).
  bool Next(std::uint32_t& type, TByteView& record);
  bool Broken() const { return broken_; }
  bool SawEof() const { return eof_; }

 private:
  TByteView data_;
  std::vector<std::uint32_t> aligned_;  // copy when the input is not 4-byte aligned
  std::size_t pos_ = 0;
  bool broken_ = false;
  bool eof_ = false;
};

// Walks the records of a WMF after its header. Sizes are checked with
// libuemf's U_WMRRECSAFE_get against the end of the data.
class WmfWalker {
 public:
  WmfWalker(TByteView data, std::size_t firstRecord);
  bool Next(std::uint16_t& function, TByteView& record);
  bool Broken() const { return broken_; }
  bool SawEof() const { return eof_; }

 private:
  TByteView data_;
  std::size_t pos_;
  bool broken_ = false;
  bool eof_ = false;
};

struct EmfHeader {
  std::int32_t bounds[4] = {0, 0, 0, 0};  // device pixels, inclusive
  std::int32_t frame[4] = {0, 0, 0, 0};   // 0.01 mm, inclusive
  std::int32_t deviceCx = 0, deviceCy = 0;          // reference device, pixels
  std::int32_t millimetersCx = 0, millimetersCy = 0;  // reference device, mm
  std::int32_t micrometersCx = 0, micrometersCy = 0;  // 0 when the header has none
};

// Reads and checks the header record at the start of the data: EMR_HEADER
// with the " EMF" signature that passes the safety check.
bool ReadEmfHeader(TByteView data, EmfHeader& header);
// A whole EMF: valid header and a record chain that reaches EMR_EOF.
bool ValidEmf(TByteView data, EmfHeader& header);

struct WmfHeader {
  bool placeable = false;
  std::int16_t box[4] = {0, 0, 0, 0};  // placeable bounding box (left, top, right, bottom)
  int inch = 0;                        // logical units per inch of the placeable header
  std::size_t firstRecord = 0;         // offset of the first record after the header
  // Without the placeable header: the window the records set first.
  bool hasWindow = false;
  int windowOrgX = 0, windowOrgY = 0, windowExtX = 0, windowExtY = 0;
  int mapMode = 0;  // the map mode in force when the window extent is set (0: none)
};

// The placeable header (checksum verified) when present, the META_HEADER, and
// a record chain that reaches META_EOF.
bool ValidWmf(TByteView data, WmfHeader& header);

}  // namespace metafile
