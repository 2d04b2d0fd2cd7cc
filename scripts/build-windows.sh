#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds for 64-bit Windows with Debian's mingw-w64: the core, job/,
# tolvane.exe and the Windows test suites (GoogleTest built from Debian's
# sources), with warnings as errors; packs the programs with their README
# into a portable ZIP, and builds the installer (MSI) with wixl. The Qt
# window needs a Qt for Windows: see docs/windows.md.
#   scripts/build-windows.sh [BUILD_DIR]     (default build/windows)
# TOLVANE_NATIVE_TOLVANE may name this machine's tolvane, for the round-trip
# test against tolvane.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
"$root/scripts/deps.sh" --windows

native=()
[ -n "${TOLVANE_NATIVE_TOLVANE:-}" ] && native=(-DTOLVANE_NATIVE_TOLVANE="$TOLVANE_NATIVE_TOLVANE")
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTOLVANE_WERROR=ON \
  -DTOLVANE_BUILD_APP=OFF -DTOLVANE_BUILD_BENCH=OFF -DTOLVANE_BUILD_TESTS=ON \
  -DTOLVANE_GTEST_SOURCE=/usr/src/googletest "${native[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G ZIP >/dev/null)
zip=$(ls "$build"/tolvane-*-win64.zip)  # fails the build when CPack made another package
cmake --build "$build" --target msi
msi=$(ls "$build"/tolvane-crypter-*-x64.msi)
echo "Built: $build/cli/tolvane.exe, $zip and $msi"
