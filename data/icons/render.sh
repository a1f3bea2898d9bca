#!/usr/bin/env bash
# Renders the committed PNG icons from zavo.svg. Run by hand after changing the drawing; the build
# installs the PNGs as they are, so it needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  inkscape --export-type=png --export-width="$size" --export-height="$size" \
           --export-filename="zavo-$size.png" zavo.svg
done
