#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs every test: once optimised with warnings as
# errors (and the optimised machine code checked by
# scripts/check-constant-time.sh), once more under AddressSanitizer + UndefinedBehaviorSanitizer, and
# then every fuzz target for a few seconds (TOLVANE_FUZZ_SMOKE_SECONDS), and
# the Windows build cross-compiled with its suites under Wine
# (scripts/test-windows.sh). Extra arguments go to ctest (for example
# -R Twofish or -L large).
#
# --quick, for the inner loop: the layer and format checks, then the Release
# build and its suites without the long tests and the package check. The full
# run is what CI runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
quick=false
if [ "${1:-}" = "--quick" ]; then
  quick=true
  shift
fi
"$root/scripts/deps.sh" test

echo "== Layers and format"
"$root/scripts/check-layers.sh"
"$root/scripts/check-format.sh"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions="$root/tests/lsan.supp"
jobs=$(nproc)

run_suite() {
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja -DTOLVANE_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 1800 "${CTEST_ARGS[@]}")
}

CTEST_ARGS=("$@")
if $quick; then
  CTEST_ARGS=(-LE "large|package" "${CTEST_ARGS[@]}")
fi
echo "== Release build"
# Installed under /usr, as the package is, so that the package test checks
# the very layout scripts/package.sh ships.
run_suite "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTOLVANE_BUILD_TESTS=ON -DTOLVANE_BUILD_BENCH=ON
echo "== Constant time: the optimised vector path's machine code, EVEX elsewhere"
"$root/scripts/check-constant-time-selftest.sh"
"$root/scripts/check-constant-time.sh" "$root/build/release"
if $quick; then
  echo "== Quick tests passed (the full run: scripts/test.sh)"
  exit 0
fi
echo "== Sanitizer build (ASan + UBSan)"
run_suite "$root/build/sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_SANITIZE=ON -DTOLVANE_BUILD_BENCH=OFF
echo "== Fuzz smoke run (clang, ASan + UBSan)"
"$root/scripts/fuzz.sh" "${TOLVANE_FUZZ_SMOKE_SECONDS:-3}"
echo "== Windows build (mingw-w64), tests under Wine"
"$root/scripts/test-windows.sh" "${CTEST_ARGS[@]}"
echo "== All tests passed"
