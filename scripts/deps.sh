#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, if missing.
# With --windows also the cross compiler, GoogleTest's sources and Wine, for
# the Windows build and its tests (scripts/build-windows.sh).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n fonts-liberation
  libgtest-dev libgmock-dev libbenchmark-dev
  nettle-dev libgcrypt20-dev libcrypto++-dev libbotan-2-dev
  xvfb xauth
)
if [ "${1:-}" = "--windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
