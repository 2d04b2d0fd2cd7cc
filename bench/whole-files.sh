#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole files through the programs, against gpg's Twofish, with hyperfine:
#
#   bench/whole-files.sh [TOLVANE] [RESULTS]
#
# TOLVANE defaults to build/release/cli/tolvane, RESULTS to
# build/whole-files-<date>. A 256 MiB random file is encrypted and decrypted
# on a tmpfs (/dev/shm) and on the disk ($TMPDIR, else the build folder),
# warm cache, one warm-up and seven runs per command, every output replaced
# on each run; tolvane (CBC, --threads default and 1, ECB likewise; -j 1
# once more on the portable block path, TOLVANE_CIPHER=portable) and gpg
# --symmetric --cipher-algo TWOFISH share one hyperfine run per direction.
# Then the peak resident set of tolvane on a 1 GiB file with -j 1 and the
# default. Commands run without a shell in between (-N). hyperfine's JSON goes to RESULTS; the medians and ratios are
# printed at the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tolvane=$(realpath "${1:-$root/build/release/cli/tolvane}")
results=${2:-$root/build/whole-files-$(date -u +%Y%m%d-%H%M%S)}
runs=${WHOLE_FILES_RUNS:-7}

for tool in hyperfine gpg /usr/bin/time python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/deps.sh test)" >&2; exit 1; }
done
[ -x "$tolvane" ] || { echo "no tolvane at $tolvane (build it first)" >&2; exit 1; }
mkdir -p "$results"
results=$(realpath "$results")

disk_parent=${TMPDIR:-$root/build}
shm=$(mktemp -d /dev/shm/tolvane-whole.XXXXXX)
disk=$(mktemp -d "$disk_parent/tolvane-whole.XXXXXX")
gnupghome=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-gnupg.XXXXXX")
cleanup() {
  rm -rf "$shm" "$disk"
  gpgconf --homedir "$gnupghome" --kill all >/dev/null 2>&1 || true
  rm -rf "$gnupghome"
}
trap cleanup EXIT
chmod 700 "$gnupghome"
export GNUPGHOME=$gnupghome

password=whole-files-password
gpg_common="gpg --batch --yes --quiet --pinentry-mode loopback --passphrase $password"
gpg_encrypt="$gpg_common --compress-algo none --cipher-algo TWOFISH --symmetric"

