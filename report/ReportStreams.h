// Report streams: the byte-level value encoding of report files, the
// buffered reader and writer that report items read and write through, and
// the typed records built on the values (class references, fonts,
// rectangles, version triples, pictures with masks, image lists).
//
// Value encoding (little-endian; one tag byte, then the payload):
//   0 end of list, 1 list begin, 2/3/4 integer of 1/2/4 bytes, 6 string with a
//   1-byte length, 8 false, 9 true, 12 string with a 4-byte length, 17 date
//   (8-byte double, days since 1899-12-30), 18 UTF-16 string (4-byte count of
//   code units), 19 64-bit integer, 20 UTF-8 string (4-byte length).
// Strings are UTF-8 inside the program. ASCII text goes out with tag 6 (up to
// 255 bytes) or 12, anything else with tag 20; tags 6 and 12 read from other
// writers are decoded in the stream code page (Windows-1254 unless set).
//
// Readers trust nothing they read: every length and count is checked against
// the bytes that remain before anything is allocated, list nesting is
// bounded, and any fault raises EReadError ("Invalid property value" for a
// value of the wrong kind, "Stream read error" for reading past the end).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Fonts.h"
#include "platform/Graphics.h"
#include "report/ClassInfo.h"
#include "report/ClassFactories.h"
#include "report/ReportStreamValues.h"

class TCustomImageList;

namespace dxPSStorageMessages {
inline constexpr const char* InvalidPropertyValue = "Invalid property value";
inline constexpr const char* StreamReadError = "Stream read error";
inline constexpr const char* StreamWriteError = "Stream write error";
inline constexpr const char* ListsNestedTooDeeply = "Report stream lists are nested too deeply";
inline constexpr const char* InvalidPicture = "Invalid picture record in report stream";
inline constexpr const char* InvalidImageList = "Invalid image list record in report stream";
inline constexpr const char* DataAfterReport = "The report stream has data after the end of the report";
}  // namespace dxPSStorageMessages

// Tags of the value encoding.
enum TdxPSValueTag : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaString = 6,
  vaFalse = 8,
  vaTrue = 9,
  vaLString = 12,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
};

// ---- Code page of tags 6 and 12 ---------------------------------------------------

// 1252 (Western), 1254 (Turkish, the default) or 28591 (Latin-1); answers
// false and keeps the current one for any other.
bool dxPSSetStreamCodePage(int codePage);
int dxPSStreamCodePage();
// Single-byte text in a code page as UTF-8. Bytes the code page leaves
// undefined become the control characters of the same number, so that no
// byte is dropped.
std::string dxPSCodePageToUtf8(std::string_view bytes, int codePage);
bool dxPSIsAscii(std::string_view text);

// ---- Streams --------------------------------------------------------------------

// A seekable stream of bytes.
class TdxStream {
 public:
  virtual ~TdxStream() = default;
  // Reads up to count bytes; answers how many were read (0 at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes all count bytes or raises EWriteError.
  virtual void Write(const void* buffer, std::size_t count) = 0;
  virtual std::int64_t Position() const = 0;
  // Any position from 0 on; reading beyond the end reads nothing, writing
  // there first fills the gap with zeros. A negative position raises
  // EStreamError.
  virtual void SetPosition(std::int64_t position) = 0;
  virtual std::int64_t Size() const = 0;
};

// Reads bytes that the caller keeps alive; writing raises EWriteError.
class TdxByteViewStream : public TdxStream {
 public:
  explicit TdxByteViewStream(TByteView data) : data_(data) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::int64_t Position() const override { return position_; }
  void SetPosition(std::int64_t position) override;
  std::int64_t Size() const override { return std::int64_t(data_.size()); }

 private:
  TByteView data_;
  std::int64_t position_ = 0;
};

// Reads and writes a byte vector that the caller owns; writing grows it.
class TdxBytesStream : public TdxStream {
 public:
  explicit TdxBytesStream(TBytes& data) : data_(data) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::int64_t Position() const override { return position_; }
  void SetPosition(std::int64_t position) override;
  std::int64_t Size() const override { return std::int64_t(data_.size()); }

 private:
  TBytes& data_;
  std::int64_t position_ = 0;
};

enum class TdxFileStreamMode { Read, Create };

