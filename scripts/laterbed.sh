#!/usr/bin/env bash
# The later Windows of a test run (tests/CMakeLists.txt): CTest makes each prefix once, runs
# the test programs' LaterWindows cases in it and removes it again.
#   laterbed.sh up SYSTEM BITS BUILD   make BUILD/wineprefix-SYSTEM (winxp or win10) for the
#                                      BITS-bit (32 or 64) test programs in BUILD/bin
#   laterbed.sh run SYSTEM BUILD PROGRAM [ARG...]   run a test program there
#   laterbed.sh down SYSTEM BUILD      end it and remove it
# win10 is a 64-bit prefix. The 32-bit programs run there under WoW64 where this machine can,
# else those of the 64-bit build beside BUILD (BUILD64), and up says so in BUILD/wineprefix-SYSTEM.note,
# which the test command prints.
set -euo pipefail
cd "$(dirname "$0")/.."
action=$1 system=$2
if [ "$action" = up ]; then bits=$3 build=$4; shift 4; else build=$3; shift 3; fi
prefix=$build/wineprefix-$system

# Sources winebed.sh for the prefix: what up chose, kept in the prefix, or BITS.
bed() {
  made=${bits:-32} bindir=$build/bin display=${DISPLAY:-} xvfb=
  [ ! -f "$prefix/bed.env" ] || . "$prefix/bed.env"
  TILEFOX_ARCH=$made . scripts/winebed.sh
  WINEBED_SYSTEM=$system winebed_use "$prefix"
}

down() {
  [ -d "$prefix" ] || return 0
  bed
  WINEBED_XVFB_PID=$xvfb
  winebed_stop
  rm -rf "$prefix"
}

up() {
  down   # what an interrupted run left
  local why="the ${bits}-bit test programs" probe
  # The 64-bit loader makes the 64-bit prefix on any machine and hands 32-bit programs on.
  made=$bits
  [ "$system" != win10 ] || made=64
  TILEFOX_ARCH=$made . scripts/winebed.sh
  WINEBED_SYSTEM=$system WINEBED_UNMANAGED=1 winebed_start "$prefix"
  bindir=$build/bin
  if [ "$system" = win10 ] && [ "$bits" = 32 ]; then
    probe=$(ls "$bindir"/test_*.exe | head -n 1)
    if (cd "$bindir" && wine "$probe" --gtest_list_tests) </dev/null >/dev/null 2>&1; then
      why="the 32-bit test programs, under WoW64"
    else
      bindir=${build}64/bin
      why="the 64-bit test programs of ${build}64: this machine runs no 32-bit program in a 64-bit prefix"
      [ -d "$bindir" ] || { echo "laterbed.sh: $why, and they are not built" >&2; exit 1; }
    fi
  fi
  winebed_isolate_drives "$bindir"
  printf 'made=%s\nbindir=%s\ndisplay=%s\nxvfb=%s\n' "$made" "$bindir" "$DISPLAY" "$WINEBED_XVFB_PID" \
    >"$prefix/bed.env"
  echo "laterbed.sh: the $system prefix runs $why" | tee "$prefix.note"
}

case $action in
  up) up ;;
  down) down ;;
  run)
    bed
    export DISPLAY=$display
    cd "$bindir"
    exec wine "$@" ;;
  *) echo "laterbed.sh: up, run or down, not '$action'" >&2; exit 2 ;;
esac
