// SPDX-License-Identifier: GPL-3.0-or-later
// Independent blocks without key tables in memory, on AVX2. A group is
// eight registers: word i of 16 blocks in two registers, one block per
// 32-bit lane. In each round the two g inputs of a group (x0 and
// ROL(x1, 8), 32 words) become four byte planes by shuffles and unpacks
// within the 128-bit lanes, plane j holding byte j of every word, so that
// both lanes of a plane read the same S-box and nothing crosses a lane. An
// S-box is 16 rows of 16 bytes, each looked up by one byte shuffle on the
// low nibble; the shuffle's zeroing and blends on bits 5 and 6 pick the
// row. The MDS products by 0x5B and 0xEF are linear, two shuffles each on
// the nibbles. The planes then go back to words for the PHT, the subkeys
// and the rotations.
//
// No load or store address depends on the key or the data: the S-boxes are
// read whole in every round, the subkeys at offsets given by the round, the
// blocks at offsets given by the block count. Only the functions marked TOLVANE_AVX2 use AVX2; the
// file is compiled for the baseline CPU, so nothing of it can end up in code that runs before the
// CPU check.

#include "twofish/BlockTransformAvx2.h"

#ifdef TOLVANE_HAVE_AVX2_PATH

#include <immintrin.h>

#include <cstring>

#include "twofish/TwofishTables.h"

#define TOLVANE_AVX2 [[gnu::target("avx2")]]
#define TOLVANE_AVX2_INLINE [[gnu::target("avx2"), gnu::always_inline]] inline

