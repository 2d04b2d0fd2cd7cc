#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks an optimised build's machine code for what keeps the table-free
# vector path constant-time and the rest of the program runnable on any
# x86-64:
#
#   scripts/check-constant-time.sh [BUILD_DIR]   (default build/release)
#
# 1. The vector units (the objects whose names contain Avx512, which make up
#    the library tolvane_twofish_avx512) hold no memory access whose address
#    can follow secret data: no gather or scatter, no load or store with an
#    index scaled by 2, 4 or 8 (the shape of a word-table lookup; lea computes
#    an address without touching memory and is left alone), and no byte load
#    with an index register (the shape of a byte-table lookup): movzb, movsb,
#    pinsrb, vpbroadcastb, or any access through an 8-bit register.
#    The rounds are unrolled, so subkeys sit at constant offsets, and the data
#    blocks' addresses depend on the block count alone. The AVX2 units, the
#    key schedule (KeyScheduleAvx2) and the block path (BlockTransformAvx2),
#    are held to this rule too, and to rule 2. Their entry points zero the
#    3 KiB below their stack pointer after the work, where the kernels spill
#    key-dependent registers: so no frame in these units may be larger than
#    2560 bytes (the rest is the return address, saved registers and the
#    realignment), the wiping functions themselves excepted.
# 2. No code outside the vector units uses EVEX (AVX-512) or GFNI, which
#    older CPUs lack: an inline function compiled into a vector unit and
#    kept by the linker for everybody would crash them. An instruction counts
#    as EVEX when its first byte after the legacy prefixes is 0x62 (in 64-bit
#    code that byte is always the EVEX prefix), or when it names a register
#    only EVEX reaches: zmm, a mask register %k0-%k7, xmm16-31 or ymm16-31, or
#    carries the {evex} form. Both tests run, so a disassembler that prints
#    one form differently still meets the other. Checked are the objects of
#    every product folder, every function that a vector unit shares with the
#    others (a weak definition there is a copy the linker may choose), and
#    the linked programs, where each function holding EVEX code must be one
#    the vector units define for themselves.
# 3. It prints the block path the built tolvane runs by default, or on
#    TOLVANE_CIPHER's choice: the path the test command tested.
#
# Status 0 when the rules hold, 1 when one is broken (each offending
# instruction is listed with its object and function), 2 on wrong usage.
# OBJDUMP and NM name other tools (for example the mingw-w64 ones).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
objdump=${OBJDUMP:-objdump}
nm=${NM:-nm}
[ -d "$build" ] || { echo "check-constant-time: no build folder $build" >&2; exit 2; }

# The folders whose objects make up the product (tests, bench and fuzz are not
# shipped).
product="util platform sha twofish job window app win32app cli"

vector=()
tableFree=()
others=()
while IFS= read -r -d '' object; do
  case "$object" in
    */tolvane_twofish_avx512.dir/* | *Avx512*) vector+=("$object") ;;
    *KeyScheduleAvx2* | *BlockTransformAvx2*)
      tableFree+=("$object")
      others+=("$object")
      ;;
    *) others+=("$object") ;;
  esac
done < <(for folder in $product; do
           [ -d "$build/$folder" ] && find "$build/$folder" \( -name '*.o' -o -name '*.obj' \) -print0
         done | sort -z)

# Reads objdump -d output; prints "object<TAB>function<TAB>rule<TAB>instruction"
# for every instruction that breaks a rule of the given set ("table" or
# "evex").
scan() {
  local rules=$1
  awk -v rules="$rules" -F '\t' '
    /^[^ \t].*:[ \t]+file format/ { file = $0; sub(/:[ \t]+file format.*/, "", file); next }
    /^[0-9a-f]+ <.*>:$/ { fn = $0; sub(/^[0-9a-f]+ </, "", fn); sub(/>:$/, "", fn); next }
    NF < 3 { next }
    {
      bytes = $2; insn = $3
      for (i = 4; i <= NF; i++) insn = insn "\t" $i
      gsub(/^[ \t]+|[ \t]+$/, "", insn)
      mnemonic = insn; sub(/[ \t].*/, "", mnemonic)
      # Prefixes that objdump prints as words of their own.
      if (mnemonic ~ /^(rex|rex\.[a-z]+|data16|addr32|notrack|bnd|lock|rep|repz|repnz|cs|ds|es|ss|fs|gs)$/) {
        rest = insn; sub(/^[^ \t]+[ \t]+/, "", rest); mnemonic = rest; sub(/[ \t].*/, "", mnemonic)
      }
      if (rules == "table" && mnemonic ~ /^sub/ && insn ~ /\$0x[0-9a-f]+,%rsp$/ && fn !~ /Wipe/) {
        size = insn; sub(/^.*\$0x/, "", size); sub(/,.*$/, "", size)
        if (Hex(size) > 2560) hit("stack frame larger than the wipe after the kernel covers", insn)
      }
      if (rules == "table") {
        if (mnemonic ~ /gather|scatter/) hit("gather or scatter", insn)
        else if (mnemonic !~ /^lea/ && insn ~ /\(%?[a-z0-9]*,%[a-z0-9]+,[248]\)/) hit("load or store with a scaled index", insn)
        else if (mnemonic !~ /^lea/ && insn ~ /\(%?[a-z0-9]*,%[a-z0-9]+(,[1248])?\)/ &&
                 (mnemonic ~ /^(mov[zs]b[wlq]?|v?pinsrb|vpbroadcastb|movb)$/ || insn ~ /%([abcd][lh]|sil|dil|bpl|spl|r([89]|1[0-5])b)([^a-z0-9]|$)/))
          hit("byte load with an index register", insn)
      } else {
        n = split(bytes, b, " ")
        first = ""
        for (i = 1; i <= n; i++) if (b[i] !~ /^(26|2e|36|3e|64|65|67|f0)$/) { first = b[i]; break }
        if (first == "62") hit("EVEX encoding (0x62)", insn)
        else if (insn ~ /%zmm|%k[0-7]([^0-9]|$)|%[xy]mm(1[6-9]|2[0-9]|3[01])|\{evex\}/) hit("EVEX register or form", insn)
        else if (mnemonic ~ /gf2p8/) hit("GFNI instruction", insn)
      }
    }
    function hit(rule, text) { printf "%s\t%s\t%s\t%s\n", file, fn, rule, text }
    function Hex(digits,   value, i) {
      value = 0
      for (i = 1; i <= length(digits); i++) value = 16 * value + index("0123456789abcdef", substr(digits, i, 1)) - 1
      return value
    }
  '
}

