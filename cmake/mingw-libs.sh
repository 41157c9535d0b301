#!/usr/bin/env bash
# Cross-builds the demo's third-party libraries for 64-bit Windows with Debian's MinGW-w64
# toolchain, from Debian's own source packages: SDL2 (with SDL2main), GLEW and libmpg123 with
# libsyn123. GLU and OpenGL are MinGW-w64's glu32 and opengl32, nothing to build.
#
# The sources come through a private apt configuration under DIR/apt: a deb-src entry for every
# archive and suite the machine's own apt uses, lists and cache beside it, so the machine's apt
# set-up is left as it was. apt checks the archive's signatures as usual, and every file of a
# source package is compared with the checksums of its (thus verified) .dsc before unpacking.
#
# Each library is built once into DIR/prefix (include/, lib/, bin/*.dll, share/licenses/NAME/)
# and left there: a later run finds its stamp and does nothing. Remove DIR to start over.
# Usage: cmake/mingw-libs.sh DIR
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$(realpath -m "${1:?usage: cmake/mingw-libs.sh DIR}")"
prefix="$dir/prefix"
host=x86_64-w64-mingw32
jobs="${HOLLOWMERE_JOBS:-2}"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
export CC="$host-gcc-posix" AR="$host-ar" RANLIB="$host-ranlib"
mkdir -p "$dir/src" "$dir/build" "$prefix/include" "$prefix/lib" "$prefix/bin" "$prefix/share/licenses"

log="$dir/build.log"
# Runs a command with its output in the log; on failure shows the log's end.
quiet() {
  "$@" >>"$log" 2>&1 || { echo "mingw-libs: failed: $*" >&2; tail -n 40 "$log" >&2; return 1; }
}

# ---- the private apt configuration -------------------------------------------------------
apt_dir="$dir/apt"
apt=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
     -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
[ "$(id -u)" -eq 0 ] && apt+=(-o APT::Sandbox::User=root)  # the files are ours, not _apt's

apt_ready=""
apt_setup() {
  [ -n "$apt_ready" ] && return 0
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  # One-line entries: every "deb" line becomes a "deb-src" line with the same options.
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' > "$apt_dir/sources.list" || true
  # deb822 stanzas: those that list "deb" among their types, with deb-src as the only type.
  rm -f "$apt_dir/sources.list.d/"*.sources
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         { binary = 0; out = ""
           n = split($0, line, "\n")
           for (i = 1; i <= n; i++) {
             if (line[i] ~ /^Types:/) { if (line[i] ~ /[: ]deb( |$)/) binary = 1; line[i] = "Types: deb-src" }
             out = out line[i] (i < n ? "\n" : "")
           }
           if (binary) print out }' "$f" > "$apt_dir/sources.list.d/$(basename "$f")"
  done
  echo "mingw-libs: reading the Debian source indexes (private apt lists in $apt_dir)"
  quiet apt-get "${apt[@]}" update
  apt_ready=1
}

# Fetches and unpacks source package $1 into $2 (once).
fetch() {
  local pkg="$1" tree="$2" dsc missing=0
  [ -d "$tree" ] && return 0
  apt_setup
  (cd "$dir/src" && apt-get "${apt[@]}" source --download-only "$pkg" >>"$log" 2>&1) || true
  dsc="$(ls "$dir/src/${pkg}_"*.dsc 2>/dev/null | sort -V | tail -n 1)"
  [ -n "$dsc" ] || { echo "mingw-libs: apt-get source $pkg gave no .dsc" >&2; tail -n 20 "$log" >&2; return 1; }
  # Every file the .dsc names must be there with its checksum; the one exception is the
  # upstream author's signature of the tarball, which some mirrors do not carry.
  while read -r sum _ name; do
    if [ -f "$dir/src/$name" ]; then
      echo "$sum  $dir/src/$name" | sha256sum --quiet -c - ||
        { echo "mingw-libs: checksum mismatch: $name" >&2; return 1; }
    elif [[ "$name" == *.asc ]]; then
      missing=1
    else
      echo "mingw-libs: $name of $pkg was not fetched" >&2; tail -n 20 "$log" >&2; return 1
    fi
  done < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc")
  echo "mingw-libs: unpacking $(basename "$dsc")"
  if [ "$missing" -eq 1 ]; then
    quiet dpkg-source --no-check -x "$dsc" "$tree"  # checked above
  else
    quiet dpkg-source -x "$dsc" "$tree"
  fi
}

