#!/usr/bin/env bash
# On a machine that runs no 32-bit program the tests run against the 64-bit build; this starts
# the program that ships, the 32-bit tilefox.exe, once under a user-mode emulator in a prefix of
# its own: the sheet opens with a theme file, OK applies its one icon, and the registry must
# then hold it. Where no emulator can be had it says so and succeeds.
#   shipped32.sh BUILD      BUILD is the 32-bit build folder
set -uo pipefail
cd "$(dirname "$0")/.."
build=$1
binfmt=/proc/sys/fs/binfmt_misc
entry=tilefox-i386
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
skip() { echo "shipped32: the 32-bit tilefox.exe was not started: $*"; exit 0; }

# --- the emulator, registered only for as long as this check runs ---------------------------
if [ ! -x /usr/bin/qemu-i386-static ]; then
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends \
    qemu-user-static >/dev/null 2>&1 || skip "qemu-user-static cannot be installed here"
fi
[ -e "$binfmt/register" ] || as_root mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null \
  || skip "binfmt_misc cannot be mounted here"
registered=0
if [ ! -e "$binfmt/qemu-i386" ] && [ ! -e "$binfmt/$entry" ]; then
  printf '%s' ":$entry:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:/usr/bin/qemu-i386-static:F" \
    | as_root tee "$binfmt/register" >/dev/null 2>&1 || skip "the emulator cannot be registered here"
  registered=1
fi

export TILEFOX_ARCH=32
. scripts/winebed.sh
prefix=$PWD/$build/wineprefix-shipped
rm -rf "$prefix"
finish() {
  winebed_stop
  rm -rf "$prefix"
  if [ $registered = 1 ]; then echo -1 | as_root tee "$binfmt/$entry" >/dev/null 2>&1; fi
}
trap finish EXIT
start=$SECONDS
WINEBED_OWN_DISPLAY=1 WINEBED_UNMANAGED=1 winebed_start "$prefix"

# --- one icon change: My Computer's picture from a theme file -------------------------------
c=$WINEPREFIX/drive_c
mkdir -p "$c/Tilefox" "$c/Icons"
cp "$build/bin/tilefox.exe" "$build/bin/shotdriver.exe" "$c/Tilefox/"
cp "$build/samples/blue.ico" "$c/Icons/"
key='HKCR\CLSID\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\DefaultIcon'
printf '[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]\r\nDefaultValue=C:\\Icons\\blue.ico,0\r\n' \
  >"$c/Tilefox/one.theme"
cd "$c/Tilefox"
drive() { wine 'C:\Tilefox\shotdriver.exe' "$@" </dev/null >/dev/null 2>&1; sleep 3; }
wine 'C:\Tilefox\tilefox.exe' 'C:\Tilefox\one.theme' </dev/null >/dev/null 2>&1 &
program=$!
# Under the emulator every step is slow: wait for the sheet, the import's report, then OK.
for _ in $(seq 120); do
  [ -n "$(wine 'C:\Tilefox\shotdriver.exe' rect </dev/null 2>/dev/null | tr -d '\r' | grep -v '^0x0')" ] && break
  sleep 2
done
sleep 10
drive cancel          # the import's report
sleep 5
drive click 1         # the sheet's OK: Apply, then close
for _ in $(seq 90); do kill -0 "$program" 2>/dev/null || break; sleep 2; done
value=$(wine reg query "$key" </dev/null 2>/dev/null | tr -d '\r' | awk -F'REG_SZ' 'NF > 1 { gsub(/^[ \t]+/, "", $2); print $2 }')
cd - >/dev/null
if [ "${value,,}" = 'c:\icons\blue.ico,0' ]; then
  echo "shipped32: the 32-bit tilefox.exe opened its sheet and applied an icon under the emulator ($((SECONDS - start)) s)"
else
  echo "shipped32: FAILED: after OK My Computer's icon reads '${value}' ($((SECONDS - start)) s)" >&2
  exit 1
fi
