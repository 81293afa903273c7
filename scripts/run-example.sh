#!/usr/bin/env bash
# Installs what is missing, builds the viewer and opens the example chart.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh build
# The test suite's packages are not installed for this: no tests.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHARTVIEWER_TESTS=OFF
cmake --build build -j "$(nproc)" --target chartviewer
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the window on: run this from a desktop session (or under xvfb-run)." >&2
  exit 1
fi
# The viewer reads chart.dat from the current directory.
cd examples/weekly
exec ../../build/app/chartviewer
