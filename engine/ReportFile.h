// Report files: the layout of a report stream and the operations that
// write a link's report into one, read one back into a link and inspect
// one without a link.
//
// Layout (offsets are absolute stream positions):
//   0   4  header length, raw 32-bit: 32
//   4   4  offset of the link information section
//   8   4  offset of the report document section
//   12  4  offset of the title section
//   16  4  offset of the report data section
//   20  16 reserved, zero
//   36     the sections in that order: link information, report document,
//          title, report data
// Link information: StreamVersion (integer, 1), the version triple 3, 0, 2,
// the link's class name and its component's class name ("nil" when none or
// not registered for streams). The document and the title are their own
// ReadData/WriteData. Report data: the cells (with their image lists), the
// render info's HorzBreaks and VertBreaks (each a count, then raw 32-bit
// values), the background bitmap pool (a list of picture records) and the
// font pool (a list of font records, each followed by its point size).
//
// Sections are found through the header only, so the document or the link
// information of a large file is read without touching the report data.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/ReportLink.h"
#include "report/ReportStreams.h"

inline constexpr int dxPSReportStreamVersion = 1;
inline constexpr TdxPSVersionTriple dxPSReportFileVersion{3, 0, 2};
inline constexpr std::int32_t dxPSReportHeaderLength = 32;
// Position of the first section (header length field and the block).
inline constexpr std::int64_t dxPSReportSectionsStart = 4 + dxPSReportHeaderLength;

// The offset block of the header.
struct TdxPSReportFileHeader {
  std::int32_t LinkInfoOffset = 0;
  std::int32_t DocumentOffset = 0;
  std::int32_t TitleOffset = 0;
  std::int32_t ReportDataOffset = 0;
  std::array<std::uint8_t, 16> Reserved{};
  friend bool operator==(const TdxPSReportFileHeader&, const TdxPSReportFileHeader&) = default;
};

struct TdxPSReportLinkInfo {
  int StreamVersion = 0;
  TdxPSVersionTriple Version;
  // Names as stored (at most 255 characters) and the classes registered
  // under them (none when not registered).
  std::string LinkClassName;
  TdxClass LinkClass = nullptr;
  std::string ComponentClassName;
  TdxClass ComponentClass = nullptr;
};

// Reads and writes the report of one link (none: reading only checks that
// a stream reads, into objects of its own). Each section has its own
// virtual operation so that a descendant can extend one.
class TdxPSReportFile {
 public:
  explicit TdxPSReportFile(TBasedxReportLink* link = nullptr) : link_(link) {}
  virtual ~TdxPSReportFile() = default;

  TBasedxReportLink* ReportLink() const { return link_; }

  // The reader and writer classes of StreamVersion; objects are always of
  // TdxPSDataReader / TdxPSDataWriter, with a 4096-byte buffer.
  static TdxPSStreamFilerClass ReaderClass();
  static TdxPSStreamFilerClass WriterClass();
  virtual std::unique_ptr<TdxPSDataReader> CreateReader(TdxStream& stream);
  virtual std::unique_ptr<TdxPSDataWriter> CreateWriter(TdxStream& stream);

  // A whole report file from the writer's position on (which must be the
  // start of the stream, as the offsets are absolute). The writer is
  // flushed at the end.
  virtual void WriteReport(TdxPSDataWriter& writer);
  // A whole report file into the link. The document, the title, the breaks
  // and the pools change only once everything has been read; the cells are
  // read into the link's document in place (a failure leaves them empty).
  // Any fault raises EReadError.
  virtual void ReadReport(TdxPSDataReader& reader);

  // The 36-byte header: without a block, the length and 32 zero bytes.
  static void WriteHeader(TdxPSDataWriter& writer, const TdxPSReportFileHeader* offsets);
  // Without a block the offsets are read and discarded. A header length
  // other than 32, or an offset outside the stream, is a read error.
  static void ReadHeader(TdxPSDataReader& reader, TdxPSReportFileHeader* offsets);

  virtual void FillLinkInfo(TdxPSReportLinkInfo& info);
  static void WriteLinkInfo(TdxPSDataWriter& writer, const TdxPSReportLinkInfo& info);
  static void ReadLinkInfo(TdxPSDataReader& reader, TdxPSReportLinkInfo* info);
  virtual void WriteDocument(TdxPSDataWriter& writer, TdxPSReportDocument& document);
  virtual void ReadDocument(TdxPSDataReader& reader, TdxPSReportDocument& document);
  virtual void WriteTitle(TdxPSDataWriter& writer, const TdxReportTitle& title);
  virtual void ReadTitle(TdxPSDataReader& reader, TdxReportTitle& title);
  virtual void WriteReportData(TdxPSDataWriter& writer);
  // Reads the four parts of the report data into the given objects.
  virtual void ReadReportData(TdxPSDataReader& reader, TdxReportCells& cells, std::vector<int>& horzBreaks,
                              std::vector<int>& vertBreaks, TdxPSBackgroundBitmapPool& bitmaps,
                              TdxPSReportFontPool& fonts);

  // ---- Class operations: inspecting a stream without a link ----
  // Each saves the stream position, reads from position 0 and restores the
  // position afterwards, also after an error. With raiseErrors false they
  // never raise and answer the empty value instead.
  static TdxPSReportFileHeader ExtractHeader(TdxStream& stream, bool raiseErrors);
  static TdxPSReportLinkInfo ExtractLinkInfo(TdxStream& stream, bool raiseErrors);
  // A new document read from the document section (the caller owns it);
  // none on an error.
  static std::unique_ptr<TdxPSReportDocument> ExtractReportDocument(TdxStream& stream, bool raiseErrors);
  // StreamVersion of the link information; -1 on an error.
  static int ExtractVersion(TdxStream& stream, bool raiseErrors);
  // False without a stream; otherwise whether its StreamVersion is 1.
  static bool IsReportStream(TdxStream* stream, bool raiseErrors);
  // False when the file does not exist; otherwise IsReportStream of it.
  static bool IsReportFile(const std::string& fileName, bool raiseErrors);
  // Reads the whole report into objects of its own; raises the first fault
  // (nothing when the stream reads completely).
  static void CheckReport(TdxStream& stream);

 private:
  void ReadSections(TdxPSDataReader& reader);

  TBasedxReportLink* link_;
};

// Convenience forms over bytes in memory.
bool dxPSIsReportStream(TByteView data);
void dxPSCheckReport(TByteView data);
// Writes the link's report into data (replacing its contents).
void dxPSWriteReport(TBasedxReportLink& link, TBytes& data);
// Reads a report stream into the link (see TdxPSReportFile::ReadReport).
void dxPSReadReport(TBasedxReportLink& link, TByteView data);

// Installs the report file format into dxPSReportLinkStorage(), registers the
// reader and writer classes and the report classes that streams name. Call
// once at start-up (and again after singletons were finalized); further calls
// do no harm.
void dxPSRegisterReportStorage();