namespace {

using V = __m256i;

// How far below the entry point's stack pointer the kernel's frame may
// reach: its spilled and saved registers, checked against the built code
// (well under this on Linux and Windows), within one page.
constexpr int kKernelStackBytes = 3072;

constexpr unsigned kGroupBlocks = 16;

struct TConstants {
  // In-lane byte shuffles between four words and their planes: dword j
  // gathers byte j of the lane's words; for ROL(x, 8), byte j - 1. Back is
  // the inverse of the first.
  alignas(32) std::uint8_t ToPlanes[32];
  alignas(32) std::uint8_t ToPlanesRotated[32];
  alignas(32) std::uint8_t FromPlanes[32];
  // x * 0x5B and x * 0xEF as the XOR of a shuffle on each nibble.
  alignas(32) std::uint8_t Mul5BLow[32];
  alignas(32) std::uint8_t Mul5BHigh[32];
  alignas(32) std::uint8_t MulEFLow[32];
  alignas(32) std::uint8_t MulEFHigh[32];
  alignas(32) std::int32_t Lanes[8];
};

constexpr TConstants BuildConstants() {
  TConstants c{};
  for (int half = 0; half < 32; half += 16)
    for (int j = 0; j < 4; ++j)
      for (int w = 0; w < 4; ++w) {
        c.ToPlanes[half + 4 * j + w] = static_cast<std::uint8_t>(4 * w + j);
        c.ToPlanesRotated[half + 4 * j + w] = static_cast<std::uint8_t>(4 * w + ((j + 3) & 3));
        c.FromPlanes[half + 4 * w + j] = static_cast<std::uint8_t>(4 * j + w);
      }
  for (int i = 0; i < 32; ++i) {
    const auto low = static_cast<std::uint8_t>(i & 15);
    const auto high = static_cast<std::uint8_t>((i & 15) << 4);
    c.Mul5BLow[i] = twofish_detail::Mul5B(low);
    c.Mul5BHigh[i] = twofish_detail::Mul5B(high);
    c.MulEFLow[i] = twofish_detail::MulEF(low);
    c.MulEFHigh[i] = twofish_detail::MulEF(high);
  }
  for (int i = 0; i < 8; ++i) c.Lanes[i] = i;
  return c;
}

alignas(64) constexpr TConstants kConstants = BuildConstants();

TOLVANE_AVX2_INLINE V Load(const void* p) { return _mm256_load_si256(static_cast<const V*>(p)); }
TOLVANE_AVX2_INLINE V LoadU(const void* p) { return _mm256_loadu_si256(static_cast<const V*>(p)); }
TOLVANE_AVX2_INLINE V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
TOLVANE_AVX2_INLINE V Add(V a, V b) { return _mm256_add_epi32(a, b); }
TOLVANE_AVX2_INLINE V Shuffle(V table, V index) { return _mm256_shuffle_epi8(table, index); }
// b where bit 7 of mask's byte is set, else a. As the instruction itself:
// the compiler would widen the mask to whole bytes first with a compare.
TOLVANE_AVX2_INLINE V Blend(V a, V b, V mask) {
  V out;
  __asm__("vpblendvb %3, %2, %1, %0" : "=x"(out) : "x"(a), "x"(b), "x"(mask));
  return out;
}

// Row i of an S-box in both lanes.
TOLVANE_AVX2_INLINE V Row(const std::uint8_t (*box)[32], int i) { return Load(box[i]); }
// The left shift as an addition, which leaves the shift units to the rest.
TOLVANE_AVX2_INLINE V Rol1(V x) { return _mm256_or_si256(Add(x, x), _mm256_srli_epi32(x, 31)); }
TOLVANE_AVX2_INLINE V Ror1(V x) {
  return _mm256_or_si256(_mm256_srli_epi32(x, 1), _mm256_slli_epi32(x, 31));
}

// s_j of every byte of a plane: row i of the S-box (bytes 16i .. 16i + 15,
// in both lanes) by a shuffle on the low nibble. The shuffle zeroes a byte
// whose index has bit 7 set, so each row gets an index that is set there
// unless bits 7 and 4 match the row's, and pairs of rows that differ in
// those bits combine by OR; blends on bits 5 and 6 pick among the rest.
TOLVANE_AVX2_INLINE V Substitute(const std::uint8_t (*box)[32], V plane) {
  const V top = _mm256_set1_epi8(static_cast<char>(0x80));
  // Bit k moved to bit 7 of its byte by byte-wise doubling, which runs on
  // more ports than a shift.
  const V m6 = _mm256_add_epi8(plane, plane);
  const V m5 = _mm256_add_epi8(m6, m6);
  const V m4 = _mm256_add_epi8(m5, m5);
  const V bit4 = _mm256_and_si256(m4, top), notBit4 = _mm256_andnot_si256(m4, top);
  const V flipped = Xor(plane, top);
  // index[b7][b4]: bit 7 clear only where bits 7 and 4 of the byte are b7, b4.
  const V index[2][2] = {{_mm256_or_si256(plane, bit4), _mm256_or_si256(plane, notBit4)},
                         {_mm256_or_si256(flipped, bit4), _mm256_or_si256(flipped, notBit4)}};
  V quarter[2];
#pragma GCC unroll 2
  for (int b6 = 0; b6 < 2; ++b6) {
    V pair[2];
#pragma GCC unroll 2
    for (int b5 = 0; b5 < 2; ++b5) {
      const int row = 4 * b6 + 2 * b5;
      const V low = _mm256_or_si256(Shuffle(Row(box, row), index[0][0]),
                                    Shuffle(Row(box, row + 1), index[0][1]));
      const V high = _mm256_or_si256(Shuffle(Row(box, row + 8), index[1][0]),
                                     Shuffle(Row(box, row + 9), index[1][1]));
      pair[b5] = _mm256_or_si256(low, high);
    }
    quarter[b6] = Blend(pair[0], pair[1], m5);
  }
  return Blend(quarter[0], quarter[1], m6);
}

// s * 0x5B and s * 0xEF.
TOLVANE_AVX2_INLINE void Products(V s, V& f, V& e) {
  const V nibble = _mm256_set1_epi8(0x0F);
  const V low = _mm256_and_si256(s, nibble);
  const V high = _mm256_and_si256(_mm256_srli_epi16(s, 4), nibble);
  f = Xor(Shuffle(Load(kConstants.Mul5BLow), low), Shuffle(Load(kConstants.Mul5BHigh), high));
  e = Xor(Shuffle(Load(kConstants.MulEFLow), low), Shuffle(Load(kConstants.MulEFHigh), high));
}

// 4x4 transposes of 32-bit words inside each 128-bit lane; applied again,
// it undoes itself. Registers that hold blocks (2r + l in lane l) become
// the four words of eight blocks, and four registers whose lanes hold
// byte planes of four words each become four whole planes.
TOLVANE_AVX2_INLINE void Transpose(V& r0, V& r1, V& r2, V& r3) {
  const V t0 = _mm256_unpacklo_epi32(r0, r1);
  const V t1 = _mm256_unpackhi_epi32(r0, r1);
  const V t2 = _mm256_unpacklo_epi32(r2, r3);
  const V t3 = _mm256_unpackhi_epi32(r2, r3);
  r0 = _mm256_unpacklo_epi64(t0, t2);
  r1 = _mm256_unpackhi_epi64(t0, t2);
  r2 = _mm256_unpacklo_epi64(t1, t3);
  r3 = _mm256_unpackhi_epi64(t1, t3);
}

// g(x0) and g(ROL(x1, 8)) of a group, each word as two registers. Plane j
// holds byte j of all 32 words, lane by lane, so both lanes read the same
// S-box and nothing crosses a lane.
TOLVANE_AVX2_INLINE void G(const TTwofishKeyState& key, const V (&x0)[2], const V (&x1)[2],
                           V (&t0)[2], V (&t1)[2]) {
  const V toPlanes = Load(kConstants.ToPlanes), rotated = Load(kConstants.ToPlanesRotated);
  V p0 = Shuffle(x0[0], toPlanes), p1 = Shuffle(x0[1], toPlanes);
  V p2 = Shuffle(x1[0], rotated), p3 = Shuffle(x1[1], rotated);
  Transpose(p0, p1, p2, p3);
  const V s0 = Substitute(key.BoxRows[0], p0);
  const V s1 = Substitute(key.BoxRows[1], p1);
  const V s2 = Substitute(key.BoxRows[2], p2);
  const V s3 = Substitute(key.BoxRows[3], p3);
  V f0, e0, f1, e1, f2, e2, f3, e3;
  Products(s0, f0, e0);
  Products(s1, f1, e1);
  Products(s2, f2, e2);
  Products(s3, f3, e3);
  // The MDS rows: (01 EF 5B 5B), (5B EF EF 01), (EF 5B 01 EF), (EF 01 EF 5B).
  V y0 = Xor(Xor(s0, e1), Xor(f2, f3));
  V y1 = Xor(Xor(f0, e1), Xor(e2, s3));
  V y2 = Xor(Xor(e0, f1), Xor(s2, e3));
  V y3 = Xor(Xor(e0, s1), Xor(e2, f3));
  Transpose(y0, y1, y2, y3);
  const V fromPlanes = Load(kConstants.FromPlanes);
  t0[0] = Shuffle(y0, fromPlanes);
  t0[1] = Shuffle(y1, fromPlanes);
  t1[0] = Shuffle(y2, fromPlanes);
  t1[1] = Shuffle(y3, fromPlanes);
}

TOLVANE_AVX2_INLINE V SubKey(const TTwofishKeyState& key, int i) {
  return _mm256_set1_epi32(static_cast<int>(key.SubKeys[i]));
}

// One group's words: W[i][h] holds word i of blocks 8h .. 8h + 7.
struct TGroup {
  V W[4][2];
};

// One round of a group: g of words (X, X + 1) mixed into (Y, Y + 1) with
// subkeys 2r+8 and 2r+9 (paper section 3.2, figure 1).
template <bool Encrypt, int X, int Y>
TOLVANE_AVX2_INLINE void Round(const TTwofishKeyState& key, const std::uint32_t* sub, TGroup& g) {
  V t0[2], t1[2];
  G(key, g.W[X], g.W[X + 1], t0, t1);
  const V k0 = _mm256_set1_epi32(static_cast<int>(sub[0]));
  const V k1 = _mm256_set1_epi32(static_cast<int>(sub[1]));
#pragma GCC unroll 2
  for (int h = 0; h < 2; ++h) {
    const V s = Add(t0[h], t1[h]);
    const V f0 = Add(s, k0);
    const V f1 = Add(Add(s, t1[h]), k1);
    V& y0 = g.W[Y][h];
    V& y1 = g.W[Y + 1][h];
    if constexpr (Encrypt) {
      y0 = Ror1(Xor(y0, f0));
      y1 = Xor(Rol1(y1), f1);
    } else {
      y0 = Xor(Rol1(y0), f0);
      y1 = Ror1(Xor(y1, f1));
    }
  }
}

// The 32-bit lanes of register r of a group (blocks 2r and 2r + 1) that
// belong to its first `blocks` blocks, as a mask for vpmaskmovd.
TOLVANE_AVX2_INLINE V LaneMask(unsigned blocks, unsigned r) {
  const int limit = 4 * static_cast<int>(blocks) - 8 * static_cast<int>(r);
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(limit), Load(kConstants.Lanes));
}

