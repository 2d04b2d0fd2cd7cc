// SPDX-License-Identifier: GPL-3.0-or-later
// The Twofish key schedule (paper section 4.3): the S vector here, the
// subkeys and g tables by one of three ways, as the CPU allows.

#include <cstdint>
#include <cstring>

#include "twofish/BlockPath.h"
#include "twofish/BlockTransformAvx2.h"
#include "twofish/ByteOrder.h"
#include "twofish/KeyScheduleAvx2.h"
#include "twofish/KeyScheduleAvx512.h"
#include "twofish/KeyScheduleLookups.h"
#include "twofish/Twofish.h"
#include "twofish/TwofishTables.h"
#include "util/SecureWipe.h"

namespace {

// Section 4.3: the RS code is a polynomial remainder modulo
// x^4 + (a+1/a)x^3 + a x^2 + (a+1/a)x + 1 over GF(2^8)/0x14D, one byte per step.
// The reductions are masks rather than branches on key bits.
constexpr std::uint32_t RsStep(std::uint32_t r) {
  const std::uint32_t b = r >> 24;
  const std::uint32_t u = ((b << 1) ^ ((0u - (b >> 7)) & 0x14D)) & 0xFF;
  const std::uint32_t w = (b >> 1) ^ ((0u - (b & 1)) & 0xA6) ^ u;
  return (r << 8) ^ (w << 24) ^ (u << 16) ^ (w << 8) ^ b;
}

constexpr std::uint32_t RsCode(std::uint32_t even, std::uint32_t odd) {
  std::uint32_t r = odd;
  for (int i = 0; i < 4; ++i) r = RsStep(r);
  r ^= even;
  for (int i = 0; i < 4; ++i) r = RsStep(r);
  return r;
}

// Everything that holds key material while the schedule runs; lives in
// ExpandKey's frame and is wiped there in one piece.
struct TScheduleScratch {
  std::uint8_t KeyArea[32];
  std::uint32_t Even[4];  // Me
  std::uint32_t Odd[4];   // Mo
};

// The subkeys, g tables and S-boxes. The S-boxes are for the table-free
// paths alone; where this CPU can run neither they stay zero. Tests may
// select a path after the key is set, so whether a path is available
// decides, not whether it is active.
void Tables(const std::uint8_t* keyArea, int words, TTwofishKeyState& state) {
#ifdef TOLVANE_HAVE_AVX512_PATH
  if (ActiveBlockPath() == TBlockPath::Avx512) {
    twofish_avx512::ExpandKey(keyArea, words, QTable.data(), state);
    return;
  }
#endif
  const bool boxes = BlockPathAvailable(TBlockPath::Avx512) || BlockPathAvailable(TBlockPath::Avx2);
#ifdef TOLVANE_HAVE_AVX2_KEY_SCHEDULE
  if (twofish_avx2::Available()) {
    twofish_avx2::ExpandKey(keyArea, words, boxes, state);
    return;
  }
#endif
  ExpandKeyByLookups(keyArea, words, boxes, state);
}

template <int K>
void Schedule(TTwofishKeyState& state, TScheduleScratch& scratch) {
  for (int i = 0; i < K; ++i) {
    scratch.Even[i] = LoadLE32(scratch.KeyArea + 8 * i);
    scratch.Odd[i] = LoadLE32(scratch.KeyArea + 8 * i + 4);
  }
  // Section 4.3: S_i = RS(m_8i .. m_8i+7), and g uses S in reverse order.
  for (int i = 0; i < K; ++i) state.SBoxKeys[K - 1 - i] = RsCode(scratch.Even[i], scratch.Odd[i]);
  for (int i = K; i < 4; ++i) state.SBoxKeys[i] = 0;
  Tables(scratch.KeyArea, K, state);
#ifdef TOLVANE_HAVE_AVX2_PATH
  if (BlockPathAvailable(TBlockPath::Avx2)) twofish_avx2::SpreadBoxes(state);
#endif
}

}  // namespace

void BuildMdsTables() {}

void TTwofish::ExpandKey(const std::uint8_t* key, int length) {
  TScheduleScratch scratch;
  std::memset(scratch.KeyArea, 0, sizeof scratch.KeyArea);
  const int used = length < 0 ? 0 : (length > 32 ? 32 : length);
  if (used > 0) std::memcpy(scratch.KeyArea, key, static_cast<std::size_t>(used));

  switch (FKeySize) {
    case TKeySize::Small128: Schedule<2>(K, scratch); break;
    case TKeySize::Med192: Schedule<3>(K, scratch); break;
    case TKeySize::Large256:
    default: Schedule<4>(K, scratch); break;
  }
  SecureWipe(&scratch, sizeof scratch);
}