// A file: Read opens an existing file for reading (EFOpenError when it
// cannot be opened), Create makes or empties it for writing (EFCreateError).
class TdxFileStream : public TdxStream {
 public:
  TdxFileStream(const std::string& fileName, TdxFileStreamMode mode);
  ~TdxFileStream() override;
  TdxFileStream(const TdxFileStream&) = delete;
  TdxFileStream& operator=(const TdxFileStream&) = delete;
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::int64_t Position() const override;
  void SetPosition(std::int64_t position) override;
  std::int64_t Size() const override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// ---- Typed records ----------------------------------------------------------------

// Three 32-bit integers, written as 12 raw bytes.
struct TdxPSVersionTriple {
  std::int32_t Major = 0;
  std::int32_t Minor = 0;
  std::int32_t Release = 0;
  friend bool operator==(const TdxPSVersionTriple&, const TdxPSVersionTriple&) = default;
};

// Pictures and image lists larger than this are refused by the reader
// whatever the stream holds (a report keeps its pictures small; a damaged
// length would otherwise ask for gigabytes).
inline constexpr std::int64_t dxPSMaxPictureRecord = std::int64_t(1) << 30;

// Image list record (the N bytes after the length), our own format:
//   4 bytes  "dxIL"
//   4 bytes  format version, 1
//   4 bytes  entry width in pixels (1..4096)
//   4 bytes  entry height in pixels (1..4096)
//   4 bytes  entry count
//   then per entry: 4 bytes length L, then L bytes of a BMP file image.
// All numbers are raw little-endian 32-bit integers. Entries are drawn with
// their mask (the colour of their lower-left pixel), as every list entry is.
inline constexpr char dxPSImageListMagic[4] = {'d', 'x', 'I', 'L'};
inline constexpr std::int32_t dxPSImageListVersion = 1;

// ---- Reader and writer class operations -----------------------------------------

class TdxPSStreamFilerClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  virtual bool SupportsStreamVersion(int version) const = 0;
};
using TdxPSStreamFilerClass = const TdxPSStreamFilerClassInfo*;

template <class T>
class TdxPSStreamFilerMeta : public TdxPSStreamFilerClassInfo {
 public:
  using TdxPSStreamFilerClassInfo::TdxPSStreamFilerClassInfo;
  bool SupportsStreamVersion(int version) const override { return T::SupportsStreamVersion(version); }
};

// Class factories of the reader and writer classes.
class TdxPSReaderFactory : public TdxCustomClassFactory {
  DX_SINGLETON(TdxPSReaderFactory, TdxCustomClassFactory)

 public:
  // The class that supports version, searched from the end of the list to
  // the start; none when no class does.
  TdxPSStreamFilerClass ReaderClassFor(int version) const;
};

class TdxPSWriterFactory : public TdxCustomClassFactory {
  DX_SINGLETON(TdxPSWriterFactory, TdxCustomClassFactory)

 public:
  TdxPSStreamFilerClass WriterClassFor(int version) const;
};

// ---- Reader ------------------------------------------------------------------------

class TdxPSDataReader : public TdxObject, public TdxReportReader {
 public:
  template <class T>
  using dxMetaClass = TdxPSStreamFilerMeta<T>;
  DX_CLASS(TdxPSDataReader, TdxObject)

 public:
  static constexpr std::size_t DefaultBufferSize = 4096;
  // Deepest nesting of lists a reader accepts.
  static constexpr int MaxListDepth = 512;

  // Reads from the stream's current position.
  explicit TdxPSDataReader(TdxStream& stream, std::size_t bufferSize = DefaultBufferSize);
  ~TdxPSDataReader() override;

  static bool SupportsStreamVersion(int version) { return true; }
  static void Register();
  static void Unregister();

  TdxStream& Stream() const { return stream_; }
  // Position in the stream of the next byte to read.
  std::int64_t Position() const { return bufferStart_ + std::int64_t(bufferPos_); }
  void SetPosition(std::int64_t position);
  std::int64_t Size() const { return size_; }
  // Bytes between the position and the end of the stream, or the end of the
  // section being read when one is set: every length and count read is
  // checked against this before anything is allocated.
  std::int64_t Remaining() const {
    const std::int64_t end = std::min(size_, sectionEnd_);
    return end > Position() ? end - Position() : 0;
  }
  // Bounds what lengths may claim to the bytes before end (a section of the
  // stream); INT64_MAX lifts the bound.
  void SetSectionEnd(std::int64_t end) { sectionEnd_ = end; }

  // ---- Raw bytes ----
  // Exactly count bytes; EReadError "Stream read error" when fewer remain.
  void Read(void* buffer, std::size_t count);
  void SkipBytes(std::int64_t count);
  std::int32_t ReadRawInt32();
  std::uint32_t ReadRawUInt32() override;

