#!/usr/bin/env bash
# End to end, as an author works: the demo runs from a copy of its run folder at a small
# particle grid; f_postprocess_final.cpp is broken on disk by a line that is not GLSL, and
# within 3 s the window shows red error text and the console an error naming that file and
# the line; the file is mended, and within 3 s the picture is back without red text; the
# program runs on throughout, and Escape ends it with status 0.
# Usage: reload_e2e.sh <hollowmere executable> <run folder>. With HOLLOWMERE_E2E_SHOTS set to
# a folder, the screenshots of both moments are kept there (broken.png, mended.png);
# HOLLOWMERE_E2E_WITHIN sets the bound in seconds (3; a sanitizer build draws far slower);
# HOLLOWMERE_E2E_TRACE=1 prints every look at the broken window.
set -euo pipefail

exe="$(realpath "$1")"
run="$(realpath "$2")"
work="$(mktemp -d)"
pid="" xvfb=""
trap 'kill $pid $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

# The copy: the shader sources and the tracks as files, the large data as links.
mkdir -p "$work/run/other"
cp -r "$run/shaders2" "$work/run/"
for f in "$run"/other/*; do
  case "$f" in *.txt) cp "$f" "$work/run/other/" ;; *) ln -s "$f" "$work/run/other/" ;; esac
done
within="${HOLLOWMERE_E2E_WITHIN:-3}"
shader="$work/run/shaders2/f_postprocess_final.cpp"
cp "$shader" "$work/original.cpp"

start_screen
export HOLLOWMERE_PARTICLE_GRID=64 SDL_AUDIODRIVER=dummy
(cd "$work/run" && LIBGL_ALWAYS_SOFTWARE=1 exec "$exe" > "$work/out.log" 2>&1) &
pid=$!
demo=$(launch_windowed_720)
read -r x y w h < <(geometry "$demo")
window="${w}x${h}+0+0"
band="${w}x240+0+$((h - 240))"  # where the error rows go
shot() {  # the window as it is now; a program or screen that stopped answering fails the test
  kill -0 "$pid" 2>/dev/null || fail "the demo ended"
  timeout 30 import -window "$demo" "$work/shot.png" || fail "no screenshot of the window"
}
since() { awk -v a="$(date +%s.%N)" -v b="$1" 'BEGIN { printf "%.1f", a - b }'; }

lit=0
for _ in $(seq 1 90); do
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "the demo ended during its start-up"
  shot
  lit=$(lit_share "$work/shot.png" "$window")
  awk -v l="$lit" 'BEGIN { exit !(l > 0.02) }' && break
done
awk -v l="$lit" 'BEGIN { exit !(l > 0.02) }' || fail "the demo window stays black (lit share $lit)"
red=$(red_pixels "$work/shot.png" "$band")
[ "$red" -lt 50 ] || fail "red pixels ($red) before any error"

# Break it: a line that is not GLSL after line 4.
sed -i '4a this line is not GLSL' "$shader"
broke=$(date +%s.%N)
seen="" said=""
# A screenshot shows the window as it was when it was taken: the time counts from there.
while :; do
  elapsed=$(since "$broke")
  shot
  red=$(red_pixels "$work/shot.png" "$band")
  grep -q 'shaders2/f_postprocess_final.cpp:5: ' "$work/out.log" && said=yes
  [ -n "${HOLLOWMERE_E2E_TRACE:-}" ] && echo "trace $elapsed red $red said ${said:-no} now $(since "$broke")"
  [ "$red" -ge 200 ] && [ -n "$said" ] && { seen=$elapsed; break; }
  awk -v e="$elapsed" -v w="$within" 'BEGIN { exit !(e > w) }' && break
  sleep 0.2
done
[ -n "$seen" ] && awk -v e="$seen" -v w="$within" 'BEGIN { exit !(e <= w) }' ||
  fail "$within s after the break: $red red pixels at ${seen:-$elapsed} s, console line: ${said:-none}"
kill -0 "$pid" 2>/dev/null || fail "the demo ended on the broken shader"
[ -n "${HOLLOWMERE_E2E_SHOTS:-}" ] && { mkdir -p "$HOLLOWMERE_E2E_SHOTS"; cp "$work/shot.png" "$HOLLOWMERE_E2E_SHOTS/broken.png"; }
line=$(grep -m1 'shaders2/f_postprocess_final.cpp:5: ' "$work/out.log")
lit=$(lit_share "$work/shot.png" "$window")
awk -v l="$lit" 'BEGIN { exit !(l > 0.02) }' || fail "the picture went black with the broken shader (lit share $lit)"

# Mend it.
cp "$work/original.cpp" "$shader"
mended=$(date +%s.%N)
back=""
while :; do
  elapsed=$(since "$mended")
  shot
  red=$(red_pixels "$work/shot.png" "$band")
  lit=$(lit_share "$work/shot.png" "$window")
  [ "$red" -lt 50 ] && awk -v l="$lit" 'BEGIN { exit !(l > 0.02) }' && { back=$elapsed; break; }
  awk -v e="$elapsed" -v w="$within" 'BEGIN { exit !(e > w) }' && break
  sleep 0.2
done
[ -n "$back" ] && awk -v e="$back" -v w="$within" 'BEGIN { exit !(e <= w) }' ||
  fail "$within s after the mend: $red red pixels, lit share $lit at ${back:-$elapsed} s"
kill -0 "$pid" 2>/dev/null || fail "the demo ended"
[ -n "${HOLLOWMERE_E2E_SHOTS:-}" ] && cp "$work/shot.png" "$HOLLOWMERE_E2E_SHOTS/mended.png"

xdotool windowfocus "$demo" 2>/dev/null || true
sleep 0.3
xdotool key Escape
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "Escape: exit status $status"
echo "PASS: error in red after ${seen} s (console: $line), picture back after ${back} s, exit status 0"
