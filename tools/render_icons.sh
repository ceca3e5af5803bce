#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG into the hicolor theme folders under
# dist/icons. Run it after changing dist/icons/hicolor/scalable/apps/wavetomuka.svg and commit
# the PNGs; the install tests compare them with a fresh rendering.
#
#   tools/render_icons.sh [OUT_FOLDER]   (default: dist/icons/hicolor of this repository)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
svg=$here/dist/icons/hicolor/scalable/apps/wavetomuka.svg
out=${1:-$here/dist/icons/hicolor}
if ! command -v rsvg-convert >/dev/null; then
    echo "$0: rsvg-convert is not installed (Debian package librsvg2-bin)" >&2
    exit 1
fi
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$out/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$out/${size}x${size}/apps/wavetomuka.png"
done
