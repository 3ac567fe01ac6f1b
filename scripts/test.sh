#!/usr/bin/env bash
# Builds everything and runs every test under Wine in a throwaway Japanese Windows 98 prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
. scripts/winebed.sh
build=${TILEFOX_BUILD:-build}
prefix=$PWD/$build/wineprefix-test
rm -rf "$prefix"
WINEBED_OWN_DISPLAY=1 WINEBED_UNMANAGED=1 winebed_start "$prefix"
trap 'winebed_stop; rm -rf "$prefix"' EXIT
winebed_isolate_drives "$build/bin"
ctest --test-dir "$build" --output-on-failure "$@"
