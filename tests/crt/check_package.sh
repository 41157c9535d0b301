#!/usr/bin/env bash
# The mesh library as shipped, installed into a temporary prefix: the shared library exports only
# the three C functions (the demo executable exports them too), a consumer builds and runs with
# find_package(HollowmereCrt) and with pkg-config, and the public header compiles as C.
# usage: check_package.sh BUILD_DIR WORK_DIR LIBDIR CC CXX FLAGS EXECUTABLE
set -euo pipefail
build=$1 work=$2 libdir=$3 cc=$4 cxx=$5 flags=$6 exe=$7 prefix=$2/prefix
tests="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
rm -rf "$work"
cmake --install "$build" --prefix "$prefix" --component crt >/dev/null

want="CreateDecoder DecodeMesh DestroyDecoder"
for f in $want; do
  nm -D --defined-only "$exe" | grep " T $f\$" >/dev/null || { echo "$exe does not export $f"; exit 1; }
done
[[ "$(nm -D --defined-only "$prefix/$libdir/libhollowmere-crt.so" | awk '{print $3}' | sort | xargs)" == "$want" ]] ||
  { echo "the shared library must export exactly: $want"; exit 1; }

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
