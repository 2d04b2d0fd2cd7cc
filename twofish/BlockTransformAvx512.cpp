// SPDX-License-Identifier: GPL-3.0-or-later
// Independent blocks 32 at a time without key tables in memory. A group is
// eight registers: word i of 32 blocks in two registers of 16 lanes. In each
// round the two g inputs of the group (64 words, the second rotated by 8)
// become four byte planes, plane j holding byte j of every word; every byte
// of plane j goes through the same key-dependent S-box s_j, which lives in
// four registers' worth of the key state and is read by two two-source byte
// permutes on the low seven bits and a blend on the eighth. The MDS multiply
// is linear over GF(2), so one affine transform per plane and constant
// (GF2P8AFFINEQB) multiplies a whole plane by 0x5B or 0xEF. The planes then
// go back to words for the PHT, the subkeys and the rotations.
//
// No load or store address depends on the key or the data: the S-boxes are
// read whole, the subkeys at fixed offsets, the blocks at offsets given by
// the block count. This file is built for AVX-512 alone and has only
// functions of internal linkage besides the three entry points, so no
// AVX-512 copy of a shared inline function can reach the rest of the
// program.

#include "twofish/BlockTransformAvx512.h"

#ifdef TOLVANE_HAVE_AVX512_PATH

#include <immintrin.h>

#include "twofish/Avx512Wipe.h"

#define TOLVANE_AVX512_INLINE [[gnu::always_inline]] inline

namespace {

using V = __m512i;

// Multiplication in GF(2^8) modulo x^8+x^6+x^5+x^3+1, the MDS field.
constexpr unsigned MulInMdsField(unsigned a, unsigned b) {
  unsigned product = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (b & (1u << bit)) product ^= a;
    a <<= 1;
    if (a & 0x100) a ^= 0x169;
  }
  return product;
}

// The 8x8 bit matrix of x -> factor * x as GF2P8AFFINEQB takes it: bit i of
// the result is the parity of x AND byte 7-i of the matrix.
constexpr unsigned long long MulMatrix(unsigned factor) {
  unsigned long long matrix = 0;
  for (int row = 0; row < 8; ++row) {
    unsigned long long bits = 0;
    for (int column = 0; column < 8; ++column)
      bits |= static_cast<unsigned long long>((MulInMdsField(factor, 1u << column) >> row) & 1)
              << column;
    matrix |= bits << (8 * (7 - row));
  }
  return matrix;
}

constexpr long long kMul5B = static_cast<long long>(MulMatrix(0x5B));
constexpr long long kMulEF = static_cast<long long>(MulMatrix(0xEF));

// Byte permutes between the two word registers of a group half and the byte
// planes. Forward: from 32 words (two registers), byte j0 of each word, then
// byte j1 of each. Back: word w of a half from two plane pairs, byte i at
// 32 i + w.
struct TPermutes {
  alignas(64) unsigned char Bytes[6][64];
};

constexpr TPermutes BuildPermutes() {
  TPermutes p{};
  // The first g input as is, bytes (0, 1) and (2, 3); the second rotated
  // left by 8, whose byte j is byte j-1: bytes (3, 0) and (1, 2).
  constexpr int pairs[4][2] = {{0, 1}, {2, 3}, {3, 0}, {1, 2}};
  for (int t = 0; t < 4; ++t)
    for (int k = 0; k < 64; ++k)
      p.Bytes[t][k] = static_cast<unsigned char>(4 * (k % 32) + pairs[t][k / 32]);
  for (int half = 0; half < 2; ++half)
    for (int w = 0; w < 16; ++w)
      for (int i = 0; i < 4; ++i)
        p.Bytes[4 + half][4 * w + i] = static_cast<unsigned char>(32 * i + w + 16 * half);
  return p;
}

constexpr TPermutes kPermutes = BuildPermutes();

TOLVANE_AVX512_INLINE V Load(const void* p) { return _mm512_loadu_si512(p); }

