#!/usr/bin/env bash
# Takes the user guide's pictures from the real program: starts a virtual
# screen (Xvfb) and a private print scheduler with a PDF printer, drives the
# program with xdotool and writes PNGs into docs/screenshots/.
#
#   scripts/screenshots.sh [program]   (default: build/app/ardel-sorvan,
#                                       built by scripts/run.sh)
#
# Fails when the program does not start or a window cannot be captured.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
program=${1:-build/app/ardel-sorvan}
if [ ! -x "$program" ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DARDEL_TESTS=OFF >/dev/null
  cmake --build build --target ardel-sorvan
  program=build/app/ardel-sorvan
fi
out=docs/screenshots
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

# Waits until a window whose name contains $1 is visible (at most 15 s).
wait_window() {
  for _ in $(seq 1 75); do
    if xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; then sleep 0.5; return 0; fi
    sleep 0.2
  done
  echo "screenshots: no window \"$1\"" >&2
  return 1
}
shot() {
  import -window root "$out/$1.png"
  [ -s "$out/$1.png" ] || { echo "screenshots: could not capture $1" >&2; exit 1; }
  echo "$out/$1.png"
}

"$program" >/dev/null 2>&1 &
app=$!
wait_window "Ardel Sorvan"
shot main-window

# The context menu on the photo, then "Önizleme".
main=$(xdotool search --onlyvisible --name "Ardel Sorvan" | head -1)
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 300)) $((Y + 200)) click 3
sleep 1
shot context-menu
xdotool key Down Down Return
wait_window "Print Preview"
shot preview

# The preview window's File menu: its items by their place below the menu.
preview=$(xdotool search --onlyvisible --name "Print Preview" | head -1)
file_menu_item() {
  eval "$(xdotool getwindowgeometry --shell "$preview")"
  xdotool mousemove $((X + 18)) $((Y + 8)) click 1
  sleep 1
  xdotool mousemove $((X + 60)) $((Y + $1)) click 1
}

# File > Page Setup...
file_menu_item 143
wait_window "Page Setup"
shot page-setup
xdotool key Escape
sleep 1

# File > Print... (Ctrl+P).
xdotool key ctrl+p
sleep 3
shot print-dialog
xdotool key Escape
sleep 1

# File > Design...: "Format Report".
file_menu_item 30
wait_window "Format Report"
shot format-report
xdotool key Escape
sleep 1
