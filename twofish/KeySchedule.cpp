// SPDX-License-Identifier: GPL-3.0-or-later
// The Twofish key schedule (paper section 4.3): subkeys K0..K39, the S vector
// and the key-dependent g tables with the MDS matrix folded in.

#include <bit>
#include <cstdint>
#include <cstring>

#include "twofish/BlockPath.h"
#include "twofish/ByteOrder.h"
#include "twofish/ForceInline.h"
#include "twofish/KeyScheduleAvx512.h"
#include "twofish/Twofish.h"
#include "twofish/TwofishTables.h"
#include "util/SecureWipe.h"

namespace {

// q stages of h per byte column (section 4.3.2, figure 2), outermost first.
// Stage s is followed by the XOR with key word L[3-s]; a key of k words uses
// stages 4-k..3. The q after stage 3 lives in MdsTables.
constexpr int kStageQ[4][4] = {
    {Q1, Q1, Q0, Q0}, {Q0, Q1, Q1, Q0}, {Q0, Q0, Q0, Q1}, {Q1, Q0, Q1, Q1}};

constexpr std::uint8_t ByteOf(std::uint32_t w, int n) {
  return static_cast<std::uint8_t>(w >> (8 * n));
}

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

// h(X, L) for an X whose four bytes all equal x, as the subkeys need it. The
// list is read straight from the key area: byte N of list word j is
// words[8 j + N], with words at the key area for Me and 4 bytes on for Mo.
template <int K>
TOLVANE_ALWAYS_INLINE std::uint32_t H(std::uint32_t x, const std::uint8_t* words) {
  std::uint32_t z = 0;
#pragma GCC unroll 4
  for (int col = 0; col < 4; ++col) {
    std::uint32_t y = x;
#pragma GCC unroll 4
    for (int s = 4 - K; s < 4; ++s)
      y = QTable[static_cast<std::size_t>(kStageQ[col][s]) + y] ^ words[8 * (3 - s) + col];
    z ^= MdsTables[static_cast<std::size_t>(col)][y];
  }
  return z;
}

// Everything that holds key material while the schedule runs; lives in
// ExpandKey's frame and is wiped there in one piece.
struct TScheduleScratch {
  std::uint8_t KeyArea[32];
  std::uint32_t Even[4];  // Me
  std::uint32_t Odd[4];   // Mo
  // Folded[s][y] = q_s(y) ^ the key byte of stage s, for one column.
  alignas(16) std::uint8_t Folded[4][256];
};

// q with one key byte folded in, for all 256 inputs: four bytes per step, as
// 32-bit words of the q table XOR the key byte repeated (the XOR is byte-wise,
// so the host byte order does not matter).
inline void FoldQ(int q, std::uint8_t key, std::uint8_t* out) {
  const std::uint32_t rep = key * 0x01010101u;
  for (int x = 0; x < 256; x += 4) {
    std::uint32_t w;
    std::memcpy(&w, &QTable[static_cast<std::size_t>(q + x)], 4);
    w ^= rep;
    std::memcpy(out + x, &w, 4);
  }
}

// Column Col of the g tables: T_Col[x] = MT_Col[h chain of x], written into
// slot Col % 2 of the pair array, and s_Col[x] (the same before the MDS
// multiply) into box. keyBytes[i] is byte Col of S-vector word i.
// Each stage of the chain is one lookup in a key-folded q; the first stage's
// table is at once the chain's values for x = 0..255.
template <int K, int Col>
void FillColumn(const std::uint8_t (&keyBytes)[4], std::uint32_t (*pairs)[2],
                std::uint8_t (&box)[256], TScheduleScratch& scratch) {
  constexpr int first = 4 - K;
  for (int s = first; s < 4; ++s) FoldQ(kStageQ[Col][s], keyBytes[3 - s], scratch.Folded[s]);
  const std::uint32_t* mt = MdsTables[Col].data();
  constexpr int slot = Col % 2;
  // The q stage that MdsTables folds in (see TwofishTables.h).
  constexpr int kLastQ = Col % 2 == 0 ? Q1 : Q0;
  for (int x = 0; x < 256; x += 4) {
    const std::uint32_t v = LoadLE32(scratch.Folded[first] + x);
    std::uint32_t e[4] = {v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24};
#pragma GCC unroll 4
    for (int s = first + 1; s < 4; ++s)
#pragma GCC unroll 4
      for (int i = 0; i < 4; ++i) e[i] = scratch.Folded[s][e[i]];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      box[x + i] = QTable[static_cast<std::size_t>(kLastQ) + e[i]];
      pairs[x + i][slot] = mt[e[i]];
    }
  }
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
#ifdef TOLVANE_HAVE_AVX512_PATH
  if (ActiveBlockPath() == TBlockPath::Avx512) {
    twofish_avx512::ExpandKey(scratch.KeyArea, K, QTable.data(), state);
    return;
  }
#endif

  // Section 4.3.2: rho = 2^24 + 2^16 + 2^8 + 2^0.
  for (unsigned i = 0; i < 20; ++i) {
    const std::uint32_t a = H<K>(2u * i, scratch.KeyArea);
    const std::uint32_t b = std::rotl(H<K>(2u * i + 1, scratch.KeyArea + 4), 8);
    state.SubKeys[2 * i] = a + b;
    state.SubKeys[2 * i + 1] = std::rotl(a + 2 * b, 9);
  }

  std::uint8_t keyBytes[4][4];
  for (int col = 0; col < 4; ++col)
    for (int i = 0; i < 4; ++i) keyBytes[col][i] = ByteOf(state.SBoxKeys[i], col);
  FillColumn<K, 0>(keyBytes[0], state.KeyTables01, state.SBoxes[0], scratch);
  FillColumn<K, 1>(keyBytes[1], state.KeyTables01, state.SBoxes[1], scratch);
  FillColumn<K, 2>(keyBytes[2], state.KeyTables23, state.SBoxes[2], scratch);
  FillColumn<K, 3>(keyBytes[3], state.KeyTables23, state.SBoxes[3], scratch);
  SecureWipe(keyBytes, sizeof keyBytes);
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
