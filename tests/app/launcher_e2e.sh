#!/usr/bin/env bash
# End to end, as a person uses it: the launcher opens centred, draws its rows, takes
# clicks on the window-mode, resolution and Run rows, then the demo window opens at
# 1280 x 720, 10, 140 and, after its start-up, shows the scene (not black); Escape ends
# the program with status 0.
# Usage: launcher_e2e.sh <hollowmere executable> <run folder>. Starts its own Xvfb screen.
# HOLLOWMERE_E2E_RUNNER, when set, is the program that runs the executable (wine, for the
# Windows build); HOLLOWMERE_E2E_KEEP, when set, is a folder that receives screenshots of the
# launcher and of the demo window a few seconds in, and the program's console output.
set -euo pipefail

exe="$(realpath "$1")"
run="$(realpath "$2")"
read -r -a runner <<<"${HOLLOWMERE_E2E_RUNNER:-}"
keep="${HOLLOWMERE_E2E_KEEP:-}"
[ -n "$keep" ] && mkdir -p "$keep" && keep="$(realpath "$keep")"
work="$(mktemp -d)"
pid="" xvfb=""
trap 'kill $pid $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
# A small particle grid: the software renderer draws it in a fraction of a second.
export HOLLOWMERE_PARTICLE_GRID=64

# A screen of our own, so other tests' windows cannot take the mouse or the focus. The
# display number is drawn at random well above the ones xvfb-run hands out; Xvfb refuses
# a number that is taken (its lock file exists), and reports the one it serves when ready.
# -noreset: by default the server resets when its last client leaves (each xdotool call,
# the launcher run that Escape ended) and refuses the connections made meanwhile.
for _ in $(seq 1 20); do
  rm -f display
  Xvfb ":$((200 + RANDOM % 700))" -displayfd 5 -noreset -screen 0 1920x1200x24 -nolisten tcp 5> display 2> xvfb.log &
  xvfb=$!
  for _ in $(seq 1 100); do { [ -s display ] || ! kill -0 "$xvfb" 2>/dev/null; } && break; sleep 0.1; done
  [ -s display ] && break
done
[ -s display ] || { echo "FAIL: Xvfb did not start"; cat xvfb.log; exit 1; }
export DISPLAY=":$(cat display)"

fail() { echo "FAIL: $*"; echo "--- program output:"; cat "$work/out.log" || true; exit 1; }
# The program's own lines, without the carriage returns of a Windows program's text output.
printed() { tr -d '\r' < "$work/out.log"; }

