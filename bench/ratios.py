#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Medians of a tolvane_bench run and the ratios of our figures to the peers'.

    python3 bench/ratios.py results.json
    python3 bench/ratios.py build/release/bench/tolvane_bench [benchmark flags]

Given the executable, it is run with --benchmark_format=json (and five
repetitions in random order unless the flags say otherwise). A ratio above
1.00 means ours is faster: throughput ours/peer, key setup time peer/ours.
Then the file figures: EncryptFile against in-memory CBC encryption, the
jobs on one thread against their floor (the slower of the in-memory
transform and the plain copy through the job's output path; goal: at most
1.10), what the sync costs, and a wrong password refused against a full
decryption. Each figure's spread over its repetitions is printed beside
its median.
Last, the transforms on several threads against one thread (goal: 1.8 or
more for 2 threads in memory).
"""
import json
import subprocess
import sys
from collections import defaultdict

OURS = "Tolvane"
PATHS = "TolvanePaths"
PATH_FIGURES = ["EcbDecrypt64K", "CbcDecrypt16M", "EcbEncrypt16M"]
FIGURES = ["CbcEncrypt4K", "CbcDecrypt4K", "EcbEncrypt4K", "EcbDecrypt4K", "KeySetup", "Sha1_4K",
           "CbcEncrypt256M", "CbcDecrypt256M", "CopyFloor256M", "EncryptFile256M",
           "EncryptFileJob256M", "DecryptFileJob256M", "SyncResult256M",
           "DecryptFile256M", "DecryptFile256MAllCores", "DecryptFile1G", "RefuseWrongPassword1G",
           "CheckLastBlock1G", "CbcDecrypt64M1T", "CbcDecrypt64M2T", "EcbEncrypt64M1T",
           "EcbEncrypt64M2T", "EcbDecrypt64M1T", "EcbDecrypt64M2T"]
# Parallel figures: (name, one thread, more threads), compared in one run.
THREADED = [("CBC decryption in memory, 2 threads / 1", "CbcDecrypt64M1T", "CbcDecrypt64M2T"),
            ("ECB encryption in memory, 2 threads / 1", "EcbEncrypt64M1T", "EcbEncrypt64M2T"),
            ("ECB decryption in memory, 2 threads / 1", "EcbDecrypt64M1T", "EcbDecrypt64M2T"),
            ("DecryptFile 256 MiB, every core / 1 thread", "DecryptFile256M", "DecryptFile256MAllCores")]
# Figures read as wall-clock time, not throughput.
TIMED = {"SyncResult256M", "RefuseWrongPassword1G", "CheckLastBlock1G"}
# The jobs on one thread against what they cannot beat: (job, the same data
# transformed in memory, the copy through the job's output path).
FLOORED = [("EncryptFileJob256M", "CbcEncrypt256M", "CopyFloor256M"),
           ("DecryptFileJob256M", "CbcDecrypt256M", "CopyFloor256M")]


def load(argv):
    if argv[0].endswith(".json"):
        with open(argv[0]) as f:
            return json.load(f)
    cmd = [argv[0], "--benchmark_format=json"] + argv[1:]
    if not any(a.startswith("--benchmark_repetitions") for a in argv[1:]):
        cmd.append("--benchmark_repetitions=5")
    # Repetitions in random order: a neighbour's load on a shared machine
    # falls on every figure alike instead of on the ones that ran meanwhile.
    if not any(a.startswith("--benchmark_enable_random_interleaving") for a in argv[1:]):
        cmd.append("--benchmark_enable_random_interleaving=true")
    out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, text=True).stdout
    return json.loads(out)


def key_of(run_name):
    """(library, figure) of a run name; the path figures keep their path in
    the library ("TolvanePaths/EcbDecrypt64K/avx512" -> "TolvanePaths/avx512"),
    so that the paths of one figure stay apart."""
    parts = run_name.split("/")
    if parts[0] == PATHS and len(parts) > 2:
        return f"{PATHS}/{parts[2]}", parts[1]
    return parts[0], parts[1]


def spreads(data):
    """(library, figure) -> (max - min) / median of the repetitions' wall
    clock, or None for a single run."""
    runs = defaultdict(list)
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate":
            continue
        runs[key_of(b["run_name"])].append(b["real_time"])
    result = {}
    for key, times in runs.items():
        times.sort()
        result[key] = (times[-1] - times[0]) / times[len(times) // 2] if len(times) > 1 else None
    return result


def medians(data):
    """(library, figure) -> (bytes per second or None, cpu time in ns)."""
    runs = defaultdict(list)
    result = {}
    for b in data["benchmarks"]:
        # "Tolvane/EncryptFile256M/iterations:2/real_time": library, figure
        lib, figure = key_of(b["run_name"])
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
        value = (b.get("bytes_per_second"), b["cpu_time"] * scale, b["real_time"] * scale)
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                result[(lib, figure)] = value
        else:
            runs[(lib, figure)].append(value)
    for key, values in runs.items():  # a run without repetitions
        if key not in result:
            values.sort(key=lambda v: v[1])
            result[key] = values[len(values) // 2]
    return result


def show(value, figure):
    rate, cpu, real = value
    if figure in TIMED:
        return f"{real / 1e6:9.1f} ms  " if real >= 1e6 else f"{real / 1e3:9.1f} us  "
    return f"{rate / 1e6:9.1f} MB/s" if rate else f"{cpu:9.1f} ns  "


def main(argv):
    if not argv:
        sys.exit(__doc__)
    run = load(argv)
    data = medians(run)
    spread = spreads(run)
    libs = sorted({lib for lib, _ in data if not lib.startswith(PATHS)}, key=lambda l: (l != OURS, l))
    figures = [f for f in FIGURES if any((l, f) in data for l in libs)]

    path = run.get("context", {}).get("tolvane_block_path")
    if path:
        print(f"\nBlock path of the {OURS} figures: {path}")
    print("\nMedians")
    print(f"{'':22}" + "".join(f"{lib:>16}" for lib in libs) + f"{'spread (ours)':>16}")
    for f in figures:
        s = spread.get((OURS, f))
        print(f"{f:22}" + "".join(f"{show(data[(l, f)], f) if (l, f) in data else '':>16}" for l in libs)
              + (f"{100 * s:15.0f}%" if s is not None else ""))
    print("(spread: (slowest - fastest) / median of the repetitions' wall clock)")

    peers = [l for l in libs if not l.startswith(OURS)]
    print(f"\nOurs relative to each peer (above 1.00: ours is faster)")
    print(f"{'':18}" + "".join(f"{p:>12}" for p in peers) + f"{'fastest peer':>16}")
    for f in figures:
        if (OURS, f) not in data:
            continue
        ours = data[(OURS, f)]
        cells, best = [], None
        for p in peers:
            if (p, f) not in data:
                cells.append(f"{'':>12}")
                continue
            theirs = data[(p, f)]
            ratio = ours[0] / theirs[0] if ours[0] and theirs[0] else theirs[1] / ours[1]
            cells.append(f"{ratio:12.2f}")
            if best is None or ratio < best[0]:
                best = (ratio, p)
        if best:
            print(f"{f:18}" + "".join(cells) + f"{best[0]:10.2f} ({best[1]})")

    portable = OURS + "Portable"
    pairs = [(f, data[(OURS, f)], data[(portable, f)]) for f in figures
             if (OURS, f) in data and (portable, f) in data and data[(portable, f)][0]]
    if pairs:
        print(f"\n{OURS} relative to {portable} (the batches forced onto the portable path)")
        for f, ours, theirs in pairs:
            print(f"{f:18}{ours[0] / theirs[0]:12.2f}")

    block_paths(data, spread)
    file_path(data)
    floor(data, spread)
    threads(run, data)


def block_paths(data, spread):
    """Every block path of this CPU, one thread, in memory, from the same run,
    against the portable path."""
    paths = [p for p in ("portable", "avx2", "avx512")
             if any((f"{PATHS}/{p}", f) in data for f in PATH_FIGURES)]
    if not paths:
        return
    print("\nBlock paths, one thread, in memory, MB/s (spread); / portable")
    print(f"{'':18}" + "".join(f"{p:>18}" for p in paths)
          + "".join(f"{p + '/portable':>18}" for p in paths if p != "portable"))
    for f in PATH_FIGURES:
        cells, base = [], data.get((f"{PATHS}/portable", f))
        for p in paths:
            v, s = data.get((f"{PATHS}/{p}", f)), spread.get((f"{PATHS}/{p}", f))
            cells.append(f"{v[0] / 1e6:11.0f} ({100 * s:2.0f}%)" if v and v[0] and s is not None
                         else f"{v[0] / 1e6:18.0f}" if v and v[0] else f"{'':>18}")
        for p in paths:
            v = data.get((f"{PATHS}/{p}", f))
            if p != "portable":
                cells.append(f"{v[0] / base[0]:18.2f}" if v and base else f"{'':>18}")
        print(f"{f:18}" + "".join(cells))


def threads(run, data):
    """What more threads gain, each pair from the same run."""
    rows = [(name, data.get((OURS, one)), data.get((OURS, more))) for name, one, more in THREADED]
    rows = [(name, one, more) for name, one, more in rows if one and more and one[0] and more[0]]
    if not rows:
        return
    cores = run.get("context", {}).get("tolvane_cores", "?")
    print(f"\nMore threads / one thread, throughput (cores: {cores}; goal 1.80 for 2 in memory)")
    for name, one, more in rows:
        print(f"{name:46}{one[0] / 1e6:9.1f} -> {more[0] / 1e6:7.1f} MB/s{more[0] / one[0]:8.2f}")


def floor(data, spread):
    """Each job on one thread against the slower of what it is made of: the
    cipher over the same data in memory, and the copy through the job's
    output path (read, temporary file, sync, rename) with no cipher."""
    rows = [(job, data.get((OURS, job)), data.get((OURS, mem)), data.get((OURS, copy)))
            for job, mem, copy in FLOORED]
    rows = [r for r in rows if all(r[1:])]
    if not rows:
        return
    print("\nThe job on one thread / max(in-memory transform, copy floor), wall clock "
          "(goal: at most 1.10)")
    print(f"{'':22}{'job ms':>10}{'memory ms':>11}{'floor ms':>10}{'ratio':>8}{'job spread':>12}")
    for job, j, m, c in rows:
        s = spread.get((OURS, job))
        print(f"{job:22}{j[2] / 1e6:10.0f}{m[2] / 1e6:11.0f}{c[2] / 1e6:10.0f}"
              f"{j[2] / max(m[2], c[2]):8.2f}" + (f"{100 * s:11.0f}%" if s is not None else ""))


def file_path(data):
    """The file figures against the in-memory ones, the sync's share, and the
    refusal of a wrong password against decrypting the whole file."""
    def get(figure):
        return data.get((OURS, figure))

    memory, memory4k = get("CbcEncrypt256M"), get("CbcEncrypt4K")
    rows = [("EncryptFile, straight into the target", get("EncryptFile256M")),
            ("EncryptFile through the job", get("EncryptFileJob256M"))]
    if any(v and v[0] for _, v in rows) and (memory or memory4k):
        print("\nEncryptFile (wall clock) / in-memory CBC encryption (target 0.90 or more)")
        print(f"{'':40}{'same 256 MiB':>14}{'4 KiB buffer':>14}")
        for name, v in rows:
            if not v or not v[0]:
                continue
            cells = [f"{v[0] / m[0]:14.2f}" if m and m[0] else f"{'':>14}" for m in (memory, memory4k)]
            print(f"{name:40}" + "".join(cells))
    job, sync = get("EncryptFileJob256M"), get("SyncResult256M")
    if job and sync:
        print(f"\nThe sync of the 256 MiB result: {sync[2] / 1e6:.1f} ms, "
              f"{100 * sync[2] / job[2]:.0f}% of the job's {job[2] / 1e6:.1f} ms")
    decrypt = get("DecryptFile1G")
    for name, figure in (("the job", "RefuseWrongPassword1G"), ("the check alone", "CheckLastBlock1G")):
        refused = get(figure)
        if refused and decrypt:
            print(f"Wrong password on 1 GiB refused by {name}: {refused[2] / 1e3:.1f} us, "
                  f"{100 * refused[2] / decrypt[2]:.4f}% of decrypting it ({decrypt[2] / 1e6:.0f} ms; "
                  f"target below 1%)")


if __name__ == "__main__":
    main(sys.argv[1:])
