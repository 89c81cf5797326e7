// The typed values that report items read and write in report streams. The
// report stream reader and writer (value encoding, pictures, image lists)
// implement these interfaces; items use nothing else.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/Types.h"

class TGraphic;
class TCustomImageList;

class TdxReportReader {
 public:
  virtual ~TdxReportReader() = default;
  virtual std::int32_t ReadInteger() = 0;
  virtual bool ReadBoolean() = 0;
  virtual std::string ReadString() = 0;
  virtual TRect ReadRect() = 0;
  // Four raw bytes, little-endian (the Format word).
  virtual std::uint32_t ReadRawUInt32() = 0;
  virtual void ReadListBegin() = 0;
  virtual void ReadListEnd() = 0;
  // Whether the next value ends the current list (not consumed).
  virtual bool EndOfList() = 0;
  // A picture record into graphic (nothing read into it for an empty record).
  virtual void ReadPicture(TGraphic& graphic) = 0;
  // Skips a picture record.
  virtual void SkipPicture() = 0;
  virtual void ReadImageList(TCustomImageList& list) = 0;
  // A date (days since 1899-12-30, the fraction the time of day). The base
  // takes the double's bits from two raw words, low word first.
  virtual double ReadDateTime() {
    const std::uint64_t low = ReadRawUInt32();
    const std::uint64_t bits = low | (std::uint64_t(ReadRawUInt32()) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
};

class TdxReportWriter {
 public:
  virtual ~TdxReportWriter() = default;
  virtual void WriteInteger(std::int32_t value) = 0;
  virtual void WriteBoolean(bool value) = 0;
  virtual void WriteString(const std::string& value) = 0;
  virtual void WriteRect(const TRect& value) = 0;
  virtual void WriteRawUInt32(std::uint32_t value) = 0;
  virtual void WriteListBegin() = 0;
  virtual void WriteListEnd() = 0;
  virtual void WritePicture(const TGraphic& graphic) = 0;
  virtual void WriteImageList(const TCustomImageList& list) = 0;
  // See TdxReportReader::ReadDateTime.
  virtual void WriteDateTime(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteRawUInt32(std::uint32_t(bits));
    WriteRawUInt32(std::uint32_t(bits >> 32));
  }
};

// Lengths and coordinates read from a stream are kept within +-2^28 report
// units (over 55 000 inches), so that sums and differences of them cannot
// overflow; line counts within 0..1000.
constexpr int dxMaxReportLength = 1 << 28;
inline int dxReadLength(TdxReportReader& reader) {
  return std::clamp(int(reader.ReadInteger()), -dxMaxReportLength, dxMaxReportLength);
}
inline int dxReadLineCount(TdxReportReader& reader) { return std::clamp(int(reader.ReadInteger()), 0, 1000); }
inline TRect dxReadBounds(TdxReportReader& reader) {
  TRect r = reader.ReadRect();
  auto clamp = [](int v) { return std::clamp(v, -dxMaxReportLength, dxMaxReportLength); };
  return TRect(clamp(r.Left), clamp(r.Top), clamp(r.Right), clamp(r.Bottom));
}
