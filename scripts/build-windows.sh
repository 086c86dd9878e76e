#!/usr/bin/env bash
# Builds the Windows programs with Debian's mingw-w64 (static executables, no DLLs to ship)
# into BUILD_DIR (build-win): BUILD_DIR/app/quorvane.exe and BUILD_DIR/cli/quorvane-tag.exe,
# each with the licence, LICENSE, beside it for whatever ships them, and the downloads made
# of them: the portable zip BUILD_DIR/quorvane-VERSION-windows-x64.zip and the installer
# BUILD_DIR/quorvane-VERSION-setup.exe (NSIS). Then it runs the Windows tests under Wine, in
# a Wine prefix of the build's own (the installer's test in one of its own). Given the
# Linux quorvane-tag too, it holds the two against each other on the same folders.
# Usage: scripts/build-windows.sh [BUILD_DIR [LINUX_QUORVANE_TAG]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/ensure-packages.sh
ensure_only "${quorvane_windows_packages[@]}"
build=${1:-build-win}

echo "== Building the Windows programs in $build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUORVANE_WERROR=ON >/dev/null
cmake --build "$build" -j2
for program in app/quorvane.exe cli/quorvane-tag.exe; do
  [ -f "$build/$(dirname "$program")/LICENSE" ] || { echo "no LICENSE beside $program" >&2; exit 1; }
done
echo "== The Windows downloads"
cmake --build "$build" -j2 --target windows_packages >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for download in "$build/quorvane-$version-windows-x64.zip" "$build/quorvane-$version-setup.exe"; do
  [ -f "$download" ] || { echo "build-windows.sh: $download was not made" >&2; exit 1; }
  echo "$download"
done

# A prefix of the build's own, with the Japanese fonts, made before any test starts Wine:
# the processes that make it live on with the server, holding whatever output they had.
export WINEPREFIX=${WINEPREFIX:-$root/$build/wineprefix} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offer to install Mono or Gecko
echo "== Preparing the Wine prefix $WINEPREFIX"
scripts/wine-prefix.sh
trap 'wineserver -k 2>/dev/null || true' EXIT
# One Wine server for the programs without a window: starting one for each costs seconds.
# The first program started also starts Wine's services, which keep its output open: start
# them here, on no output, or CTest would wait for them to end.
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
echo "== The Windows tests under Wine"
ctest --test-dir "$build" --output-on-failure -j2 -LE window
if [ -n "${2:-}" ]; then
  echo "== quorvane-tag.exe against the Linux quorvane-tag"
  tests/windows/cross_check.sh "$2" "$build/cli/quorvane-tag.exe"
fi
# The window's test starts a server of its own, on its own display.
wineserver -k 2>/dev/null || true
wineserver -w
echo "== The Windows window under Wine"
ctest --test-dir "$build" --output-on-failure -L window
