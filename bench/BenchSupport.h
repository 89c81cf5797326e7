// Shared by the benchmark programs.
#pragma once

#include <functional>

// Runs f once the benchmarks are done, while the application object still
// exists (windows kept across benchmarks must go before it does). Last
// registered, first run.
void AtBenchEnd(std::function<void()> f);
