#!/usr/bin/env bash
# Renders the PNG icons (hicolor sizes) from quorvel.svg. Run again after
# changing the SVG, and commit the PNGs: the build itself needs no renderer.
# Needs rsvg-convert (Debian's librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    out="png/${size}x${size}/quorvel.png"
    mkdir -p "${out%/*}"
    tmp=$(mktemp "${out}.XXXXXX")
    rsvg-convert --width "$size" --height "$size" --format png quorvel.svg --output "$tmp"
    chmod 644 "$tmp"
    mv -f "$tmp" "$out"
done
