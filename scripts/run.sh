#!/usr/bin/env bash
# Builds Tilefox and runs it under Wine in a prepared Japanese Windows 98 prefix (kept in
# build/wineprefix-run). Without a display it runs under Xvfb and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
. scripts/winebed.sh
build=${TILEFOX_BUILD:-build}
prefix=$PWD/$build/wineprefix-run
had_display=${DISPLAY:-}
winebed_start "$prefix" "$PWD/scripts/win98-seed.reg"
trap winebed_stop EXIT
exe=$build/bin/tilefox.exe
# The program itself may see MSHTML.DLL: it reads its version to recognise the shell
# (only the boot needs it kept away, so that no browser engine is offered for install).
export WINEDLLOVERRIDES="mscoree=;winemenubuilder.exe=d"
if [ -n "$had_display" ]; then
  wine "$exe" "$@"
else
  # Wine draws the title bars itself: under Xvfb there is no window manager to do it.
  for value in Decorated Managed; do
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v $value /d N /f </dev/null >/dev/null 2>&1
  done
  shot=$PWD/$build/tilefox-screenshot.png
  wine "$exe" "$@" </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep "${TILEFOX_SHOT_DELAY:-6}"
  import -display "$DISPLAY" -window root "$shot" 2>/dev/null || xwd -root -silent -display "$DISPLAY" | convert xwd:- "$shot"
  echo "screenshot: $shot"
  kill "$pid" 2>/dev/null || true
fi
