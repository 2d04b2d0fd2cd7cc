// SPDX-License-Identifier: GPL-3.0-or-later
#include "twofish/BlockPath.h"

#include <atomic>
#include <cstdlib>
#include <optional>

#include "twofish/CipherChoice.h"
#include "twofish/KeyScheduleAvx2.h"

#ifdef TOLVANE_HAVE_AVX512_PATH
#include <cpuid.h>
#endif

namespace {

// AVX-512 F, BW, VL and VBMI and GFNI (CPUID leaf 7), and an OS that saves
// the whole vector state: XCR0 with the SSE and AVX halves (bits 1, 2), the
// mask registers and both halves of the 512-bit registers (bits 5, 6, 7).
bool CpuHasAvx512Planes() noexcept {
#ifdef TOLVANE_HAVE_AVX512_PATH
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 27))) return false;  // OSXSAVE
  unsigned xcr0 = 0, xcr0High = 0;
  __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
  constexpr unsigned kZmmState = (1u << 1) | (1u << 2) | (1u << 5) | (1u << 6) | (1u << 7);
  if ((xcr0 & kZmmState) != kZmmState) return false;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  constexpr unsigned kF = 1u << 16, kBW = 1u << 30, kVL = 1u << 31;
  constexpr unsigned kVbmi = 1u << 1, kGfni = 1u << 8;
  return (b & (kF | kBW | kVL)) == (kF | kBW | kVL) && (c & (kVbmi | kGfni)) == (kVbmi | kGfni);
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
    case TBlockPath::Avx2:
#ifdef TOLVANE_HAVE_AVX2_KEY_SCHEDULE
      return twofish_avx2::Available();
#else
      return false;
#endif
    case TBlockPath::Avx512: {
      static const bool available = CpuHasAvx512Planes();
      return available;
    }
  }
  return false;
}

// The AVX-512 path is about five times the portable one on the CPU
// measured, the AVX2 one 1.3 to 1.5 times on the CPU without AVX-512
// measured (bench/README.md).
TBlockPath DefaultBlockPath() noexcept {
  static const TBlockPath path = EnvironmentChoice().value_or([] {
    if (BlockPathAvailable(TBlockPath::Avx512)) return TBlockPath::Avx512;
    if (BlockPathAvailable(TBlockPath::Avx2)) return TBlockPath::Avx2;
    return TBlockPath::Portable;
  }());
  return path;
}

TBlockPath ActiveBlockPath() noexcept { return Current().load(std::memory_order_relaxed); }

bool SelectBlockPath(TBlockPath path) noexcept {
  if (!BlockPathAvailable(path)) return false;
  Current().store(path, std::memory_order_relaxed);
  return true;
}
