#!/usr/bin/env bash
# Renders the loader's icon for the desktop (hicolor sizes 16 to 256) from
# its SVG. The PNGs are kept in the tree, so neither the build nor the package
# needs an SVG renderer; run this after changing the SVG, look at the small
# sizes and commit them. Needs rsvg-convert (apt-get install librsvg2-bin).
# The window's own 32x32 icon, app/qt/galt-loader.xpm, is drawn by hand apart.
set -euo pipefail
cd "$(dirname "$0")/../app/packaging/icons"
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2; exit 1; }
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" galt-loader.svg -o "${size}x${size}/galt-loader.png"
  echo "${size}x${size}/galt-loader.png"
done
