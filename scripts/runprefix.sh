# Sourced by run.sh and screenshots.sh after winebed.sh: the prefix in which the program is tried.
#   runprefix_start PREFIX BUILD [SEED]   boot it as a Japanese Windows 98 (the seed, or the one
#                                  given), keep the machine out of it, and put the program and the
#                                  sample icons on its C:
# Drives: C: is PREFIX/drive_c and D: the throwaway folder PREFIX-d, a fixed disk for the drive
# panel. No drive shows a folder of the machine, so an Apply cannot write outside these two.

runprefix_start() {
  local build=$2 c
  winebed_start "$1" "${3:-$PWD/scripts/win98-seed.reg}"
  runprefix_drives "$1-d"
  c=$WINEPREFIX/drive_c
  mkdir -p "$c/Tilefox" "$c/Icons"
  cp "$build/bin/tilefox.exe" "$c/Tilefox/tilefox.exe"
  cp "$build"/samples/*.ico "$build/samples/samples.dll" "$c/Icons/"
  # Windows writes its icon cache whenever the shell starts; the Settings 1 tab can delete it.
  [ -f "$c/windows/ShellIconCache" ] || printf 'ShellIconCache' >"$c/windows/ShellIconCache"
}

# Wine maps Z: to the machine's root folder; prefixes made by older run commands still have it.
# Checked at every start; the server is restarted only when a mapping had to change.
runprefix_drives() {
  local devices=$WINEPREFIX/dosdevices throwaway=$1 link changed=0
  mkdir -p "$throwaway"
  for link in "$devices"/?:; do
    case ${link##*/} in
      c:|d:) ;;
      *) rm -f "$link"; changed=1 ;;
    esac
  done
  if [ "$(readlink "$devices/d:")" != "$throwaway" ]; then
    rm -f "$devices/d:"
    ln -s "$throwaway" "$devices/d:"
    wine reg add 'HKLM\Software\Wine\Drives' /v d: /d hd /f </dev/null >/dev/null 2>&1
    changed=1
  fi
  if [ $changed = 1 ]; then winebed_restart; fi
}
