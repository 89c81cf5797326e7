#include "report/ReportStreams.h"

#include <unistd.h>

#include <QFile>
#include <QImage>
#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/Exceptions.h"
#include "platform/QtStrings.h"
#include "platform/ReadableFile.h"
#include "report/CellBorders.h"
#include "report/ReportCells.h"
#include "report/ImageList.h"

namespace msg = dxPSStorageMessages;

namespace {

[[noreturn]] void RaiseInvalidValue() { throw EReadError(msg::InvalidPropertyValue); }
[[noreturn]] void RaiseReadError() { throw EReadError(msg::StreamReadError); }

std::uint32_t GetU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
std::uint64_t GetU64(const std::uint8_t* p) { return GetU32(p) | (std::uint64_t(GetU32(p + 4)) << 32); }
void PutU16(TBytes& out, std::uint16_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void PutU32(TBytes& out, std::uint32_t v) {
  PutU16(out, std::uint16_t(v));
  PutU16(out, std::uint16_t(v >> 16));
}
void PutU32At(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

// ---- Text conversions ----

// Code points 0x80..0x9F of Windows-1252; bytes the code page leaves
// undefined map to the control character of the same number.
constexpr char16_t kWindows1252C1[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePageChar(std::uint8_t b, int codePage) {
  if (b < 0x80 || codePage == 28591) return b;
  if (b < 0xA0) {
    if (codePage == 1254 && (b == 0x8E || b == 0x9E)) return b;  // undefined in 1254
    return kWindows1252C1[b - 0x80];
  }
  if (codePage == 1254) {
    switch (b) {
      case 0xD0: return 0x011E;
      case 0xDD: return 0x0130;
      case 0xDE: return 0x015E;
      case 0xF0: return 0x011F;
      case 0xFD: return 0x0131;
      case 0xFE: return 0x015F;
      default: break;
    }
  }
  return b;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

// Length of the valid UTF-8 sequence at s[i], 0 when it is not valid.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto at = [&](std::size_t k) { return std::uint8_t(s[k]); };
  const std::uint8_t b = at(i);
  if (b < 0x80) return 1;
  std::size_t n;
  char32_t min;
  if ((b & 0xE0) == 0xC0) {
    n = 2;
    min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    n = 3;
    min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < n) return 0;
  char32_t c = b & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (at(i + k) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

// Valid UTF-8 comes back as it is; each byte of an invalid sequence becomes
// the replacement character.
std::string SanitizeUtf8(std::string s) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t n = Utf8SequenceLength(s, i);
    if (!n) break;
    i += n;
  }
  if (i == s.size()) return s;
  std::string out = s.substr(0, i);
  while (i < s.size()) {
    std::size_t n = Utf8SequenceLength(s, i);
    if (n) {
      out.append(s, i, n);
      i += n;
    } else {
      AppendUtf8(out, kReplacement);
      ++i;
    }
  }
  return out;
}

std::string Utf16LEToUtf8(const std::uint8_t* p, std::size_t units) {
  std::string out;
  out.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    char32_t c = char32_t(p[2 * i] | (p[2 * i + 1] << 8));
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      const char32_t low = char32_t(p[2 * i + 2] | (p[2 * i + 3] << 8));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;  // a lone surrogate
    AppendUtf8(out, c);
  }
  return out;
}

int gStreamCodePage = 1254;

// ---- Picture records ----

// The length a picture's own file format gives itself (BMP file size, EMF
// and WMF record totals); 0 when the format does not tell.
std::size_t OwnPictureLength(TByteView data) {
  if (data.size() >= 14 && data[0] == 'B' && data[1] == 'M') return GetU32(&data[2]);
  if (data.size() >= 52 && GetU32(&data[0]) == 1 && GetU32(&data[40]) == 0x464D4520) return GetU32(&data[48]);
  std::size_t start = 0;
  if (data.size() >= 22 && GetU32(&data[0]) == 0x9AC6CDD7) start = 22;  // placeable header
  if (data.size() >= start + 18) {
    const std::uint16_t type = std::uint16_t(data[start] | (data[start + 1] << 8));
    const std::uint16_t headerWords = std::uint16_t(data[start + 2] | (data[start + 3] << 8));
    if ((type == 1 || type == 2) && headerWords == 9) return start + std::size_t(GetU32(&data[start + 6])) * 2;
  }
  return 0;
}

// Whether the pixel is the transparent colour of the bitmap.
struct TMaskKey {
  std::uint32_t Rgb;
  bool Matches(QRgb p) const { return (p & 0xFFFFFF) == Rgb; }
};

TMaskKey MaskKeyOf(const TBitmap& bitmap) {
  const QImage& image = bitmap.Image();
  if (bitmap.Monochrome()) return {0xFFFFFF};
  return {image.pixel(0, image.height() - 1) & 0xFFFFFF};
}

// Folds a mask read from a stream into the bitmap: nothing when it is the
// mask the bitmap's own transparent colour gives (the only kind this
// program writes), else its white pixels become see-through.
void ApplyMask(TBitmap& bitmap, const TBitmap& mask) {
  const QImage source = bitmap.Image().convertToFormat(QImage::Format_ARGB32);
  const QImage maskImage = mask.Image().convertToFormat(QImage::Format_RGB32);
  const TMaskKey key = MaskKeyOf(bitmap);
  bool same = true;
  for (int y = 0; y < source.height() && same; ++y) {
    const QRgb* s = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    const QRgb* m = reinterpret_cast<const QRgb*>(maskImage.constScanLine(y));
    for (int x = 0; x < source.width() && same; ++x) same = key.Matches(s[x]) == ((m[x] & 0xFFFFFF) == 0xFFFFFF);
  }
  if (same) return;
  QImage folded = source;
  for (int y = 0; y < folded.height(); ++y) {
    QRgb* s = reinterpret_cast<QRgb*>(folded.scanLine(y));
    const QRgb* m = reinterpret_cast<const QRgb*>(maskImage.constScanLine(y));
    for (int x = 0; x < folded.width(); ++x)
      if ((m[x] & 0xFFFFFF) == 0xFFFFFF) s[x] &= 0x00FFFFFF;
  }
  bitmap.SetImage(folded);
}

}  // namespace

// ---- Code page ------------------------------------------------------------------

bool dxPSSetStreamCodePage(int codePage) {
  if (codePage != 1252 && codePage != 1254 && codePage != 28591) return false;
  gStreamCodePage = codePage;
  return true;
}

int dxPSStreamCodePage() { return gStreamCodePage; }

bool dxPSIsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::uint8_t(c) < 0x80; });
}

