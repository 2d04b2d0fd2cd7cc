#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves that each rule of check-constant-time.sh fires: assembles objects
# that break one rule each into a build folder's layout and expects the
# check to fail naming that rule, and to pass on an object that only looks
# close (lea with a scaled index, plain AVX2 registers).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Runs the check on a crafted build folder and compares with EXPECTED: the
# rule's words in the report, or "pass".
verdict() {
  local name=$1 build=$2 expected=$3 output status=0
  output=$("$root/scripts/check-constant-time.sh" "$build" 2>&1) || status=$?
  if { [ "$expected" = pass ] && [ $status -eq 0 ]; } ||
     { [ $status -eq 1 ] && grep -qF -- "$expected" <<<"$output"; }; then
    return
  fi
  echo "check-constant-time self-test: $name: expected '$expected', got status $status:" >&2
  echo "$output" >&2
  failures=$((failures + 1))
}

# case NAME VECTOR|KeyScheduleAvx2|BlockTransformAvx2|OTHER EXPECTED ASSEMBLY:
# one object, in a vector unit, as an AVX2 unit or in another product folder.
case_() {
  local name=$1 where=$2 expected=$3 source=$4
  local build=$work/$name dir
  if [ "$where" = VECTOR ]; then
    dir=$build/twofish/CMakeFiles/tolvane_twofish_avx512.dir
  elif [ "$where" = KeyScheduleAvx2 ] || [ "$where" = BlockTransformAvx2 ]; then
    dir=$build/twofish/CMakeFiles/tolvane_twofish.dir
  else
    dir=$build/job/CMakeFiles/tolvane_job.dir
  fi
  mkdir -p "$dir"
  printf '.text\n.globl f\nf:\n%s\nret\n' "$source" | as --64 -o "$dir/Crafted$where.cpp.o" -
  verdict "$name" "$build" "$expected"
}

case_ gather VECTOR "gather or scatter" "vpgatherdd (%rdi,%zmm2,4), %zmm3{%k1}"
case_ word-table VECTOR "load or store with a scaled index" "movl (%rdi,%rax,4), %eax"
case_ word-store VECTOR "load or store with a scaled index" "vmovdqu32 %zmm0, 64(%rdi,%rcx,8)"
case_ byte-table VECTOR "byte load with an index register" "movzbl 16(%rdi,%rax), %eax"
case_ byte-insert VECTOR "byte load with an index register" "vpinsrb \$1, (%rsi,%rdx), %xmm0, %xmm0"
case_ byte-register VECTOR "byte load with an index register" "movb (%rdi,%rax), %cl"
case_ weak VECTOR "weak function in a vector unit" ".weak g
g:
vpaddd %zmm0, %zmm1, %zmm2"
case_ clean-vector VECTOR pass "leaq (%rdi,%rax,4), %rax
vpermi2b %zmm1, %zmm2, %zmm3
vmovdqu32 64(%rdi), %zmm0
movzbl (%rdi), %eax"
case_ key-schedule-table KeyScheduleAvx2 "byte load with an index register" "movzbl 16(%rdi,%rax), %eax"
case_ key-schedule-evex KeyScheduleAvx2 "EVEX" "vpaddd %zmm0, %zmm1, %zmm2"
case_ key-schedule-clean KeyScheduleAvx2 pass "vpshufb %ymm1, %ymm2, %ymm3
vmovdqu 32(%rdi), %ymm0
movzbl 5(%rdi), %eax"
case_ block-avx2-table BlockTransformAvx2 "load or store with a scaled index" "vmovdqu (%rdi,%rax,8), %ymm0"
case_ block-avx2-evex BlockTransformAvx2 "EVEX" "vpxord %ymm16, %ymm1, %ymm2"
case_ big-frame VECTOR "stack frame larger than the wipe" "sub \$0xa08, %rsp"
case_ frame-within BlockTransformAvx2 pass "sub \$0x9f8, %rsp
add \$0x9f8, %rsp"
case_ zmm-outside OTHER "EVEX" "vpaddd %zmm0, %zmm1, %zmm2"
case_ evex-xmm-outside OTHER "EVEX encoding (0x62)" "{evex} vpaddd %xmm0, %xmm1, %xmm2"
case_ mask-outside OTHER "EVEX" "kmovw %k1, %eax"
case_ high-ymm-outside OTHER "EVEX" "vpaddd %ymm17, %ymm1, %ymm2"
case_ gfni-outside OTHER "GFNI instruction" "vgf2p8affineqb \$0, %ymm0, %ymm1, %ymm2"
case_ avx2-outside OTHER pass "vpaddd %ymm15, %ymm1, %ymm2
vpgatherdd %ymm1, (%rdi,%ymm2,4), %ymm3"

# A linked program (never run): EVEX code there must sit in a function the
# vector units define for themselves. The object that brings it lies outside
# the product's folders, as a library from elsewhere would.
program_case() {
  local name=$1 own=$2 expected=$3
  local build=$work/$name
  local objects=$build/elsewhere
  mkdir -p "$objects" "$build/app"
  printf '.text\n.globl f\nf:\nvpaddd %%zmm0, %%zmm1, %%zmm2\nret\n' | as --64 -o "$objects/f.o" -
  if [ "$own" = own ]; then
    mkdir -p "$build/twofish/CMakeFiles/tolvane_twofish_avx512.dir"
    cp "$objects/f.o" "$build/twofish/CMakeFiles/tolvane_twofish_avx512.dir/KernelAvx512.cpp.o"
  fi
  ld -e f -o "$build/app/tolvane-crypter" "$objects/f.o"
  verdict "$name" "$build" "$expected"
}
program_case program-stranger other "that is not the vector path's own"
program_case program-own own pass

if [ $failures -ne 0 ]; then
  echo "check-constant-time self-test: $failures case(s) failed" >&2
  exit 1
fi
echo "check-constant-time self-test: every rule fires"
