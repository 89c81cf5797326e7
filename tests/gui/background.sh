#!/usr/bin/env bash
# The page background under a person's hands: starts the real program on a
# virtual screen (Xvfb) with a private print scheduler, and drives the
# background palette (from the preview window and from Page Setup) and the
# fill-effects dialog with real mouse clicks and key presses only (xdotool).
# Every case checks what a person sees: which windows are shown, and the
# colours of the preview page.
#
#   tests/gui/background.sh [program] [display] [case ...]
#       program  default: build/app/ardel-sorvan
#       display  default: a free-looking one from :200 to :299
#       case     names from the table below (default: every case)
#
# Screenshots of each step go to $ARDEL_GUI_SHOTS (default: a temporary
# folder, kept when a case fails). Another suite may source this file with
# ARDEL_GUI_LIBRARY=1 to reuse the helpers and run_background_cases.
set -uo pipefail

# ---- The cases: name, then what a person does and sees ----------------------
BACKGROUND_CASES=(
  "palette-colour         Ctrl+K, click \"Red\": the palette closes and the preview page turns red"
  "palette-no-fill        a red page, Ctrl+K, click \"No Fill\": the red is gone"
  "palette-escape         Ctrl+K, Escape: the palette closes, nothing changes, Ctrl+K opens it again"
  "palette-click-outside  Ctrl+K, a click outside it: the palette closes, nothing changes"
  "palette-menu           Format > Background...: the palette opens; click \"Blue\": the page turns blue"
  "palette-more-colors    Ctrl+K, \"More Colors...\": the colour dialog opens; OK paints the page in its colour; Cancel changes nothing"
  "pagesetup-background   Page Setup > Header\\Footer > Background, click \"Red\": the button shows red, OK closes Page Setup"
  "pagesetup-cancel       Page Setup > Header\\Footer > Background, Escape, click outside: Page Setup stays usable; Cancel closes it"
  "fill-effects-texture   Ctrl+K, \"Fill Effects...\", click a texture, OK: the page shows the texture"
  "fill-effects-picture   Ctrl+K, \"Fill Effects...\", Picture tab, Select Picture, Stretch, OK: the page shows the picture"
)

# ---- Helpers -------------------------------------------------------------------

gui_log() { echo "gui: $*" >&2; }

# Waits (at most $2 seconds, default 15) until a visible window's name matches
# the regular expression $1 and prints its id.
gui_wait_window() {
  local id tries=$(( ${2:-15} * 5 ))
  for _ in $(seq 1 "$tries"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
    if [ -n "$id" ]; then sleep 0.4; echo "$id"; return 0; fi
    sleep 0.2
  done
  gui_log "no window \"$1\""
  return 1
}

# Succeeds when a visible window's name matches $1.
gui_visible() { [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null || true)" ]; }

# Waits (at most 5 s) until no visible window's name matches $1.
gui_wait_gone() {
  for _ in $(seq 1 25); do
    gui_visible "$1" || return 0
    sleep 0.2
  done
  gui_log "window \"$1\" is still shown"
  return 1
}

# Clicks at ($2, $3) inside window $1.
gui_click() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --sync $((X + $2)) $((Y + $3)) click 1
  sleep 0.5
}

# Gives window $1 the keyboard (there is no window manager) and types keys.
gui_keys() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
  sleep 0.2
  xdotool key --delay 120 "$@"
  sleep 0.5
}

# Captures window $1 into $GUI_SHOTS/$2.png and prints the file name.
gui_shot() {
  local file="$GUI_SHOTS/$GUI_CASE-$2.png"
  import -window "$1" "$file" 2>/dev/null || { gui_log "could not capture $2"; return 1; }
  echo "$file"
}

