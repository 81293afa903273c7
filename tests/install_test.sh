#!/bin/sh
# cmake --install into a temporary DESTDIR, under a prefix other than the one
# configured: exactly these files, each under that prefix. Then, as a desktop
# sees them: the MIME type built into a private MIME database and answered
# for a chart.dat, with our desktop entry its default application; each icon
# at its size; the manual page's sections.
set -eu
build=$1 id=$2 mime=$3
destdir=$(mktemp -d 2>/dev/null || mktemp -d -p /tmp)  # TMPDIR as the caller has it, if it is there
trap 'rm -rf "$destdir"' EXIT
DESTDIR=$destdir cmake --install "$build" --prefix /opt/chartviewer >/dev/null
installed=$(cd "$destdir" && find . ! -type d | LC_ALL=C sort)
share=./opt/chartviewer/share
icons=$(for size in 128 16 24 256 32 48 64; do echo "$share/icons/hicolor/${size}x$size/apps/$id.png"; done)
expected="./opt/chartviewer/bin/chartviewer
$share/applications/$id.desktop
$share/bash-completion/completions/chartviewer
$share/doc/chartviewer/examples/chart.dat
$icons
$share/icons/hicolor/scalable/apps/$id.svg
$share/man/man1/chartviewer.1
$share/metainfo/$id.metainfo.xml
$share/mime/packages/$id.xml"
[ "$installed" = "$expected" ] || {
  printf 'installed:\n%s\nexpected:\n%s\n' "$installed" "$expected"
  exit 1
}
fail() { echo "$1"; exit 1; }

# A private data folder and home; xdg-mime without a desktop session asks
# the freedesktop database itself.
data=$destdir/opt/chartviewer/share
mkdir "$destdir/home" "$destdir/folder"
XDG_DATA_HOME=$data XDG_DATA_DIRS=/usr/share update-mime-database "$data/mime" 2>"$destdir/mime.log" && [ ! -s "$destdir/mime.log" ] ||
  fail "update-mime-database: $(cat "$destdir/mime.log")"
update-desktop-database "$data/applications"
echo "Any content" >"$destdir/folder/chart.dat"
query() {
  env -i PATH="$PATH" HOME="$destdir/home" XDG_DATA_HOME="$data" XDG_DATA_DIRS=/usr/share \
    XDG_CONFIG_HOME="$destdir/home" xdg-mime query "$@"
}
[ "$(query filetype "$destdir/folder/chart.dat")" = "$mime" ] || fail "chart.dat is $(query filetype "$destdir/folder/chart.dat")"
[ "$(query default "$mime")" = "$id.desktop" ] || fail "opened by '$(query default "$mime")'"

# A PNG's width and height are 32-bit big-endian numbers at bytes 16 and 20.
for size in 16 24 32 48 64 128 256; do
  got=$(od -An -tu4 --endian=big -j16 -N8 "$data/icons/hicolor/${size}x$size/apps/$id.png" | tr -s ' ')
  [ "$got" = " $size $size" ] || fail "the $size pixel icon is$got"
done

sections=$(MANWIDTH=80 man -l "$data/man/man1/chartviewer.1" 2>/dev/null | grep -E '^[A-Z][A-Z ]+$' | tr '\n' ' ')
[ "$sections" = "NAME SYNOPSIS DESCRIPTION OPTIONS FILE FORMAT PRINTING ENVIRONMENT FILES EXIT STATUS EXAMPLES SEE ALSO " ] ||
  fail "manual page sections: $sections"
