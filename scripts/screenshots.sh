#!/usr/bin/env bash
# Takes the user guide's pictures from the real program: starts a virtual
# screen (Xvfb) and a private print scheduler with a PDF printer, drives the
# program with xdotool and writes one PNG per window.
#
#   scripts/screenshots.sh [program] [folder]
#       program  default: build/app/ardel-sorvan (built here when missing)
#       folder   default: docs/screenshots
#
# Fails when the program does not start or a window does not open or cannot
# be captured (an empty or one-coloured picture counts as not captured).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
program=${1:-build/app/ardel-sorvan}
if [ ! -x "$program" ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DARDEL_TESTS=OFF >/dev/null
  cmake --build build --target ardel-sorvan
  program=build/app/ardel-sorvan
fi
out=${2:-docs/screenshots}
mkdir -p "$out"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
cups=/tmp/ardel-shots-$$
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  bash tests/support/cups-sandbox.sh stop "$cups" >/dev/null 2>&1 || true
}
trap cleanup EXIT
bash tests/support/cups-sandbox.sh start "$cups" >/dev/null
export DISPLAY=$display CUPS_SERVER=$cups/cups.sock
export QT_QPA_PLATFORM=xcb

# Waits until a window whose name is $1 is visible (at most 15 s) and prints
# its id.
wait_window() {
  local id
  for _ in $(seq 1 75); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1 || true)
    if [ -n "$id" ]; then sleep 0.7; echo "$id"; return 0; fi
    sleep 0.2
  done
  echo "screenshots: no window \"$1\"" >&2
  exit 1
}
# Captures the window $2 (the whole screen without one) into $1.png; a picture
# of a single colour means the window was not drawn.
shot() {
  local file="$out/$1.png"
  if [ -n "${2:-}" ]; then import -window "$2" -frame "$file"; else import -window root "$file"; fi
  [ -s "$file" ] || { echo "screenshots: could not capture $1" >&2; exit 1; }
  local colours
  colours=$(identify -format '%k' "$file")
  [ "$colours" -gt 1 ] || { echo "screenshots: $1 shows nothing" >&2; exit 1; }
  echo "$file"
}
# Opens a dialog by keys in the preview window, captures it, closes it.
dialog() {
  local name=$1 title=$2
  shift 2
  xdotool windowactivate --sync "$preview" >/dev/null 2>&1 || true
  xdotool windowfocus --sync "$preview" >/dev/null 2>&1 || true
  sleep 0.3
  xdotool key --delay 150 "$@"
  local id
  id=$(wait_window "$title")
  shot "$name" "$id"
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
  xdotool windowfocus --sync "$id" >/dev/null 2>&1 || true
  xdotool key Escape
  sleep 0.7
  if xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; then
    echo "screenshots: \"$title\" did not close" >&2
    exit 1
  fi
}

"$program" >/dev/null 2>&1 &
app=$!
main=$(wait_window "Ardel Sorvan")
shot main-window

# The context menu on the photo, then "Önizleme".
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 300)) $((Y + 200)) click 3
sleep 1
shot context-menu
xdotool key Down Down Return
preview=$(wait_window "Print Preview")
shot preview "$preview"

# The dialogs, through the preview window's menus.
dialog page-setup "Page Setup" alt+f u
dialog print-dialog "Print" ctrl+p
dialog format-report "Format Report" alt+f d
dialog zoom "Zoom" alt+v z s
dialog options "Options" alt+f o
dialog report-title "Report Title" alt+o i
dialog date-time "Date and Time" alt+o t
dialog page-numbering "Page Number Format" alt+o n
