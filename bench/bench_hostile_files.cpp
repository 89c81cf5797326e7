// Hostile files of a gigabyte (sparse: they take no disk space) refused by
// the report link and the picture reader, against loading a small valid
// report and a small photo in the same run. A refusal must be about as quick
// as the small load and take well under 64 MB: peak_rss_growth_MB is how much
// the peak resident memory grew while the benchmark ran.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/ReportFile.h"
#include "engine/ReportLink.h"
#include "platform/Graphics.h"
#include "platform/MessageDialogs.h"
#include "tests/ModalAnswers.h"

namespace {

constexpr std::int64_t kGigabyte = std::int64_t(1) << 30;

class TPlainLink : public TBasedxReportLink {
  DX_CLASS(TPlainLink, TBasedxReportLink)
};

std::int64_t StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + std::strlen(key));
  return 0;
}

// The peak of resident memory, counted from now.
class TPeakMemory {
 public:
  TPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
    start_ = StatusKb("VmRSS:");
  }
  double GrowthMB() const { return double(StatusKb("VmHWM:") - start_) / 1024; }

 private:
  std::int64_t start_;
};

class TFiles {
 public:
  TFiles() {
    dir_ = std::filesystem::temp_directory_path() / ("ardel-bench-hostile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    dxPSRegisterReportStorage();
    TPlainLink link;
    link.SetCaption("Mart");
    const std::string title = "Mart ayı";
    link.SetReportTitleText(title);
    TBytes report;
    dxPSWriteReport(link, report);
    Write("small.rps", report, 0);
    Write("zeros.rps", TBytes(64, 0), kGigabyte);
    Write("trailing.rps", report, kGigabyte);
    // The title claims 192 MB: within the file, past its section.
    TBytes claiming = report;
    auto at = std::search(claiming.begin(), claiming.end(), title.begin(), title.end());
    if (at != claiming.end()) {
      const std::uint32_t length = 0x0C000000;
      std::memcpy(&*(at - 4), &length, 4);
    }
    Write("claiming.rps", claiming, kGigabyte / 4);
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    photo.save(QString::fromStdString(Path("small.jpg")), "JPEG", 90);
    Write("zeros.jpg", TBytes(64, 0), kGigabyte - 1);
  }
  ~TFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  void Write(const std::string& name, const TBytes& head, std::int64_t size) {
    const std::string path = Path(name);
    {
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    }
    if (size > 0) std::filesystem::resize_file(path, std::uintmax_t(size));
  }
  std::filesystem::path dir_;
};

TFiles& Files() {
  static TFiles files;
  return files;
}

// Runs load on the file each iteration; loaded tells whether it took it.
template <class Load>
void Measure(benchmark::State& state, const char* name, bool shouldLoad, Load load) {
  const std::string path = Files().Path(name);
  AnswerMessageBoxes([](TMessageBoxKind, const std::string&, const std::string&) { return false; });
  TPeakMemory peak;
  for (auto _ : state)
    if (load(path) != shouldLoad) state.SkipWithError(shouldLoad ? "not loaded" : "loaded");
  state.counters["peak_rss_growth_MB"] = peak.GrowthMB();
  state.counters["file_MB"] = double(std::filesystem::file_size(path)) / (1 << 20);
  AnswerMessageBoxes({});
}

void LoadReport(benchmark::State& state, const char* name, bool shouldLoad) {
  Measure(state, name, shouldLoad, [](const std::string& path) {
    TPlainLink link;
    try {
      link.LoadFromFile(path);
    } catch (const EFOpenError&) {
    }
    return !link.StoredReport().empty();
  });
}

void BM_LoadSmallReport(benchmark::State& state) { LoadReport(state, "small.rps", true); }
void BM_RefuseGigabyteOfZerosAsReport(benchmark::State& state) { LoadReport(state, "zeros.rps", false); }
void BM_RefuseReportWithGigabyteAfterIt(benchmark::State& state) { LoadReport(state, "trailing.rps", false); }
void BM_RefuseReportClaimingPastItsSection(benchmark::State& state) { LoadReport(state, "claiming.rps", false); }
BENCHMARK(BM_LoadSmallReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefuseGigabyteOfZerosAsReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefuseReportWithGigabyteAfterIt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefuseReportClaimingPastItsSection)->Unit(benchmark::kMicrosecond);

void LoadPicture(benchmark::State& state, const char* name, bool shouldLoad) {
  Measure(state, name, shouldLoad, [](const std::string& path) {
    TPicture picture;
    try {
      picture.LoadFromFile(path);
    } catch (const Exception&) {
    }
    return !picture.Empty();
  });
}

void BM_LoadSmallPhoto(benchmark::State& state) { LoadPicture(state, "small.jpg", true); }
void BM_RefuseGigabyteOfZerosAsPhoto(benchmark::State& state) { LoadPicture(state, "zeros.jpg", false); }
BENCHMARK(BM_LoadSmallPhoto)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefuseGigabyteOfZerosAsPhoto)->Unit(benchmark::kMicrosecond);

}  // namespace
