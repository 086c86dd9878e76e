# Sourced by the scripts that run Wine for the window tests: the Japanese locale that makes
# Wine's own boxes and dialogs speak Japanese (はい, いいえ), ja_JP.UTF-8 from the system or
# the one scripts/wine-prefix.sh made in WINEPREFIX. Run scripts/wine-prefix.sh first.
if [ -d "$WINEPREFIX/quorvane-locale/ja_JP.UTF-8" ] &&
  ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  export LOCPATH=$WINEPREFIX/quorvane-locale
fi
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
unset LANGUAGE