# Waits for a window named Hollowmere other than $1; prints its id.
wait_window() {
  local other="$1" id found last="" seen=0
  for _ in $(seq 1 300); do
    found=""
    for id in $(xdotool search --name '^Hollowmere$' 2>/dev/null); do
      [ "$id" != "$other" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' && found="$id"
    done
    # SDL may replace a window once while setting it up (the renderer recreates it for its
    # own context): take one that is still the same a second later.
    if [ -n "$found" ] && [ "$found" = "$last" ]; then
      seen=$((seen + 1))
      [ $seen -ge 10 ] && { echo "$found"; return 0; }
    else
      seen=0 last="$found"
    fi
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

# Presses Escape in window $1 and expects the program to end with status 0, echoing the key.
escape_ends_program() {
  local status=0
  # A key pressed before the window has taken the focus is lost (wine drops it while the
  # window is being activated): press again until the program ends.
  for _ in $(seq 1 10); do
    # (the window may be going away meanwhile: none of these may stop the script)
    xdotool mousemove --window "$1" 190 150 2>/dev/null || true
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null || true
    sleep 0.3
    xdotool key Escape 2>/dev/null || true
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null || break
  done
  kill -0 "$pid" 2>/dev/null && { kill "$pid"; fail "Escape in the $2 did not end the program"; }
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "Escape in the $2: exit status $status"
  printed | grep -q '^KEY: 41$' || fail "Escape in the $2 was not echoed as KEY: 41"
}

# Without a display the window cannot be made: the message, then a failure status. (A runner
# such as wine needs the display itself, so this is for programs started directly.)
if [ ${#runner[@]} -eq 0 ]; then
  status=0
  DISPLAY=:1 XAUTHORITY=/nonexistent "$exe" > out.log 2>&1 || status=$?
  [ "$status" -ne 0 ] || fail "no display, yet exit status 0"
  grep -q '^TGLWindow::Init - SDL could not initialize! SDL Error: ' out.log || fail "no display: no message"
fi

# Escape in the launcher ends the program at once.
LIBGL_ALWAYS_SOFTWARE=1 "${runner[@]}" "$exe" > out.log 2>&1 &
pid=$!
first=$(wait_window none) || fail "no launcher window"
escape_ends_program "$first" launcher

# The demo reads its data from the working directory: the run folder.
(cd "$run" && LIBGL_ALWAYS_SOFTWARE=1 exec "${runner[@]}" "$exe" > "$work/out.log" 2>&1) &
pid=$!

launcher=$(wait_window none) || fail "no launcher window"
read -r x y w h < <(geometry "$launcher")
[ "$w $h" = "380 240" ] || fail "launcher is ${w}x${h}"
[ "$x $y" = "770 495" ] || fail "launcher at $x,$y, expected centred at 770,495"

# The title band (y 10..30 in the window) shows yellowish title pixels and the resolution
# row grey-blue ones. A loaded machine may take a while to draw the first frame: look again
# for up to 15 s before calling the launcher blank.
band() {  # prints the count of pixels in the 380x20 band at window row $1 that pass awk test $2
  convert shot.png -crop "380x20+$x+$((y + $1))" +repage txt:- |
    awk -F'[(),]' "NR > 1 { if ($2) n++ } END { print n + 0 }"
}
title=0 rows=0
for _ in $(seq 1 30); do
  sleep 0.5
  import -window root shot.png
  title=$(band 10 '$3 > 100 && $4 > 80')
  rows=$(band 70 '$5 > $3 + 20')
  [ "$title" -gt 50 ] && [ "$rows" -gt 50 ] && break
done
[ "$title" -gt 50 ] || fail "title band has $title title-coloured pixels"
[ "$rows" -gt 50 ] || fail "resolution row has $rows grey-blue pixels"
[ -n "$keep" ] && convert shot.png -crop "380x240+$x+$y" +repage "$keep/launcher.png"

click "$launcher" 150 110  # window mode: Windowed
click "$launcher" 150 80   # resolution: 2560 x 1440
click "$launcher" 150 80   # resolution: 1280 x 720
click "$launcher" 150 200  # Run

demo=$(wait_window "$launcher") || fail "no demo window"
sleep 0.5
read -r x y w h < <(geometry "$demo")
[ "$w $h" = "1280 720" ] || fail "demo window is ${w}x${h}"
[ "$x $y" = "10 140" ] || fail "demo window at $x,$y"

# Once the scene has loaded (the loading lines end with the particle step's banner and the
# tracks), the cloud shows: a good share of the window is lit.
lit=0
for _ in $(seq 1 60); do
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "the demo ended during its start-up"
  import -window root shot.png
  lit=$(convert shot.png -crop "1280x720+$x+$y" +repage -colorspace gray -threshold 6% -format '%[fx:mean]' info:)
  awk -v l="$lit" 'BEGIN { exit !(l > 0.02) }' && break
done
awk -v l="$lit" 'BEGIN { exit !(l > 0.02) }' || fail "the demo window stays black (lit share $lit)"
if [ -n "$keep" ]; then
  sleep 4
  import -window root shot.png
  convert shot.png -crop "1280x720+$x+$y" +repage "$keep/demo.png"
fi

escape_ends_program "$demo" "demo window"
[ -n "$keep" ] && cp "$work/out.log" "$keep/out.log"
echo "PASS: launcher centred, demo window 1280x720 at 10,140 showing the scene (lit share $lit), exit status 0"
