#!/usr/bin/env bash
# End to end, as a person uses it: the launcher opens centred and drawn, takes
# clicks on the window-mode, resolution and Run rows, then the demo window opens at
# 1280 x 720, 10, 140 and, after its start-up, shows the scene (not black); Escape ends
# the program with status 0.
# Usage: launcher_e2e.sh <hollowmere executable> <run folder>. Starts its own Xvfb screen.
# HOLLOWMERE_E2E_RUNNER, when set, is the program that runs the executable (wine, for the
# Windows build); HOLLOWMERE_E2E_KEEP, when set, is a folder that receives screenshots of the
# launcher and of the demo window a few seconds in, and the program's console output.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
keep="${HOLLOWMERE_E2E_KEEP:-}"
[ -n "$keep" ] && mkdir -p "$keep" && keep="$(realpath "$keep")"

# Without a display the window cannot be made: the message, then a failure status. (A runner
# such as wine needs the display itself, so this is for programs started directly.)
if [ ${#runner[@]} -eq 0 ]; then
  status=0
  DISPLAY=:1 XAUTHORITY=/nonexistent "$exe" > "$work/out.log" 2>&1 || status=$?
  [ "$status" -ne 0 ] || fail "no display, yet exit status 0"
  grep -q '^TGLWindow::Init - SDL could not initialize! SDL Error: ' "$work/out.log" || fail "no display: no message"
fi

# Escape in the launcher ends the program at once.
start_program "$work"
first=$(wait_window none) || fail "no launcher window"
escape_ends_program "$first" launcher

start_program "$run"
launcher=$(wait_window none) || fail "no launcher window"
read -r x y w h < <(geometry "$launcher")
[ "$w $h" = "380 240" ] || fail "launcher is ${w}x${h}"
[ "$x $y" = "770 495" ] || fail "launcher at $x,$y, expected centred at 770,495"

# The title band (y 10..30 in the window) shows yellowish title pixels: the launcher is drawn
# on the screen (its rows and their colours are the window test's). A loaded machine may take
# a while to draw the first frame: look again for up to 15 s before calling the launcher blank.
title=0
for _ in $(seq 1 30); do
  sleep 0.5
  shot "$launcher"
  title=$(convert "$work/shot.png" -crop 380x20+0+10 +repage txt:- |
    awk -F'[(),]' 'NR > 1 && $3 > 100 && $4 > 80 { n++ } END { print n + 0 }')
  [ "$title" -gt 50 ] && break
done
[ "$title" -gt 50 ] || fail "title band has $title title-coloured pixels"
[ -n "$keep" ] && cp "$work/shot.png" "$keep/launcher.png"

demo=$(click_through "$launcher")
sleep 0.5
read -r x y w h < <(geometry "$demo")
[ "$w $h" = "1280 720" ] || fail "demo window is ${w}x${h}"
[ "$x $y" = "10 140" ] || fail "demo window at $x,$y"
wait_scene "$demo"
if [ -n "$keep" ]; then
  sleep 4
  shot "$demo"
  cp "$work/shot.png" "$keep/demo.png"
fi

escape_ends_program "$demo" "demo window"
[ -n "$keep" ] && cp "$work/out.log" "$keep/out.log"
echo "PASS: launcher centred, demo window 1280x720 at 10,140 showing the scene (lit share $share), exit status 0"
