#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# and only those that are missing.
set -euo pipefail

packages=(
  # build
  g++ cmake make qt6-base-dev libgl-dev libx11-dev libcups2-dev
  # fonts the forms are drawn with
  fonts-liberation
  # tests: GoogleTest, a real X server and tools to drive it, a private print
  # spooler and the tools that read what it captured
  libgtest-dev libgmock-dev xvfb xdotool x11-utils
  cups-daemon cups-client cups-bsd poppler-utils
  # a private D-Bus session with the accessibility (AT-SPI) bus, read from
  # python as a screen reader reads it
  dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  # the fuzzer: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-14-dev
)

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
