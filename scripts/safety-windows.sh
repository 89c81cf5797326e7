#!/usr/bin/env bash
# Drives the real program under Xvfb with xdotool through what a person meets
# when files are not what they seem, and checks what happens to the files:
#   1. a FIFO given as the photo: the program starts and says so at once
#      (it used to hang for ever);
#   2. "Save Report As" with the name March.2024 beside an existing
#      March.rps: the question names March.rps; No goes back to the dialog
#      and keeps the old file; Yes replaces it with the report;
#   3. a print scheduler that takes connections and never answers: a small
#      window says what is awaited and Escape (its Cancel) ends the wait;
#      the main window then opens at once.
#
#   scripts/safety-windows.sh [program] [folder]
#       program  default: build/app/ardel-sorvan
#       folder   where the screenshots go (default: a temporary folder)
# ARDEL_DISPLAY chooses the virtual screen (default: a random one).
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/app/ardel-sorvan}
[ -x "$program" ] || { echo "safety-windows: no program $program" >&2; exit 1; }
out=${2:-$(mktemp -d)}
mkdir -p "$out"
work=$(mktemp -d)

display=${ARDEL_DISPLAY:-:$((90 + RANDOM % 100))}
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# No scheduler: nothing here prints.
export DISPLAY=$display CUPS_SERVER=$work/no-scheduler.sock QT_QPA_PLATFORM=xcb
sleep 1

fail() {
  echo "safety-windows: $*" >&2
  exit 1
}
# The newest visible window named $1 other than those in $2 (at most 15 s).
wait_window() {
  local id
  for _ in $(seq 1 75); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vxF -f <(printf '%s\n' ${2:-0}) | tail -1 || true)
    if [ -n "$id" ]; then sleep 0.7; echo "$id"; return 0; fi
    sleep 0.2
  done
  fail "no window \"$1\""
}
gone() {
  for _ in $(seq 1 25); do
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -qxF "$2" || return 0
    sleep 0.2
  done
  fail "window \"$1\" did not close"
}
shot() {
  local file="$out/$1.png"
  import -window "$2" -frame "$file"
  [ "$(identify -format '%k' "$file")" -gt 1 ] || fail "$1 shows nothing"
  echo "$file"
}
focus() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true
  sleep 0.3
}
run() {
  "$program" "$@" >/dev/null 2>&1 &
  app=$!
}
stop() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=""
}

# ---- 1. A FIFO as the photo ------------------------------------------------
mkfifo "$work/photo.jpg"
start=$(date +%s)
run "$work/photo.jpg"
# The main window and the error box share the name: the box is the narrower.
box=""
for _ in $(seq 1 75); do
  ids=$(xdotool search --onlyvisible --name "^Ardel Sorvan\$" 2>/dev/null || true)
  if [ "$(echo "$ids" | grep -c .)" -ge 2 ]; then
    box=$(for id in $ids; do echo "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^WIDTH=//p') $id"; done |
      sort -n | head -1 | cut -d' ' -f2)
    break
  fi
  sleep 0.2
done
[ -n "$box" ] || fail "no error box for the FIFO photo"
sleep 0.7
[ $(($(date +%s) - start)) -lt 20 ] || fail "the FIFO held the program up"
shot fifo-photo-refused "$box"
focus "$box"
xdotool key Return
gone "Ardel Sorvan" "$box"
stop

# ---- 2. The overwrite question names the file that is written ---------------
printf 'old report' >"$work/March.rps"
run
main=$(wait_window "Ardel Sorvan")
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 300)) $((Y + 200)) click 3
sleep 1
xdotool key Down Down Return
preview=$(wait_window "Print Preview")

save_as() {
  focus "$preview"
  xdotool key ctrl+s
  local dialog
  dialog=$(wait_window "Save Report As")
  focus "$dialog"
  xdotool key ctrl+a
  xdotool type --delay 20 "$work/March.2024"
  xdotool key Return
  echo "$dialog"
}
dialog=$(save_as)
question=$(wait_window "Ardel Sorvan" "$main")
shot overwrite-question "$question"
focus "$question"
xdotool key alt+n
gone "Ardel Sorvan" "$question"
again=$(wait_window "Save Report As")
shot save-dialog-again "$again"
focus "$again"
xdotool key Escape
gone "Save Report As" "$again"
[ "$(cat "$work/March.rps")" = "old report" ] || fail "No replaced March.rps"
[ ! -e "$work/March.2024" ] || fail "a file March.2024 was written"

dialog=$(save_as)
question=$(wait_window "Ardel Sorvan" "$main")
focus "$question"
xdotool key alt+y
gone "Ardel Sorvan" "$question"
sleep 1
[ "$(head -c 4 "$work/March.rps" | od -An -tx1 | tr -d ' ')" = "20000000" ] || fail "Yes did not write the report"
stop

# ---- 3. A print scheduler that never answers ---------------------------------
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 - "$port" <<'PY' &
import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1])))
s.listen(16)
held = []
while True:
    held.append(s.accept()[0])
PY
silent=$!
trap 'kill $silent 2>/dev/null || true; cleanup' EXIT
sleep 0.5
export CUPS_SERVER=127.0.0.1:$port
start=$(date +%s)
run
waiting=$(wait_window "Ardel Sorvan")
width=$(xdotool getwindowgeometry --shell "$waiting" | sed -n 's/^WIDTH=//p')
[ "$width" -lt 600 ] || fail "the main window opened before the scheduler answered (no wait window)"
shot scheduler-wait "$waiting"
focus "$waiting"
xdotool key Escape
gone "Ardel Sorvan" "$waiting"
main=$(wait_window "Ardel Sorvan")
width=$(xdotool getwindowgeometry --shell "$main" | sed -n 's/^WIDTH=//p')
[ "$width" -ge 600 ] || fail "no main window after the wait was cancelled"
[ $(($(date +%s) - start)) -lt 9 ] || fail "the cancelled wait held the program up"
shot main-after-cancelled-wait "$main"
stop
echo "safety-windows: all cases behaved; screenshots in $out"
