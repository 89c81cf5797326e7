#include "engine/ReportFile.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>

#include "platform/Exceptions.h"
#include "platform/QtStrings.h"
#include "platform/ScopeExit.h"
#include "report/ReportCells.h"
#include "report/ShapeItems.h"

namespace msg = dxPSStorageMessages;

namespace {

std::int32_t SectionOffset(std::int64_t position) {
  if (position < 0 || position > INT32_MAX) throw EWriteError(msg::StreamWriteError);
  return std::int32_t(position);
}

// Names in the link information are short strings.
std::string ShortString(std::string s) {
  if (s.size() <= 255) return s;
  std::size_t n = 255;
  while (n > 0 && (std::uint8_t(s[n]) & 0xC0) == 0x80) --n;  // keep whole characters
  s.resize(n);
  return s;
}

// Hands the break lists to the render info in the form its ReadBreaks takes
// (count, values, count, values).
class TBreakListReader : public TdxReportReader {
 public:
  TBreakListReader(const std::vector<int>& horz, const std::vector<int>& vert) {
    for (const std::vector<int>* list : {&horz, &vert}) {
      values_.push_back(std::int32_t(list->size()));
      values_.insert(values_.end(), list->begin(), list->end());
    }
  }
  std::int32_t ReadInteger() override {
    if (pos_ >= values_.size()) Fail();
    return values_[pos_++];
  }
  bool ReadBoolean() override { Fail(); }
  std::string ReadString() override { Fail(); }
  TRect ReadRect() override { Fail(); }
  std::uint32_t ReadRawUInt32() override { return std::uint32_t(ReadInteger()); }
  void ReadListBegin() override { Fail(); }
  void ReadListEnd() override { Fail(); }
  bool EndOfList() override { return pos_ >= values_.size(); }
  void ReadPicture(TGraphic&) override { Fail(); }
  void SkipPicture() override { Fail(); }
  void ReadImageList(TCustomImageList&) override { Fail(); }

 private:
  [[noreturn]] static void Fail() { throw EReadError(msg::InvalidPropertyValue); }
  std::vector<std::int32_t> values_;
  std::size_t pos_ = 0;
};

// Runs read with the stream at position 0 and puts the position back
// afterwards, whatever happens.
template <class F>
auto FromStreamStart(TdxStream& stream, F read) {
  const std::int64_t saved = stream.Position();
  struct Restore {
    TdxStream& stream;
    std::int64_t position;
    ~Restore() {
      try {
        stream.SetPosition(position);
      } catch (...) {
      }
    }
  } restore{stream, saved};
  stream.SetPosition(0);
  return read();
}

// Reads the section at offset, which may claim no more bytes than lie
// before the next section (or the end of the stream).
template <class F>
void ReadSection(TdxPSDataReader& reader, const TdxPSReportFileHeader& header, std::int32_t offset, F read) {
  std::int64_t sectionEnd = reader.Size();
  for (std::int32_t other : {header.LinkInfoOffset, header.DocumentOffset, header.TitleOffset, header.ReportDataOffset})
    if (other > offset) sectionEnd = std::min<std::int64_t>(sectionEnd, other);
  reader.SetPosition(offset);
  reader.SetSectionEnd(sectionEnd);
  ScopeExit unbound([&] { reader.SetSectionEnd(INT64_MAX); });
  read();
}

TdxPSReportFileHeader ReadHeaderAtStart(TdxPSDataReader& reader) {
  TdxPSReportFileHeader header;
  TdxPSReportFile::ReadHeader(reader, &header);
  return header;
}

}  // namespace

// ---- Reader and writer ------------------------------------------------------------

TdxPSStreamFilerClass TdxPSReportFile::ReaderClass() {
  return TdxPSReaderFactory::Instance()->ReaderClassFor(dxPSReportStreamVersion);
}

TdxPSStreamFilerClass TdxPSReportFile::WriterClass() {
  return TdxPSWriterFactory::Instance()->WriterClassFor(dxPSReportStreamVersion);
}

