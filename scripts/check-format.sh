#!/usr/bin/env bash
# Checks that every C++ source (.h and .cpp under the source folders, tests,
# fuzz and bench) is formatted as .clang-format says; prints what would
# change and exits non-zero when anything would. Formats nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
folders=(platform report layout engine editors preview dialogs app tests fuzz bench)
if ! find "${folders[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
  xargs -0 "$CLANG_FORMAT" --dry-run -Werror; then
  echo "check-format: some files are not formatted as .clang-format says" >&2
  exit 1
fi
