// Shared main of the benchmark programs: a headless application object first.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "platform/Application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  InitializePlatform();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