TOLVANE_AVX512_INLINE V Xor(V a, V b) { return _mm512_xor_si512(a, b); }
TOLVANE_AVX512_INLINE V Xor3(V a, V b, V c) { return _mm512_ternarylogic_epi32(a, b, c, 0x96); }
TOLVANE_AVX512_INLINE V Add(V a, V b) { return _mm512_add_epi32(a, b); }

// What the rounds read: the subkeys, the S-boxes and the constants.
struct TKernel {
  const std::uint32_t* Sub;
  const std::uint8_t* Boxes;
  V Plane01, Plane23, RotPlane01, RotPlane23, Word0, Word1;
  V Mul5B, MulEF;
};

TOLVANE_AVX512_INLINE TKernel MakeKernel(const TTwofishKeyState& key) {
  return {key.SubKeys,
          &key.SBoxes[0][0],
          Load(kPermutes.Bytes[0]),
          Load(kPermutes.Bytes[1]),
          Load(kPermutes.Bytes[2]),
          Load(kPermutes.Bytes[3]),
          Load(kPermutes.Bytes[4]),
          Load(kPermutes.Bytes[5]),
          _mm512_set1_epi64(kMul5B),
          _mm512_set1_epi64(kMulEF)};
}

TOLVANE_AVX512_INLINE V SubKey(const TKernel& k, int i) {
  return _mm512_set1_epi32(static_cast<int>(k.Sub[i]));
}

