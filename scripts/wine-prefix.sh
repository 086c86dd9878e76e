#!/usr/bin/env bash
# Makes WINEPREFIX ready to show the Windows window in Japanese: a Wine prefix with Debian's
# IPA Gothic fonts in its Fonts folder, the Japanese faces the window asks for ("ＭＳ Ｐゴシック",
# "MS PGothic", "MS UI Gothic" ...) and the face of Wine's own captions, boxes and dialogs
# in a Japanese locale ("MS UI Gothic", "MS Shell Dlg") standing for IPAPGothic, and no
# offer to install Mono or Gecko. Where the system has no ja_JP.UTF-8 locale it makes one in
# WINEPREFIX/quorvane-locale, for LOCPATH (scripts/wine-japanese.sh uses it). Safe to run
# again; quick once the prefix exists.
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

# Wine speaks the locale's language: Japanese boxes need a Japanese locale. Made without
# root, in the prefix, from the locales package's sources.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8' &&
  [ ! -d "$WINEPREFIX/quorvane-locale/ja_JP.UTF-8" ]; then
  [ -f /usr/share/i18n/locales/ja_JP ] ||
    { echo "wine-prefix.sh: /usr/share/i18n/locales/ja_JP is missing (locales)" >&2; exit 1; }
  mkdir -p "$WINEPREFIX/quorvane-locale"
  localedef -i ja_JP -f UTF-8 "$WINEPREFIX/quorvane-locale/ja_JP.UTF-8" ||
    { echo "wine-prefix.sh: localedef could not make ja_JP.UTF-8" >&2; exit 1; }
fi

# Named for what it holds: a prefix made with fewer faces gets the others.
marker=$WINEPREFIX/.quorvane-fonts-ui
[ -f "$marker" ] && exit 0
cp -L "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'ＭＳ ゴシック' 'MS Gothic'; do
  to=IPAPGothic
  case $face in 'ＭＳ ゴシック' | 'MS Gothic') to=IPAGothic ;; esac
  wine reg add "$key" /v "$face" /t REG_SZ /d "$to" /f >/dev/null 2>&1
done
# Wine's own captions, boxes and dialogs in a Japanese locale are in "MS UI Gothic", which
# Wine reaches through substitutes of its own ("MS Shell Dlg" -> "MS UI Gothic"). A
# substitute is not followed twice; a replacement is a face of its own, so it is.
wine reg delete "$key" /v 'MS UI Gothic' /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /t REG_SZ \
  /d IPAPGothic /f >/dev/null 2>&1
wine reg add "$key" /v 'MS Shell Dlg 2' /t REG_SZ /d 'MS UI Gothic' /f >/dev/null 2>&1
# The server saves the registry when it ends; wait for that, so that the prefix is whole
# and the caller may start a server of its own (`wineserver -p` fails while one runs).
wineserver -w
touch "$marker"
