#!/usr/bin/env bash
# Remakes docs/screenshot.png, the README's picture of the window: the built
# program opens the example chart on a private Xvfb, and the window's client
# area is grabbed with xwd and turned into a PNG with netpbm (both installed
# when missing). Builds the program into build/ when it is not there.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for tool in Xvfb:xvfb xdotool:xdotool xwd:x11-apps pnmtopng:netpbm; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
[ -x build/app/chartviewer ] || {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j "$(nproc)" --target chartviewer
}

tests/with-xvfb.sh sh -c '
  build/app/chartviewer examples/weekly/chart.dat & viewer=$!
  window=
  for try in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$viewer" --name "^Chart Viewer$" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "the window did not appear" >&2; kill "$viewer"; exit 1; }
  sleep 1  # its first paint
  xwd -silent -id "$window" | xwdtopnm 2>/dev/null | pnmtopng >docs/screenshot.png
  status=$?
  kill "$viewer"
  exit $status'
echo "docs/screenshot.png"
