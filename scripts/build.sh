#!/usr/bin/env bash
# Configures and builds Tilefox, its tests and fixtures into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B "${TILEFOX_BUILD:-build}" -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release >"${TILEFOX_BUILD:-build}-config.log" 2>&1 \
  || { cat "${TILEFOX_BUILD:-build}-config.log"; exit 1; }
cmake --build "${TILEFOX_BUILD:-build}" -j"$(nproc)"