std::unique_ptr<TdxPSDataReader> TdxPSReportFile::CreateReader(TdxStream& stream) {
  return std::make_unique<TdxPSDataReader>(stream, TdxPSDataReader::DefaultBufferSize);
}

std::unique_ptr<TdxPSDataWriter> TdxPSReportFile::CreateWriter(TdxStream& stream) {
  return std::make_unique<TdxPSDataWriter>(stream, TdxPSDataWriter::DefaultBufferSize);
}

// ---- Whole reports ------------------------------------------------------------------

void TdxPSReportFile::WriteReport(TdxPSDataWriter& writer) {
  if (!link_) throw EdxReportLink(dxPSReportLinkMessages::InvalidExternalStorage);
  const std::int64_t start = writer.Position();
  WriteHeader(writer, nullptr);
  TdxPSReportFileHeader header;
  header.LinkInfoOffset = SectionOffset(writer.Position());
  TdxPSReportLinkInfo info;
  FillLinkInfo(info);
  WriteLinkInfo(writer, info);
  header.DocumentOffset = SectionOffset(writer.Position());
  WriteDocument(writer, link_->ReportDocument());
  header.TitleOffset = SectionOffset(writer.Position());
  WriteTitle(writer, link_->ReportTitle());
  header.ReportDataOffset = SectionOffset(writer.Position());
  WriteReportData(writer);
  const std::int64_t end = writer.Position();
  SectionOffset(end);
  writer.SetPosition(start);
  WriteHeader(writer, &header);
  writer.SetPosition(end);
  writer.Flush();
}

void TdxPSReportFile::ReadReport(TdxPSDataReader& reader) {
  // Every fault of the stream is a read error, with the message of the part
  // that found it (an unknown class, a damaged picture, ...).
  try {
    ReadSections(reader);
  } catch (const EReadError&) {
    throw;
  } catch (const Exception& e) {
    throw EReadError(e.Message);
  }
}

void TdxPSReportFile::ReadSections(TdxPSDataReader& reader) {
  TdxPSReportFileHeader header;
  ReadHeader(reader, &header);
  // The furthest byte any section reaches: the report ends there, and a
  // stream that goes on past it holds something else.
  std::int64_t end = reader.Position();
  auto section = [&](std::int32_t offset, auto read) {
    ReadSection(reader, header, offset, read);
    end = std::max(end, reader.Position());
  };
  section(header.LinkInfoOffset, [&] { ReadLinkInfo(reader, nullptr); });

  TdxPSReportDocument document;
  section(header.DocumentOffset, [&] { ReadDocument(reader, document); });
  TdxReportTitle title;
  section(header.TitleOffset, [&] { ReadTitle(reader, title); });

  std::unique_ptr<TdxReportCells> ownCells;
  TdxReportCells* cells = link_ ? link_->ReportCells() : nullptr;
  if (!cells) {
    ownCells = std::make_unique<TdxReportCells>();
    cells = ownCells.get();
  }
  std::vector<int> horz, vert;
  TdxPSBackgroundBitmapPool bitmaps;
  TdxPSReportFontPool fonts;
  section(header.ReportDataOffset, [&] { ReadReportData(reader, *cells, horz, vert, bitmaps, fonts); });
  if (end < reader.Size()) throw EReadError(msg::DataAfterReport);
  if (!link_) return;

  // Everything has been read: the link takes it over.
  link_->ReportTitle().Assign(&title);
  link_->ReportDocument().Assign(&document);
  TBreakListReader breaks(horz, vert);
  link_->RenderInfo().ReadBreaks(breaks);
  TdxPSBackgroundBitmapPool& linkBitmaps = link_->BackgroundBitmapPool();
  linkBitmaps.Clear();
  for (int i = 0; i < bitmaps.Count(); ++i) linkBitmaps.Add(*bitmaps.Bitmap(i));
  TdxPSReportFontPool& linkFonts = link_->FontPool();
  linkFonts.Clear();
  for (int i = 0; i < fonts.Count(); ++i) linkFonts.Add(fonts.Font(i));
}

