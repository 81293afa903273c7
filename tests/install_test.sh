#!/bin/sh
# cmake --install into a temporary DESTDIR, under a prefix other than the one
# configured: exactly these files, each under that prefix.
set -eu
build=$1 id=$2
destdir=$(mktemp -d)
trap 'rm -rf "$destdir"' EXIT
DESTDIR=$destdir cmake --install "$build" --prefix /opt/chartviewer >/dev/null
installed=$(cd "$destdir" && find . ! -type d | LC_ALL=C sort)
expected="./opt/chartviewer/bin/chartviewer
./opt/chartviewer/share/applications/$id.desktop
./opt/chartviewer/share/icons/hicolor/16x16/apps/$id.png
./opt/chartviewer/share/icons/hicolor/32x32/apps/$id.png
./opt/chartviewer/share/icons/hicolor/scalable/apps/$id.svg
./opt/chartviewer/share/man/man1/chartviewer.1
./opt/chartviewer/share/metainfo/$id.metainfo.xml"
[ "$installed" = "$expected" ] || {
  printf 'installed:\n%s\nexpected:\n%s\n' "$installed" "$expected"
  exit 1
}
