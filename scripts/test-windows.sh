#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Windows programs and runs the Windows suites under Wine,
# headless, in a Wine prefix of their own inside the build folder. With the
# native tolvane built (build/release), also the tolvane.exe round trip.
# The window's suites (label "window") then run on a virtual X display, each
# in a prefix of its own: one as it comes, one at 144 dpi.
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

status=0
(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 900 -LE '^window$' "$@") || status=$?
stop_wine

# A prefix for the window: Arial (which Wine lacks) drawn as Liberation Sans,
# and windows the X server shows without a window manager, so that hiding
# one does not wait for a manager's answer. $2: the screen's DPI.
window_prefix() {
  local prefix=$1 dpi=$2
  (
    export WINEPREFIX=$prefix
    [ -d "$prefix" ] || { wine wineboot --init >/dev/null 2>&1 || true; }
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ \
      /d 'Liberation Sans' /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
      >/dev/null 2>&1
    "$wineserver" -w
  )
}
window_prefix "$build/wineprefix-window" 96 &
window_prefix "$build/wineprefix-dpi144" 144 &
wait
stop_window_wine() {
  for prefix in "$build/wineprefix-window" "$build/wineprefix-dpi144"; do
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
  done
}
trap 'stop_wine; stop_window_wine' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  bash -c 'cd "$1" && shift && ctest --output-on-failure -j 2 --timeout 900 -L "^window\$" "$@"' \
  run-window-suites "$build" "$@" || status=$?
exit $status