// ---- Header -------------------------------------------------------------------------

void TdxPSReportFile::WriteHeader(TdxPSDataWriter& writer, const TdxPSReportFileHeader* offsets) {
  writer.WriteRawInt32(dxPSReportHeaderLength);
  const TdxPSReportFileHeader block = offsets ? *offsets : TdxPSReportFileHeader{};
  writer.WriteRawInt32(block.LinkInfoOffset);
  writer.WriteRawInt32(block.DocumentOffset);
  writer.WriteRawInt32(block.TitleOffset);
  writer.WriteRawInt32(block.ReportDataOffset);
  writer.Write(block.Reserved.data(), block.Reserved.size());
}

void TdxPSReportFile::ReadHeader(TdxPSDataReader& reader, TdxPSReportFileHeader* offsets) {
  // Only the length this system writes is taken: anything else is no report
  // file of ours.
  if (reader.ReadRawInt32() != dxPSReportHeaderLength) throw EReadError(msg::InvalidPropertyValue);
  TdxPSReportFileHeader block;
  block.LinkInfoOffset = reader.ReadRawInt32();
  block.DocumentOffset = reader.ReadRawInt32();
  block.TitleOffset = reader.ReadRawInt32();
  block.ReportDataOffset = reader.ReadRawInt32();
  reader.Read(block.Reserved.data(), block.Reserved.size());
  for (std::int32_t offset : {block.LinkInfoOffset, block.DocumentOffset, block.TitleOffset, block.ReportDataOffset})
    if (offset < dxPSReportSectionsStart || offset >= reader.Size()) throw EReadError(msg::StreamReadError);
  if (offsets) *offsets = block;
}

// ---- Link information -----------------------------------------------------------------

void TdxPSReportFile::FillLinkInfo(TdxPSReportLinkInfo& info) {
  info = TdxPSReportLinkInfo{};
  info.StreamVersion = dxPSReportStreamVersion;
  info.Version = dxPSReportFileVersion;
  if (!link_) return;
  info.LinkClassName = ShortString(link_->ClassName());
  info.LinkClass = dxFindClass(info.LinkClassName);
  if (QObject* component = link_->Component()) {
    if (TdxClass cls = dxComponentClassOf(component)) {
      info.ComponentClassName = ShortString(cls->ClassName());
      info.ComponentClass = dxFindClass(info.ComponentClassName);
    }
  }
}

void TdxPSReportFile::WriteLinkInfo(TdxPSDataWriter& writer, const TdxPSReportLinkInfo& info) {
  writer.WriteInteger(info.StreamVersion);
  writer.WriteVersionTriple(info.Version);
  writer.WriteClass(info.LinkClass);
  writer.WriteClass(info.ComponentClass);
}

void TdxPSReportFile::ReadLinkInfo(TdxPSDataReader& reader, TdxPSReportLinkInfo* info) {
  TdxPSReportLinkInfo read;
  read.StreamVersion = reader.ReadInteger();
  read.Version = reader.ReadVersionTriple();
  read.LinkClassName = ShortString(reader.ReadString());
  read.LinkClass = dxFindClass(read.LinkClassName);
  read.ComponentClassName = ShortString(reader.ReadString());
  read.ComponentClass = dxFindClass(read.ComponentClassName);
  if (info) *info = std::move(read);
}

// ---- Document and title -----------------------------------------------------------------

void TdxPSReportFile::WriteDocument(TdxPSDataWriter& writer, TdxPSReportDocument& document) {
  document.WriteData(writer);
}

void TdxPSReportFile::ReadDocument(TdxPSDataReader& reader, TdxPSReportDocument& document) {
  document.ReadData(reader);
}