// s_j of every byte of x: the low seven bits pick from the S-box's lower
// and upper 128 bytes, bit 7 chooses between them.
TOLVANE_AVX512_INLINE V Substitute(const std::uint8_t* box, V x) {
  const V low = _mm512_permutex2var_epi8(Load(box), x, Load(box + 64));
  const V high = _mm512_permutex2var_epi8(Load(box + 128), x, Load(box + 192));
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

// One group's g(x0) and g(ROL(x1, 8)), each word as two registers (lo, hi).
TOLVANE_AVX512_INLINE void G(const TKernel& k, const V (&x0)[2], const V (&x1)[2], V (&t0)[2],
                             V (&t1)[2]) {
  const V a01 = _mm512_permutex2var_epi8(x0[0], k.Plane01, x0[1]);
  const V a23 = _mm512_permutex2var_epi8(x0[0], k.Plane23, x0[1]);
  const V b01 = _mm512_permutex2var_epi8(x1[0], k.RotPlane01, x1[1]);
  const V b23 = _mm512_permutex2var_epi8(x1[0], k.RotPlane23, x1[1]);
  // Plane j: byte j of the 32 words of x0, then of the 32 of ROL(x1, 8).
  const std::uint8_t* const boxes = k.Boxes;
  const V s0 = Substitute(boxes, _mm512_shuffle_i64x2(a01, b01, 0x44));
  const V s1 = Substitute(boxes + 256, _mm512_shuffle_i64x2(a01, b01, 0xEE));
  const V s2 = Substitute(boxes + 512, _mm512_shuffle_i64x2(a23, b23, 0x44));
  const V s3 = Substitute(boxes + 768, _mm512_shuffle_i64x2(a23, b23, 0xEE));

  const V f0 = _mm512_gf2p8affine_epi64_epi8(s0, k.Mul5B, 0);
  const V e0 = _mm512_gf2p8affine_epi64_epi8(s0, k.MulEF, 0);
  const V f1 = _mm512_gf2p8affine_epi64_epi8(s1, k.Mul5B, 0);
  const V e1 = _mm512_gf2p8affine_epi64_epi8(s1, k.MulEF, 0);
  const V f2 = _mm512_gf2p8affine_epi64_epi8(s2, k.Mul5B, 0);
  const V e2 = _mm512_gf2p8affine_epi64_epi8(s2, k.MulEF, 0);
  const V f3 = _mm512_gf2p8affine_epi64_epi8(s3, k.Mul5B, 0);
  const V e3 = _mm512_gf2p8affine_epi64_epi8(s3, k.MulEF, 0);
  // The MDS rows: (01 EF 5B 5B), (5B EF EF 01), (EF 5B 01 EF), (EF 01 EF 5B).
  const V y0 = Xor(Xor3(s0, e1, f2), f3);
  const V y1 = Xor(Xor3(f0, e1, e2), s3);
  const V y2 = Xor(Xor3(e0, f1, s2), e3);
  const V y3 = Xor(Xor3(e0, s1, e2), f3);

  const V y01a = _mm512_shuffle_i64x2(y0, y1, 0x44);
  const V y23a = _mm512_shuffle_i64x2(y2, y3, 0x44);
  const V y01b = _mm512_shuffle_i64x2(y0, y1, 0xEE);
  const V y23b = _mm512_shuffle_i64x2(y2, y3, 0xEE);
  t0[0] = _mm512_permutex2var_epi8(y01a, k.Word0, y23a);
  t0[1] = _mm512_permutex2var_epi8(y01a, k.Word1, y23a);
  t1[0] = _mm512_permutex2var_epi8(y01b, k.Word0, y23b);
  t1[1] = _mm512_permutex2var_epi8(y01b, k.Word1, y23b);
}

// One round of one group: g of (x0, x1) mixed into (y0, y1) with subkeys
// 2r+8 and 2r+9 (paper section 3.2, figure 1).
template <bool Encrypt>
TOLVANE_AVX512_INLINE void Round(const TKernel& k, int subkey, const V (&x0)[2], const V (&x1)[2],
                                 V (&y0)[2], V (&y1)[2]) {
  V t0[2], t1[2];
  G(k, x0, x1, t0, t1);
  const V k0 = SubKey(k, subkey), k1 = SubKey(k, subkey + 1);
#pragma GCC unroll 4
  for (int h = 0; h < 2; ++h) {
    const V s = Add(t0[h], t1[h]);
    const V f0 = Add(s, k0);
    const V f1 = Add(Add(s, t1[h]), k1);
    if constexpr (Encrypt) {
      y0[h] = _mm512_ror_epi32(Xor(y0[h], f0), 1);
      y1[h] = Xor(_mm512_rol_epi32(y1[h], 1), f1);
    } else {
      y0[h] = Xor(_mm512_rol_epi32(y0[h], 1), f0);
      y1[h] = _mm512_ror_epi32(Xor(y1[h], f1), 1);
    }
  }
}

// One group as words: W[i][h] holds word i of the 16 blocks of half h.
struct TGroup {
  V W[4][2];
};

// 4x4 transposes of 32-bit words inside each 128-bit lane: registers that
// hold blocks (4r + l in lane l) become the four words of 16 blocks;
// applied again, it undoes that.
TOLVANE_AVX512_INLINE void Transpose(V& r0, V& r1, V& r2, V& r3) {
  const V t0 = _mm512_unpacklo_epi32(r0, r1);
  const V t1 = _mm512_unpackhi_epi32(r0, r1);
  const V t2 = _mm512_unpacklo_epi32(r2, r3);
  const V t3 = _mm512_unpackhi_epi32(r2, r3);
  r0 = _mm512_unpacklo_epi64(t0, t2);
  r1 = _mm512_unpackhi_epi64(t0, t2);
  r2 = _mm512_unpacklo_epi64(t1, t3);
  r3 = _mm512_unpackhi_epi64(t1, t3);
}

// The 32-bit lanes of register r (four blocks) that hold one of the first
// `blocks` blocks of a group.
TOLVANE_AVX512_INLINE __mmask16 LaneMask(unsigned blocks, unsigned r) {
  const unsigned words = 4 * blocks;
  if (words <= 16 * r) return 0;
  if (words >= 16 * r + 16) return 0xFFFF;
  return static_cast<__mmask16>((1u << (words - 16 * r)) - 1);
}

// How many of the first `blocks` blocks fall in group n.
TOLVANE_AVX512_INLINE unsigned BlocksOfGroup(unsigned blocks, int n) {
  const unsigned first = 32u * static_cast<unsigned>(n);
  return blocks > first ? blocks - first : 0;
}

// The group's eight registers of blocks, as they are in memory; reads and
// writes only the first `blocks` of them (a full group costs no more).
TOLVANE_AVX512_INLINE void LoadBlocks(const unsigned char* in, unsigned blocks, V (&r)[8]) {
#pragma GCC unroll 8
  for (unsigned i = 0; i < 8; ++i)
    r[i] = _mm512_maskz_loadu_epi32(LaneMask(blocks, i), in + 64 * i);
}

TOLVANE_AVX512_INLINE void StoreBlocks(unsigned char* out, unsigned blocks, const V (&r)[8]) {
#pragma GCC unroll 8
  for (unsigned i = 0; i < 8; ++i)
    _mm512_mask_storeu_epi32(out + 64 * i, LaneMask(blocks, i), r[i]);
}

// Blocks to words, each word XORed with subkeys first..first+3 in the
// order given by `slot` (slot[i] is the word register that block word i
// goes to).
TOLVANE_AVX512_INLINE void ToWords(const TKernel& k, V (&r)[8], int first, const int (&slot)[4],
                                   TGroup& g) {
  Transpose(r[0], r[1], r[2], r[3]);
  Transpose(r[4], r[5], r[6], r[7]);
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    const V whitening = SubKey(k, first + i);
    g.W[slot[i]][0] = Xor(r[i], whitening);
    g.W[slot[i]][1] = Xor(r[4 + i], whitening);
  }
}

