#!/usr/bin/env bash
# Builds the program (release build in build/) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DARDEL_TESTS=OFF >/dev/null
cmake --build build --target ardel-sorvan -j"$(nproc)"
exec build/app/ardel-sorvan "$@"
