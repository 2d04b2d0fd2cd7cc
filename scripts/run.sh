#!/usr/bin/env bash
# Builds the program and starts the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/release" -j "$(nproc)" --target tolvane-crypter tolvane
app="$root/build/release/app/tolvane-crypter"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Start it under a virtual X server: xvfb-run -a $0" >&2
  exit 1
fi
exec "$app" "$@"