void TdxPSReportFile::WriteTitle(TdxPSDataWriter& writer, const TdxReportTitle& title) { title.WriteData(writer); }

void TdxPSReportFile::ReadTitle(TdxPSDataReader& reader, TdxReportTitle& title) { title.ReadData(reader); }

// ---- Report data ------------------------------------------------------------------------

void TdxPSReportFile::WriteReportData(TdxPSDataWriter& writer) {
  if (TdxReportCells* cells = link_->ReportCells()) {
    cells->WriteData(writer);
  } else {
    TdxReportCells empty;
    empty.WriteData(writer);
  }
  TdxPSReportRenderInfo& info = link_->RenderInfo();
  for (const std::vector<int>* list : {&info.HorzBreaks(), &info.VertBreaks()}) {
    writer.WriteInteger(std::int32_t(list->size()));
    for (int value : *list) writer.WriteRawInt32(value);
  }
  const TdxPSBackgroundBitmapPool& bitmaps = link_->BackgroundBitmapPool();
  writer.WriteListBegin();
  for (int i = 0; i < bitmaps.Count(); ++i) writer.WritePicture(*bitmaps.Bitmap(i));
  writer.WriteListEnd();
  const TdxPSReportFontPool& fonts = link_->FontPool();
  writer.WriteListBegin();
  for (int i = 0; i < fonts.Count(); ++i) {
    writer.WriteFont(fonts.Font(i));
    writer.WriteInteger(fonts.PointSize(i));
  }
  writer.WriteListEnd();
}

void TdxPSReportFile::ReadReportData(TdxPSDataReader& reader, TdxReportCells& cells, std::vector<int>& horzBreaks,
                                     std::vector<int>& vertBreaks, TdxPSBackgroundBitmapPool& bitmaps,
                                     TdxPSReportFontPool& fonts) {
  cells.ReadData(reader);
  for (std::vector<int>* list : {&horzBreaks, &vertBreaks}) {
    const std::int32_t count = reader.ReadInteger();
    if (count < 0 || count > TdxPSReportRenderInfo::dxMaxStoredBreaks) throw EReadError(msg::InvalidPropertyValue);
    if (std::int64_t(count) * 4 > reader.Remaining()) throw EReadError(msg::StreamReadError);
    list->clear();
    list->reserve(std::size_t(count));
    for (std::int32_t i = 0; i < count; ++i) list->push_back(reader.ReadRawInt32());
  }
  bitmaps.Clear();
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    TBitmap bitmap;
    reader.ReadPicture(bitmap);
    bitmaps.Add(bitmap);
  }
  reader.ReadListEnd();
  fonts.Clear();
  TFont font;
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    reader.ReadFont(font);
    font.SetSize(std::clamp(int(reader.ReadInteger()), -1638, 1638));
    fonts.Add(font);
  }
  reader.ReadListEnd();
}

// ---- Class operations -----------------------------------------------------------------------

TdxPSReportFileHeader TdxPSReportFile::ExtractHeader(TdxStream& stream, bool raiseErrors) {
  try {
    return FromStreamStart(stream, [&] {
      TdxPSDataReader reader(stream);
      return ReadHeaderAtStart(reader);
    });
  } catch (...) {  // not a guard: errors go on only when the caller asks for them
    if (raiseErrors) throw;
    return {};
  }
}

TdxPSReportLinkInfo TdxPSReportFile::ExtractLinkInfo(TdxStream& stream, bool raiseErrors) {
  try {
    return FromStreamStart(stream, [&] {
      TdxPSDataReader reader(stream);
      const TdxPSReportFileHeader header = ReadHeaderAtStart(reader);
      TdxPSReportLinkInfo info;
      ReadSection(reader, header, header.LinkInfoOffset, [&] { ReadLinkInfo(reader, &info); });
      return info;
    });
  } catch (...) {  // not a guard: errors go on only when the caller asks for them
    if (raiseErrors) throw;
    return {};
  }
}

