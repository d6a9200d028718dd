#!/usr/bin/env bash
# Renders the PNG sizes of the application icon from lumivane.svg. The PNGs are
# committed, so a build needs no SVG renderer; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || { echo "needs rsvg-convert (apt-get install librsvg2-bin)" >&2; exit 1; }
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" lumivane.svg -o "lumivane-$size.png"
done
