#!/usr/bin/env bash
# Installs the Debian packages that a task needs, and only those that are
# missing. The task is the first argument:
#   build    building the viewer and running it (scripts/run-example.sh)
#   test     that, and what the tests and the fuzzer need (scripts/run-tests.sh);
#            the default
#   package  that, and Debian's packaging tools (scripts/build-package.sh)
# Every name here is one that Debian 12, 13 and testing all have.
set -euo pipefail

build=(
  g++ cmake make qt6-base-dev qt6-svg-dev libcups2-dev
  # fonts the forms are drawn with; a native window on a Wayland desktop
  fonts-liberation qt6-wayland
)
test=(
  # GoogleTest, a real X server and tools to drive it, a private print
  # spooler and the tools that read what it captured
  libgtest-dev libgmock-dev libx11-dev xvfb xdotool x11-utils
  cups-daemon cups-client cups-bsd libpoppler-qt6-dev pkg-config
  # the installed files' own checkers, the desktop's MIME database and its
  # queries (xdg-mime, which asks mimetype), and a headless Wayland compositor
  desktop-file-utils appstream man-db shared-mime-info xdg-utils libfile-mimeinfo-perl weston
  # a private D-Bus session with the accessibility (AT-SPI) bus, read from
  # python as a screen reader reads it
  dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  # a desktop theme, dark, for the page that must stay white under it
  qt6-gtk-platformtheme gnome-themes-extra
  # the fuzzer: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-dev
)
package=(
  build-essential dpkg-dev debhelper lintian
)

case "${1:-test}" in
  build) packages=("${build[@]}") ;;
  test) packages=("${build[@]}" "${test[@]}") ;;
  package) packages=("${build[@]}" "${package[@]}") ;;
  *) echo "usage: $0 [build|test|package]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
