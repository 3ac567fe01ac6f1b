#!/usr/bin/env bash
# Builds the program (only tilefox.exe and the sample icons) and runs it under Wine in a prepared
# Japanese Windows 98 prefix, kept in build/wineprefix-run (scripts/runprefix.sh says what is in
# it). Without a display it runs under Xvfb, saves a screenshot and prints its path.
# Where this machine runs no 32-bit program, the 64-bit build of the same sources runs instead,
# in a 64-bit prefix of its own (TILEFOX_TEST_BUILD=32 or 64 forces either).
set -euo pipefail
cd "$(dirname "$0")/.."
# Set-up first, then this script afresh: a shell that was running while the set-up generated
# the Japanese locale cannot switch to it.
if [ -z "${TILEFOX_SET_UP:-}" ]; then
  bash scripts/setup.sh
  TILEFOX_SET_UP=1 exec bash "$0" "$@"
fi
. scripts/hostarch.sh
hostarch_pick
build=$(hostarch_build_dir)
if [ "$TILEFOX_ARCH" = 64 ]; then
  build=${build}64
  echo "run.sh: running the 64-bit build (the 32-bit tilefox.exe is the one that ships): ${HOSTARCH_WHY}"
else
  echo "run.sh: running the 32-bit tilefox.exe: ${HOSTARCH_WHY}"
fi
bash scripts/build.sh tilefox sample_icons
. scripts/winebed.sh
. scripts/runprefix.sh
had_display=${DISPLAY:-}
runprefix_start "$build/wineprefix-run" "$build"
trap winebed_stop EXIT
# The program itself may see MSHTML.DLL: it reads its version to recognise the shell
# (only the boot needs it kept away, so that no browser engine is offered for install).
export WINEDLLOVERRIDES="mscoree=;winemenubuilder.exe=d"
exe='C:\Tilefox\tilefox.exe'
shot=$build/tilefox-screenshot.png
# Started from its own folder: the machine's folders are no drive of the prefix.
cd "$WINEPREFIX/drive_c/Tilefox"
if [ -n "$had_display" ]; then
  wine "$exe" "$@"
  exit
fi

# Wine draws the title bars itself: under Xvfb there is no window manager to do it. Those two
# values are put back afterwards, so that a later run on a desktop still gets its frames.
x11='HKCU\Software\Wine\X11 Driver'
x11_get() { { wine reg query "$x11" /v "$1" </dev/null 2>/dev/null || true; } | awk -v v="$1" '$1 == v { print $3 }'; }
x11_set() {
  if [ -n "$2" ]; then wine reg add "$x11" /v "$1" /d "$2" /f; else wine reg delete "$x11" /v "$1" /f; fi \
    </dev/null >/dev/null 2>&1 || true
}
decorated=$(x11_get Decorated)
managed=$(x11_get Managed)
trap 'x11_set Decorated "$decorated"; x11_set Managed "$managed"; winebed_stop' EXIT
x11_set Decorated N
x11_set Managed N

wine "$exe" "$@" </dev/null >/dev/null 2>&1 &
pid=$!
sleep "${TILEFOX_SHOT_DELAY:-6}"
import -display "$DISPLAY" -window root "$shot" 2>/dev/null || xwd -root -silent -display "$DISPLAY" | convert xwd:- "$shot"
echo "screenshot: $shot"
kill "$pid" 2>/dev/null || true