std::string dxPSCodePageToUtf8(std::string_view bytes, int codePage) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) AppendUtf8(out, CodePageChar(std::uint8_t(c), codePage));
  return out;
}

// ---- Streams ----------------------------------------------------------------------

std::size_t TdxByteViewStream::Read(void* buffer, std::size_t count) {
  if (count == 0 || position_ >= Size()) return 0;
  const std::size_t n = std::min(count, std::size_t(Size() - position_));
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += std::int64_t(n);
  return n;
}

void TdxByteViewStream::Write(const void*, std::size_t) { throw EWriteError(msg::StreamWriteError); }

void TdxByteViewStream::SetPosition(std::int64_t position) {
  if (position < 0) throw EStreamError(msg::StreamReadError);
  position_ = position;
}

std::size_t TdxBytesStream::Read(void* buffer, std::size_t count) {
  if (count == 0 || position_ >= Size()) return 0;
  const std::size_t n = std::min(count, std::size_t(Size() - position_));
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += std::int64_t(n);
  return n;
}

void TdxBytesStream::Write(const void* buffer, std::size_t count) {
  if (!count) return;
  const std::size_t end = std::size_t(position_) + count;
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ = std::int64_t(end);
}

void TdxBytesStream::SetPosition(std::int64_t position) {
  if (position < 0) throw EStreamError(msg::StreamWriteError);
  position_ = position;
}

struct TdxFileStream::Impl {
  QFile file;
};

TdxFileStream::TdxFileStream(const std::string& fileName, TdxFileStreamMode mode) : impl_(std::make_unique<Impl>()) {
  impl_->file.setFileName(ToQ(fileName));
  if (mode == TdxFileStreamMode::Read) {
    // Only a regular file, opened without waiting: a FIFO or a device named
    // like a report is refused. The stream reads what it seeks to, so the
    // file's size is not bounded here.
    TReadableFile opened(fileName, 0);
    const int fd = opened.Release();
    if (!impl_->file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
      ::close(fd);
      throw EFOpenError(TReadableFile::OpenError(fileName, FromQ(impl_->file.errorString())));
    }
  } else if (!impl_->file.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
    throw EFCreateError(Format(GraphicsMessages::CannotCreateFile, fileName.c_str(),
                               FromQ(impl_->file.errorString()).c_str()));
  }
}

