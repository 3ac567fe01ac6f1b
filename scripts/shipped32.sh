#!/usr/bin/env bash
# On a machine that runs no 32-bit program the tests run against the 64-bit build; this starts
# the program that ships, the 32-bit tilefox.exe, once under a user-mode emulator in a prefix of
# its own: the sheet opens with a theme file, OK applies its one icon, and the registry must
# then hold it. Where no emulator can be had, or the check outlasts its time
# (TILEFOX_SHIPPED_LIMIT seconds, 480 by default), it says so and succeeds.
#   shipped32.sh BUILD      BUILD is the 32-bit build folder
set -uo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
build=$1
case $build in /*) ;; *) build=$PWD/$build ;; esac
binfmt=/proc/sys/fs/binfmt_misc
entry=tilefox-i386
prefix=$build/wineprefix-shipped
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo env DEBIAN_FRONTEND="${DEBIAN_FRONTEND:-}" "$@"; fi; }
skip() { echo "shipped32: the 32-bit tilefox.exe was not started: $*"; exit 0; }

register() {
  [ -e "$binfmt/qemu-i386" ] || [ -e "$binfmt/$entry" ] && return 0
  printf '%s' ":$entry:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:/usr/bin/qemu-i386-static:F" \
    | as_root tee "$binfmt/register" >/dev/null 2>&1
}

# The check itself, with the emulator registered. Every start of a program costs about a minute
# under it, so the prefix is set up with as few as can be: one boot, the settings written into
# its registry files while no server runs, one start of the program and of its driver.
check() {
  export TILEFOX_ARCH=32
  . scripts/winebed.sh
  export WINEPREFIX=$prefix
  rm -rf "$prefix"
  trap 'winebed_stop; rm -rf "$prefix"' EXIT
  local start=$SECONDS c value program
  WINEBED_OWN_DISPLAY=1 winebed_display
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  printf '\n[Software\\\\Wine]\n"Version"="win98"\n\n[Software\\\\Wine\\\\X11 Driver]\n"Managed"="N"\n' \
    >>"$prefix/user.reg"

  # One icon change: My Computer's picture from a theme file.
  c=$prefix/drive_c
  mkdir -p "$c/Tilefox" "$c/Icons"
  cp "$build/bin/tilefox.exe" "$build/bin/shotdriver.exe" "$c/Tilefox/"
  cp "$build/samples/blue.ico" "$c/Icons/"
  printf '[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]\r\nDefaultValue=C:\\Icons\\blue.ico,0\r\n' \
    >"$c/Tilefox/one.theme"
  cd "$c/Tilefox"
  wine 'C:\Tilefox\tilefox.exe' 'C:\Tilefox\one.theme' </dev/null >/dev/null 2>&1 &
  program=$!
  wine 'C:\Tilefox\shotdriver.exe' accept 600 </dev/null >/dev/null 2>&1
  wait "$program"
  wineserver -w
  cd - >/dev/null
  value=$(awk 'tolower($0) ~ /^\[software\\\\classes\\\\clsid\\\\\{20d04fe0-3aea-1069-a2d8-08002b30309d\}\\\\defaulticon\]/ { on = 1; next }
               /^\[/ { on = 0 } on && /^@=/ { sub(/^@="/, ""); sub(/"$/, ""); gsub(/\\\\/, "\\"); print }' "$prefix/system.reg")
  if [ "${value,,}" != 'c:\icons\blue.ico,0' ]; then
    echo "shipped32: FAILED: after OK My Computer's icon reads '${value}' ($((SECONDS - start)) s)" >&2
    exit 1
  fi
  echo "shipped32: the 32-bit tilefox.exe opened its sheet and applied an icon under the emulator ($((SECONDS - start)) s)"
}

if [ "${SHIPPED32_STAGE:-}" = inside ]; then
  # A user and mount namespace of the check's own: the registration is seen by nothing else.
  mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || exit 3
  register || exit 3
  check
  exit
fi

if [ ! -x /usr/bin/qemu-i386-static ]; then
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get install -y -qq --no-install-recommends \
    qemu-user-static >/dev/null 2>&1 || skip "qemu-user-static cannot be installed here"
fi
limit=${TILEFOX_SHIPPED_LIMIT:-480}
# timeout leads a process group of its own, which Ctrl-C at the terminal does not reach: the
# signal is handed on to it, and it ends the check.
limited() {
  timeout "$limit" "$@" &
  local timer=$!
  trap 'kill -TERM "$timer" 2>/dev/null' INT TERM
  rc=0
  wait "$timer" || rc=$?
  while kill -0 "$timer" 2>/dev/null; do wait "$timer" || rc=$?; done
  trap - INT TERM
}
rc=3
if unshare --user --map-root-user --mount true 2>/dev/null; then
  SHIPPED32_STAGE=inside limited unshare --user --map-root-user --mount --fork bash "$self" "$build"
fi
if [ $rc = 3 ]; then
  # No namespace of its own here: registered for the machine, and only for the check.
  [ -e "$binfmt/register" ] || as_root mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null \
    || skip "binfmt_misc cannot be mounted here"
  registered=0
  [ -e "$binfmt/qemu-i386" ] || [ -e "$binfmt/$entry" ] || registered=1
  register || skip "the emulator cannot be registered here"
  limited bash -c "$(declare -f check); build='$build'; prefix='$prefix'; check"
  [ $registered = 1 ] && echo -1 | as_root tee "$binfmt/$entry" >/dev/null 2>&1
fi
if [ $rc = 124 ]; then
  WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1
  rm -rf "$prefix"
  echo "shipped32: the 32-bit tilefox.exe did not finish within ${limit} s under the emulator; going on"
  exit 0
fi
exit $rc
