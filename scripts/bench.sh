#!/usr/bin/env bash
# Builds the benchmarks in a release build (build-bench/) and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DARDEL_TESTS=OFF -DARDEL_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)"
for b in build-bench/bench/bench_*; do
  if [ -f "$b" ] && [ -x "$b" ]; then "$b" "$@"; fi
done