disassemble() { "$objdump" -d --insn-width=16 "$@"; }

status=0
report() {
  local title=$1 hits=$2
  if [ -n "$hits" ]; then
    echo "check-constant-time: FAILED: $title" >&2
    awk -F '\t' '{ printf "  %s: %s: %s: %s\n", $1, $2, $3, $4 }' <<<"$hits" | head -n 50 >&2
    status=1
  fi
}

# 1. The vector units.
if [ ${#vector[@]} -eq 0 ]; then
  echo "constant-time: no Avx512 objects in $build: the vector path is not built, nothing to check there"
else
  report "table-shaped memory access in the vector path" "$(disassemble "${vector[@]}" | scan table)"
  # A weak function of a vector unit is a copy the linker may pick for callers
  # outside it.
  weak=$("$nm" --defined-only "${vector[@]}" 2>/dev/null | awk '$2 ~ /^[Wu]$/ { print "\t" $3 "\tweak function in a vector unit\t" }' || true)
  report "functions shared with the vector units" "$weak"
  echo "constant-time: ${#vector[@]} vector object(s) checked: no gather, no scaled index, no indexed byte load"
fi

if [ ${#tableFree[@]} -gt 0 ]; then
  report "table-shaped memory access in an AVX2 unit" "$(disassemble "${tableFree[@]}" | scan table)"
  echo "constant-time: ${#tableFree[@]} AVX2 object(s) checked: no gather, no scaled index, no indexed byte load"
fi

# 2. Everything else: objects, then the linked programs.
if [ ${#others[@]} -gt 0 ]; then
  report "EVEX or GFNI code outside the vector units" "$(disassemble "${others[@]}" | scan evex)"
fi
own=""
[ ${#vector[@]} -gt 0 ] &&
  own=$("$nm" --defined-only "${vector[@]}" 2>/dev/null | awk '$2 ~ /^[Tt]$/ { print $3 }' | sort -u)
programs=()
for program in cli/tolvane cli/tolvane.exe app/tolvane-crypter win32app/tolvane-crypter.exe; do
  [ -f "$build/$program" ] && programs+=("$build/$program")
done
for program in "${programs[@]}"; do
  hits=$(disassemble "$program" | scan evex |
    awk -F '\t' -v own="$own" 'BEGIN { n = split(own, list, "\n"); for (i = 1; i <= n; i++) mine[list[i]] = 1 }
                               !($2 in mine)')
  report "EVEX or GFNI code in a function of $(basename "$program") that is not the vector path's own" "$hits"
done
echo "constant-time: ${#others[@]} other object(s) and ${#programs[@]} program(s) checked for EVEX code"

# 3. The path tested.
for tolvane in "$build/cli/tolvane"; do
  [ -x "$tolvane" ] || continue
  cipher=$("$tolvane" --version 2>&1 | sed -n 's/^cipher: //p' || true)
  echo "constant-time: the tests ran on the block path ${cipher:-unknown}${TOLVANE_CIPHER:+ (TOLVANE_CIPHER=$TOLVANE_CIPHER)}"
done
[ $status -eq 0 ] && echo "constant-time: the rules hold"
exit $status
