#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package build/package/tolvane-crypter_<version>_<arch>.deb
# from a clean optimised build of the two programs. Its changelog,
# /usr/share/doc/tolvane-crypter/changelog.gz, is made from
# CHANGELOG.md by the build (cmake/DebianChangelog.cmake, gzip -9n).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" package
dir="$root/build/package"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"
(cd "$dir" && cpack -G DEB -B "$dir" >/dev/null)
ls "$dir"/tolvane-crypter_*.deb