# One folder: the inputs made once and read once, so that every command starts
# from the page cache; then one hyperfine run per direction.
measure() {
  local where=$1 dir=$2
  printf '%s\n' "$password" >"$dir/pw"
  head -c $((256 << 20)) /dev/urandom >"$dir/plain.bin"
  "$tolvane" encrypt -q --force --password-file "$dir/pw" "$dir/plain.bin" "$dir/cbc.tvn"
  "$tolvane" encrypt -q --force --mode ecb --password-file "$dir/pw" "$dir/plain.bin" "$dir/ecb.tvn"
  $gpg_encrypt -o "$dir/plain.gpg" "$dir/plain.bin"
  cat "$dir"/plain.bin "$dir"/*.tvn "$dir"/plain.gpg >/dev/null
  local t="$tolvane" pw="--password-file $dir/pw"
  # The same program on the portable block path, through env since hyperfine
  # runs the commands without a shell.
  local portable="env TOLVANE_CIPHER=portable $tolvane"
  hyperfine --warmup 1 --runs "$runs" --style basic -N --export-json "$results/encrypt-$where.json" \
    -n tolvane "$t encrypt -q --force $pw $dir/plain.bin $dir/out.tvn" \
    -n tolvane-ecb "$t encrypt -q --force --mode ecb $pw $dir/plain.bin $dir/out-ecb.tvn" \
    -n tolvane-ecb-j1 "$t encrypt -q --force --mode ecb -j 1 $pw $dir/plain.bin $dir/out-ecb.tvn" \
    -n portable-ecb-j1 "$portable encrypt -q --force --mode ecb -j 1 $pw $dir/plain.bin $dir/out-ecb.tvn" \
    -n gpg "$gpg_encrypt -o $dir/out.gpg $dir/plain.bin"
  hyperfine --warmup 1 --runs "$runs" --style basic -N --export-json "$results/decrypt-$where.json" \
    -n tolvane "$t decrypt -q --force $pw $dir/cbc.tvn $dir/back.bin" \
    -n tolvane-j1 "$t decrypt -q --force -j 1 $pw $dir/cbc.tvn $dir/back.bin" \
    -n tolvane-ecb "$t decrypt -q --force --mode ecb $pw $dir/ecb.tvn $dir/back-ecb.bin" \
    -n tolvane-ecb-j1 "$t decrypt -q --force --mode ecb -j 1 $pw $dir/ecb.tvn $dir/back-ecb.bin" \
    -n portable-j1 "$portable decrypt -q --force -j 1 $pw $dir/cbc.tvn $dir/back.bin" \
    -n portable-ecb-j1 "$portable decrypt -q --force --mode ecb -j 1 $pw $dir/ecb.tvn $dir/back-ecb.bin" \
    -n gpg "$gpg_common -o $dir/back.gpg.bin --decrypt $dir/plain.gpg"
  cmp "$dir/plain.bin" "$dir/back.bin"
  cmp "$dir/plain.bin" "$dir/back-ecb.bin"
  cmp "$dir/plain.bin" "$dir/back.gpg.bin"
  rm -f "$dir"/*.bin "$dir"/*.tvn "$dir"/*.gpg
}

echo "load before: $(uptime)" | tee "$results/load.txt"
"$tolvane" --version | grep '^cipher: ' | tee "$results/cipher.txt"
measure tmpfs "$shm"
measure disk "$disk"

# Peak resident set on 1 GiB, where the disk holds it.
big="$disk/big.bin"
head -c $((1 << 30)) /dev/urandom >"$big"
printf '%s\n' "$password" >"$disk/pw"
rss() {
  local name=$1
  shift
  /usr/bin/time -f "$name %M" -a -o "$results/rss.txt" "$tolvane" "$@"
}
: >"$results/rss.txt"
pw=(--password-file "$disk/pw")
rss encrypt-j1 encrypt -q --force -j 1 "${pw[@]}" "$big" "$disk/big.tvn"
rss encrypt-default encrypt -q --force "${pw[@]}" "$big" "$disk/big.tvn"
rss decrypt-j1 decrypt -q --force -j 1 "${pw[@]}" "$disk/big.tvn" "$disk/big.back"
rss decrypt-default decrypt -q --force "${pw[@]}" "$disk/big.tvn" "$disk/big.back"
cmp "$big" "$disk/big.back"
rm -f "$disk"/big.*
echo "load after: $(uptime)" | tee -a "$results/load.txt"

python3 - "$results" <<'EOF'
import json, os, statistics, sys
results = sys.argv[1]
with open(os.path.join(results, "cipher.txt")) as f:
    runs_path = f.read().strip() or "default path"
print(f"\nWhole files, 256 MiB (medians of hyperfine's runs; results in {results}; {runs_path})")
for where in ("tmpfs", "disk"):
    for direction in ("encrypt", "decrypt"):
        with open(os.path.join(results, f"{direction}-{where}.json")) as f:
            runs = {r["command"]: r for r in json.load(f)["results"]}
        med = {name: statistics.median(r["times"]) for name, r in runs.items()}
        print(f"\n{direction} on {where}")
        for name, r in runs.items():
            t = r["times"]
            spread = (max(t) - min(t)) / med[name]
            print(f"  {name:16}{med[name]:8.3f} s{256 * 1.048576 / med[name]:9.1f} MB/s"
                  f"   spread {100 * spread:3.0f}%  ({len(t)} runs)")
        for name in med:
            if name != "gpg":
                print(f"  {name} / gpg speed-up: {med['gpg'] / med[name]:.2f}")
        for one in [n for n in med if n.startswith("tolvane") and n.endswith("-j1")]:
            print(f"  {one[:-3]} (every core) / {one}: {med[one] / med[one[:-3]]:.2f}")
        for portable in [n for n in med if n.startswith("portable-")]:
            ours = "tolvane" + portable[len("portable"):]
            print(f"  {ours} ({runs_path}) / {portable} speed-up: {med[portable] / med[ours]:.2f}")
print("\nPeak resident set, 1 GiB file (KiB)")
with open(os.path.join(results, "rss.txt")) as f:
    for line in f:
        parts = line.split()
        if len(parts) == 2 and parts[1].isdigit():
            print(f"  {parts[0]:22}{int(parts[1]):8d}")
EOF