# Per mille of the picture's pixels within $3 (0..255, per channel) of the
# colour $2 ("r,g,b").
gui_colour_share() {
  local file=$1 colour=$2 tolerance=${3:-0}
  convert "$file" -alpha off -depth 8 -format %c histogram:info:- |
    awk -v c="$colour" -v t="$tolerance" '
      BEGIN { split(c, want, ",") }
      {
        n = $1; sub(":", "", n)
        if (match($0, /\( *[0-9]+, *[0-9]+, *[0-9]+/)) {
          s = substr($0, RSTART + 1, RLENGTH - 1); gsub(" ", "", s); split(s, p, ",")
          total += n
          if (p[1] - want[1] <= t && want[1] - p[1] <= t && p[2] - want[2] <= t && want[2] - p[2] <= t &&
              p[3] - want[3] <= t && want[3] - p[3] <= t) hit += n
        }
      }
      END { printf "%d\n", total ? hit * 1000 / total : 0 }'
}

# Fails unless the share of colour $2 in window $1 is at least $3 per mille
# ("min") or at most $3 per mille ("max", given as $4).
gui_expect_share() {
  local window=$1 colour=$2 limit=$3 kind=${4:-min} file share
  file=$(gui_shot "$window" "share-$colour-$kind-$RANDOM") || return 1
  share=$(gui_colour_share "$file" "$colour" "${GUI_TOLERANCE:-0}")
  if [ "$kind" = min ] && [ "$share" -lt "$limit" ]; then
    gui_log "$colour covers $share per mille of $(basename "$file"), expected at least $limit"
    return 1
  fi
  if [ "$kind" = max ] && [ "$share" -gt "$limit" ]; then
    gui_log "$colour covers $share per mille of $(basename "$file"), expected at most $limit"
    return 1
  fi
  return 0
}

# Starts the program and opens its preview window through the photo's context
# menu ("Önizleme"); sets GUI_APP, GUI_MAIN and GUI_PREVIEW.
gui_start_preview() {
  rm -rf "$GUI_WORK/home"
  mkdir -p "$GUI_WORK/home"
  HOME=$GUI_WORK/home XDG_CONFIG_HOME=$GUI_WORK/home/.config "$GUI_PROGRAM" >"$GUI_WORK/program.log" 2>&1 &
  GUI_APP=$!
  GUI_MAIN=$(gui_wait_window '^Ardel Sorvan$' 30) || return 1
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$GUI_MAIN")"
  xdotool mousemove --sync $((X + 300)) $((Y + 200)) click 3
  sleep 1
  xdotool key --delay 150 Down Down Return
  GUI_PREVIEW=$(gui_wait_window '^Print Preview$' 30) || return 1
  sleep 1
}

gui_stop_program() {
  if [ -n "${GUI_APP:-}" ]; then
    kill "$GUI_APP" 2>/dev/null || true
    wait "$GUI_APP" 2>/dev/null || true
  fi
  GUI_APP=""
}

# The palette's controls, in its own coordinates.
palette_colour_xy() { echo $((2 + ($1 % 8) * 18 + 9)) $((28 + ($1 / 8) * 18 + 9)); }
PALETTE_NO_FILL="74 14"
PALETTE_MORE_COLORS="74 136"
PALETTE_FILL_EFFECTS="74 162"
PALETTE_NAME='Page Background$'
RED="255,4,0"
BLUE="0,4,255"

# Opens the palette from the preview with Ctrl+K; sets PALETTE.
open_palette() {
  gui_keys "$GUI_PREVIEW" ctrl+k
  PALETTE=$(gui_wait_window "$PALETTE_NAME" 5) || return 1
}

# Clicks a point of the palette given as "x y".
palette_click() {
  # shellcheck disable=SC2086
  gui_click "$PALETTE" $1
}

# ---- The cases -------------------------------------------------------------------

case_palette_colour() {
  gui_expect_share "$GUI_PREVIEW" "$RED" 1 max || return 1
  open_palette || return 1
  gui_shot "$PALETTE" palette >/dev/null
  palette_click "$(palette_colour_xy 16)"
  gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$RED" 50 || return 1
}

case_palette_no_fill() {
  open_palette && palette_click "$(palette_colour_xy 16)" && gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$RED" 50 || return 1
  open_palette || return 1
  palette_click "$PALETTE_NO_FILL"
  gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$RED" 1 max || return 1
}

case_palette_escape() {
  open_palette || return 1
  xdotool key Escape
  gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$RED" 1 max || return 1
  # The program still takes input: the palette opens again and works.
  open_palette && palette_click "$(palette_colour_xy 16)" && gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$RED" 50 || return 1
}

case_palette_click_outside() {
  open_palette || return 1
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$GUI_PREVIEW")"
  gui_click "$GUI_PREVIEW" $((WIDTH - 40)) $((HEIGHT / 2))
  gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$RED" 1 max || return 1
  open_palette && palette_click "$(palette_colour_xy 13)" && gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$BLUE" 50 || return 1
}

case_palette_menu() {
  gui_keys "$GUI_PREVIEW" alt+o k
  PALETTE=$(gui_wait_window "$PALETTE_NAME" 5) || return 1
  palette_click "$(palette_colour_xy 13)"
  gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$BLUE" 50 || return 1
}

case_palette_more_colors() {
  open_palette || return 1
  palette_click "$PALETTE_MORE_COLORS"
  gui_wait_gone "$PALETTE_NAME" || return 1
  local dialog
  dialog=$(gui_wait_window '^Select Color$' 5) || return 1
  gui_shot "$dialog" colour-dialog >/dev/null
  gui_keys "$dialog" Escape
  gui_wait_gone '^Select Color$' || return 1
  gui_expect_share "$GUI_PREVIEW" "0,0,0" 20 max || return 1
  # Again, and OK: the dialog starts from black (no brush yet).
  open_palette && palette_click "$PALETTE_MORE_COLORS" || return 1
  dialog=$(gui_wait_window '^Select Color$' 5) || return 1
  gui_keys "$dialog" Return
  gui_wait_gone '^Select Color$' || return 1
  gui_expect_share "$GUI_PREVIEW" "0,0,0" 100 || return 1
}

# Opens Page Setup on its Header\Footer tab and the header's background
# palette; sets SETUP and PALETTE.
open_setup_palette() {
  gui_keys "$GUI_PREVIEW" alt+f u
  SETUP=$(gui_wait_window '^Page Setup$' 10) || return 1
  gui_keys "$SETUP" alt+h
  gui_keys "$SETUP" alt+b
  PALETTE=$(gui_wait_window "$PALETTE_NAME" 5) || return 1
}

# Clicks Page Setup's OK or Cancel button (the two right-most buttons of the
# bottom row when there is no Help button).
setup_button() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$SETUP")"
  case $1 in
    ok) gui_click "$SETUP" $((WIDTH - 8 - 75 - 6 - 37)) $((HEIGHT - 39 + 8 + 11)) ;;
    cancel) gui_click "$SETUP" $((WIDTH - 8 - 37)) $((HEIGHT - 39 + 8 + 11)) ;;
  esac
}

