#!/usr/bin/env bash
# Runs a command in a fresh Debian system of the release named first (trixie,
# testing, bookworm, ...): by default the README's test command, so that it is
# checked as a new user on that release would run it.
#   scripts/test-in-debian.sh trixie
#   scripts/test-in-debian.sh testing scripts/build-package.sh
# The system is made with debootstrap (minbase) from the mirror this machine's
# apt uses, in a temporary folder that is removed afterwards; /proc, /sys and
# /dev are mounted there for the run and unmounted on every way out.
set -euo pipefail
release=${1:?usage: $0 RELEASE [COMMAND...]}
shift
[ $# -gt 0 ] || set -- scripts/run-tests.sh
tree=$(cd "$(dirname "$0")/.." && pwd)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if ! command -v debootstrap >/dev/null; then
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends debootstrap
fi
debian_mirror() { apt-get indextargets --format '$(LABEL) $(SITE)' | awk '$1 == "Debian" { print $2; exit }'; }
mirror=$(debian_mirror)
# The labels come from the downloaded lists, which a fresh machine may lack.
[ -n "$mirror" ] || { $sudo apt-get update -q >/dev/null && mirror=$(debian_mirror); }
[ -n "$mirror" ] || { echo "$0: no Debian mirror among this machine's apt sources" >&2; exit 1; }

root=$(mktemp -d "${TMPDIR:-/var/tmp}/chartviewer-$release-XXXXXX")
# Some tests run the program as nobody, who must reach the build in there.
chmod 755 "$root"
child=""
cleanup() {
  status=$?
  set +e
  # debootstrap or the run, when interrupted; then whatever the run left
  # behind (a spooler, an X server), which holds the mounts.
  [ -n "$child" ] && $sudo kill "$child" 2>/dev/null && wait "$child" 2>/dev/null
  rm -f "$root.debootstrap.log"
  for link in /proc/[0-9]*/root; do
    [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && pid=${link#/proc/} && $sudo kill -9 "${pid%/root}" 2>/dev/null
  done
  sleep 1
  # Every mount in the tree, ours and any debootstrap made, innermost first.
  grep -o " $root/[^ ]*" /proc/self/mounts | sort -r | while read -r mount; do
    $sudo umount "$mount" || $sudo umount -l "$mount"
  done
  if grep -q " $root/" /proc/self/mounts; then
    echo "$0: $root is still mounted on; left in place" >&2
  else
    $sudo rm -rf "$root"
  fi
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "== A fresh Debian $release in $root, from $mirror"
# In the background, so that an interrupt is taken at once, not after it.
$sudo debootstrap --variant=minbase "$release" "$root" "$mirror" /usr/share/debootstrap/scripts/sid \
  >"$root.debootstrap.log" 2>&1 &
child=$!
wait "$child" || { tail -n 30 "$root.debootstrap.log" >&2; rm -f "$root.debootstrap.log"; exit 1; }
child=""
rm -f "$root.debootstrap.log"

# The host's view of the mirror: a frozen snapshot's Release files may have
# expired, and a proxy may be the only way out.
apt-config dump | grep -E '^Acquire::(Check-Valid-Until|Check-Date|https?::Proxy|Proxy) ' |
  $sudo tee "$root/etc/apt/apt.conf.d/90host" >/dev/null || true
# Packages install their services but never start them in here.
printf '#!/bin/sh\nexit 101\n' | $sudo tee "$root/usr/sbin/policy-rc.d" >/dev/null
$sudo chmod 755 "$root/usr/sbin/policy-rc.d"

mount_in() { # where, then mount's own arguments
  $sudo mkdir -p "$root/$1"
  $sudo mount "${@:2}" "$root/$1"
}
mount_in proc -t proc proc
mount_in sys -t sysfs sysfs
mount_in dev --bind /dev
mount_in dev/pts --bind /dev/pts
mount_in dev/shm -t tmpfs tmpfs

# The tree as it is, without this machine's builds.
$sudo mkdir -p "$root/src"
tar -C "$tree" --exclude='./build*' --exclude=./.git -cf - . | $sudo tar -C "$root/src" -xf -
echo "== $* in Debian $release"
$sudo chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  HOME=/root LANG=C.UTF-8 CI="${CI:-}" bash -c 'cd /src && exec "$@"' run "$@" <&0 &
child=$!
wait "$child" && child=""
