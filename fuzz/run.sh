#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for a
# fixed budget, starting from its seed corpus.
# Usage: fuzz/run.sh [seconds] [kind...]   (kinds: bmp, report, ...; none: all)
set -euo pipefail
cd "$(dirname "$0")/.."
budget=${1:-60}
shift || true
bash scripts/install-deps.sh
command -v clang++ >/dev/null || { echo "clang++ is needed for fuzzing" >&2; exit 1; }
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DARDEL_FUZZ=ON -DARDEL_TESTS=OFF >/dev/null
if [ $# -gt 0 ]; then
  targets=$(for k in "$@"; do echo "fuzz_$k"; done)
else
  targets=$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
fi
cmake --build build-fuzz -j"$(nproc)" --target $targets
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
status=0
for t in $targets; do
  kind=${t#fuzz_}
  work=fuzz/out/$kind
  mkdir -p "$work"
  echo "== $t for ${budget}s"
  if ! build-fuzz/fuzz/$t -max_total_time="$budget" -rss_limit_mb=2048 -max_len=65536 \
      -artifact_prefix="$work/" "$work" "fuzz/corpus/$kind" >"$work/log.txt" 2>&1; then
    echo "   FAILED: see $work/log.txt"
    grep -A40 -m1 -E "ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:" "$work/log.txt" || tail -n 40 "$work/log.txt"
    for a in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -f "$a" ] && { echo "   input $a:"; base64 -w0 "$a" | head -c 4000; echo; }
    done
    status=1
  fi
  grep -E "^Done [0-9]+ runs" "$work/log.txt" | tail -n 1 | sed 's/^/   /' || true
done
exit $status
