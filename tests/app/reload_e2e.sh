#!/usr/bin/env bash
# End to end, as an author works: the demo runs from a copy of its run folder at a small
# particle grid; f_postprocess_final.cpp is broken on disk by a line that is not GLSL, and
# within 3 s the window shows red error text and the console an error naming that file and
# the line; the file is mended, and within 3 s the picture is back without red text; the
# program runs on throughout, and Escape ends it with status 0.
# Usage: reload_e2e.sh <hollowmere executable> <run folder>. HOLLOWMERE_E2E_WITHIN sets the
# bound in seconds (3; a sanitizer build draws far slower).
set -euo pipefail
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

export SDL_AUDIODRIVER=dummy
start_program "$work/run"
demo=$(launch_windowed_720)
read -r _ _ w h < <(geometry "$demo")
band="${w}x240+0+$((h - 240))"  # where the error rows go
wait_scene "$demo"
red=$(red_pixels "$band")
[ "$red" -lt 50 ] || fail "red pixels ($red) before any error"

# Looks at the window until test $1 holds, for at most $within s after the file was saved;
# sets $took to the seconds it took. A screenshot shows the window as it was when it was
# taken: the time counts from there. $2 names the moment; test $1 sets $seen to what it saw.
until_shown() {
  local saved elapsed
  saved=$(date +%s.%N) seen="no look yet"
  while :; do
    elapsed=$(awk -v a="$(date +%s.%N)" -v b="$saved" 'BEGIN { printf "%.1f", a - b }')
    awk -v e="$elapsed" -v w="$within" 'BEGIN { exit !(e > w) }' && fail "$within s after the $2: $seen"
    shot "$demo"
    "$1" && { took=$elapsed; return 0; }
    sleep 0.2
  done
}
broken_shown() {
  red=$(red_pixels "$band")
  said=$(grep -m1 'shaders2/f_postprocess_final.cpp:5: ' "$work/out.log" || true)
  seen="$red red pixels, console line: ${said:-none}"
  [ "$red" -ge 200 ] && [ -n "$said" ]
}
mended_shown() {
  red=$(red_pixels "$band") share=$(lit_share)
  seen="$red red pixels, lit share $share"
  [ "$red" -lt 50 ] && lit "$share"
}

# Break it: a line that is not GLSL after line 4; the picture stays.
sed -i '4a this line is not GLSL' "$shader"
until_shown broken_shown break
broke=$took
share=$(lit_share)
lit "$share" || fail "the picture went black with the broken shader (lit share $share)"

# Mend it.
cp "$work/original.cpp" "$shader"
until_shown mended_shown mend

escape_ends_program "$demo" "demo window"
echo "PASS: error in red after $broke s (console: $said), picture back after $took s, exit status 0"
