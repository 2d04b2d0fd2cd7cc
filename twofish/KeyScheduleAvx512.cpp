// SPDX-License-Identifier: GPL-3.0-or-later
// The key schedule without a secret index (paper section 4.3): every q
// stage of h is a lookup of a whole vector of bytes in the public q
// permutation held in registers (two-source byte permutes and a blend on
// bit 7), the key bytes enter by XOR, and the MDS multiply is GF2P8AFFINEQB.
// The 40 subkeys take one vector of 40 inputs per byte column; each S-box
// and g table takes four vectors of 64 inputs.

#include "twofish/KeyScheduleAvx512.h"

#ifdef TOLVANE_HAVE_AVX512_PATH

#include <immintrin.h>

#include "twofish/Avx512Wipe.h"

#define TOLVANE_AVX512_INLINE [[gnu::always_inline]] inline

namespace {

using V = __m512i;

constexpr unsigned MulInMdsField(unsigned a, unsigned b) {
  unsigned product = 0;
#pragma GCC unroll 20
  for (int bit = 0; bit < 8; ++bit) {
    if (b & (1u << bit)) product ^= a;
    a <<= 1;
    if (a & 0x100) a ^= 0x169;
  }
  return product;
}

// x -> factor * x as GF2P8AFFINEQB's matrix: bit i of the result is the
// parity of x AND byte 7-i.
constexpr long long MulMatrix(unsigned factor) {
  unsigned long long matrix = 0;
#pragma GCC unroll 20
  for (int row = 0; row < 8; ++row) {
    unsigned long long bits = 0;
#pragma GCC unroll 20
    for (int column = 0; column < 8; ++column)
      bits |= static_cast<unsigned long long>((MulInMdsField(factor, 1u << column) >> row) & 1)
              << column;
    matrix |= bits << (8 * (7 - row));
  }
  return static_cast<long long>(matrix);
}

// The MDS matrix (section 4.2), row by row; 1, 0x5B and 0xEF are all it has.
constexpr unsigned kMds[4][4] = {{0x01, 0xEF, 0x5B, 0x5B},
                                 {0x5B, 0xEF, 0xEF, 0x01},
                                 {0xEF, 0x5B, 0x01, 0xEF},
                                 {0xEF, 0x01, 0xEF, 0x5B}};

// q stages of h per byte column, outermost first, as in KeySchedule.cpp
// (0: q0, 1: q1); the last is the one the MDS multiply follows.
constexpr int kStageQ[4][5] = {{1, 1, 0, 0, 1}, {0, 1, 1, 0, 0}, {0, 0, 0, 1, 1}, {1, 0, 1, 1, 0}};

// q0 or q1 in four registers.
struct TQ {
  V Part[4];
};

TOLVANE_AVX512_INLINE V Lookup(const TQ& q, V x) {
  const V low = _mm512_permutex2var_epi8(q.Part[0], x, q.Part[1]);
  const V high = _mm512_permutex2var_epi8(q.Part[2], x, q.Part[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

TOLVANE_AVX512_INLINE V Times(unsigned factor, V x) {
  if (factor == 0x5B)
    return _mm512_gf2p8affine_epi64_epi8(x, _mm512_set1_epi64(MulMatrix(0x5B)), 0);
  if (factor == 0xEF)
    return _mm512_gf2p8affine_epi64_epi8(x, _mm512_set1_epi64(MulMatrix(0xEF)), 0);
  return x;
}

// Bytes q*16 .. q*16+15 of four planes as 16 words, plane r in byte r.
TOLVANE_AVX512_INLINE V Words(const V (&plane)[4], int q) {
  V word = _mm512_setzero_si512();
#pragma GCC unroll 20
  for (int r = 0; r < 4; ++r) {
    const __m128i part = q == 0   ? _mm512_castsi512_si128(plane[r])
                         : q == 1 ? _mm512_extracti32x4_epi32(plane[r], 1)
                         : q == 2 ? _mm512_extracti32x4_epi32(plane[r], 2)
                                  : _mm512_extracti32x4_epi32(plane[r], 3);
    word = _mm512_or_si512(
        word, _mm512_slli_epi32(_mm512_cvtepu8_epi32(part), static_cast<unsigned>(8 * r)));
  }
  return word;
}

TOLVANE_AVX512_INLINE std::uint32_t Rol(std::uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

// The whole schedule for a key of KeyWords 64-bit words: the subkeys, the
// S-boxes and the g tables (MDS column times S-box) as pairs.
template <int KeyWords>
[[gnu::noinline]] void Schedule(const std::uint8_t* keyArea, const std::uint8_t* qTable,
                                TTwofishKeyState& state) {
  TQ q[2];
#pragma GCC unroll 20
  for (int t = 0; t < 2; ++t)
#pragma GCC unroll 20
    for (int p = 0; p < 4; ++p) q[t].Part[p] = _mm512_loadu_si512(qTable + 256 * t + 64 * p);
  constexpr int first = 4 - KeyWords;
  alignas(64) static constexpr std::uint8_t kIota[64] = {
      0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
      22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
      44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};
  const V iota = _mm512_load_si512(kIota);

  // Subkeys: lane l is h(l, Me) for even l, h(l, Mo) for odd l (section
  // 4.3.2); byte j of key word Me_i is key byte 8i + j, of Mo_i 8i + 4 + j.
  const V key = _mm512_maskz_loadu_epi8(0xFFFFFFFFull, keyArea);
  const V oddFour = _mm512_slli_epi16(_mm512_and_si512(iota, _mm512_set1_epi8(1)), 2);
  V y[4];
#pragma GCC unroll 20
  for (int j = 0; j < 4; ++j) {
    y[j] = iota;
#pragma GCC unroll 20
    for (int s = first; s < 4; ++s) {
      const V index =
          _mm512_add_epi8(oddFour, _mm512_set1_epi8(static_cast<char>(8 * (3 - s) + j)));
      y[j] = _mm512_xor_si512(Lookup(q[kStageQ[j][s]], y[j]), _mm512_permutexvar_epi8(index, key));
    }
    y[j] = Lookup(q[kStageQ[j][4]], y[j]);
  }
  V z[4];
#pragma GCC unroll 20
  for (int r = 0; r < 4; ++r)
    z[r] = _mm512_ternarylogic_epi32(
        _mm512_xor_si512(Times(kMds[r][0], y[0]), Times(kMds[r][1], y[1])), Times(kMds[r][2], y[2]),
        Times(kMds[r][3], y[3]), 0x96);
  alignas(64) std::uint32_t h[48];
#pragma GCC unroll 20
  for (int part = 0; part < 3; ++part) _mm512_store_si512(h + 16 * part, Words(z, part));
#pragma GCC unroll 20
  for (int i = 0; i < 20; ++i) {
    const std::uint32_t a = h[2 * i], b = Rol(h[2 * i + 1], 8);
    state.SubKeys[2 * i] = a + b;
    state.SubKeys[2 * i + 1] = Rol(a + 2 * b, 9);
  }

// S-boxes: s_j(x) for all 256 x, stage s XORing byte j of S-vector word
// 3 - s; then g table j = MDS column j times s_j, written as pairs.
#pragma GCC unroll 20
  for (int j = 0; j < 4; ++j) {
#pragma GCC unroll 20
    for (int p = 0; p < 4; ++p) {
      V x = _mm512_add_epi8(iota, _mm512_set1_epi8(static_cast<char>(64 * p)));
#pragma GCC unroll 20
      for (int s = first; s < 4; ++s) {
        const auto keyByte = static_cast<char>(state.SBoxKeys[3 - s] >> (8 * j));
        x = _mm512_xor_si512(Lookup(q[kStageQ[j][s]], x), _mm512_set1_epi8(keyByte));
      }
      _mm512_storeu_si512(&state.SBoxes[j][64 * p], Lookup(q[kStageQ[j][4]], x));
    }
  }
  // Tables j and j + 1 side by side, 64 inputs at a time.
  const V pairLow = _mm512_set_epi32(23, 7, 22, 6, 21, 5, 20, 4, 19, 3, 18, 2, 17, 1, 16, 0);
  const V pairHigh = _mm512_set_epi32(31, 15, 30, 14, 29, 13, 28, 12, 27, 11, 26, 10, 25, 9, 24, 8);
#pragma GCC unroll 20
  for (int pair = 0; pair < 2; ++pair) {
    std::uint32_t(*target)[2] = pair == 0 ? state.KeyTables01 : state.KeyTables23;
#pragma GCC unroll 20
    for (int p = 0; p < 4; ++p) {
      V column[2][4];
#pragma GCC unroll 20
      for (int c = 0; c < 2; ++c) {
        const int j = 2 * pair + c;
        const V box = _mm512_loadu_si512(&state.SBoxes[j][64 * p]);
#pragma GCC unroll 20
        for (int r = 0; r < 4; ++r) column[c][r] = Times(kMds[r][j], box);
      }
#pragma GCC unroll 20
      for (int part = 0; part < 4; ++part) {
        const int x = 64 * p + 16 * part;
        const V even = Words(column[0], part), odd = Words(column[1], part);
        _mm512_storeu_si512(&target[x][0], _mm512_permutex2var_epi32(even, pairLow, odd));
        _mm512_storeu_si512(&target[x + 8][0], _mm512_permutex2var_epi32(even, pairHigh, odd));
      }
    }
  }
}

}  // namespace

namespace twofish_avx512 {

void ExpandKey(const std::uint8_t* keyArea, int words, const std::uint8_t* qTable,
               TTwofishKeyState& state) {
  // Unrolled per key size, so that nothing is indexed by a stage counter.
  if (words == 2) {
    Schedule<2>(keyArea, qTable, state);
  } else if (words == 3) {
    Schedule<3>(keyArea, qTable, state);
  } else {
    Schedule<4>(keyArea, qTable, state);
  }
  TOLVANE_CLEAR_AFTER_KERNEL();
}

}  // namespace twofish_avx512

#endif
