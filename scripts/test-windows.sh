#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Windows programs and runs the Windows suites under Wine,
# headless, in a Wine prefix of their own inside the build folder. With the
# native tolvane built (build/release), also the tolvane.exe round trip.
# Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
native=$root/build/release/cli/tolvane
[ -x "$native" ] && export TOLVANE_NATIVE_TOLVANE=$native
"$root/scripts/build-windows.sh" "$build"

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and there is no network to
# fetch them from.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# One persistent server for the whole run, stopped afterwards (only this
# prefix's server).
stop_wine() { "$wineserver" -k 2>/dev/null || true; }
trap stop_wine EXIT
[ -d "$WINEPREFIX" ] || { wine wineboot --init >/dev/null 2>&1 || true; }
"$wineserver" -p 2>/dev/null || true
# The first program on a fresh server starts Wine's services; two tests
# starting them at once can hang for good, so one program starts them first.
wine cmd.exe /c exit 0 >/dev/null 2>&1 || true

(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 900 "$@")
