#!/usr/bin/env bash
# The Debian package: what it holds, what it depends on, its licence, its desktop entry and
# store entry as their validators read them, and lintian's report (no errors). It is not
# installed here.
# Usage: package_test.sh PATH/TO/quorvane_VERSION_ARCH.deb
set -u
deb=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

files=$(dpkg-deb --contents "$deb" | awk '{print $NF}' | grep -v '/$' | sort)
expected=$(sort <<'LIST'
./usr/bin/quorvane
./usr/bin/quorvane-tag
./usr/share/applications/quorvane.desktop
./usr/share/doc/quorvane/changelog.gz
./usr/share/doc/quorvane/copyright
./usr/share/icons/hicolor/16x16/apps/quorvane.png
./usr/share/icons/hicolor/32x32/apps/quorvane.png
./usr/share/icons/hicolor/scalable/apps/quorvane.svg
./usr/share/man/man1/quorvane-tag.1.gz
./usr/share/man/man1/quorvane.1.gz
./usr/share/metainfo/io.github.quorvane.Quorvane.metainfo.xml
LIST
)
[ "$files" = "$expected" ] || fail "the package holds:
$files"

depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb --field "$deb" Package)" = quorvane ] || fail "the package is not named quorvane"

# The programs are stripped and run.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
dpkg-deb --extract "$deb" "$dir"
file "$dir/usr/bin/quorvane-tag" | grep -q ", stripped" || fail "quorvane-tag is not stripped"
"$dir/usr/bin/quorvane-tag" --version | grep -q "^quorvane-tag " || fail "quorvane-tag --version"
"$dir/usr/bin/quorvane" --version | grep -q "^quorvane " || fail "quorvane --version"
zcat "$dir/usr/share/man/man1/quorvane.1.gz" | grep -q '@VERSION@' && fail "the manual page lacks its version"

# The licence, in Debian's machine-readable form: MIT (Expat) for every file.
copyright=$dir/usr/share/doc/quorvane/copyright
head -n 1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
  fail "copyright is not in the machine-readable format"
grep -q '^License: Expat$' "$copyright" && grep -q '^Copyright: 2026 The Quorvane developers$' \
  "$copyright" || fail "copyright does not say MIT (Expat) and its holder"

# The desktop entry and the store entry, as their validators read them, and the store
# entry's release is the package's version.
desktop-file-validate "$dir/usr/share/applications/quorvane.desktop" ||
  fail "desktop-file-validate refuses the desktop entry"
metainfo=$dir/usr/share/metainfo/io.github.quorvane.Quorvane.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$dir/appstream.out" 2>&1 ||
  fail "appstreamcli refuses the store entry: $(cat "$dir/appstream.out")"
version=$(dpkg-deb --field "$deb" Version)
grep -q "<release version=\"$version\"" "$metainfo" || fail "the store entry's release is not $version"
grep -q '<launchable type="desktop-id">quorvane.desktop</launchable>' "$metainfo" ||
  fail "the store entry does not launch the desktop entry"

report=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'root privileges')
grep -q '^E:' <<<"$report" && fail "lintian reports errors:
$report"
[ -n "$report" ] && echo "lintian: $report"

[ "$failures" -eq 0 ] && echo "PASS: the package holds both programs, their manual pages, the desktop and store entries and the licence"
exit $((failures > 0))
