// Fuzz target: report files. The bytes go through every reader of report
// streams: the checks that recognise a report, the inspecting operations of
// the open dialog, and a complete read of all sections into objects of
// their own. Seeds (corpus/report) are written by the report writer itself:
// run the engine tests with ARDEL_WRITE_REPORT_SEEDS=1 to renew them.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/dxPSReportFile.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Exceptions.h"

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
  try {
    dxPSCheckReport(bytes);
  } catch (const Exception&) {
  }
  return 0;
}