std::unique_ptr<TdxPSReportDocument> TdxPSReportFile::ExtractReportDocument(TdxStream& stream, bool raiseErrors) {
  try {
    return FromStreamStart(stream, [&] {
      TdxPSDataReader reader(stream);
      const TdxPSReportFileHeader header = ReadHeaderAtStart(reader);
      auto document = std::make_unique<TdxPSReportDocument>();
      ReadSection(reader, header, header.DocumentOffset, [&] { TdxPSReportFile().ReadDocument(reader, *document); });
      return document;
    });
  } catch (...) {  // not a guard: errors go on only when the caller asks for them
    if (raiseErrors) throw;
    return nullptr;
  }
}

int TdxPSReportFile::ExtractVersion(TdxStream& stream, bool raiseErrors) {
  try {
    return ExtractLinkInfo(stream, true).StreamVersion;
  } catch (...) {  // not a guard: errors go on only when the caller asks for them
    if (raiseErrors) throw;
    return -1;
  }
}

bool TdxPSReportFile::IsReportStream(TdxStream* stream, bool raiseErrors) {
  return stream && ExtractVersion(*stream, raiseErrors) == dxPSReportStreamVersion;
}

bool TdxPSReportFile::IsReportFile(const std::string& fileName, bool raiseErrors) {
  try {
    const QFileInfo file(ToQ(fileName));
    if (fileName.empty() || !file.exists() || !file.isFile()) return false;
    TdxFileStream stream(fileName, TdxFileStreamMode::Read);
    return IsReportStream(&stream, raiseErrors);
  } catch (...) {  // not a guard: errors go on only when the caller asks for them
    if (raiseErrors) throw;
    return false;
  }
}

void TdxPSReportFile::CheckReport(TdxStream& stream) {
  FromStreamStart(stream, [&] {
    TdxPSReportFile file;
    std::unique_ptr<TdxPSDataReader> reader = file.CreateReader(stream);
    file.ReadReport(*reader);
    return 0;
  });
}

// ---- Over bytes in memory ----------------------------------------------------------------------

bool dxPSIsReportStream(TByteView data) {
  TdxByteViewStream stream(data);
  return TdxPSReportFile::IsReportStream(&stream, false);
}

void dxPSCheckReport(TByteView data) {
  TdxByteViewStream stream(data);
  TdxPSReportFile::CheckReport(stream);
}

void dxPSWriteReport(TBasedxReportLink& link, TBytes& data) {
  // Written aside first, so that a failure leaves data as it was.
  TBytes bytes;
  {
    TdxBytesStream stream(bytes);
    TdxPSReportFile file(&link);
    std::unique_ptr<TdxPSDataWriter> writer = file.CreateWriter(stream);
    file.WriteReport(*writer);
  }
  data = std::move(bytes);
}

void dxPSReadReport(TBasedxReportLink& link, TByteView data) {
  TdxByteViewStream stream(data);
  TdxPSReportFile file(&link);
  std::unique_ptr<TdxPSDataReader> reader = file.CreateReader(stream);
  file.ReadReport(*reader);
}

void dxPSRegisterReportStorage() {
  dxPSRegisterReportClasses();
  dxPSRegisterShapeClasses();
  TdxPSDataReader::Register();
  TdxPSDataWriter::Register();
  TdxReportLinkStorage& storage = dxPSReportLinkStorage();
  storage.IsReportStream = dxPSIsReportStream;
  storage.ReadReport = dxPSReadReport;
  storage.WriteReport = dxPSWriteReport;
  storage.CheckReport = dxPSCheckReport;
  storage.IsReportFile = [](const std::string& fileName) { return TdxPSReportFile::IsReportFile(fileName, false); };
  storage.IsReportInStream = [](TdxStream& stream) { return TdxPSReportFile::IsReportStream(&stream, false); };
  storage.CheckReportInStream = [](TdxStream& stream) { TdxPSReportFile::CheckReport(stream); };
}
