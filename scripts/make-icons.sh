#!/usr/bin/env bash
# Renders the icon's PNG sizes into data/ with librsvg (installed when
# missing): 48 pixels and up from data/icon.svg, 24 from data/icon-small.svg,
# drawn for small sizes. The 16 and 32 pixel ones are the window icon's pixel
# art (app/icons/), converted by hand. The PNGs are checked in, so building
# needs no SVG renderer; run this after changing either SVG.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v rsvg-convert >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends librsvg2-bin
fi
rsvg-convert -w 24 -h 24 data/icon-small.svg -o data/icon-24.png
for size in 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" data/icon.svg -o "data/icon-$size.png"
done
