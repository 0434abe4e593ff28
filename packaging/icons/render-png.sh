#!/usr/bin/env bash
# Renders the committed PNG icons from kuvo.svg (needs rsvg-convert from
# librsvg2-bin). Run it after changing the SVG and commit the PNGs.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" kuvo.svg -o "kuvo-$size.png"
done
