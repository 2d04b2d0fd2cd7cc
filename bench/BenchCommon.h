// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every figure shares: the 4 KiB chunk, one 256-bit key and IV, and the
// naming "<library>/<figure>" that ratios.py pairs up.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

namespace bench {

inline constexpr std::size_t kChunk = 4096;

// 32 key bytes: the key size of the product (Large256).
inline constexpr std::uint8_t kKey[32] = {
    0x31, 0x41, 0x59, 0x26, 0x53, 0x58, 0x97, 0x93, 0x23, 0x84, 0x62, 0x64, 0x33, 0x83, 0x27, 0x95,
    0x02, 0x88, 0x41, 0x97, 0x16, 0x93, 0x99, 0x37, 0x51, 0x05, 0x82, 0x09, 0x74, 0x94, 0x45, 0x92};
inline constexpr std::uint8_t kIV[16] = {0x27, 0x18, 0x28, 0x18, 0x28, 0x45, 0x90, 0x45,
                                         0x23, 0x53, 0x60, 0x28, 0x74, 0x71, 0x35, 0x26};

// A chunk of fixed pseudo-random bytes, 64-byte aligned.
const std::uint8_t* SampleChunk();

inline void ReportChunks(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kChunk));
}

}  // namespace bench

// Registers fn as "<lib>/<figure>"; extra calls (->Unit(...)) may follow.
#define TOLVANE_BENCH(lib, figure, fn) \
  static ::benchmark::internal::Benchmark* const lib##_##figure##_registered = \
      ::benchmark::RegisterBenchmark(#lib "/" #figure, fn)