case_pagesetup_background() {
  open_setup_palette || return 1
  gui_shot "$PALETTE" palette >/dev/null
  palette_click "$(palette_colour_xy 16)"
  gui_wait_gone "$PALETTE_NAME" || return 1
  gui_visible '^Page Setup$' || { gui_log "Page Setup closed with the palette"; return 1; }
  # The button's picture shows the colour.
  gui_expect_share "$SETUP" "$RED" 1 || return 1
  setup_button ok
  gui_wait_gone '^Page Setup$' || return 1
  gui_visible '^Print Preview$' || return 1
}

case_pagesetup_cancel() {
  open_setup_palette || return 1
  xdotool key Escape
  gui_wait_gone "$PALETTE_NAME" || return 1
  gui_visible '^Page Setup$' || { gui_log "Escape closed Page Setup too"; return 1; }
  gui_keys "$SETUP" alt+b
  PALETTE=$(gui_wait_window "$PALETTE_NAME" 5) || return 1
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$SETUP")"
  gui_click "$SETUP" $((WIDTH / 2)) 12
  gui_wait_gone "$PALETTE_NAME" || return 1
  gui_visible '^Page Setup$' || return 1
  gui_expect_share "$SETUP" "$RED" 0 max || return 1
  setup_button cancel
  gui_wait_gone '^Page Setup$' || return 1
  # The preview still takes input.
  open_palette && palette_click "$(palette_colour_xy 16)" && gui_wait_gone "$PALETTE_NAME" || return 1
  gui_expect_share "$GUI_PREVIEW" "$RED" 50 || return 1
}

# Opens the fill-effects dialog through the palette; sets EFFECTS.
open_fill_effects() {
  open_palette || return 1
  palette_click "$PALETTE_FILL_EFFECTS"
  gui_wait_gone "$PALETTE_NAME" || return 1
  EFFECTS=$(gui_wait_window '^Fill Effects$' 5) || return 1
}

