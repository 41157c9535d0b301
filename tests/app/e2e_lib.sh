# Shared by the end-to-end scripts that drive the real program: a screen of their own,
# windows found by name, clicks as a person makes them, the launcher clicked through to a
# 1280 x 720 window, the scene waited for, screenshots and their pixel counts, and Escape.
# Source it after `set -euo pipefail` in a script called as <script> <hollowmere executable>
# <run folder>: it sets $exe and $run, a scratch folder $work (removed on exit, when the program
# $pid and the screen are ended too) and starts the screen. HOLLOWMERE_E2E_RUNNER, when set, is
# the program that runs the executable (wine, for the Windows build).

exe="$(realpath "$1")"
run="$(realpath "$2")"
read -r -a runner <<<"${HOLLOWMERE_E2E_RUNNER:-}"
work="$(mktemp -d)"
pid="" xvfb=""
trap 'kill $pid $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
# A small particle grid: the software renderer draws it in a fraction of a second.
export HOLLOWMERE_PARTICLE_GRID=64

# Says why on standard error, which a function whose output is captured still shows.
fail() { { echo "FAIL: $*"; echo "--- program output:"; cat "$work/out.log" 2>/dev/null || true; } >&2; exit 1; }
# The program's own lines, without the carriage returns of a Windows program's text output.
printed() { tr -d '\r' < "$work/out.log"; }

# A screen of our own, so other tests' windows cannot take the mouse or the focus: a display
# number drawn at random well above the ones xvfb-run hands out; Xvfb refuses one that is
# taken (its lock file exists), and reports the one it serves when ready. -noreset: by default
# the server resets when its last client leaves (each xdotool call, a run that Escape ended)
# and refuses the connections made meanwhile.
for _ in $(seq 1 20); do
  rm -f "$work/display"
  Xvfb ":$((200 + RANDOM % 700))" -displayfd 5 -noreset -screen 0 1920x1200x24 -nolisten tcp \
    5> "$work/display" 2> "$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 1 100); do { [ -s "$work/display" ] || ! kill -0 "$xvfb" 2>/dev/null; } && break; sleep 0.1; done
  [ -s "$work/display" ] && break
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$work/display")"

# Starts the program in folder $1 (it reads its data from the working directory) with the
# arguments after it; its output goes to $work/out.log.
start_program() {
  local dir="$1"
  shift
  (cd "$dir" && LIBGL_ALWAYS_SOFTWARE=1 exec "${runner[@]}" "$exe" "$@" > "$work/out.log" 2>&1) &
  pid=$!
}

# Waits for a viewable window named Hollowmere other than $1; prints its id.
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

click() {  # the button stays down for a few frames
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.2
  xdotool mouseup 1
  sleep 0.2
}

# Clicks launcher $1 through to a 1280 x 720 window (Windowed, the resolution row twice to
# 2560 x 1440 and on to 1280 x 720, Run); prints the demo window's id.
click_through() {
  click "$1" 150 110
  click "$1" 150 80
  click "$1" 150 80
  click "$1" 150 200
  wait_window "$1" || fail "no demo window"
}

# The same from the launcher's appearing on; prints the demo window's id.
launch_windowed_720() {
  local launcher
  launcher=$(wait_window none) || fail "no launcher window"
  sleep 1
  click_through "$launcher"
}

# Window $1 as it is now, in $work/shot.png; a program or screen that stopped answering fails.
shot() {
  kill -0 "$pid" 2>/dev/null || fail "the program ended"
  timeout 30 import -window "$1" "$work/shot.png" || fail "no screenshot of the window"
}

# Share of pixels brighter than 6 % grey in the screenshot.
lit_share() { convert "$work/shot.png" -colorspace gray -threshold 6% -format '%[fx:mean]' info:; }
lit() { awk -v l="$1" 'BEGIN { exit !(l > 0.02) }'; }  # a good share of the window is lit

# Pure red pixels (the shader errors' text) in the region "WxH+X+Y" $1 of the screenshot.
red_pixels() {
  convert "$work/shot.png" -crop "$1" +repage -separate \( -clone 0 -threshold 60% \) \( -clone 1 -negate -threshold 75% \) \
    \( -clone 2 -negate -threshold 75% \) -delete 0-2 -evaluate-sequence multiply -format '%[fx:round(mean*w*h)]' info:
}

# Once the scene has loaded, the cloud shows in demo window $1: looks every second for up
# to 90 s; sets $share to the lit share seen.
wait_scene() {
  share=0
  for _ in $(seq 1 90); do
    sleep 1
    shot "$1"
    share=$(lit_share)
    lit "$share" && return 0
  done
  fail "the demo window stays black (lit share $share)"
}

# Presses Escape in window $1 (the $2) and expects the program to end with status 0, echoing the key.
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
