#!/usr/bin/env bash
# Makes WINEPREFIX ready to show the Windows window in Japanese: a Wine prefix with Debian's
# IPA Gothic fonts in its Fonts folder, the Japanese faces the window asks for ("ＭＳ Ｐゴシック",
# "MS PGothic", "MS UI Gothic" ...) standing for IPAPGothic, and no offer to install Mono or
# Gecko. Safe to run again; quick once the prefix exists.
# Usage: WINEPREFIX=DIR scripts/wine-prefix.sh
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the prefix to prepare}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
fonts=/usr/share/fonts/opentype/ipafont-gothic
[ -d "$fonts" ] || { echo "wine-prefix.sh: $fonts is missing (fonts-ipafont-gothic)" >&2; exit 1; }

mkdir -p "$WINEPREFIX"
# The registry files are written only when the server saves them; the Fonts folder is there
# as soon as wineboot has made the prefix.
if [ ! -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
  wineboot -i >/dev/null 2>&1
fi
[ -d "$WINEPREFIX/drive_c/windows/Fonts" ] || { echo "wine-prefix.sh: wineboot made no prefix" >&2; exit 1; }

marker=$WINEPREFIX/.quorvane-fonts
[ -f "$marker" ] && exit 0
cp -L "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic' 'ＭＳ ゴシック' 'MS Gothic'; do
  to=IPAPGothic
  case $face in 'ＭＳ ゴシック' | 'MS Gothic') to=IPAGothic ;; esac
  wine reg add "$key" /v "$face" /t REG_SZ /d "$to" /f >/dev/null 2>&1
done
# The server saves the registry when it ends; wait for that, so that the prefix is whole
# and the caller may start a server of its own (`wineserver -p` fails while one runs).
wineserver -w
touch "$marker"
