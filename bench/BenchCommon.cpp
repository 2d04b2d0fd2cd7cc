// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchCommon.h"

#include <random>

namespace bench {

const std::uint8_t* SampleChunk() {
  alignas(64) static std::uint8_t chunk[kChunk];
  static const bool filled = [] {
    std::mt19937 rng(20240611);
    for (auto& b : chunk) b = static_cast<std::uint8_t>(rng());
    return true;
  }();
  (void)filled;
  return chunk;
}

}  // namespace bench