# Copies the licence files of a source tree: Debian's copyright file and the upstream texts.
licences() {
  local name="$1" tree="$2"; shift 2
  mkdir -p "$prefix/share/licenses/$name"
  cp "$tree/debian/copyright" "$prefix/share/licenses/$name/copyright"
  for f in "$@"; do cp "$tree/$f" "$prefix/share/licenses/$name/"; done
}

version_of() { sed -n 's/^Version: //p' "$(ls "$dir/src/${1}_"*.dsc | sort -V | tail -n 1)"; }

# Starts a library's build: its unpacked source in $tree, the clock in $start.
starting() {
  start=$SECONDS
  tree="$dir/src/$1"
  fetch "$1" "$tree"
  echo "mingw-libs: building $2 $(version_of "$1")"
}

# Ends a library's build: its licences, the marker that keeps later runs from building it
# again (the source version it was built from), and the time it took.
finished() {
  local name="$1" package="$2" marker="$3" tree="$4"; shift 4
  licences "$name" "$tree" "$@"
  version_of "$package" > "$prefix/.built-$marker"
  echo "mingw-libs: $name done in $((SECONDS - start)) s"
}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)

# ---- SDL2: SDL2.dll, its import library, the static SDL2main -----------------------------
if [ ! -f "$prefix/.built-sdl2" ]; then
  starting libsdl2 "SDL2"
  rm -rf "$dir/build/sdl2"
  quiet cmake -S "$tree" -B "$dir/build/sdl2" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${launcher[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL_TESTS=OFF \
    -DCMAKE_SHARED_LINKER_FLAGS=-static-libgcc
  quiet cmake --build "$dir/build/sdl2" -j"$jobs"
  quiet cmake --install "$dir/build/sdl2"
  finished SDL2 libsdl2 sdl2 "$tree" LICENSE.txt
fi

# ---- GLEW: one C file, linked into the program (GLEW_STATIC) -----------------------------
if [ ! -f "$prefix/.built-glew" ]; then
  starting glew "GLEW"
  mkdir -p "$dir/build/glew" "$prefix/include/GL"
  quiet "$CC" -O2 -DGLEW_STATIC -DGLEW_NO_GLU -I"$tree/include" -c "$tree/src/glew.c" -o "$dir/build/glew/glew.o"
  rm -f "$prefix/lib/libglew32s.a"
  quiet "$AR" rcs "$prefix/lib/libglew32s.a" "$dir/build/glew/glew.o"
  cp "$tree/include/GL/glew.h" "$tree/include/GL/wglew.h" "$prefix/include/GL/"
  finished GLEW glew glew "$tree" LICENSE.txt
fi

# ---- libmpg123 and libsyn123: DLLs (LGPL), with their import libraries -------------------
if [ ! -f "$prefix/.built-mpg123" ]; then
  starting mpg123 "libmpg123 and libsyn123"
  rm -rf "$dir/build/mpg123" && mkdir -p "$dir/build/mpg123"
  cc="$CC"
  command -v ccache >/dev/null && cc="ccache $CC"
  # The libraries only: no player, no output modules (the program plays through SDL).
  (cd "$dir/build/mpg123" && quiet "$tree/configure" --host=$host --prefix="$prefix" CC="$cc" \
    --enable-shared --disable-static --disable-modules --with-audio=dummy --with-default-audio=dummy \
    --disable-network LDFLAGS=-static-libgcc)
  quiet make -C "$dir/build/mpg123" -j"$jobs" \
    src/libmpg123/libmpg123.la src/libsyn123/libsyn123.la src/libout123/libout123.la
  quiet make -C "$dir/build/mpg123" install-libLTLIBRARIES install-includeHEADERS \
    install-nodist_includeHEADERS install-pkgconfigDATA
  finished mpg123 mpg123 mpg123 "$tree" COPYING
fi

# What the program needs beside it at run time.
ls "$prefix/bin/SDL2.dll" "$prefix"/bin/libmpg123-*.dll "$prefix"/bin/libsyn123-*.dll >/dev/null
