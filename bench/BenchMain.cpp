// Shared main of the benchmark programs: a headless application object first.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/Application.h"

namespace {
std::vector<std::function<void()>>& EndActions() {
  static std::vector<std::function<void()>> actions;
  return actions;
}
}  // namespace

void AtBenchEnd(std::function<void()> f) { EndActions().push_back(std::move(f)); }

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  InitializePlatform();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  while (!EndActions().empty()) {
    auto action = std::move(EndActions().back());
    EndActions().pop_back();
    action();
  }
  benchmark::Shutdown();
  return 0;
}
