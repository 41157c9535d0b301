#!/usr/bin/env bash
# Installs the mesh library's component into a temporary prefix, then builds and runs a small
# consumer against it with find_package(HollowmereCrt) and with pkg-config, and compiles the
# public header as C.
# usage: install_consumer.sh BUILD_DIR WORK_DIR LIBDIR CC CXX FLAGS
set -euo pipefail
build=$1 work=$2 libdir=$3 cc=$4 cxx=$5 flags=$6
tests="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
prefix="$work/prefix"
rm -rf "$work"
cmake --install "$build" --prefix "$prefix" --component crt >/dev/null

cmake -S "$tests/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/crt_consumer"

export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
# shellcheck disable=SC2046,SC2086
"$cxx" $flags -I"$tests" "$tests/consumer/consumer.cpp" $(pkg-config --cflags --libs hollowmere-crt) \
  -Wl,-rpath,"$prefix/$libdir" -o "$work/pkgconfig_consumer"
"$work/pkgconfig_consumer"
# shellcheck disable=SC2046
echo '#include <hollowmere/crt.h>' | "$cc" -std=c99 -Wall -Wextra -Werror -fsyntax-only -x c - \
  $(pkg-config --cflags hollowmere-crt)
echo "installed package, pkg-config file and C header work"
