#!/usr/bin/env bash
# Compares the source map of README.md ("### Source map" under "Layout of the
# source") with the tree: every header and unit of the source folders must be
# listed under its folder, and every listed file must exist. Prints the
# differences and exits non-zero when there are any.
#
# A map line is "- `Name.h/.cpp`: ...", "- `Name.h`: ..." or "- `Name.cpp`: ..."
# under a "#### `folder/`" heading.
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
cd "$root"
folders=(platform report layout engine preview dialogs editors app)

listed=$(mktemp)
present=$(mktemp)
trap 'rm -f "$listed" "$present"' EXIT

awk '
  /^### Source map/ { inmap = 1; next }
  inmap && /^##[^#]/ && !/^####/ { inmap = 0 }
  inmap && /^#### `/ {
    folder = $0
    sub(/^#### `/, "", folder)
    sub(/\/?`.*$/, "", folder)
    next
  }
  inmap && folder != "" && /^- `/ {
    entry = $0
    sub(/^- `/, "", entry)
    sub(/`.*$/, "", entry)
    if (entry ~ /\.h\/\.cpp$/) {
      base = entry
      sub(/\.h\/\.cpp$/, "", base)
      print folder "/" base ".h"
      print folder "/" base ".cpp"
    } else {
      print folder "/" entry
    }
  }
' README.md | LC_ALL=C sort > "$listed"

for folder in "${folders[@]}"; do
  find "$folder" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \)
done | LC_ALL=C sort > "$present"

if [[ ! -s "$listed" ]]; then
  echo "README.md has no source map (### Source map)" >&2
  exit 1
fi

missing=$(LC_ALL=C comm -13 "$listed" "$present")
stale=$(LC_ALL=C comm -23 "$listed" "$present")
duplicates=$(uniq -d "$listed")
status=0
if [[ -n "$missing" ]]; then
  echo "Not in the source map of README.md:"
  sed 's/^/  /' <<<"$missing"
  status=1
fi
if [[ -n "$stale" ]]; then
  echo "In the source map of README.md but not in the tree:"
  sed 's/^/  /' <<<"$stale"
  status=1
fi
if [[ -n "$duplicates" ]]; then
  echo "Listed more than once in the source map of README.md:"
  sed 's/^/  /' <<<"$duplicates"
  status=1
fi
if [[ $status -eq 0 ]]; then
  echo "Source map: $(wc -l <"$present") files, all listed"
fi
exit $status