case_fill_effects_texture() {
  local before after
  before=$(gui_colour_share "$(gui_shot "$GUI_PREVIEW" before)" "255,255,255")
  open_fill_effects || return 1
  gui_shot "$EFFECTS" texture-tab >/dev/null
  # The first texture ("Newsprint"), top-left in the grid under the tabs.
  gui_click "$EFFECTS" 50 75
  gui_shot "$EFFECTS" texture-chosen >/dev/null
  gui_keys "$EFFECTS" Return
  gui_wait_gone '^Fill Effects$' || return 1
  after=$(gui_colour_share "$(gui_shot "$GUI_PREVIEW" after)" "255,255,255")
  if [ $((before - after)) -lt 50 ]; then
    gui_log "the page's white went from $before to $after per mille only"
    return 1
  fi
}

case_fill_effects_picture() {
  local picture="$GUI_WORK/green.bmp"
  convert -size 40x30 xc:"rgb(20,180,60)" -type TrueColor BMP3:"$picture"
  open_fill_effects || return 1
  gui_keys "$EFFECTS" alt+i
  gui_keys "$EFFECTS" alt+l
  local open
  open=$(gui_wait_window '^Open$' 5) || return 1
  gui_keys "$open" ctrl+a
  xdotool type --delay 20 "$picture"
  xdotool key Return
  gui_wait_gone '^Open$' || return 1
  gui_keys "$EFFECTS" alt+m Down
  gui_shot "$EFFECTS" picture-tab >/dev/null
  gui_keys "$EFFECTS" Return
  gui_wait_gone '^Fill Effects$' || return 1
  gui_expect_share "$GUI_PREVIEW" "20,180,60" 100 || return 1
}

# ---- Running -----------------------------------------------------------------

# Runs the named cases (all without names); prints one line per case and
# answers the number of failures.
run_background_cases() {
  local failures=0 entry name
  local wanted=("$@")
  for entry in "${BACKGROUND_CASES[@]}"; do
    name=${entry%% *}
    if [ ${#wanted[@]} -gt 0 ] && [[ ! " ${wanted[*]} " =~ " $name " ]]; then continue; fi
    GUI_CASE=$name
    if gui_start_preview && "case_${name//-/_}"; then
      echo "PASS $name"
    else
      echo "FAIL $name: ${entry#"$name"}" | tr -s ' '
      failures=$((failures + 1))
    fi
    gui_stop_program
  done
  return "$failures"
}

if [ -n "${ARDEL_GUI_LIBRARY:-}" ]; then return 0 2>/dev/null || exit 0; fi

# A program given relative to the caller's folder, or the default build's.
GUI_PROGRAM=${1:+$(realpath -m "$1")}
cd "$(dirname "$0")/../.."
GUI_PROGRAM=${GUI_PROGRAM:-$PWD/build/app/ardel-sorvan}
GUI_DISPLAY=${2:-:$((200 + RANDOM % 100))}
shift 2 2>/dev/null || shift $#
GUI_WORK=$(mktemp -d /tmp/ardel-gui-background.XXXXXX)
GUI_SHOTS=${ARDEL_GUI_SHOTS:-$GUI_WORK/shots}
mkdir -p "$GUI_SHOTS"
[ -x "$GUI_PROGRAM" ] || { gui_log "no program $GUI_PROGRAM"; exit 2; }

Xvfb "$GUI_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
GUI_XVFB=$!
GUI_APP=""
gui_cleanup() {
  gui_stop_program
  kill "$GUI_XVFB" 2>/dev/null || true
  bash tests/support/cups-sandbox.sh stop "$GUI_WORK/cups" >/dev/null 2>&1 || true
}
trap gui_cleanup EXIT
bash tests/support/cups-sandbox.sh start "$GUI_WORK/cups" >/dev/null || exit 2
export DISPLAY=$GUI_DISPLAY CUPS_SERVER=$GUI_WORK/cups/cups.sock QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
sleep 1

run_background_cases "$@"
failures=$?
echo "screenshots: $GUI_SHOTS"
exit "$failures"