TOLVANE_AVX512_INLINE void FromWords(const TKernel& k, const TGroup& g, int first,
                                     const int (&slot)[4], V (&r)[8]) {
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    const V whitening = SubKey(k, first + i);
    r[i] = Xor(g.W[slot[i]][0], whitening);
    r[4 + i] = Xor(g.W[slot[i]][1], whitening);
  }
  Transpose(r[0], r[1], r[2], r[3]);
  Transpose(r[4], r[5], r[6], r[7]);
}

enum class TWork { Encrypt, Decrypt, DecryptCbc };

// Encryption holds (a, b, c, d) in W[0..3]; its output whitening stores
// (c, d, a, b), and decryption loads that order.
constexpr int kStraight[4] = {0, 1, 2, 3};
constexpr int kSwapped[4] = {2, 3, 0, 1};

// N groups in flight, all rounds unrolled so that every subkey is read at
// a constant offset; blocks (up to 32 N) are read and written, no more.
// CBC decryption XORs each block with the ciphertext block before it, read
// before anything is stored (the data is transformed in place), and leaves
// the last ciphertext block in chain.
template <TWork Work, int N>
TOLVANE_AVX512_INLINE void Groups(const TKernel& k, const unsigned char* in, unsigned char* out,
                                  unsigned blocks, __m128i& chain) {
  constexpr bool Encrypt = Work == TWork::Encrypt;
  TGroup g[N];
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    V r[8];
    const unsigned mine = BlocksOfGroup(blocks, n);
    LoadBlocks(in + 512 * n, mine, r);
    ToWords(k, r, Encrypt ? 0 : 4, Encrypt ? kStraight : kSwapped, g[n]);
  }
  if constexpr (Encrypt) {
#pragma GCC unroll 16
    for (int round = 0; round < 16; round += 2) {
#pragma GCC unroll 4
      for (int n = 0; n < N; ++n)
        Round<true>(k, 8 + 2 * round, g[n].W[0], g[n].W[1], g[n].W[2], g[n].W[3]);
#pragma GCC unroll 4
      for (int n = 0; n < N; ++n)
        Round<true>(k, 10 + 2 * round, g[n].W[2], g[n].W[3], g[n].W[0], g[n].W[1]);
    }
  } else {
#pragma GCC unroll 16
    for (int round = 14; round >= 0; round -= 2) {
#pragma GCC unroll 4
      for (int n = 0; n < N; ++n)
        Round<false>(k, 10 + 2 * round, g[n].W[2], g[n].W[3], g[n].W[0], g[n].W[1]);
#pragma GCC unroll 4
      for (int n = 0; n < N; ++n)
        Round<false>(k, 8 + 2 * round, g[n].W[0], g[n].W[1], g[n].W[2], g[n].W[3]);
    }
  }
  V r[N][8];
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n)
    FromWords(k, g[n], Encrypt ? 4 : 0, Encrypt ? kSwapped : kStraight, r[n]);
  if constexpr (Work == TWork::DecryptCbc) {
    // Register i of group n holds blocks 32 n + 4 i .. +3; the ciphertext
    // before them starts one block earlier, the first one's in chain.
#pragma GCC unroll 4
    for (int n = 0; n < N; ++n) {
      const unsigned mine = BlocksOfGroup(blocks, n);
#pragma GCC unroll 8
      for (unsigned i = 0; i < 8; ++i) {
        const unsigned char* before = in + 512 * n + 64 * i - 16;
        const __mmask16 lanes = LaneMask(mine, i);
        V previous;
        if (n == 0 && i == 0) {
          // Not read from before the data: that block may have just been
          // stored, and a load overlapping a pending store waits for it.
          const V here = _mm512_maskz_loadu_epi32(static_cast<__mmask16>(lanes >> 4), in);
          previous = _mm512_alignr_epi32(here, _mm512_broadcast_i32x4(chain), 12);
        } else {
          previous = _mm512_maskz_loadu_epi32(lanes, before);
        }
        r[n][i] = Xor(r[n][i], previous);
      }
    }
    chain = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * (blocks - 1)));
  }
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    const unsigned mine = BlocksOfGroup(blocks, n);
    StoreBlocks(out + 512 * n, mine, r[n]);
  }
}

