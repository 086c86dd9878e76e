#!/usr/bin/env bash
# The Windows downloads under Wine. The portable zip holds the two programs as built, the
# README and the MIT licence (CRLF text). The installer carries the program's version and
# icon. Run silently (/S) for all users, then for the current user alone (/CurrentUser, twice:
# the second over the first), it puts its files, Start menu shortcut, "Open with" and folder
# verbs and Apps & features entry where each kind of installation keeps them; the installed
# quorvane.exe, started by the folder verb's command and by "Open with"'s on an MP3 file,
# opens the folder (its window found by xdotool, its tags on the sheet); each uninstaller,
# run silently, takes away its own installation and leaves the other alone; at the end no
# file of drive C: and no key of the classes and uninstall registry differs from before.
# Runs in a Wine prefix of its own, WINEPREFIX-installer, made again unless the last run
# there passed. Leaves screenshots of the window at SCREENSHOT and SCREENSHOT-user.png.
# Usage: installer_test.sh SETUP.exe ZIP VERSION QUORVANE.exe QUORVANE-TAG.exe [SCREENSHOT.png]
# Exit status: 0 pass, 1 fail, 77 skipped (no installer, Xvfb, xdotool or wine).
set -u
[ $# -ge 5 ] || { echo "usage: installer_test.sh SETUP.exe ZIP VERSION QUORVANE.exe QUORVANE-TAG.exe [SCREENSHOT.png]" >&2; exit 2; }
setup=$1
zip=$2
version=$3
app=$(realpath "$4")
tag_app=$(realpath "$5")
shot=${6:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS=0

[ -f "$setup" ] || { echo "SKIP: no installer at $setup (makensis, Debian's nsis)"; exit 77; }
setup=$(realpath "$setup")
for tool in Xvfb xdotool wine wineserver; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

prefix=${WINEPREFIX:-$(dirname "$setup")/wineprefix}-installer
# No menu entries or file associations of the installed program on the Linux desktop
# (winemenubuilder would make them from the shortcut and the keys).
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WAYLAND_DISPLAY

source "$root/tests/e2e/window_e2e_lib.sh"
work=$(mktemp -d)
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A Unix path as Wine names it: drive Z: is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# crlf FILE: FILE with Windows line ends.
crlf() { sed 's/\r$//; s/$/\r/' "$1"; }
# has_bytes FILE PART: PART's bytes lie in FILE, whole.
hex_bytes() { od -An -v -tx1 "$1" | tr -d '\n'; }
has_bytes() { grep -qF -- "$(hex_bytes "$2")" <(hex_bytes "$1"); }

# ---- the zip ----
[ -f "$zip" ] || fail "no zip at $zip"
zip=$(realpath "$zip")
top=quorvane-$version
names=$(cd "$work" && cmake -E tar tf "$zip" 2>/dev/null | sort | tr '\n' ' ')
expected="$top/ $top/LICENSE.txt $top/README.txt $top/quorvane-tag.exe $top/quorvane.exe "
[ "$names" = "$expected" ] || fail "the zip holds '$names', not '$expected'"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip") || fail "the zip does not unpack"
cmp -s "$work/zip/$top/quorvane.exe" "$app" || fail "the zip's quorvane.exe is not the one built"
cmp -s "$work/zip/$top/quorvane-tag.exe" "$tag_app" || fail "the zip's quorvane-tag.exe is not the one built"
cmp -s "$work/zip/$top/LICENSE.txt" <(crlf "$root/LICENSE") ||
  fail "the zip's LICENSE.txt is not LICENSE with Windows line ends"
head -n 1 "$work/zip/$top/LICENSE.txt" | grep -q '^MIT License' || fail "the licence is not the MIT licence"
cmp -s "$work/zip/$top/README.txt" <(crlf "$root/README.md") ||
  fail "the zip's README.txt is not README.md with Windows line ends"

# ---- the installer's own resources: the program's icon images and version ----
for image in "$root"/app/icons/quorvane-16.png "$root"/app/icons/quorvane-32.png; do
  has_bytes "$app" "$image" || fail "quorvane.exe lacks the icon image $image"
  has_bytes "$setup" "$image" || fail "the installer's icon is not the program's ($image is not in it)"
done
# The cross toolchain's strings (binutils-mingw-w64) is there wherever the programs were built.
strings=$(command -v x86_64-w64-mingw32-strings || command -v strings) || fail "no strings (binutils)"
"$strings" -el -n 2 "$setup" | grep -A1 -x ProductVersion | tail -n 1 | grep -qx "$version" ||
  fail "the installer's version resource does not say $version"

start_display
c=$WINEPREFIX/drive_c
# A prefix where the last run did not pass may hold what it left installed: made again.
passed=$WINEPREFIX/.quorvane-installer-passed
if [ -d "$WINEPREFIX" ] && [ ! -f "$passed" ]; then
  echo "note: the last run in $WINEPREFIX did not pass; the prefix is made again" >&2
  rm -rf "$WINEPREFIX"
fi
rm -f "$passed"
"$root/scripts/wine-prefix.sh" || fail "the Wine prefix $WINEPREFIX could not be made ready"
# As a Japanese user runs them: the installer picks its language from the locale.
{ source "$root/scripts/wine-japanese.sh"; } 2>/dev/null
# The services that the first program starts keep its output: none for them.
wine cmd /c exit </dev/null >/dev/null 2>&1

# in_wine COMMAND...: runs a Windows program and waits until Wine has nothing more running
# (an uninstaller goes on from a copy of itself in the temporary folder).
in_wine() {
  timeout 120 wine "$@" </dev/null >/dev/null 2>&1
  timeout 120 wineserver -w || fail "Wine did not settle after: $*"
}

# reg_dump FILE KEY...: the keys, with all below them, as .reg text (UTF-8, LF) in FILE;
# a key that does not exist is left out. One batch file for all: a start of Wine takes a
# fraction of a second each.
reg_dump() {
  local out=$1 key i=0 j
  shift
  rm -f "$work"/dump-*.reg
  for key in "$@"; do
    i=$((i + 1))
    printf 'reg export "%s" "%s" /y >nul 2>nul\r\n' "$key" "$(windows_path "$work/dump-$i.reg")"
  done >"$work/dump.bat"
  timeout 120 wine cmd /c "$(windows_path "$work/dump.bat")" </dev/null >/dev/null 2>&1
  for ((j = 1; j <= i; j++)); do
    [ -f "$work/dump-$j.reg" ] && iconv -f UTF-16 -t UTF-8 "$work/dump-$j.reg" | tr -d '\r'
  done >"$out"
}
# reg_value DUMP KEY NAME: the value NAME (@ for the default value) of KEY (HKLM\..., HKCU\...)
# in DUMP: a string without its quotes and escapes, anything else as written; fails when
# there is no such value.
reg_value() {
  local key=$2
  key=${key/#HKLM\\/HKEY_LOCAL_MACHINE\\}
  key=${key/#HKCU\\/HKEY_CURRENT_USER\\}
  awk -v key="[$key]" -v name="$3" '
    BEGIN { key = tolower(key); lead = name == "@" ? "@=" : "\"" name "\"=" }
    /^\[/ { inside = tolower($0) == key; next }
    inside && index($0, lead) == 1 { value = substr($0, length(lead) + 1); found = 1; exit }
    END {
      if (!found) exit 1
      if (value ~ /^".*"$/) {
        value = substr(value, 2, length(value) - 2)
        text = ""
        for (i = 1; i <= length(value); i++) {
          ch = substr(value, i, 1)
          if (ch == "\\") ch = substr(value, ++i, 1)
          text = text ch
        }
        value = text
      }
      print value
    }' "$1"
}
# has_key DUMP KEY: KEY is in DUMP.
has_key() {
  local key=$2
  key=${key/#HKLM\\/HKEY_LOCAL_MACHINE\\}
  key=${key/#HKCU\\/HKEY_CURRENT_USER\\}
  grep -qixF "[$key]" "$1"
}

# The files of drive C:, and the registry where the installer writes, as text to compare.
snapshot() {
  (cd "$c" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune \
    -o -path './users/*/AppData/Local/Temp' -prune -o -print | sort)
  reg_dump "$work/snapshot.reg" 'HKLM\Software\Classes' 'HKCU\Software\Classes' \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
    'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  cat "$work/snapshot.reg"
}

uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane'
our_keys=('Software\Classes\Applications\quorvane.exe' 'Software\Classes\.mp3\OpenWithList\quorvane.exe'
  'Software\Classes\Directory\shell\Quorvane' 'Software\Classes\Drive\shell\Quorvane' "$uninstall_key")
# registry_now: the keys that the installers write, of both kinds, into $work/now.reg.
registry_now() {
  local keys=() key
  for key in "${our_keys[@]}"; do keys+=("HKLM\\$key" "HKCU\\$key"); done
  reg_dump "$work/now.reg" "${keys[@]}"
}
# expect DUMP KEY NAME VALUE: KEY's value NAME is VALUE.
expect() {
  local got
  got=$(reg_value "$1" "$2" "$3") || fail "no value $3 in $2"
  [ "$got" = "$4" ] || fail "$2, $3 is '$got', not '$4'"
}

# installed HIVE DIR WINDOWS-DIR SHORTCUT: the files, shortcut and keys of one
# installation, in $work/now.reg (registry_now); HIVE is HKLM or HKCU.
installed() {
  local hive=$1 dir=$2 windir=$3 shortcut=$4 now=$work/now.reg file
  cmp -s "$dir/quorvane.exe" "$app" || fail "no quorvane.exe as built in $dir"
  cmp -s "$dir/quorvane-tag.exe" "$tag_app" || fail "no quorvane-tag.exe as built in $dir"
  cmp -s "$dir/LICENSE.txt" "$work/zip/$top/LICENSE.txt" || fail "no licence in $dir"
  cmp -s "$dir/README.txt" "$work/zip/$top/README.txt" || fail "no README.txt in $dir"
  [ -f "$dir/uninstall.exe" ] || fail "no uninstall.exe in $dir"
  [ -f "$shortcut" ] || fail "no Start menu shortcut at $shortcut"
  grep -qaF "$windir\\quorvane.exe" "$shortcut" || fail "the shortcut $shortcut does not point at $windir\\quorvane.exe"
  local exe="$windir\\quorvane.exe" classes="$hive\\Software\\Classes"
  local command="\"$exe\" \"%1\"" app_key="$classes\\Applications\\quorvane.exe"
  expect "$now" "$app_key" FriendlyAppName Quorvane
  expect "$now" "$app_key\\DefaultIcon" @ "$exe,0"
  expect "$now" "$app_key\\SupportedTypes" .mp3 ""
  expect "$now" "$app_key\\shell\\open\\command" @ "$command"
  has_key "$now" "$classes\\.mp3\\OpenWithList\\quorvane.exe" || fail "$hive: quorvane.exe is not in Open with of .mp3"
  local verb
  for verb in Directory Drive; do
    expect "$now" "$classes\\$verb\\shell\\Quorvane" @ "Quorvane で開く"
    expect "$now" "$classes\\$verb\\shell\\Quorvane" Icon "$exe,0"
    expect "$now" "$classes\\$verb\\shell\\Quorvane\\command" @ "$command"
  done
  local uninstall="$hive\\$uninstall_key"
  expect "$now" "$uninstall" DisplayName Quorvane
  expect "$now" "$uninstall" DisplayVersion "$version"
  expect "$now" "$uninstall" DisplayIcon "$exe,0"
  expect "$now" "$uninstall" InstallLocation "$windir"
  reg_value "$now" "$uninstall" QuietUninstallString | grep -qF "\"$windir\\uninstall.exe\" /" ||
    fail "$hive: Apps & features does not run $windir\\uninstall.exe"
}
# gone HIVE DIR SHORTCUT: nothing of the installation is left, by $work/now.reg.
gone() {
  local hive=$1 dir=$2 shortcut=$3 key
  [ -e "$dir" ] && fail "$dir is still there after the uninstaller: $(ls -A "$dir")"
  [ -e "$shortcut" ] && fail "the shortcut $shortcut is still there after the uninstaller"
  for key in "${our_keys[@]}"; do
    has_key "$work/now.reg" "$hive\\$key" && fail "$hive\\$key is still there after the uninstaller"
  done
  return 0
}

# run_registered COMMAND ARGUMENT SHOT: COMMAND as the registry holds it ("...exe" "%1"),
# started with ARGUMENT for %1 as the shell starts it; its window shows the test folder's
# tags, is photographed, and Ctrl+Q ends it with status 0.
run_registered() {
  local placeholder='%1'
  printf '@%s\r\n' "${1//"$placeholder"/"$2"}" >"$work/open.bat"
  window=
  wine cmd /c "$(windows_path "$work/open.bat")" </dev/null >"$work/app.log" 2>&1 &
  app_pid=$!
  wait_for 60 "678x441 window named Quorvane of the installed program, run as $1" find_window
  sleep 1
  refocus
  mouse_away
  photograph "$3"
  # The title of 01.mp3 (row 1) shown, that of 10.mp3 (row 4, no tag) empty.
  if can_look && [ "$(cell_look 1 1)" = "$(cell_look 4 1)" ]; then
    fail "the installed program shows no tags of the folder ${3:+(see $3)}"
  fi
  xdo key ctrl+q
  check_clean_end 20
}

snapshot >"$work/before"
user=$(wine cmd /c 'echo %USERNAME%' </dev/null 2>/dev/null | tr -d '\r\n')
[ -n "$user" ] || fail "Wine names no user"
machine_dir="$c/Program Files/Quorvane"
machine_win='C:\Program Files\Quorvane'
machine_lnk="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvane.lnk"
user_dir="$c/users/$user/AppData/Local/Programs/Quorvane"
user_win="C:\\users\\$user\\AppData\\Local\\Programs\\Quorvane"
user_lnk="$c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quorvane.lnk"
make_folder

# ---- for all users (the default where the account may) ----
in_wine "$setup" /S
registry_now
installed HKLM "$machine_dir" "$machine_win" "$machine_lnk"
gone HKCU "$user_dir" "$user_lnk"
# The folder verb's command opens the folder.
run_registered "$(reg_value "$work/now.reg" 'HKLM\Software\Classes\Directory\shell\Quorvane\command' @)" \
  "$(windows_path "$folder")" "$shot"
timeout 60 wine "$machine_dir/quorvane-tag.exe" --version </dev/null >"$work/out" 2>/dev/null
[ "$(tr -d '\r' <"$work/out")" = "quorvane-tag $version" ] ||
  fail "the installed quorvane-tag.exe says '$(cat "$work/out")'"

# ---- and for the current user alone, beside it; installed again over itself ----
in_wine "$setup" /S /CurrentUser
in_wine "$setup" /S /CurrentUser
registry_now
installed HKCU "$user_dir" "$user_win" "$user_lnk"
installed HKLM "$machine_dir" "$machine_win" "$machine_lnk"
# "Open with" on an MP3 file opens its folder.
run_registered "$(reg_value "$work/now.reg" 'HKCU\Software\Classes\Applications\quorvane.exe\shell\open\command' @)" \
  "$(windows_path "$folder/02.mp3")" "${shot:+${shot%.png}-user.png}"

# Each uninstaller takes away its own installation.
in_wine "$user_dir/uninstall.exe" /S
registry_now
gone HKCU "$user_dir" "$user_lnk"
installed HKLM "$machine_dir" "$machine_win" "$machine_lnk"
in_wine "$machine_dir/uninstall.exe" /S
registry_now
gone HKLM "$machine_dir" "$machine_lnk"

snapshot >"$work/after"
if ! diff -u "$work/before" "$work/after" >"$work/diff"; then
  head -n 40 "$work/diff" >&2
  fail "the uninstallers left drive C: or the registry otherwise than before the installers"
fi
touch "$passed"
echo "PASS: the zip, and the installer for all users and for one, installed, ran and uninstalled ($SECONDS s)"
