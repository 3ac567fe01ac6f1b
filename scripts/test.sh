#!/usr/bin/env bash
# Builds everything, for 32-bit and for 64-bit Windows, and runs every test under Wine in a
# throwaway Japanese Windows 98 prefix: against the 32-bit build where this machine runs 32-bit
# programs, against the 64-bit build in a 64-bit prefix where it does not. TILEFOX_TEST_BUILD=32
# or 64 forces either. The suites named LaterWindows... run again in a Windows XP and a Windows 10
# prefix (scripts/laterbed.sh, started by CTest). Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
# Set-up first, then this script afresh: a shell that was running while the set-up generated
# the Japanese locale cannot switch to it (bash keeps the locale files it opened).
if [ -z "${TILEFOX_SET_UP:-}" ]; then
  bash scripts/setup.sh
  TILEFOX_SET_UP=1 exec bash "$0" "$@"
fi
. scripts/hostarch.sh
hostarch_pick
tested=$TILEFOX_ARCH
echo "test.sh: testing the ${tested}-bit build: ${HOSTARCH_WHY}"
# Both builds on every run, so that neither rots unseen; the 64-bit one checks the 32-bit program.
started=$SECONDS
TILEFOX_ARCH=32 bash scripts/build.sh
built32=$((SECONDS - started))
TILEFOX_ARCH=64 bash scripts/build.sh
echo "test.sh: built in $((SECONDS - started)) s (32-bit ${built32} s, 64-bit $((SECONDS - started - built32)) s)"
build=$(hostarch_build_dir)
[ "$tested" = 64 ] && build=${build}64
export TILEFOX_ARCH=$tested
. scripts/winebed.sh
prefix=$build/wineprefix-test
rm -rf "$prefix"
WINEBED_OWN_DISPLAY=1 WINEBED_UNMANAGED=1 winebed_start "$prefix"
trap 'winebed_stop; rm -rf "$prefix"; for s in winxp win10; do bash scripts/laterbed.sh down $s "$build"; done' EXIT
winebed_isolate_drives "$build/bin"
rm -f "$build"/wineprefix-*.note
status=0
ctest --test-dir "$build" --output-on-failure "$@" || status=$?
# Which build each later prefix ran (the 64-bit one where WoW64 fails).
cat "$build"/wineprefix-*.note 2>/dev/null || true
[ $status = 0 ] || exit $status
# The program that ships is started at least once, under an emulator, where it cannot run natively
# (TILEFOX_SHIPPED_CHECK=1 asks for it anywhere).
if [ "$tested" = 64 ] && { [ "${TILEFOX_SHIPPED_CHECK:-0}" = 1 ] || ! hostarch_runs_i386; }; then
  winebed_stop
  bash scripts/shipped32.sh "$(hostarch_build_dir)"
fi
