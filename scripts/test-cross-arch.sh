#!/usr/bin/env bash
# Builds the chart reading's tests for another Debian architecture with
# Debian's cross compilers and runs them under qemu's user-mode emulation: the
# same values on a big-endian processor (s390x) and on processors that have a
# fused multiply-add (arm64, s390x, ppc64el). Installs what is missing first.
#   usage: scripts/test-cross-arch.sh ARCH     (e.g. arm64, s390x, ppc64el)
# The build goes to build-cross-ARCH.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:?usage: $0 ARCH (a Debian architecture, e.g. arm64 or s390x)}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# Every name here is one that Debian 12, 13 and testing all have.
packages=(cmake dpkg-dev qemu-user "crossbuild-essential-$arch" "libgtest-dev:$arch")
missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(dpkg --print-architecture)" != "$arch" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    $sudo dpkg --add-architecture "$arch"
  fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

triplet=$(dpkg-architecture -a "$arch" -q DEB_HOST_GNU_TYPE 2>/dev/null)
# qemu names some processors otherwise than GNU does.
case "$(dpkg-architecture -a "$arch" -q DEB_HOST_GNU_CPU 2>/dev/null)" in
  powerpc64le) cpu=ppc64le ;;
  powerpc64) cpu=ppc64 ;;
  powerpc) cpu=ppc ;;
  i686) cpu=i386 ;;
  *) cpu=$(dpkg-architecture -a "$arch" -q DEB_HOST_GNU_CPU 2>/dev/null) ;;
esac

build=build-cross-$arch
mkdir -p "$build"
cat >"$build/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR $cpu)
set(CMAKE_CXX_COMPILER $triplet-g++)
set(CMAKE_FIND_ROOT_PATH /usr/$triplet)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-$cpu -L /usr/$triplet)
EOF

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/$build/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHARTVIEWER_READING_TESTS=ON -DCHARTVIEWER_WERROR=ON
nice cmake --build "$build" -j "$(nproc)"
(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 900)
