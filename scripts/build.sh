#!/usr/bin/env bash
# Configures and builds Tilefox, its tests and fixtures into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release >build-config.log 2>&1 \
  || { cat build-config.log; exit 1; }
cmake --build build -j"$(nproc)"