template <bool Partial>
TOLVANE_AVX2_INLINE V LoadBlocks(const unsigned char* p, unsigned blocks, unsigned r) {
  if constexpr (Partial)
    return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), LaneMask(blocks, r));
  else
    return LoadU(p);
}

template <bool Partial>
TOLVANE_AVX2_INLINE void StoreBlocks(unsigned char* p, unsigned blocks, unsigned r, V v) {
  if constexpr (Partial)
    _mm256_maskstore_epi32(reinterpret_cast<int*>(p), LaneMask(blocks, r), v);
  else
    _mm256_storeu_si256(reinterpret_cast<V*>(p), v);
}

enum class TWork { Encrypt, Decrypt, DecryptCbc };

// Encryption holds (a, b, c, d) in W[0..3]; its output whitening stores
// (c, d, a, b), and decryption loads that order.
constexpr int kStraight[4] = {0, 1, 2, 3};
constexpr int kSwapped[4] = {2, 3, 0, 1};

// A group, all rounds unrolled so that every subkey is read at a constant
// offset; with Partial, only the first `blocks` blocks are read and
// written. CBC decryption XORs each block with the ciphertext block before
// it, read before anything is stored (the data is transformed in place),
// and leaves the last ciphertext block in chain.
template <TWork Work, bool Partial>
TOLVANE_AVX2_INLINE void Group(const TTwofishKeyState& key, const unsigned char* in,
                               unsigned char* out, unsigned blocks, __m128i& chain) {
  constexpr bool Encrypt = Work == TWork::Encrypt;
  constexpr int first = Encrypt ? 0 : 4, last = Encrypt ? 4 : 0;
  const int(&inSlot)[4] = Encrypt ? kStraight : kSwapped;
  const int(&outSlot)[4] = Encrypt ? kSwapped : kStraight;
  TGroup g;
  V r[8];
#pragma GCC unroll 8
  for (unsigned i = 0; i < 8; ++i) r[i] = LoadBlocks<Partial>(in + 32 * i, blocks, i);
  Transpose(r[0], r[1], r[2], r[3]);
  Transpose(r[4], r[5], r[6], r[7]);
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    const V whitening = SubKey(key, first + i);
    g.W[inSlot[i]][0] = Xor(r[i], whitening);
    g.W[inSlot[i]][1] = Xor(r[4 + i], whitening);
  }
  // Two rounds per pass, not all sixteen unrolled: the whole would be
  // several times the instruction cache, and decoding it, not the vector
  // units, would set the pace. The subkeys' address follows the pass count
  // alone. The key's address is hidden from the compiler in each pass, or
  // it copies all S-box rows to the stack once, for loads that cost the same.
  const TTwofishKeyState* k = &key;
  if constexpr (Encrypt) {
#pragma GCC unroll 1
    for (int pass = 0; pass < 8; ++pass) {
      __asm__("" : "+r"(k));
      Round<true, 0, 2>(*k, k->SubKeys + 8 + 4 * pass, g);
      Round<true, 2, 0>(*k, k->SubKeys + 10 + 4 * pass, g);
    }
  } else {
#pragma GCC unroll 1
    for (int pass = 7; pass >= 0; --pass) {
      __asm__("" : "+r"(k));
      Round<false, 2, 0>(*k, k->SubKeys + 10 + 4 * pass, g);
      Round<false, 0, 2>(*k, k->SubKeys + 8 + 4 * pass, g);
    }
  }
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    const V whitening = SubKey(key, last + i);
    r[i] = Xor(g.W[outSlot[i]][0], whitening);
    r[4 + i] = Xor(g.W[outSlot[i]][1], whitening);
  }
  Transpose(r[0], r[1], r[2], r[3]);
  Transpose(r[4], r[5], r[6], r[7]);
  if constexpr (Work == TWork::DecryptCbc) {
    // Register i holds blocks 2i and 2i + 1; the ciphertext before them
    // starts one block earlier, the first one's in chain.
#pragma GCC unroll 8
    for (unsigned i = 0; i < 8; ++i) {
      V previous;
      if (i == 0) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        previous = _mm256_inserti128_si256(_mm256_castsi128_si256(chain), here, 1);
      } else {
        previous = LoadBlocks<Partial>(in + 32 * i - 16, blocks, i);
      }
      r[i] = Xor(r[i], previous);
    }
    chain = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * (blocks - 1)));
  }
