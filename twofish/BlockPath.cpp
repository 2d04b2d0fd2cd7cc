// SPDX-License-Identifier: GPL-3.0-or-later
#include "twofish/BlockPath.h"

#include <atomic>
#include <cstdlib>
#include <optional>

#include "twofish/BlockTransformAvx2.h"
#include "twofish/CipherChoice.h"

namespace {

bool CpuHasAvx2() noexcept {
#ifdef TOLVANE_HAVE_AVX2_PATH
  // libgcc's check includes the OS saving the YMM registers (XGETBV).
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

// The AVX2 path is one gather per table lookup for eight blocks. Intel cores
// from Broadwell on do that at about the rate of eight scalar loads; Haswell
// and the older AMD cores split a gather into many slow steps, so there the
// portable path is faster. Cores not measured keep the portable path.
bool CpuGathersFast() noexcept {
#ifdef TOLVANE_HAVE_AVX2_PATH
  __builtin_cpu_init();
  return __builtin_cpu_is("intel") && !__builtin_cpu_is("haswell");
#else
  return false;
#endif
}

// The path the environment asks for, when this CPU runs it. Any other value
// leaves the choice to the CPU: the front ends have refused it already, and a
// library caller has no one to refuse it to.
std::optional<TBlockPath> EnvironmentChoice() noexcept {
  const char* value = std::getenv(kCipherChoiceVariable);
  const std::optional<TBlockPath> path = value ? ParseBlockPath(value) : std::nullopt;
  return path && BlockPathAvailable(*path) ? path : std::nullopt;
}

std::atomic<TBlockPath>& Current() noexcept {
  static std::atomic<TBlockPath> path{DefaultBlockPath()};
  return path;
}

}  // namespace

bool BlockPathAvailable(TBlockPath path) noexcept {
  switch (path) {
    case TBlockPath::Portable: return true;
    case TBlockPath::Avx2: {
      static const bool available = CpuHasAvx2();
      return available;
    }
    // Until the kernel's own check of the CPU is in.
    case TBlockPath::Avx512: return false;
  }
  return false;
}

TBlockPath DefaultBlockPath() noexcept {
  static const TBlockPath path = EnvironmentChoice().value_or(
      BlockPathAvailable(TBlockPath::Avx2) && CpuGathersFast() ? TBlockPath::Avx2
                                                               : TBlockPath::Portable);
  return path;
}

TBlockPath ActiveBlockPath() noexcept { return Current().load(std::memory_order_relaxed); }

bool SelectBlockPath(TBlockPath path) noexcept {
  if (!BlockPathAvailable(path)) return false;
  Current().store(path, std::memory_order_relaxed);
  return true;
}
