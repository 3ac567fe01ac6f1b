# Sourced by test.sh and run.sh: a throwaway Wine prefix that looks like a Japanese Windows 98.
# TILEFOX_ARCH=64 makes it a 64-bit prefix, for the 64-bit build on machines that run no
# 32-bit program; it is set up the same way and reports the same Windows 98.
# WINEBED_SYSTEM=winxp or win10 makes it a later Windows instead (the default is win98): winxp
# is 32-bit like the 98 one, win10 always 64-bit, where a 32-bit program runs under WoW64.
#   winebed_start PREFIX [SEED.reg]   start Xvfb (when there is no display), wineserver and boot the
#                          prefix; SEED.reg is imported into a new prefix and whenever it changed
#   winebed_use PREFIX     only the environment of a prefix already started
#   winebed_stop           end wineserver and Xvfb again
# WINEBED_UNMANAGED=1 leaves every window unmanaged: without a window manager Wine otherwise
# waits about two seconds for one each time a top-level window is hidden.
export LC_ALL=ja_JP.UTF-8
export LANG=ja_JP.UTF-8
WINEBED_SHIMS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64
PATH=${PATH//"$WINEBED_SHIMS:"/}
if [ "${TILEFOX_ARCH:-32}" = 64 ]; then
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  PATH=$WINEBED_SHIMS:$PATH
else
  export WINEARCH=win32
  unset WINELOADER
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

WINEBED_XVFB_PID=

# The environment of the prefix PREFIX of WINEBED_SYSTEM, without starting anything.
winebed_use() {
  export WINEPREFIX=$1
  local system=${WINEBED_SYSTEM:-win98}
  case $system in
    win98|winxp) ;;
    win10) export WINEARCH=win64 ;;
    *) echo "WINEBED_SYSTEM must be win98, winxp or win10, not '$system'" >&2; return 1 ;;
  esac
  # Tests read it to know what to expect of the system.
  export TILEFOX_TEST_SYSTEM=$system
}

winebed_start() {
  winebed_use "$1" || return 1
  local fresh=0 system=$TILEFOX_TEST_SYSTEM
  [ -f "$WINEPREFIX/system.reg" ] || fresh=1
  mkdir -p "$WINEPREFIX"

  winebed_display

  # A persistent server, and every output redirected: Wine's service processes inherit
  # whatever pipes they are given and would keep CTest waiting.
  wineserver -p </dev/null >/dev/null 2>&1
  wineboot -i </dev/null >"$WINEPREFIX/boot.log" 2>&1 || true
  if [ $fresh = 1 ] || [ "$(wine reg query 'HKCU\Software\Wine' /v Version 2>/dev/null </dev/null | grep -c "$system")" = 0 ]; then
    wine reg add 'HKCU\Software\Wine' /v Version /d "$system" /f </dev/null >/dev/null 2>&1
  fi
  if [ "${WINEBED_UNMANAGED:-0}" = 1 ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  fi
  winebed_fonts
  # A new prefix, or a seed changed since it was imported (a copy is kept in the prefix); other
  # runs keep whatever the user changed. regedit reads it from C:, the one drive sure to exist.
  if [ -n "${2:-}" ] && ! cmp -s "$2" "$WINEPREFIX/seed.reg"; then
    cp "$2" "$WINEPREFIX/drive_c/windows/temp/seed.reg"
    wine regedit /S 'C:\windows\temp\seed.reg' </dev/null >"$WINEPREFIX/seed.log" 2>&1 || true
    mv "$WINEPREFIX/drive_c/windows/temp/seed.reg" "$WINEPREFIX/seed.reg"
  fi
}

# Xvfb when there is no display, or WINEBED_OWN_DISPLAY=1 asks for one of its own.
winebed_display() {
  if [ -z "${DISPLAY:-}" ] || [ "${WINEBED_OWN_DISPLAY:-0}" = 1 ]; then
    local n
    for n in $(seq 91 120); do
      [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    WINEBED_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  fi
}

# Windows draws caption buttons with Marlett and every template in "ＭＳ Ｐゴシック"; without
# them Wine falls back to fonts of other widths, and labels get cut that fit on Windows.
winebed_fonts() {
  local marlett
  marlett=$(dpkg -L fonts-wine 2>/dev/null | grep -i '/marlett\.ttf$' | head -n 1)
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  if [ -n "$marlett" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
  fi
  local pair
  for pair in 'ＭＳ Ｐゴシック=IPAPGothic' 'ＭＳ ゴシック=IPAGothic' 'MS UI Gothic=IPAPGothic'; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f \
      </dev/null >/dev/null 2>&1
  done
}

winebed_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  if [ -n "$WINEBED_XVFB_PID" ]; then
    kill "$WINEBED_XVFB_PID" 2>/dev/null || true
    wait "$WINEBED_XVFB_PID" 2>/dev/null || true
  fi
}

# Test prefix only (call after winebed_start): Wine's drive Z: shows the whole machine. It is
# pointed at the test programs' folder BINDIR instead, and X: at a throwaway folder of the
# prefix, marked with TILEFOX.TST, the one drive root that tests may write AUTORUN.INF to.
winebed_isolate_drives() {
  local bindir devices drive
  bindir=$(cd "$1" && pwd)
  devices=$WINEPREFIX/dosdevices
  drive=$WINEPREFIX/drive_x
  mkdir -p "$drive"
  : >"$drive/TILEFOX.TST"
  rm -f "$devices/z:" "$devices/x:"
  ln -s "$bindir" "$devices/z:"
  ln -s "$drive" "$devices/x:"
  wine reg add 'HKLM\Software\Wine\Drives' /v x: /d hd /f </dev/null >/dev/null 2>&1
  winebed_restart
}

# The server reads the drive mappings when it starts. Its service processes are started
# again here, with no pipes to inherit, as winebed_start does.
winebed_restart() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
  wineboot </dev/null >>"$WINEPREFIX/boot.log" 2>&1 || true
}