  // ---- Values ----
  TdxPSValueTag ReadValue();    // the next tag, consumed
  TdxPSValueTag NextValue();    // the next tag, not consumed
  std::int32_t ReadInteger() override;
  std::int64_t ReadInt64();
  bool ReadBoolean() override;
  std::string ReadString() override;
  double ReadDateTime() override;
  void ReadListBegin() override;
  void ReadListEnd() override;
  bool EndOfList() override;

  // ---- Typed records ----
  TRect ReadRect() override;
  TdxPSVersionTriple ReadVersionTriple();
  // A class reference: the registered class named by the string; none for
  // "nil" or a name that is not registered.
  TdxClass ReadClass();
  // The same with the defaults of the three kinds for none.
  TdxClass ReadCellBorderClass();
  TdxClass ReadFillPatternClass();
  TdxClass ReadLookAndFeelClass();
  // Fills font, or a new font when none is given, and answers it.
  TFont ReadFont(const TFont* font = nullptr);
  void ReadFont(TFont& font);
  void ReadPicture(TGraphic& graphic) override;
  void SkipPicture() override;
  void ReadImageList(TCustomImageList& list) override;

 private:
  // Makes at least count bytes available in the buffer (count <= buffer
  // size); EReadError when the stream ends first.
  void Fill(std::size_t count);
  std::string ReadBytes(std::size_t count);
  // A length or count of the stream checked against the bytes that remain,
  // each unit taking unitSize bytes.
  std::size_t CheckedLength(std::int64_t length, std::size_t unitSize = 1);
  TBytes ReadRecordBytes();

  TdxStream& stream_;
  std::int64_t size_ = 0;
  std::int64_t bufferStart_ = 0;  // stream position of buffer_[0]
  std::size_t bufferPos_ = 0;
  std::size_t bufferLen_ = 0;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t bufferSize_;
  int listDepth_ = 0;
  std::int64_t sectionEnd_ = INT64_MAX;
};

// ---- Writer ------------------------------------------------------------------------

class TdxPSDataWriter : public TdxObject, public TdxReportWriter {
 public:
  template <class T>
  using dxMetaClass = TdxPSStreamFilerMeta<T>;
  DX_CLASS(TdxPSDataWriter, TdxObject)

 public:
  static constexpr std::size_t DefaultBufferSize = 4096;

  // Writes at the stream's current position. Call Flush when done: the
  // destructor writes what is left but cannot report a failure.
  explicit TdxPSDataWriter(TdxStream& stream, std::size_t bufferSize = DefaultBufferSize);
  ~TdxPSDataWriter() override;

  static bool SupportsStreamVersion(int version) { return true; }
  static void Register();
  static void Unregister();

  TdxStream& Stream() const { return stream_; }
  std::int64_t Position() const { return stream_.Position() + std::int64_t(bufferLen_); }
  // Flushes, then moves the stream.
  void SetPosition(std::int64_t position);
  // Hands the buffered bytes to the stream (EWriteError on failure).
  void Flush();

  // ---- Raw bytes ----
  void Write(const void* buffer, std::size_t count);
  void WriteRawInt32(std::int32_t value);
  void WriteRawUInt32(std::uint32_t value) override;

  // ---- Values ----
  void WriteValue(TdxPSValueTag tag);
  void WriteInteger(std::int32_t value) override;
  void WriteInt64(std::int64_t value);
  void WriteBoolean(bool value) override;
  void WriteString(const std::string& value) override;
  void WriteDateTime(double value) override;
  void WriteListBegin() override;
  void WriteListEnd() override;

  // ---- Typed records ----
  void WriteRect(const TRect& value) override;
  void WriteVersionTriple(const TdxPSVersionTriple& value);
  void WriteClass(TdxClass cls);  // "nil" for none
  void WriteFont(const TFont& font);
  void WritePicture(const TGraphic& graphic) override;
  void WriteImageList(const TCustomImageList& list) override;

 private:
  TdxStream& stream_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t bufferSize_;
  std::size_t bufferLen_ = 0;
};

// ---- Picture record helpers ---------------------------------------------------------

// The mask of a bitmap as a 1-bit BMP file image: white where the bitmap
// has its transparent colour (white for a monochrome bitmap, else the
// lower-left pixel's colour), black elsewhere. Empty for an empty bitmap.
TBytes dxPSBitmapMaskBytes(const TBitmap& bitmap);
// The bytes of a picture record's payload (without the length): the
// graphic's own file image, the mask flag and, for bitmaps, the mask.
TBytes dxPSPictureRecordBytes(const TGraphic& graphic);
// The image list record's payload in the format above.
TBytes dxPSImageListRecordBytes(const TCustomImageList& list);
