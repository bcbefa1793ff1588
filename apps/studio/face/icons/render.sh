#!/usr/bin/env bash
# Renders the SVG sources to the PNGs the build embeds (normal and highlighted, where the
# highlighted variant swaps the accent blue for orange). Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for svg in 1*.svg; do
  n=${svg%.svg}
  rsvg-convert -o "$n.png" "$svg"
  sed 's/#2a5d9f/#d9700a/g' "$svg" | rsvg-convert -o "${n}_hi.png"
done
rsvg-convert -w 256 -h 256 -o tarvelin-studio.png tarvelin-studio.svg
