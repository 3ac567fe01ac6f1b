#!/usr/bin/env bash
# Makes the guide's pictures, docs/images/*.png: the program in a fresh run prefix of its own
# (build/wineprefix-shots, removed afterwards), driven by tests/tools/shotdriver.cpp, each
# picture cropped to the window shown. `screenshots.sh en` makes the English ones,
# docs/images/en/*.png, in a prefix of its own whose ANSI code page is 1252.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/hostarch.sh
build=$(hostarch_build_dir)
out=$PWD/docs/images
bash scripts/build.sh tilefox sample_icons shotdriver
. scripts/winebed.sh
. scripts/runprefix.sh
prefix=$build/wineprefix-shots
# The picture at 144 DPI is of the later systems: taken as Windows 10 shows the program.
if [ "${1:-}" = 144 ]; then
  export WINEBED_SYSTEM=win10
  prefix=$prefix-win10
fi
seed=$PWD/scripts/win98-seed.reg
if [ "${1:-ja}" = en ]; then
  # Wine takes its code page from the locale the prefix starts in; the plain C locale gives
  # an English system, code page 1252. The seed's class names are those of an English
  # Windows 98 there.
  export LC_ALL=C.UTF-8 LANG=C.UTF-8
  out=$out/en
  prefix=$prefix-en
  seed=$build/win98-seed-en.reg
  iconv -f cp932 -t utf-8 scripts/win98-seed.reg | sed \
    -e 's/"マイ コンピュータ"/"My Computer"/' -e 's/"ネットワーク コンピュータ"/"Network Neighborhood"/' \
    -e 's/"マイ ドキュメント"/"My Documents"/' -e 's/"ごみ箱"/"Recycle Bin"/' \
    -e 's/"コントロール パネル"/"Control Panel"/' -e 's/"ダイヤルアップ ネットワーク"/"Dial-Up Networking"/' \
    -e 's/"プリンタ"/"Printers"/' -e 's/"ブリーフケース"/"My Briefcase"/' -e 's/"インターネット"/"The Internet"/' \
    -e 's/"履歴"/"History"/' -e 's/"タスク"/"Scheduled Tasks"/' -e 's/"オフライン Web ページ"/"Subscriptions"/' \
    -e 's/"ファイル フォルダ"/"File Folder"/' -e 's/"検索(&F)..."/"\&Find..."/' \
    -e 's/"ビットマップ イメージ"/"Bitmap Image"/' -e 's/"コントロール パネル アイテム"/"Control Panel extension"/' \
    | iconv -f utf-8 -t cp1252 >"$seed"
fi
rm -rf "$prefix" "$prefix-d"
WINEBED_OWN_DISPLAY=1 WINEBED_UNMANAGED=1 runprefix_start "$prefix" "$build" "$seed"
trap 'winebed_stop; rm -rf "$prefix" "$prefix-d"' EXIT
# Wine's own frames, as on Windows 98, a folder to give an icon, and the sample library as the
# place a folder's icon is first looked for.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
mkdir -p "$prefix-d/Photos" "$out"
printf '[Options]\r\nDefaultFLdir=C:\\Icons\\samples.dll\r\n' >"$WINEPREFIX/drive_c/Tilefox/tilefox.INI"
cp "$build/bin/shotdriver.exe" "$WINEPREFIX/drive_c/windows/temp/"
export WINEDLLOVERRIDES="mscoree=;winemenubuilder.exe=d"
cd "$WINEPREFIX/drive_c/Tilefox"

drive() { wine 'C:\windows\temp\shotdriver.exe' "$@" </dev/null 2>/dev/null; sleep 1.5; }
ended() { for _ in $(seq 20); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.5; done; return 1; }
shot() {
  local area
  area=$(wine 'C:\windows\temp\shotdriver.exe' rect </dev/null 2>/dev/null | tr -d '\r')
  import -window root -crop "$area" +repage "$out/$1.png"
  echo "$out/$1.png"
}

# `screenshots.sh 144`: only the General tab at 144 DPI, for the guide's part on newer Windows.
if [ "${1:-}" = 144 ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f </dev/null >/dev/null 2>&1
  wine tilefox.exe </dev/null >/dev/null 2>&1 &
  sheet=$!
  sleep 8
  drive tab 1
  drive row 2
  shot dpi144-general
  drive cancel
  ended $sheet
  exit 0
fi

wine tilefox.exe </dev/null >/dev/null 2>&1 &
sheet=$!
sleep 8
tab=0
for name in desktop general special startmenu drive settings1 settings2; do
  drive tab $tab
  shot "tab-$name"
  tab=$((tab + 1))
done

drive tab 1
drive row 0
drive menu
shot context-menu
drive key 27
drive click 1006                 # the Change Icon button above the list
shot change-icon
drive cancel
drive menu
drive key 38 13                  # Properties, the menu's last item
shot properties
drive cancel

drive tab 5
drive click 1026                 # the folder verb: its settings button is enabled with it
drive click 1031
shot browse-location
drive cancel
drive tab 6
drive click 1035                 # the version box
shot version
drive cancel
drive cancel                     # the sheet: nothing applied
ended $sheet

# Explorer's folder verb starts the program like this.
wine tilefox.exe /ChgIcon 'D:\Photos' </dev/null >/dev/null 2>&1 &
folder=$!
sleep 5
shot folder-icon
drive cancel
ended $folder