TdxFileStream::~TdxFileStream() = default;

std::size_t TdxFileStream::Read(void* buffer, std::size_t count) {
  const qint64 n = impl_->file.read(static_cast<char*>(buffer), qint64(count));
  if (n < 0) throw EReadError(msg::StreamReadError);
  return std::size_t(n);
}

void TdxFileStream::Write(const void* buffer, std::size_t count) {
  if (impl_->file.write(static_cast<const char*>(buffer), qint64(count)) != qint64(count))
    throw EWriteError(msg::StreamWriteError);
}

std::int64_t TdxFileStream::Position() const { return impl_->file.pos(); }

void TdxFileStream::SetPosition(std::int64_t position) {
  if (position < 0 || !impl_->file.seek(position)) throw EStreamError(msg::StreamReadError);
}

std::int64_t TdxFileStream::Size() const { return impl_->file.size(); }

// ---- Factories ----------------------------------------------------------------------

namespace {
TdxPSStreamFilerClass FilerClassFor(const TdxCustomClassFactory& factory, int version) {
  for (int i = factory.Count() - 1; i >= 0; --i)
    if (auto* cls = dynamic_cast<TdxPSStreamFilerClass>(factory.Items(i)))
      if (cls->SupportsStreamVersion(version)) return cls;
  return nullptr;
}
}  // namespace

TdxPSStreamFilerClass TdxPSReaderFactory::ReaderClassFor(int version) const { return FilerClassFor(*this, version); }
TdxPSStreamFilerClass TdxPSWriterFactory::WriterClassFor(int version) const { return FilerClassFor(*this, version); }

// ---- Reader ---------------------------------------------------------------------------

TdxPSDataReader::TdxPSDataReader(TdxStream& stream, std::size_t bufferSize)
    : stream_(stream),
      size_(stream.Size()),
      bufferStart_(stream.Position()),
      buffer_(std::make_unique<std::uint8_t[]>(std::max<std::size_t>(bufferSize, 16))),
      bufferSize_(std::max<std::size_t>(bufferSize, 16)) {}

TdxPSDataReader::~TdxPSDataReader() = default;

void TdxPSDataReader::Register() { TdxPSReaderFactory::Instance()->Register(StaticClass()); }
void TdxPSDataReader::Unregister() { TdxPSReaderFactory::Instance()->Unregister(StaticClass()); }

// The stream stands at bufferStart_ + bufferLen_ at all times.
void TdxPSDataReader::SetPosition(std::int64_t position) {
  if (position < 0) RaiseReadError();
  if (position >= bufferStart_ && position <= bufferStart_ + std::int64_t(bufferLen_)) {
    bufferPos_ = std::size_t(position - bufferStart_);
    return;
  }
  stream_.SetPosition(position);
  bufferStart_ = position;
  bufferPos_ = bufferLen_ = 0;
}

void TdxPSDataReader::Fill(std::size_t count) {
  std::size_t avail = bufferLen_ - bufferPos_;
  if (avail >= count) return;
  std::memmove(buffer_.get(), buffer_.get() + bufferPos_, avail);
  bufferStart_ += std::int64_t(bufferPos_);
  bufferPos_ = 0;
  bufferLen_ = avail;
  while (bufferLen_ < count) {
    const std::size_t n = stream_.Read(buffer_.get() + bufferLen_, bufferSize_ - bufferLen_);
    if (!n) RaiseReadError();
    bufferLen_ += n;
  }
}

void TdxPSDataReader::Read(void* buffer, std::size_t count) {
  if (count == 0) return;
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::size_t avail = bufferLen_ - bufferPos_;
  if (count <= avail) {
    std::memcpy(out, buffer_.get() + bufferPos_, count);
    bufferPos_ += count;
    return;
  }
  if (std::int64_t(count) > Remaining()) RaiseReadError();
  if (count <= bufferSize_) {
    Fill(count);
    std::memcpy(out, buffer_.get() + bufferPos_, count);
    bufferPos_ += count;
    return;
  }
  // A long run goes straight from the stream into the target.
  std::memcpy(out, buffer_.get() + bufferPos_, avail);
  out += avail;
  count -= avail;
  bufferStart_ += std::int64_t(bufferLen_);
  bufferPos_ = bufferLen_ = 0;
  while (count) {
    const std::size_t n = stream_.Read(out, count);
    if (!n) RaiseReadError();
    out += n;
    count -= n;
    bufferStart_ += std::int64_t(n);
  }
}

