#!/usr/bin/env bash
# Builds the Debian package, checks what it holds, and runs the unpacked command-line program as a
# user who never ran it before: it must seed a working database of its own in the user's data
# folder and find the same file on the next run.
set -euo pipefail
build=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -f "$build"/tallwick_*_amd64.deb
cmake --build "$build" --target package >/dev/null
debs=("$build"/tallwick_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no package written"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/tallwick ./usr/bin/tallwick-cli \
    ./usr/share/tallwick/2018NB_qd_201809251730.mdb ./usr/share/tallwick/view.dll \
    ./usr/share/tallwick/sumtable.qd ./usr/share/tallwick/exporttable.qd \
    ./usr/share/tallwick/notes/TableNotesQD-00.rtf ./usr/share/applications/tallwick.desktop \
    ./usr/share/icons/hicolor/48x48/apps/tallwick.png \
    ./usr/share/icons/hicolor/scalable/apps/tallwick.svg; do
  grep -qxF "$path" <<<"$listing" || fail "the package lacks $path"
done
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "no dependencies from the libraries"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/tallwick.desktop" ||
  fail "the desktop entry is not valid"

mkdir "$work/home"
run() { env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
[ "$(run "$work/root/usr/bin/tallwick-cli" --version)" = "tallwick-cli $version" ] ||
  fail "tallwick-cli --version"
[ "$(run "$work/root/usr/bin/tallwick" --version)" = "tallwick $version" ] || fail "tallwick --version"

seeded="$work/home/.local/share/Tallwick/2018NB_qd_201809251730.mdb"
first=$(run "$work/root/usr/bin/tallwick-cli" info)
grep -qxF "数据库文件：$seeded" <<<"$first" || fail "first run: $first"
grep -qxF "记录数：0" <<<"$first" || fail "first run: $first"
cmp -s "$seeded" "$work/root/usr/share/tallwick/2018NB_qd_201809251730.mdb" ||
  fail "the seeded database is not the delivered one"

# A record of the user's own must survive the next start: the copy is never made again.
sqlite3 "$seeded" "INSERT INTO dt_data (c901, c902, c903, c904, c907, RecordState)
                   SELECT 110000000001, '自己的记录', id, 1, 1, 0 FROM CT_CityName LIMIT 1;
                   INSERT INTO dt_data1 (c901) VALUES (110000000001);"
second=$(run "$work/root/usr/bin/tallwick-cli" info)
grep -qxF "数据库文件：$seeded" <<<"$second" || fail "second run: $second"
grep -qxF "记录数：1" <<<"$second" || fail "second run re-seeded: $second"
echo "package $deb ($version) passed"
