// SPDX-License-Identifier: GPL-3.0-or-later
// In the g tables, each h chain is one lookup per q stage in a copy of q
// with the stage's key byte folded in, and one in MdsTables for the last q
// and the MDS multiply. The subkeys' 40 inputs are too few for the copies
// to pay.

#include "twofish/KeyScheduleLookups.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "twofish/ByteOrder.h"
#include "twofish/ForceInline.h"
#include "twofish/TwofishTables.h"
#include "util/SecureWipe.h"

namespace {

// h(X, L) for an X whose four bytes all equal x, as the subkeys need it.
// keys[col][s] is the key byte that stage s of column col XORs in.
template <int K>
TOLVANE_ALWAYS_INLINE std::uint32_t H(std::uint32_t x, const std::uint32_t (&keys)[4][4]) {
  std::uint32_t z = 0;
#pragma GCC unroll 4
  for (int col = 0; col < 4; ++col) {
    std::uint32_t y = x;
#pragma GCC unroll 4
    for (int s = 4 - K; s < 4; ++s)
      y = QTable[static_cast<std::size_t>(HStages[col][s]) + y] ^ keys[col][s];
    z ^= MdsTables[static_cast<std::size_t>(col)][y];
  }
  return z;
}

// Section 4.3.2: rho = 2^24 + 2^16 + 2^8 + 2^0. Stage s of h XORs in byte
// col of list word 3 - s, at 8 (3 - s) + col in the key area for Me and 4
// bytes on for Mo.
template <int K>
void SubKeys(const std::uint8_t* keyArea, TTwofishKeyState& state) {
  std::uint32_t me[4][4] = {}, mo[4][4] = {};
  for (int col = 0; col < 4; ++col)
    for (int s = 4 - K; s < 4; ++s) {
      me[col][s] = keyArea[8 * (3 - s) + col];
      mo[col][s] = keyArea[8 * (3 - s) + 4 + col];
    }
  for (unsigned i = 0; i < 20; ++i) {
    const std::uint32_t a = H<K>(2u * i, me);
    const std::uint32_t b = std::rotl(H<K>(2u * i + 1, mo), 8);
    state.SubKeys[2 * i] = a + b;
    state.SubKeys[2 * i + 1] = std::rotl(a + 2 * b, 9);
  }
  SecureWipe(me, sizeof me);
  SecureWipe(mo, sizeof mo);
}

// Folded[c][s][y] = q_s(y) ^ the key byte of stage s, for the two columns c
// of a pair; wiped after use.
struct TFoldedQ {
  alignas(16) std::uint8_t Folded[2][4][256];
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

// Columns Col and Col + 1, which share the pair array: T_c[x] = MT_c[h chain
// of x], and with Boxes s_c[x], the same before the MDS multiply.
// keyBytes[c][i] is byte Col + c of S-vector word i. The first stage's
// folded q is at once the chain's values for x = 0..255, four per load.
template <int K, int Col, bool Boxes>
void FillPair(const std::uint8_t (&keyBytes)[4][4], std::uint32_t (*pairs)[2],
              std::uint8_t (*boxes)[256], TFoldedQ& scratch) {
  constexpr int first = 4 - K;
  for (int c = 0; c < 2; ++c)
    for (int s = first; s < 4; ++s)
      FoldQ(HStages[Col + c][s], keyBytes[Col + c][3 - s], scratch.Folded[c][s]);
  const std::uint32_t* mt0 = MdsTables[Col].data();
  const std::uint32_t* mt1 = MdsTables[Col + 1].data();
  for (std::uint32_t x = 0; x < 256; x += 4) {
    const std::uint32_t v0 = LoadLE32(scratch.Folded[0][first] + x);
    const std::uint32_t v1 = LoadLE32(scratch.Folded[1][first] + x);
#pragma GCC unroll 4
    for (std::uint32_t i = 0; i < 4; ++i) {
      std::uint32_t e0 = (v0 >> (8 * i)) & 0xFF, e1 = (v1 >> (8 * i)) & 0xFF;
#pragma GCC unroll 4
      for (int s = first + 1; s < 4; ++s) {
        e0 = scratch.Folded[0][s][e0];
        e1 = scratch.Folded[1][s][e1];
      }
      // Both words of the pair in one store.
      const std::uint64_t pair = std::endian::native == std::endian::little
                                     ? mt0[e0] | (std::uint64_t{mt1[e1]} << 32)
                                     : (std::uint64_t{mt0[e0]} << 32) | mt1[e1];
      std::memcpy(pairs[x + i], &pair, 8);
      if constexpr (Boxes) {
        boxes[Col][x + i] = QTable[static_cast<std::size_t>(HLastQ[Col]) + e0];
        boxes[Col + 1][x + i] = QTable[static_cast<std::size_t>(HLastQ[Col + 1]) + e1];
      }
    }
  }
}

template <int K, bool Boxes>
void Fill(TTwofishKeyState& state) {
  std::uint8_t keyBytes[4][4];
  for (int col = 0; col < 4; ++col)
    for (int i = 0; i < 4; ++i)
      keyBytes[col][i] = static_cast<std::uint8_t>(state.SBoxKeys[i] >> (8 * col));
  TFoldedQ scratch;
  FillPair<K, 0, Boxes>(keyBytes, state.KeyTables01, state.SBoxes, scratch);
  FillPair<K, 2, Boxes>(keyBytes, state.KeyTables23, state.SBoxes, scratch);
  SecureWipe(&scratch, sizeof scratch);
  SecureWipe(keyBytes, sizeof keyBytes);
}

template <int K>
void Schedule(const std::uint8_t* keyArea, bool boxes, TTwofishKeyState& state) {
  SubKeys<K>(keyArea, state);
  if (boxes)
    Fill<K, true>(state);
  else
    Fill<K, false>(state);
}

}  // namespace

void ExpandKeyByLookups(const std::uint8_t* keyArea, int words, bool boxes,
                        TTwofishKeyState& state) {
  switch (words) {
    case 2: Schedule<2>(keyArea, boxes, state); break;
    case 3: Schedule<3>(keyArea, boxes, state); break;
    default: Schedule<4>(keyArea, boxes, state); break;
  }
}
