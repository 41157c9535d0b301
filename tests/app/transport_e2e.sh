#!/usr/bin/env bash
# End to end in the development build: the demo starts at the time its command line gives,
# and the keyboard transport pauses it (the clock then holds), steps a frame each way, seeks
# 1 s and 10 s, jumps to the next and previous cue and resumes (the clock runs again); the A
# key keeps its meaning (the clock goes to -100 s while it is held) and Escape ends the
# program with status 0. Each transport key prints where the clock is; the script checks those
# lines against one another.
# Usage: transport_e2e.sh <hollowmere executable of a HOLLOWMERE_DEBUG build> <run folder>.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

export SDL_AUDIODRIVER=dummy
start_program "$run" --start 60
demo=$(launch_windowed_720)
wait_scene "$demo"
grep -q '^Transport - starting at 60.000 s$' "$work/out.log" || fail "no start at 60 s"
xdotool mousemove --window "$demo" 640 360
xdotool windowfocus --sync "$demo" 2>/dev/null || xdotool windowfocus "$demo"
sleep 0.5

# Presses a key and prints the transport line it gives.
press() {
  local before
  before=$(grep -c '^Transport - ' "$work/out.log" || true)
  xdotool key "$1"
  for _ in $(seq 1 100); do
    [ "$(grep -c '^Transport - ' "$work/out.log" || true)" -gt "$before" ] && break
    sleep 0.1
  done
  grep '^Transport - ' "$work/out.log" | tail -n 1
}
seconds() { sed -E 's/^Transport - (paused at |playing at )?(-?[0-9.]+) s.*$/\2/' <<< "$1"; }
# expect LINE PATTERN A OP B: the line matches, and A OP B holds (OP "~": within 2 ms, as the
# program's clock is single precision and its lines have three decimals).
expect() {
  grep -Eq "$2" <<< "$1" || fail "\"$1\" is not /$2/"
  local test="a $4 b"
  [ "$4" = "~" ] && test="a - b <= 0.002 && b - a <= 0.002"
  awk -v a="$3" -v b="$5" "BEGIN { exit !($test) }" || fail "\"$1\": $3 $4 $5 does not hold"
}

line=$(press p); paused=$(seconds "$line")
expect "$line" '^Transport - paused at [0-9.]+ s$' "$paused" '>=' 60
sleep 1  # the clock holds while paused
# While paused each key puts the clock at the paused time plus its offset: a frame on and
# back, 1 s on, 10 s on and back, 1 s back.
for step in "period 1/30" "comma 0" "Right 1" "Up 11" "Down 1" "Left 0"; do
  read -r key offset <<< "$step"
  line=$(press "$key")
  expect "$line" '\(paused\)$' "$(seconds "$line")" '~' "$(awk -v p="$paused" "BEGIN { printf \"%.3f\", p + $offset }")"
done
line=$(press Next)  # the next cue after ~60 s: 68 s
expect "$line" '\(paused\)$' "$(seconds "$line")" '==' 68
line=$(press Prior)  # from just on a cue: the one before, 49.2 s
expect "$line" '\(paused\)$' "$(seconds "$line")" '==' 49.2
line=$(press p); resumed=$(seconds "$line")
expect "$line" '^Transport - playing at' "$resumed" '==' 49.2
sleep 2  # the clock runs again: beyond the second that Right adds (by how much depends on the machine)
line=$(press Right); t=$(seconds "$line")
expect "$line" '[0-9] s$' "$t" '>' "$(awk -v p="$resumed" 'BEGIN { printf "%.3f", p + 1 }')"

# The A key sets the clock to -100 s while it is held; a seek back from there stops at 0.
xdotool keydown a; sleep 1; xdotool keyup a
line=$(press Left)
expect "$line" '[0-9] s$' "$(seconds "$line")" '==' 0
grep -q '^KEY: 4$' "$work/out.log" || fail "A was not echoed"
kill -0 "$pid" 2>/dev/null || fail "the demo ended"

escape_ends_program "$demo" "demo window"
echo "PASS: start at 60 s, paused at $paused s and held, frame steps, seeks and cue jumps, resumed and running, A and Escape as before"
