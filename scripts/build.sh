#!/usr/bin/env bash
# Configures and builds Tilefox: every target (the tests, their fixtures, the fuzz build, the
# benchmarks), or only the targets named: `build.sh tilefox sample_icons`.
# TILEFOX_ARCH=32 (the default) builds the program that ships into ./build; TILEFOX_ARCH=64 the
# same sources for 64-bit Windows into ./build64, the test bed of machines that run no 32-bit
# program. TILEFOX_BUILD names the 32-bit folder; the 64-bit one is the same name with "64".
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${TILEFOX_SET_UP:-}" ] || bash scripts/setup.sh
case ${TILEFOX_BUILD:-build} in
  /*) build32=$TILEFOX_BUILD ;;
  *) build32=$PWD/${TILEFOX_BUILD:-build} ;;
esac
case ${TILEFOX_ARCH:-32} in
  32) build=$build32; toolchain=cmake/i686-w64-mingw32.cmake; extra=() ;;
  # Its checks of the shipped program's imports read the 32-bit build.
  64) build=${build32}64; toolchain=cmake/x86_64-w64-mingw32.cmake
      extra=(-DTILEFOX_SHIPPED_EXE="$build32/bin/tilefox.exe") ;;
  *) echo "TILEFOX_ARCH must be 32 or 64" >&2; exit 2 ;;
esac
mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release "${extra[@]}" \
  >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
if [ $# -gt 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target "$@"
else
  cmake --build "$build" -j"$(nproc)"
fi
