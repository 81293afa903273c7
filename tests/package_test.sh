#!/bin/sh
# The Debian package as a user gets it: built by scripts/build-package.sh,
# free of lintian errors and warnings, installed by apt with the installed
# program exporting, with no display, and opening the example chart it ships,
# and removed by apt with nothing it installed left behind.
# It changes the system's packages: it needs root (or sudo without a password)
# and refuses when the package is installed already.
set -eu
source=$1 id=$2
sudo=
[ "$(id -u)" -eq 0 ] || sudo="sudo -n"
if dpkg-query -W -f='${Status}' chartviewer 2>/dev/null | grep -q "ok installed"; then
  echo "chartviewer is installed already; remove it first"
  exit 1
fi
work=$(mktemp -d 2>/dev/null || mktemp -d -p /tmp)  # TMPDIR as the caller has it, if it is there
installed=
remove() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q chartviewer; installed=; }
trap '[ -z "$installed" ] || remove; rm -rf "$work"' EXIT

"$source/scripts/build-package.sh" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
deb=$(tail -n 1 "$work/build.log")
# No error and no warning; the debug symbols are kept beside the package.
lintian --fail-on error,warning "$deb"
ls "$(dirname "$deb")"/chartviewer-dbgsym_*deb >/dev/null

# What the package brings that was not there before.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\.||; s|/$||' | while read -r path; do
  [ -z "$path" ] || [ -e "$path" ] || echo "$path"
done >"$work/new"
installed=yes
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
for path in $(dpkg -L chartviewer); do
  [ -e "$path" ] || { echo "installed but missing: $path"; exit 1; }
done
example=/usr/share/doc/chartviewer/examples/chart.dat
dpkg -L chartviewer | grep -qx "$example" || { echo "the package lists no $example"; exit 1; }
# With no display, in as bare an environment as cron's (no XDG_RUNTIME_DIR):
# the help, and the example chart's page in each format --export writes.
headless() { env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8 /usr/bin/chartviewer "$@"; }
headless --help | grep -q -- "--export FILE" || { echo "chartviewer --help tells no --export"; exit 1; }
for page in pdf:%PDF svg:'<?xml' png:PNG; do
  file=$work/page.${page%%:*}
  said=$(headless --export "$file" "$example" 2>&1) || { echo "chartviewer --export $file failed: $said"; exit 1; }
  # cron mails whatever a job writes: a good run writes nothing.
  [ -z "$said" ] || { echo "chartviewer --export $file wrote: $said"; exit 1; }
  head -c 5 "$file" | grep -q "${page#*:}" || { echo "$file is no ${page%%:*}"; exit 1; }
done
# On a desktop, the example chart by its installed path, under the app id.
sh "$source/tests/wayland_test.sh" /usr/bin/chartviewer "$example" "$id"

remove
left=0
while read -r path; do
  [ ! -e "$path" ] || { echo "left behind: $path"; left=1; }
done <"$work/new"
exit $left
