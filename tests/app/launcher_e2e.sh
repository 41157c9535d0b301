#!/usr/bin/env bash
# End to end, as a person uses it: the launcher opens centred, draws its rows, takes
# clicks on the window-mode, resolution and Run rows, then the demo window opens at
# 1280 x 720, 10, 140; Escape ends the program with status 0.
# Usage: launcher_e2e.sh <hollowmere executable>. Starts its own Xvfb screen.
set -euo pipefail

if [ -z "${E2E_INNER:-}" ]; then
  export E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1200x24" "$0" "$@"
fi

exe="$(realpath "$1")"
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; echo "--- program output:"; cat out.log || true; exit 1; }

# Waits for a window named Hollowmere other than $1; prints its id.
wait_window() {
  local other="$1" id
  for _ in $(seq 1 300); do
    for id in $(xdotool search --name '^Hollowmere$' 2>/dev/null); do
      [ "$id" != "$other" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

geometry() {  # prints "x y width height" of a window
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

click() {  # a click as a person makes it: the button stays down for a few frames
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.2
  xdotool mouseup 1
  sleep 0.2
}

# Escape in the launcher ends the program at once, with status 0.
LIBGL_ALWAYS_SOFTWARE=1 "$exe" > out.log 2>&1 &
pid=$!
first=$(wait_window none) || fail "no launcher window"
xdotool mousemove --window "$first" 190 150
xdotool windowfocus --sync "$first" 2>/dev/null || xdotool windowfocus "$first"
sleep 0.3
xdotool key Escape
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "Escape in the launcher: exit status $status"
grep -q '^KEY: 41$' out.log || fail "Escape in the launcher was not echoed"

LIBGL_ALWAYS_SOFTWARE=1 "$exe" > out.log 2>&1 &
pid=$!

launcher=$(wait_window none) || fail "no launcher window"
read -r x y w h < <(geometry "$launcher")
[ "$w $h" = "380 240" ] || fail "launcher is ${w}x${h}"
[ "$x $y" = "770 495" ] || fail "launcher at $x,$y, expected centred at 770,495"

# The title band (y 10..30 in the window) shows yellowish title pixels.
sleep 0.5
import -window root shot.png
title=$(convert shot.png -crop "380x20+$x+$((y + 10))" +repage txt:- |
  awk -F'[(),]' 'NR > 1 { r=$3; g=$4; b=$5; if (r > 100 && g > 100 && b < r) n++ } END { print n + 0 }')
[ "$title" -gt 50 ] || fail "title band has $title title-coloured pixels"
rows=$(convert shot.png -crop "380x20+$x+$((y + 70))" +repage txt:- |
  awk -F'[(),]' 'NR > 1 { if ($5 > $3 + 20) n++ } END { print n + 0 }')
[ "$rows" -gt 50 ] || fail "resolution row has $rows grey-blue pixels"

click "$launcher" 150 110  # window mode: Windowed
click "$launcher" 150 80   # resolution: 2560 x 1440
click "$launcher" 150 80   # resolution: 1280 x 720
click "$launcher" 150 200  # Run

demo=$(wait_window "$launcher") || fail "no demo window"
sleep 0.5
read -r x y w h < <(geometry "$demo")
[ "$w $h" = "1280 720" ] || fail "demo window is ${w}x${h}"
[ "$x $y" = "10 140" ] || fail "demo window at $x,$y"

xdotool mousemove --window "$demo" 640 360
xdotool windowfocus --sync "$demo" 2>/dev/null || xdotool windowfocus "$demo"
sleep 0.3
xdotool key Escape
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q '^KEY: 41$' out.log || fail "Escape was not echoed as KEY: 41"
echo "PASS: launcher ${x},${y} demo window 1280x720 at 10,140, exit 0"
