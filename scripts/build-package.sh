#!/usr/bin/env bash
# Builds the Debian package of the viewer from a clean copy of this tree (its
# build folders and Git's data left out) with Debian's own tools, into
# build-package/, and prints the package's path as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh package

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/chartviewer"
find . -mindepth 1 -maxdepth 1 ! -name .git ! -name 'build*' -exec cp -a -t "$work/chartviewer" {} +
(cd "$work/chartviewer" && dpkg-buildpackage -b -us -uc -J)

mkdir -p build-package
deb=$(cd "$work" && echo chartviewer_*.deb)
cp "$work/$deb" build-package/
echo "$PWD/build-package/$deb"
