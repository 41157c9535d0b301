#!/usr/bin/env bash
# A release archive as a person gets it: unpacked into an empty folder, it holds the program,
# its start, README.txt and the run folder's shaders2/ and other/, and started from there it
# goes through the launcher and shows the demo (tests/app/launcher_e2e.sh), its Escape ending
# it with status 0. A .tar.gz is started with its start script, a .zip (Windows) with RUNNER,
# by default wine.
# Usage: package_e2e.sh ARCHIVE [RUNNER]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
archive="$(realpath "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $(basename "$archive"): $*"; exit 1; }

case "$archive" in
  *.tar.gz) tar -C "$work" -xzf "$archive"; start=hollowmere.sh runner="" ;;
  *.zip) unzip -q "$archive" -d "$work"; start=hollowmere.exe
         runner="${2:-$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)}" ;;
  *) fail "neither .tar.gz nor .zip" ;;
esac
# One folder, named as the archive.
name="$(basename "$archive")" name="${name%.tar.gz}" name="${name%.zip}"
[ "$(ls "$work")" = "$name" ] || fail "unpacks to $(ls "$work" | xargs), not $name/"
dir="$work/$name"
for f in "$start" README.txt other/face.ply other/text.obj other/zev2.obj other/my0.txt other/my1.txt \
         other/velocity.dat other/tk22.mp3; do
  [ -s "$dir/$f" ] || fail "no $f"
done
shaders="$(ls "$here/../../data/shaders2" | wc -l)"
[ "$(ls "$dir/shaders2" | wc -l)" -eq "$shaders" ] || fail "shaders2/ holds $(ls "$dir/shaders2" | wc -l) files, not $shaders"
grep -q 'HOLLOWMERE_PARTICLE_GRID' "$dir/README.txt" || fail "README.txt does not mention HOLLOWMERE_PARTICLE_GRID"

HOLLOWMERE_E2E_RUNNER="$runner" "$here/launcher_e2e.sh" "$dir/$start" "$dir" ||
  fail "the unpacked program did not run through"
echo "PASS: $(basename "$archive") unpacked into an empty folder starts and runs from there"
