# Shared by the end-to-end scripts that drive the real program: a screen of their own,
# windows found by name, clicks as a person makes them, the launcher clicked through to a
# 1280 x 720 window, and pixel counts of screenshots. Source it after `set -euo pipefail`
# with $work set to a scratch folder and $pid to the program's process (or empty).

fail() { echo "FAIL: $*"; echo "--- program output:"; cat "$work/out.log" 2>/dev/null || true; exit 1; }

# A screen of our own, so other tests' windows cannot take the mouse or the focus: a display
# number drawn at random well above the ones xvfb-run hands out; Xvfb refuses one that is
# taken, and reports the one it serves when ready. -noreset: the server would otherwise reset
# when its last client leaves.
start_screen() {
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
}

# Waits for a viewable window named Hollowmere other than $1; prints its id.
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

click() {  # the button stays down for a few frames
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.2
  xdotool mouseup 1
  sleep 0.2
}

# Clicks the launcher through to a 1280 x 720 window (Windowed, the resolution row twice, Run);
# prints the demo window's id.
launch_windowed_720() {
  local launcher demo
  launcher=$(wait_window none) || fail "no launcher window"
  sleep 1
  click "$launcher" 150 110
  click "$launcher" 150 80
  click "$launcher" 150 80
  click "$launcher" 150 200
  demo=$(wait_window "$launcher") || fail "no demo window"
  echo "$demo"
}

# Share of pixels brighter than 6 % grey in the window region "WxH+X+Y" of screenshot $1.
lit_share() {
  convert "$1" -crop "$2" +repage -colorspace gray -threshold 6% -format '%[fx:mean]' info:
}

# Pure red pixels (the shader errors' text) in the region "WxH+X+Y" of screenshot $1.
red_pixels() {
  convert "$1" -crop "$2" +repage -separate \( -clone 0 -threshold 60% \) \( -clone 1 -negate -threshold 75% \) \
    \( -clone 2 -negate -threshold 75% \) -delete 0-2 -evaluate-sequence multiply -format '%[fx:round(mean*w*h)]' info:
}