// Three groups in flight (96 blocks; measured: 1.2 times two groups, while
// four run out of registers), the last call of a run reading and writing
// only its own blocks. A short run takes one or two groups.
template <TWork Work>
[[gnu::noinline]] void Run(const TTwofishKeyState& key, const unsigned char* in, unsigned char* out,
                           std::size_t blocks, unsigned char* iv) {
  const TKernel k = MakeKernel(key);
  __m128i chain = _mm_setzero_si128();
  if constexpr (Work == TWork::DecryptCbc) chain = _mm_loadu_si128(reinterpret_cast<__m128i*>(iv));
  for (; blocks > 64; in += 1536, out += 1536) {
    const unsigned part = blocks >= 96 ? 96 : static_cast<unsigned>(blocks);
    Groups<Work, 3>(k, in, out, part, chain);
    blocks -= part;
  }
  const auto rest = static_cast<unsigned>(blocks);
  if (rest > 32) {
    Groups<Work, 2>(k, in, out, rest, chain);
  } else if (rest > 0) {
    Groups<Work, 1>(k, in, out, rest, chain);
  }
  if constexpr (Work == TWork::DecryptCbc) _mm_storeu_si128(reinterpret_cast<__m128i*>(iv), chain);
}

}  // namespace

namespace twofish_avx512 {

void EncryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t blocks) {
  Run<TWork::Encrypt>(key, in, out, blocks, nullptr);
  TOLVANE_CLEAR_AFTER_KERNEL();
}

void DecryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t blocks) {
  Run<TWork::Decrypt>(key, in, out, blocks, nullptr);
  TOLVANE_CLEAR_AFTER_KERNEL();
}

void DecryptBlocksCbc(const TTwofishKeyState& key, std::uint8_t* data, std::size_t blocks,
                      std::uint8_t iv[16]) {
  Run<TWork::DecryptCbc>(key, data, data, blocks, iv);
  TOLVANE_CLEAR_AFTER_KERNEL();
}

}  // namespace twofish_avx512

#endif
