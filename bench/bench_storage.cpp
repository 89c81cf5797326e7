// Report streams: writing and reading a document of 100,000 cells through
// the buffered writer and reader, against copying the same number of bytes;
// and ExtractReportDocument on report files of 1 MB and 100 MB, which reads
// the header and the document section only and so must not take longer for
// the larger file (bytes_read shows what it touched).
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <map>
#include <unistd.h>
#include <memory>
#include <string>

#include "engine/ReportFile.h"
#include "report/ReportCells.h"
#include "report/DataItems.h"
#include "report/ReportStreams.h"

namespace {

// A grid of cells, each holding one string item.
void Build(TdxReportCells& doc, int cellCount) {
  const int columns = 10, width = 80, height = 20;
  const int rows = cellCount / columns;
  doc.Cells()->SetBoundsRect(TRect(0, 0, columns * width, rows * height));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      auto* cell = new TdxReportCell(doc.Cells());
      cell->SetBoundsRect(Bounds(c * width, r * height, width, height));
      auto* text = new TdxReportCellString(cell);
      text->SetBoundsRect(TRect(0, 0, width, height));
      text->SetText("Hücre " + std::to_string(r * columns + c));
    }
  }
}

TBytes WriteCells(TdxReportCells& doc) {
  TBytes bytes;
  TdxBytesStream stream(bytes);
  TdxPSDataWriter writer(stream);
  doc.WriteData(writer);
  writer.Flush();
  return bytes;
}

TdxReportCells& Document100k() {
  static TdxReportCells* doc = [] {
    dxPSRegisterReportStorage();
    auto* d = new TdxReportCells;
    Build(*d, 100000);
    return d;
  }();
  return *doc;
}

void BM_WriteCells(benchmark::State& state) {
  TdxReportCells& doc = Document100k();
  std::size_t size = 0;
  for (auto _ : state) {
    TBytes bytes = WriteCells(doc);
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
  state.counters["bytes"] = double(size);
}
BENCHMARK(BM_WriteCells)->Unit(benchmark::kMillisecond);

void BM_ReadCells(benchmark::State& state) {
  const TBytes bytes = WriteCells(Document100k());
  for (auto _ : state) {
    TdxReportCells doc;
    TdxByteViewStream stream(bytes);
    TdxPSDataReader reader(stream);
    doc.ReadData(reader);
    benchmark::DoNotOptimize(doc.Cells());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}
BENCHMARK(BM_ReadCells)->Unit(benchmark::kMillisecond);

// The floor: copying the bytes of the same document.
void BM_CopyCellBytes(benchmark::State& state) {
  const TBytes bytes = WriteCells(Document100k());
  for (auto _ : state) {
    TBytes copy(bytes);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}
BENCHMARK(BM_CopyCellBytes)->Unit(benchmark::kMillisecond);

// ---- Large report files --------------------------------------------------------------

// A report whose data section is padded out with background bitmaps, written
// straight to the file (one bitmap in memory at a time).
class TLargeReportFile : public TdxPSReportFile {
 public:
  TLargeReportFile(TBasedxReportLink* link, std::int64_t dataBytes) : TdxPSReportFile(link), dataBytes_(dataBytes) {}
  void WriteReportData(TdxPSDataWriter& writer) override {
    TdxReportCells empty;
    empty.WriteData(writer);
    writer.WriteInteger(0);
    writer.WriteInteger(0);
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const std::int64_t start = writer.Position();
    writer.WriteListBegin();
    for (int i = 0; writer.Position() - start < dataBytes_; ++i) {
      image.setPixel(i % 256, (i / 256) % 256, qRgb(i % 251, 0, 0));
      TBitmap bitmap;
      bitmap.SetImage(image);
      writer.WritePicture(bitmap);
    }
    writer.WriteListEnd();
    writer.WriteListBegin();
    writer.WriteListEnd();
  }

 private:
  std::int64_t dataBytes_;
};

class TPlainLink : public TBasedxReportLink {
  DX_CLASS(TPlainLink, TBasedxReportLink)
};

// The files live in a temporary folder that goes when the program ends.
class TLargeFiles {
 public:
  ~TLargeFiles() {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  const std::string& Get(std::int64_t megabytes) {
    auto it = files_.find(megabytes);
    if (it != files_.end()) return it->second;
    if (dir_.empty()) {
      dir_ = std::filesystem::temp_directory_path() / ("ardel-bench-storage-" + std::to_string(::getpid()));
      std::filesystem::create_directories(dir_);
    }
    dxPSRegisterReportStorage();
    const std::string path = (dir_ / (std::to_string(megabytes) + "mb.rps")).string();
    TPlainLink link;
    link.SetCaption("Büyük rapor");
    TdxFileStream stream(path, TdxFileStreamMode::Create);
    TLargeReportFile file(&link, megabytes << 20);
    std::unique_ptr<TdxPSDataWriter> writer = file.CreateWriter(stream);
    file.WriteReport(*writer);
    return files_.emplace(megabytes, path).first->second;
  }

 private:
  std::filesystem::path dir_;
  std::map<std::int64_t, std::string> files_;
};
TLargeFiles gLargeFiles;

// Counts the bytes that pass.
class TCountingStream : public TdxStream {
 public:
  explicit TCountingStream(TdxStream& inner) : inner_(inner) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = inner_.Read(buffer, count);
    BytesRead += n;
    return n;
  }
  void Write(const void* buffer, std::size_t count) override { inner_.Write(buffer, count); }
  std::int64_t Position() const override { return inner_.Position(); }
  void SetPosition(std::int64_t position) override { inner_.SetPosition(position); }
  std::int64_t Size() const override { return inner_.Size(); }
  std::size_t BytesRead = 0;

 private:
  TdxStream& inner_;
};

void BM_ExtractReportDocument(benchmark::State& state) {
  const std::string& path = gLargeFiles.Get(state.range(0));
  std::size_t bytesRead = 0;
  std::int64_t fileSize = 0;
  for (auto _ : state) {
    TdxFileStream file(path, TdxFileStreamMode::Read);
    TCountingStream counting(file);
    std::unique_ptr<TdxPSReportDocument> document = TdxPSReportFile::ExtractReportDocument(counting, true);
    if (!document || document->Caption() != "Büyük rapor") state.SkipWithError("document not read");
    bytesRead = counting.BytesRead;
    fileSize = file.Size();
  }
  state.counters["file_bytes"] = double(fileSize);
  state.counters["bytes_read"] = double(bytesRead);
}
BENCHMARK(BM_ExtractReportDocument)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