void TdxPSDataReader::SkipBytes(std::int64_t count) {
  if (count < 0 || count > Remaining()) RaiseReadError();
  SetPosition(Position() + count);
}

std::int32_t TdxPSDataReader::ReadRawInt32() { return std::int32_t(ReadRawUInt32()); }

std::uint32_t TdxPSDataReader::ReadRawUInt32() {
  Fill(4);
  const std::uint32_t v = GetU32(buffer_.get() + bufferPos_);
  bufferPos_ += 4;
  return v;
}

TdxPSValueTag TdxPSDataReader::ReadValue() {
  Fill(1);
  return TdxPSValueTag(buffer_[bufferPos_++]);
}

TdxPSValueTag TdxPSDataReader::NextValue() {
  Fill(1);
  return TdxPSValueTag(buffer_[bufferPos_]);
}

std::int32_t TdxPSDataReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8: {
      Fill(1);
      return std::int8_t(buffer_[bufferPos_++]);
    }
    case vaInt16: {
      Fill(2);
      const std::uint16_t v = std::uint16_t(buffer_[bufferPos_] | (buffer_[bufferPos_ + 1] << 8));
      bufferPos_ += 2;
      return std::int16_t(v);
    }
    case vaInt32:
      return ReadRawInt32();
    default:
      RaiseInvalidValue();
  }
}

std::int64_t TdxPSDataReader::ReadInt64() {
  if (NextValue() != vaInt64) return ReadInteger();
  ReadValue();
  Fill(8);
  const std::uint64_t v = GetU64(buffer_.get() + bufferPos_);
  bufferPos_ += 8;
  return std::int64_t(v);
}

bool TdxPSDataReader::ReadBoolean() { return ReadValue() == vaTrue; }

std::size_t TdxPSDataReader::CheckedLength(std::int64_t length, std::size_t unitSize) {
  if (length < 0) RaiseInvalidValue();
  if (length > Remaining() / std::int64_t(unitSize)) RaiseReadError();
  return std::size_t(length);
}

std::string TdxPSDataReader::ReadBytes(std::size_t count) {
  std::string s(count, '\0');
  if (count) Read(s.data(), count);
  return s;
}

std::string TdxPSDataReader::ReadString() {
  switch (ReadValue()) {
    case vaString: {
      Fill(1);
      const std::size_t n = buffer_[bufferPos_++];
      std::string s = ReadBytes(CheckedLength(std::int64_t(n)));
      return dxPSIsAscii(s) ? s : dxPSCodePageToUtf8(s, gStreamCodePage);
    }
    case vaLString: {
      std::string s = ReadBytes(CheckedLength(ReadRawInt32()));
      return dxPSIsAscii(s) ? s : dxPSCodePageToUtf8(s, gStreamCodePage);
    }
    case vaWString: {
      const std::size_t units = CheckedLength(std::int64_t(ReadRawUInt32()), 2);
      const std::string raw = ReadBytes(units * 2);
      return Utf16LEToUtf8(reinterpret_cast<const std::uint8_t*>(raw.data()), units);
    }
    case vaUTF8String:
      return SanitizeUtf8(ReadBytes(CheckedLength(ReadRawInt32())));
    default:
      RaiseInvalidValue();
  }
}

