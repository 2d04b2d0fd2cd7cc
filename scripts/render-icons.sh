#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the icon's PNG sizes from its SVG sources. The PNGs are committed,
# so neither building nor packaging needs this; run it after changing an SVG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if ! command -v rsvg-convert >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get install -y -qq --no-install-recommends librsvg2-bin >/dev/null
fi
icons="$root/data/icons"
for size in 16 32 48 64 128 256; do
  # The small sizes have a drawing of their own: the full one turns to mush.
  source="$icons/tolvane-crypter.svg"
  [ "$size" -le 32 ] && source="$icons/tolvane-crypter-small.svg"
  out="$icons/hicolor/${size}x${size}/apps/tolvane-crypter.png"
  mkdir -p "$(dirname "$out")"
  rsvg-convert -w "$size" -h "$size" "$source" -o "$out"
  echo "$out"
done
