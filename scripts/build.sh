#!/usr/bin/env bash
# Configures and builds Tilefox into ./build: every target (the tests, their fixtures, the fuzz
# build, the benchmarks), or only the targets named: `build.sh tilefox sample_icons`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${TILEFOX_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release >"$build-config.log" 2>&1 \
  || { cat "$build-config.log"; exit 1; }
if [ $# -gt 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target "$@"
else
  cmake --build "$build" -j"$(nproc)"
fi