double TdxPSDataReader::ReadDateTime() {
  if (NextValue() == vaDate) {
    ReadValue();
    Fill(8);
    const std::uint64_t bits = GetU64(buffer_.get() + bufferPos_);
    bufferPos_ += 8;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  return double(ReadInt64());
}

void TdxPSDataReader::ReadListBegin() {
  if (ReadValue() != vaList) RaiseInvalidValue();
  if (++listDepth_ > MaxListDepth) throw EReadError(msg::ListsNestedTooDeeply);
}

void TdxPSDataReader::ReadListEnd() {
  if (ReadValue() != vaNull) RaiseInvalidValue();
  if (listDepth_ > 0) --listDepth_;
}

bool TdxPSDataReader::EndOfList() { return NextValue() == vaNull; }

TRect TdxPSDataReader::ReadRect() {
  TRect r;
  r.Left = ReadRawInt32();
  r.Top = ReadRawInt32();
  r.Right = ReadRawInt32();
  r.Bottom = ReadRawInt32();
  return r;
}

TdxPSVersionTriple TdxPSDataReader::ReadVersionTriple() {
  TdxPSVersionTriple v;
  v.Major = ReadRawInt32();
  v.Minor = ReadRawInt32();
  v.Release = ReadRawInt32();
  return v;
}

TdxClass TdxPSDataReader::ReadClass() { return dxFindClass(ReadString()); }

TdxClass TdxPSDataReader::ReadCellBorderClass() {
  if (TdxClass cls = dxAsBorderClass(ReadClass())) return cls;
  return TdxPSCellUltraFlatBorder::StaticClass();
}

TdxClass TdxPSDataReader::ReadFillPatternClass() {
  if (TdxClass cls = dxAsFillPatternClass(ReadClass())) return cls;
  return TdxPSSolidFillPattern::StaticClass();
}

TdxClass TdxPSDataReader::ReadLookAndFeelClass() {
  TdxClass cls = ReadClass();
  if (InheritsFrom(cls, TdxPSReportGroupLookAndFeel::StaticClass())) return cls;
  return TdxPSReportGroupNullLookAndFeel::StaticClass();
}

void TdxPSDataReader::ReadFont(TFont& font) {
  // Read into a copy so that a fault halfway leaves the font as it was.
  TFont f = font;
  f.Charset = std::clamp(int(ReadInteger()), 0, 255);
  f.Color = TColor(ReadInteger());
  f.Name = ReadString();
  const int pitch = ReadInteger();
  f.Pitch = pitch >= fpDefault && pitch <= fpFixed ? TFontPitch(pitch) : fpDefault;
  f.SetSize(std::clamp(int(ReadInteger()), -1638, 1638));
  f.Style = TFontStyles(ReadInteger()) & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
  font = f;
}

TFont TdxPSDataReader::ReadFont(const TFont* font) {
  TFont f = font ? *font : TFont();
  ReadFont(f);
  return f;
}

TBytes TdxPSDataReader::ReadRecordBytes() {
  const std::int64_t n = ReadInt64();
  if (n < 0) RaiseInvalidValue();
  if (n > Remaining()) RaiseReadError();
  if (n > dxPSMaxPictureRecord) throw EReadError(msg::InvalidPicture);
  TBytes bytes(static_cast<std::size_t>(n));
  if (n) Read(bytes.data(), bytes.size());
  return bytes;
}

void TdxPSDataReader::ReadPicture(TGraphic& graphic) {
  const TBytes record = ReadRecordBytes();
  if (record.empty()) return;
  const TByteView all(record);
  std::size_t length = OwnPictureLength(all);
  if (length < 14 || length >= record.size()) length = record.size() - 1;
  const TByteView picture = all.first(length);
  const bool hasMask = record[length] == 1 && length + 1 < record.size();
  auto* bitmap = dynamic_cast<TBitmap*>(&graphic);
  if (!bitmap || !hasMask) {
    graphic.LoadFromStream(picture);
    return;
  }
  // Both parts are checked before the target changes.
  TBitmap loaded, mask;
  loaded.LoadFromStream(picture);
  mask.LoadFromStream(all.subspan(length + 1));
  if (mask.Width() != loaded.Width() || mask.Height() != loaded.Height()) throw EReadError(msg::InvalidPicture);
  bitmap->LoadFromStream(picture);
  ApplyMask(*bitmap, mask);
}

void TdxPSDataReader::SkipPicture() {
  const std::int64_t n = ReadInt64();
  if (n < 0) RaiseInvalidValue();
  SkipBytes(n);
}

void TdxPSDataReader::ReadImageList(TCustomImageList& list) {
  const TBytes record = ReadRecordBytes();
  if (record.empty()) return;
  auto fail = [] { throw EReadError(msg::InvalidImageList); };
  if (record.size() < 20 || std::memcmp(record.data(), dxPSImageListMagic, 4) != 0) fail();
  if (std::int32_t(GetU32(&record[4])) != dxPSImageListVersion) fail();
  const std::int32_t width = std::int32_t(GetU32(&record[8]));
  const std::int32_t height = std::int32_t(GetU32(&record[12]));
  const std::int32_t count = std::int32_t(GetU32(&record[16]));
  if (width < 1 || width > 4096 || height < 1 || height > 4096) fail();
  std::size_t pos = 20;
  if (count < 0 || std::size_t(count) > (record.size() - pos) / 4) fail();
  TCustomImageList read(width, height);
  for (std::int32_t i = 0; i < count; ++i) {
    if (record.size() - pos < 4) fail();
    const std::size_t length = GetU32(&record[pos]);
    pos += 4;
    if (length > record.size() - pos) fail();
    TBitmap entry;
    entry.LoadFromStream(TByteView(record).subspan(pos, length));
    pos += length;
    read.Add(entry);
  }
  list.Assign(read);
}

// ---- Writer ---------------------------------------------------------------------------

TdxPSDataWriter::TdxPSDataWriter(TdxStream& stream, std::size_t bufferSize)
    : stream_(stream),
      buffer_(std::make_unique<std::uint8_t[]>(std::max<std::size_t>(bufferSize, 16))),
      bufferSize_(std::max<std::size_t>(bufferSize, 16)) {}

TdxPSDataWriter::~TdxPSDataWriter() {
  try {
    Flush();
  } catch (...) {
  }
}

void TdxPSDataWriter::Register() { TdxPSWriterFactory::Instance()->Register(StaticClass()); }
void TdxPSDataWriter::Unregister() { TdxPSWriterFactory::Instance()->Unregister(StaticClass()); }

void TdxPSDataWriter::SetPosition(std::int64_t position) {
  Flush();
  stream_.SetPosition(position);
}

void TdxPSDataWriter::Flush() {
  if (!bufferLen_) return;
  const std::size_t n = bufferLen_;
  bufferLen_ = 0;
  stream_.Write(buffer_.get(), n);
}

void TdxPSDataWriter::Write(const void* buffer, std::size_t count) {
  if (count == 0) return;  // an empty record may come with no buffer at all
  if (count > bufferSize_ - bufferLen_) Flush();
  if (count >= bufferSize_) {
    stream_.Write(buffer, count);
    return;
  }
  std::memcpy(buffer_.get() + bufferLen_, buffer, count);
  bufferLen_ += count;
}

void TdxPSDataWriter::WriteRawInt32(std::int32_t value) { WriteRawUInt32(std::uint32_t(value)); }

void TdxPSDataWriter::WriteRawUInt32(std::uint32_t value) {
  std::uint8_t b[4];
  PutU32At(b, value);
  Write(b, 4);
}

void TdxPSDataWriter::WriteValue(TdxPSValueTag tag) {
  const std::uint8_t b = tag;
  Write(&b, 1);
}

void TdxPSDataWriter::WriteInteger(std::int32_t value) {
  if (value >= -128 && value <= 127) {
    const std::uint8_t b[2] = {vaInt8, std::uint8_t(value)};
    Write(b, 2);
  } else if (value >= -32768 && value <= 32767) {
    const std::uint8_t b[3] = {vaInt16, std::uint8_t(value), std::uint8_t(value >> 8)};
    Write(b, 3);
  } else {
    std::uint8_t b[5] = {vaInt32};
    PutU32At(b + 1, std::uint32_t(value));
    Write(b, 5);
  }
}

void TdxPSDataWriter::WriteInt64(std::int64_t value) {
  if (value >= INT32_MIN && value <= INT32_MAX) {
    WriteInteger(std::int32_t(value));
    return;
  }
  std::uint8_t b[9] = {vaInt64};
  PutU32At(b + 1, std::uint32_t(value));
  PutU32At(b + 5, std::uint32_t(std::uint64_t(value) >> 32));
  Write(b, 9);
}

void TdxPSDataWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TdxPSDataWriter::WriteString(const std::string& value) {
  if (value.size() > std::size_t(INT32_MAX)) throw EWriteError(msg::StreamWriteError);
  if (!dxPSIsAscii(value)) {
    WriteValue(vaUTF8String);
    WriteRawUInt32(std::uint32_t(value.size()));
  } else if (value.size() <= 255) {
    const std::uint8_t b[2] = {vaString, std::uint8_t(value.size())};
    Write(b, 2);
  } else {
    WriteValue(vaLString);
    WriteRawUInt32(std::uint32_t(value.size()));
  }
  Write(value.data(), value.size());
}

void TdxPSDataWriter::WriteDateTime(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  std::uint8_t b[9] = {vaDate};
  PutU32At(b + 1, std::uint32_t(bits));
  PutU32At(b + 5, std::uint32_t(bits >> 32));
  Write(b, 9);
}

void TdxPSDataWriter::WriteListBegin() { WriteValue(vaList); }
void TdxPSDataWriter::WriteListEnd() { WriteValue(vaNull); }

void TdxPSDataWriter::WriteRect(const TRect& value) {
  WriteRawInt32(value.Left);
  WriteRawInt32(value.Top);
  WriteRawInt32(value.Right);
  WriteRawInt32(value.Bottom);
}

void TdxPSDataWriter::WriteVersionTriple(const TdxPSVersionTriple& value) {
  WriteRawInt32(value.Major);
  WriteRawInt32(value.Minor);
  WriteRawInt32(value.Release);
}

void TdxPSDataWriter::WriteClass(TdxClass cls) { WriteString(dxClassName(cls)); }

void TdxPSDataWriter::WriteFont(const TFont& font) {
  WriteInteger(std::clamp(font.Charset, 0, 255));
  WriteInteger(std::int32_t(font.Color));
  WriteString(font.Name);
  WriteInteger(int(font.Pitch));
  WriteInteger(font.Size());
  WriteInteger(int(font.Style & (fsBold | fsItalic | fsUnderline | fsStrikeOut)));
}

void TdxPSDataWriter::WritePicture(const TGraphic& graphic) {
  const TBytes record = dxPSPictureRecordBytes(graphic);
  WriteInt64(std::int64_t(record.size()));
  Write(record.data(), record.size());
}

void TdxPSDataWriter::WriteImageList(const TCustomImageList& list) {
  const TBytes record = dxPSImageListRecordBytes(list);
  WriteInt64(std::int64_t(record.size()));
  Write(record.data(), record.size());
}

// ---- Record payloads ----------------------------------------------------------------

TBytes dxPSBitmapMaskBytes(const TBitmap& bitmap) {
  TBytes out;
  if (bitmap.Empty()) return out;
  const QImage image = bitmap.Image().convertToFormat(QImage::Format_ARGB32);
  const TMaskKey key = MaskKeyOf(bitmap);
  const std::uint32_t width = std::uint32_t(image.width()), height = std::uint32_t(image.height());
  const std::uint32_t stride = (width + 31) / 32 * 4;
  const std::uint32_t offBits = 14 + 40 + 8;
  out.reserve(offBits + std::size_t(stride) * height);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, offBits + stride * height);
  PutU32(out, 0);
  PutU32(out, offBits);
  PutU32(out, 40);
  PutU32(out, width);
  PutU32(out, height);
  PutU16(out, 1);
  PutU16(out, 1);
  PutU32(out, 0);  // BI_RGB
  PutU32(out, stride * height);
  PutU32(out, 3780);
  PutU32(out, 3780);
  PutU32(out, 2);
  PutU32(out, 2);
  PutU32(out, 0x00000000);  // index 0: black
  PutU32(out, 0x00FFFFFF);  // index 1: white
  for (int y = int(height) - 1; y >= 0; --y) {
    const std::size_t row = out.size();
    out.resize(row + stride, 0);
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (std::uint32_t x = 0; x < width; ++x)
      if (key.Matches(line[x])) out[row + x / 8] |= std::uint8_t(0x80 >> (x % 8));
  }
  return out;
}

TBytes dxPSPictureRecordBytes(const TGraphic& graphic) {
  TBytes out = graphic.SaveToStream();
  if (out.empty()) return out;
  const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic);
  if (!bitmap) {
    out.push_back(0);
    return out;
  }
  const TBytes mask = dxPSBitmapMaskBytes(*bitmap);
  out.push_back(1);
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

TBytes dxPSImageListRecordBytes(const TCustomImageList& list) {
  TBytes out(dxPSImageListMagic, dxPSImageListMagic + 4);
  PutU32(out, std::uint32_t(dxPSImageListVersion));
  PutU32(out, std::uint32_t(list.Width()));
  PutU32(out, std::uint32_t(list.Height()));
  PutU32(out, std::uint32_t(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    const TBytes entry = list.Image(i).SaveToStream();
    PutU32(out, std::uint32_t(entry.size()));
    out.insert(out.end(), entry.begin(), entry.end());
  }
  return out;
}
