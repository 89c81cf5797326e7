// Fuzz target: report files. The bytes go through every reader of report
// streams: the checks that recognise a report, the inspecting operations of
// the open dialog, and a complete read of all sections into objects of
// their own. Then the same bytes are read as the start of a much longer
// stream (zeros after them, never held in memory), so that every declared
// length may seem to fit, and with data after them, which a report that
// reads must refuse. Seeds (corpus/report) are written by the report writer
// itself: run the engine tests with ARDEL_WRITE_REPORT_SEEDS=1 to renew them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/ReportFile.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Exceptions.h"

namespace {

// The bytes followed by tail zeros: a long file with a hole after its data.
class TZeroTailStream : public TdxStream {
 public:
  TZeroTailStream(TByteView data, std::int64_t tail) : data_(data), size_(std::int64_t(data.size()) + tail) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::int64_t n = std::min<std::int64_t>(std::int64_t(count), std::max<std::int64_t>(0, size_ - position_));
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::int64_t i = 0; i < n; ++i) {
      const std::int64_t at = position_ + i;
      out[i] = at < std::int64_t(data_.size()) ? data_[std::size_t(at)] : 0;
    }
    position_ += n;
    return std::size_t(n);
  }
  void Write(const void*, std::size_t) override { throw EWriteError("read only"); }
  std::int64_t Position() const override { return position_; }
  void SetPosition(std::int64_t position) override {
    if (position < 0) throw EStreamError("negative position");
    position_ = position;
  }
  std::int64_t Size() const override { return size_; }

 private:
  TByteView data_;
  std::int64_t size_;
  std::int64_t position_ = 0;
};

// Reads the whole report; true when it read.
template <class Check>
bool Reads(Check check) {
  try {
    check();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  EnsureFuzzApplication();
  static const bool registered = [] {
    dxPSRegisterReportStorage();
    return true;
  }();
  (void)registered;
  const TByteView bytes(data, size);
  TdxByteViewStream stream(bytes);
  (void)TdxPSReportFile::IsReportStream(&stream, false);
  (void)TdxPSReportFile::ExtractLinkInfo(stream, false);
  std::unique_ptr<TdxPSReportDocument> document = TdxPSReportFile::ExtractReportDocument(stream, false);
  if (document) (void)document->AsText();
  const bool valid = Reads([&] { dxPSCheckReport(bytes); });

  // Lengths that seem to fit a long file: zeros after the bytes. Section
  // bounds keep every claim but the last section's within the bytes.
  TZeroTailStream longer(bytes, std::int64_t(16) << 20);
  (void)TdxPSReportFile::IsReportStream(&longer, false);
  (void)TdxPSReportFile::ExtractReportDocument(longer, false);
  const bool longerReads = Reads([&] { TdxPSReportFile::CheckReport(longer); });

  // Data after a report that reads: refused, whatever it is.
  TBytes trailing(bytes.begin(), bytes.end());
  trailing.insert(trailing.end(), {0x00, 0x01, 0x02, 0x03});
  const bool trailingReads = Reads([&] { dxPSCheckReport(trailing); });
  if (valid && (trailingReads || longerReads)) std::abort();
  return 0;
}