#pragma GCC unroll 8
  for (unsigned i = 0; i < 8; ++i) StoreBlocks<Partial>(out + 32 * i, blocks, i, r[i]);
}

// Full groups, then the rest through the same rounds with masked loads and
// stores.
template <TWork Work>
TOLVANE_AVX2 [[gnu::noinline]] void Run(const TTwofishKeyState& key, const unsigned char* in,
                                        unsigned char* out, std::size_t blocks, unsigned char* iv) {
  __m128i chain = _mm_setzero_si128();
  if constexpr (Work == TWork::DecryptCbc) chain = _mm_loadu_si128(reinterpret_cast<__m128i*>(iv));
  for (; blocks >= kGroupBlocks;
       blocks -= kGroupBlocks, in += 16 * kGroupBlocks, out += 16 * kGroupBlocks)
    Group<Work, false>(key, in, out, kGroupBlocks, chain);
  if (blocks > 0) Group<Work, true>(key, in, out, static_cast<unsigned>(blocks), chain);
  if constexpr (Work == TWork::DecryptCbc) _mm_storeu_si128(reinterpret_cast<__m128i*>(iv), chain);
}

// After a kernel: zeroes the stack it used below this frame, then every
// vector register and the scratch general-purpose registers, so that
// nothing of the S-boxes, the subkeys or the data in transit survives the
// call.
#define TOLVANE_CLEAR_AFTER_AVX2_KERNEL()                                                        \
  __asm__ volatile(                                                                              \
      "vpxor %%xmm0, %%xmm0, %%xmm0\n\t"                                                         \
      "lea -%c[depth](%%rsp), %%rax\n"                                                           \
      "1:\n\t"                                                                                   \
      "vmovdqu %%ymm0, (%%rax)\n\t"                                                              \
      "add $32, %%rax\n\t"                                                                       \
      "cmp %%rsp, %%rax\n\t"                                                                     \
      "jb 1b\n\t"                                                                                \
      "vzeroall\n\t"                                                                             \
      "xor %%eax, %%eax\n\txor %%ecx, %%ecx\n\txor %%edx, %%edx\n\t"                             \
      "xor %%r8d, %%r8d\n\txor %%r9d, %%r9d\n\txor %%r10d, %%r10d\n\txor %%r11d, %%r11d"         \
      :                                                                                          \
      : [depth] "i"(kKernelStackBytes)                                                           \
      : "rax", "rcx", "rdx", "r8", "r9", "r10", "r11", "memory", "xmm0", "xmm1", "xmm2", "xmm3", \
        "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13",      \
        "xmm14", "xmm15", "cc")

}  // namespace

void twofish_avx2::SpreadBoxes(TTwofishKeyState& state) noexcept {
  for (int box = 0; box < 4; ++box)
    for (int row = 0; row < 16; ++row)
      for (int half = 0; half < 32; half += 16)
        std::memcpy(&state.BoxRows[box][row][half], &state.SBoxes[box][16 * row], 16);
}

void twofish_avx2::EncryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in,
                                 std::uint8_t* out, std::size_t blocks) {
  Run<TWork::Encrypt>(key, in, out, blocks, nullptr);
  TOLVANE_CLEAR_AFTER_AVX2_KERNEL();
}

void twofish_avx2::DecryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in,
                                 std::uint8_t* out, std::size_t blocks) {
  Run<TWork::Decrypt>(key, in, out, blocks, nullptr);
  TOLVANE_CLEAR_AFTER_AVX2_KERNEL();
}

void twofish_avx2::DecryptBlocksCbc(const TTwofishKeyState& key, std::uint8_t* data,
                                    std::size_t blocks, std::uint8_t iv[16]) {
  Run<TWork::DecryptCbc>(key, data, data, blocks, iv);
  TOLVANE_CLEAR_AFTER_AVX2_KERNEL();
}

#endif
