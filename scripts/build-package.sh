#!/usr/bin/env bash
# Builds the Debian package of the viewer from a clean copy of this tree (its
# build folders and Git's data left out) with Debian's own tools, into
# build-package/ with its debug-symbols package, and prints the package's path
# as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh package

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/chartviewer"
find . -mindepth 1 -maxdepth 1 ! -name .git ! -name 'build*' -exec cp -a -t "$work/chartviewer" {} +
# debhelper takes its job count from DEB_BUILD_OPTIONS (dpkg-buildpackage's
# -J alone leaves the build at one job).
export DEB_BUILD_OPTIONS="parallel=$(nproc)${DEB_BUILD_OPTIONS:+ $DEB_BUILD_OPTIONS}"
(cd "$work/chartviewer" && dpkg-buildpackage -b -us -uc)

# The package and, beside it, its debug symbols (for a debugger, or to read a
# crash report's backtrace).
mkdir -p build-package
deb=$(cd "$work" && echo chartviewer_*.deb)
find "$work" -maxdepth 1 -name "chartviewer-dbgsym_*" -exec cp -t build-package/ {} +
cp "$work/$deb" build-package/
echo "$PWD/build-package/$deb"
