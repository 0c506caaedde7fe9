#!/usr/bin/env bash
# debian_package_test.sh BUILD VERSION
#
# Packs the built tree into the Debian package (cpack on the tree as built, so that nothing is
# rebuilt under the other tests), checks what it holds, then unpacks it and runs the unpacked
# tallwick-cli as a new user would after installing: the delivered database must come from
# share/tallwick into the user's data folder once, and never again.
set -euo pipefail
build=$1
version=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$work/out/tallwick_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb"

database=2018NB_qd_201809251730.mdb
listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in ./usr/bin/tallwick ./usr/bin/tallwick-cli "./usr/share/tallwick/$database" \
  ./usr/share/tallwick/view.dll ./usr/share/tallwick/sumtable.qd \
  ./usr/share/tallwick/exporttable.qd "./usr/share/tallwick/2018基层以上汇总表.xltx" \
  "./usr/share/tallwick/2018打印表.xltx" ./usr/share/tallwick/notes/TableNotesQD-01.rtf \
  ./usr/share/applications/tallwick.desktop ./usr/share/icons/hicolor/scalable/apps/tallwick.svg \
  ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/tallwick.png; do
  grep -qxF "$path" <<<"$listing" || fail "the package lacks $path"
done
# Nothing of a run from the build folder may travel: no lock, no temporary file.
if grep -E '/\.tallwick|\.copied$' <<<"$listing"; then fail "stray files in the package"; fi

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6charts6 libsqlite3-0 libssl3 libxlsxwriter4 libzip4 qt6-qpa-plugins \
  qt6-translations-l10n fonts-wqy-microhei; do
  grep -q "\b$needed\b" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/tallwick.desktop" ||
  fail "the desktop entry is not valid"

[ "$("$root/usr/bin/tallwick-cli" --version)" = "tallwick-cli $version" ] ||
  fail "tallwick-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/tallwick" --version)" = "tallwick $version" ] ||
  fail "tallwick --version"

# A new user: an empty home, no data folder chosen.
home=$work/home
mkdir "$home"
run_cli() {
  env -u XDG_DATA_HOME -u TALLWICK_DATA_DIR HOME="$home" "$root/usr/bin/tallwick-cli" "$@"
}
seeded=$home/.local/share/Tallwick/$database
first=$(run_cli info --json)
grep -qF "\"path\": \"$seeded\"" <<<"$first" || fail "first run: $first"
grep -qF '"records": 0' <<<"$first" || fail "first run: $first"
cmp -s "$seeded" "$root/usr/share/tallwick/$database" ||
  fail "the seeded database differs from the delivered one"

# The user's database since then: an old time stamp marks this very file.
touch -d '2001-02-03 04:05:06' "$seeded"
before=$(stat -c '%i %Y %s' "$seeded")
second=$(run_cli info)
grep -qF "数据库文件：$seeded" <<<"$second" || fail "second run: $second"
[ "$(stat -c '%i %Y %s' "$seeded")" = "$before" ] || fail "the second run replaced the database"

# The delivered templates come from share/tallwick: a summary of the empty database is written.
run_cli summary --by level --tables 2 -o "$work/summary.xlsx" >/dev/null 2>"$work/summary.err" ||
  { cat "$work/summary.err" >&2; fail "summary from the installed template"; }
[ -s "$work/summary.xlsx" ] || fail "no summary workbook"
echo "package $deb: contents, dependencies, desktop entry and first use checked"
