#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (ASan + UBSan) in build/fuzz and
# runs each for SECONDS (default 60). Inputs found worth keeping collect in
# build/fuzz/corpus/NAME and carry over to the next run; an input that breaks
# a target is saved as build/fuzz/artifacts/NAME-crash-* and fails the run.
# Usage: scripts/fuzz.sh [SECONDS] [NAME...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: $0 [SECONDS] [NAME...]" >&2; exit 2; }
"$root/scripts/deps.sh"

all=(fuzz_decrypt_file fuzz_component_calls fuzz_sha fuzz_twofish fuzz_twofish_paths fuzz_command_line
     fuzz_windows1252)
targets=("${@:-${all[@]}}")

# Longest input per target: enough for a few operations over multi-chunk
# files; the targets stretch short inputs where size matters.
max_len() {
  case $1 in
    fuzz_decrypt_file | fuzz_component_calls | fuzz_sha) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

dir="$root/build/fuzz"
# Line tables are all the reports need, and build much faster than full
# debug information under the sanitizers.
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only" \
  -DTOLVANE_BUILD_FUZZ=ON -DTOLVANE_WERROR=ON \
  -DTOLVANE_BUILD_APP=OFF -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"

# The file targets write a small file per input: keep that off the disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

mkdir -p "$dir/artifacts" "$dir/logs"
failed=()
summary=()
for name in "${targets[@]}"; do
  corpus="$dir/corpus/$name"
  log="$dir/logs/$name.log"
  mkdir -p "$corpus"
  args=(-max_total_time="$seconds" -max_len="$(max_len "$name")" -print_final_stats=1
        -artifact_prefix="$dir/artifacts/$name-")
  [ -f "$root/fuzz/$name.dict" ] && args+=(-dict="$root/fuzz/$name.dict")
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  echo "== $name: ${seconds}s"
  if "$dir/fuzz/$name" "${args[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    summary+=("$(printf '%-22s %12s runs %8s/s' "$name" "${runs:-?}" "${rate:-?}")")
  else
    grep -E "property broken|ERROR:|SUMMARY:|Test unit written" "$log" | head -20 || tail -30 "$log"
    failed+=("$name")
    summary+=("$(printf '%-22s FAILED (log: %s)' "$name" "$log")")
  fi
done

printf '%s\n' "${summary[@]}"
echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
