// SPDX-License-Identifier: GPL-3.0-or-later
// Independent blocks without key tables in memory, on AVX2. A group is four
// registers: word i of eight blocks, one block per 32-bit lane. In each
// round the two g inputs of a group (x0 and ROL(x1, 8), 16 words) become
// two registers of byte planes, planes 0 and 1 in the first (one per
// 128-bit lane) and 2 and 3 in the second, so that every lane holds bytes
// of one S-box column and a byte shuffle reads that column's table alone.
// An S-box is 16 rows of 16 bytes: each row is one shuffle on the low
// nibble, and blends on bits 4, 5 and 6 pick among them (bit 7 is the
// shuffle's own zeroing, undone by an OR of the two halves). The MDS
// products by 0x5B and 0xEF are linear, two shuffles each on the nibbles.
// The planes then go back to words for the PHT, the subkeys and the
// rotations.
//
// No load or store address depends on the key or the data: the S-boxes are
// read whole, the subkeys at fixed offsets, the blocks at offsets given by
// the block count. Only the functions marked TOLVANE_AVX2 use AVX2; the file
// is compiled for the baseline CPU, so nothing of it can end up in code that
// runs before the CPU check.

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

// Groups in flight: two share each S-box row between four planes.
constexpr int kGroups = 2;
constexpr int kGroupBlocks = 8;

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
  // Dword order that takes lane 1's plane rows next to lane 0's; its own
  // inverse.
  alignas(32) std::int32_t Cross[8];
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
  constexpr std::int32_t cross[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  for (int i = 0; i < 8; ++i) {
    c.Cross[i] = cross[i];
    c.Lanes[i] = i;
  }
  return c;
}

alignas(64) constexpr TConstants kConstants = BuildConstants();

TOLVANE_AVX2_INLINE V Load(const void* p) { return _mm256_load_si256(static_cast<const V*>(p)); }
TOLVANE_AVX2_INLINE V LoadU(const void* p) {
  return _mm256_loadu_si256(static_cast<const V*>(p));
}
TOLVANE_AVX2_INLINE V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
TOLVANE_AVX2_INLINE V Add(V a, V b) { return _mm256_add_epi32(a, b); }
TOLVANE_AVX2_INLINE V Shuffle(V table, V index) { return _mm256_shuffle_epi8(table, index); }
TOLVANE_AVX2_INLINE V Rol1(V x) { return _mm256_or_si256(_mm256_slli_epi32(x, 1), _mm256_srli_epi32(x, 31)); }
TOLVANE_AVX2_INLINE V Ror1(V x) { return _mm256_or_si256(_mm256_srli_epi32(x, 1), _mm256_slli_epi32(x, 31)); }

// s of every byte of planes[n], the pair's two S-boxes one per lane. Each
// row's load serves all N planes.
template <int N>
TOLVANE_AVX2_INLINE void Substitute(const std::uint8_t (*rows)[32], const V (&planes)[N],
                                    V (&out)[N]) {
  const V top = _mm256_set1_epi8(static_cast<char>(0x80));
  V m4[N], m5[N], m6[N], index[N];
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    m4[n] = _mm256_slli_epi16(planes[n], 3);
    m5[n] = _mm256_slli_epi16(planes[n], 2);
    m6[n] = _mm256_slli_epi16(planes[n], 1);
  }
#pragma GCC unroll 2
  for (int half = 0; half < 2; ++half) {
#pragma GCC unroll 4
    for (int n = 0; n < N; ++n) index[n] = half == 0 ? planes[n] : Xor(planes[n], top);
    V quarter[2][N];
#pragma GCC unroll 2
    for (int q = 0; q < 2; ++q) {
      V pair[2][N];
#pragma GCC unroll 2
      for (int p = 0; p < 2; ++p) {
        const int row = 8 * half + 4 * q + 2 * p;
        const V even = Load(rows[row]), odd = Load(rows[row + 1]);
#pragma GCC unroll 4
        for (int n = 0; n < N; ++n)
          pair[p][n] =
              _mm256_blendv_epi8(Shuffle(even, index[n]), Shuffle(odd, index[n]), m4[n]);
      }
#pragma GCC unroll 4
      for (int n = 0; n < N; ++n) quarter[q][n] = _mm256_blendv_epi8(pair[0][n], pair[1][n], m5[n]);
    }
#pragma GCC unroll 4
    for (int n = 0; n < N; ++n) {
      const V part = _mm256_blendv_epi8(quarter[0][n], quarter[1][n], m6[n]);
      out[n] = half == 0 ? part : _mm256_or_si256(out[n], part);
    }
  }
}

// s * 0x5B and s * 0xEF.
TOLVANE_AVX2_INLINE void Products(V s, V& f, V& e) {
  const V nibble = _mm256_set1_epi8(0x0F);
  const V low = _mm256_and_si256(s, nibble);
  const V high = _mm256_and_si256(_mm256_srli_epi16(s, 4), nibble);
  f = Xor(Shuffle(Load(kConstants.Mul5BLow), low), Shuffle(Load(kConstants.Mul5BHigh), high));
  e = Xor(Shuffle(Load(kConstants.MulEFLow), low), Shuffle(Load(kConstants.MulEFHigh), high));
}

TOLVANE_AVX2_INLINE V Lanes(V low, V high) { return _mm256_blend_epi32(low, high, 0xF0); }

// The XOR of a register's two lanes, for two registers: (a0 ^ a1, b0 ^ b1).
TOLVANE_AVX2_INLINE V FoldLanes(V a, V b) {
  return Xor(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
}

// g(x0) and g(ROL(x1, 8)) of N groups.
template <int N>
TOLVANE_AVX2_INLINE void G(const TTwofishKeyState& key, const V (&x0)[N], const V (&x1)[N],
                           V (&t0)[N], V (&t1)[N]) {
  const V cross = Load(kConstants.Cross);
  V p01[N], p23[N];
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    const V a = _mm256_permutevar8x32_epi32(Shuffle(x0[n], Load(kConstants.ToPlanes)), cross);
    const V b =
        _mm256_permutevar8x32_epi32(Shuffle(x1[n], Load(kConstants.ToPlanesRotated)), cross);
    // Lane 0: byte 0 of the eight words of x0, then of ROL(x1, 8); lane 1:
    // byte 1. Then 2 and 3.
    p01[n] = _mm256_unpacklo_epi64(a, b);
    p23[n] = _mm256_unpackhi_epi64(a, b);
  }
  V s01[N], s23[N];
  Substitute<N>(key.BoxPairs[0], p01, s01);
  Substitute<N>(key.BoxPairs[1], p23, s23);
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    V f01, e01, f23, e23;
    Products(s01[n], f01, e01);
    Products(s23[n], f23, e23);
    // The MDS rows: (01 EF 5B 5B), (5B EF EF 01), (EF 5B 01 EF), (EF 01 EF
    // 5B), columns 0 and 2 in lane 0, 1 and 3 in lane 1.
    const V w0 = Xor(Lanes(s01[n], e01), f23);
    const V w1 = Xor(Lanes(f01, e01), Lanes(e23, s23[n]));
    const V w2 = Xor(Lanes(e01, f01), Lanes(s23[n], e23));
    const V w3 = Xor(Lanes(e01, s01[n]), Lanes(e23, f23));
    const V y01 = FoldLanes(w0, w1), y23 = FoldLanes(w2, w3);
    const V a = _mm256_permutevar8x32_epi32(_mm256_unpacklo_epi64(y01, y23), cross);
    const V b = _mm256_permutevar8x32_epi32(_mm256_unpackhi_epi64(y01, y23), cross);
    t0[n] = Shuffle(a, Load(kConstants.FromPlanes));
    t1[n] = Shuffle(b, Load(kConstants.FromPlanes));
  }
}

TOLVANE_AVX2_INLINE V SubKey(const TTwofishKeyState& key, int i) {
  return _mm256_set1_epi32(static_cast<int>(key.SubKeys[i]));
}

// One group's words: W[i] holds word i of its eight blocks.
struct TGroup {
  V W[4];
};

// One round of N groups: g of words (X, X + 1) mixed into (Y, Y + 1) with
// subkeys 2r+8 and 2r+9 (paper section 3.2, figure 1).
template <bool Encrypt, int N, int X, int Y>
TOLVANE_AVX2_INLINE void Round(const TTwofishKeyState& key, int subkey, TGroup (&g)[N]) {
  V x0[N], x1[N], t0[N], t1[N];
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    x0[n] = g[n].W[X];
    x1[n] = g[n].W[X + 1];
  }
  G<N>(key, x0, x1, t0, t1);
  const V k0 = SubKey(key, subkey), k1 = SubKey(key, subkey + 1);
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    const V s = Add(t0[n], t1[n]);
    const V f0 = Add(s, k0);
    const V f1 = Add(Add(s, t1[n]), k1);
    V& y0 = g[n].W[Y];
    V& y1 = g[n].W[Y + 1];
    if constexpr (Encrypt) {
      y0 = Ror1(Xor(y0, f0));
      y1 = Xor(Rol1(y1), f1);
    } else {
      y0 = Xor(Rol1(y0), f0);
      y1 = Ror1(Xor(y1, f1));
    }
  }
}

// 4x4 transposes of 32-bit words inside each 128-bit lane: registers that
// hold blocks (2r + l in lane l) become the four words of eight blocks;
// applied again, it undoes that.
TOLVANE_AVX2_INLINE void Transpose(V (&r)[4]) {
  const V t0 = _mm256_unpacklo_epi32(r[0], r[1]);
  const V t1 = _mm256_unpackhi_epi32(r[0], r[1]);
  const V t2 = _mm256_unpacklo_epi32(r[2], r[3]);
  const V t3 = _mm256_unpackhi_epi32(r[2], r[3]);
  r[0] = _mm256_unpacklo_epi64(t0, t2);
  r[1] = _mm256_unpackhi_epi64(t0, t2);
  r[2] = _mm256_unpacklo_epi64(t1, t3);
  r[3] = _mm256_unpackhi_epi64(t1, t3);
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

TOLVANE_AVX2_INLINE unsigned BlocksOfGroup(unsigned blocks, int n) {
  const unsigned first = kGroupBlocks * static_cast<unsigned>(n);
  if (blocks <= first) return 0;
  return blocks - first >= kGroupBlocks ? kGroupBlocks : blocks - first;
}

enum class TWork { Encrypt, Decrypt, DecryptCbc };

// Encryption holds (a, b, c, d) in W[0..3]; its output whitening stores
// (c, d, a, b), and decryption loads that order.
constexpr int kStraight[4] = {0, 1, 2, 3};
constexpr int kSwapped[4] = {2, 3, 0, 1};

// N groups, all rounds unrolled so that every subkey is read at a constant
// offset; with Partial, only the first `blocks` blocks are read and
// written. CBC decryption XORs each block with the ciphertext block before
// it, read before anything is stored (the data is transformed in place),
// and leaves the last ciphertext block in chain.
template <TWork Work, int N, bool Partial>
TOLVANE_AVX2_INLINE void Groups(const TTwofishKeyState& key, const unsigned char* in,
                                unsigned char* out, unsigned blocks, __m128i& chain) {
  constexpr bool Encrypt = Work == TWork::Encrypt;
  constexpr int first = Encrypt ? 0 : 4, last = Encrypt ? 4 : 0;
  const int (&inSlot)[4] = Encrypt ? kStraight : kSwapped;
  const int (&outSlot)[4] = Encrypt ? kSwapped : kStraight;
  TGroup g[N];
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    const unsigned mine = BlocksOfGroup(blocks, n);
    V r[4];
#pragma GCC unroll 4
    for (unsigned i = 0; i < 4; ++i) r[i] = LoadBlocks<Partial>(in + 128 * n + 32 * i, mine, i);
    Transpose(r);
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) g[n].W[inSlot[i]] = Xor(r[i], SubKey(key, first + i));
  }
  if constexpr (Encrypt) {
#pragma GCC unroll 16
    for (int round = 0; round < 16; round += 2) {
      Round<true, N, 0, 2>(key, 8 + 2 * round, g);
      Round<true, N, 2, 0>(key, 10 + 2 * round, g);
    }
  } else {
#pragma GCC unroll 16
    for (int round = 14; round >= 0; round -= 2) {
      Round<false, N, 2, 0>(key, 10 + 2 * round, g);
      Round<false, N, 0, 2>(key, 8 + 2 * round, g);
    }
  }
  V r[N][4];
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) r[n][i] = Xor(g[n].W[outSlot[i]], SubKey(key, last + i));
    Transpose(r[n]);
  }
  if constexpr (Work == TWork::DecryptCbc) {
    // Register i of group n holds blocks 8n + 2i and 8n + 2i + 1; the
    // ciphertext before them starts one block earlier, the first one's in
    // chain.
#pragma GCC unroll 4
    for (int n = 0; n < N; ++n) {
      const unsigned mine = BlocksOfGroup(blocks, n);
#pragma GCC unroll 4
      for (unsigned i = 0; i < 4; ++i) {
        V previous;
        if (n == 0 && i == 0) {
          const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
          previous = _mm256_inserti128_si256(_mm256_castsi128_si256(chain), here, 1);
        } else {
          previous = LoadBlocks<Partial>(in + 128 * n + 32 * i - 16, mine, i);
        }
        r[n][i] = Xor(r[n][i], previous);
      }
    }
    chain = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * (blocks - 1)));
  }
#pragma GCC unroll 4
  for (int n = 0; n < N; ++n) {
    const unsigned mine = BlocksOfGroup(blocks, n);
#pragma GCC unroll 4
    for (unsigned i = 0; i < 4; ++i) StoreBlocks<Partial>(out + 128 * n + 32 * i, mine, i, r[n][i]);
  }
}

// Full runs of kGroups groups, then the rest through the same rounds with
// masked loads and stores.
template <TWork Work>
TOLVANE_AVX2 [[gnu::noinline]] void Run(const TTwofishKeyState& key, const unsigned char* in,
                                        unsigned char* out, std::size_t blocks,
                                        unsigned char* iv) {
  constexpr unsigned step = kGroups * kGroupBlocks;
  __m128i chain = _mm_setzero_si128();
  if constexpr (Work == TWork::DecryptCbc) chain = _mm_loadu_si128(reinterpret_cast<__m128i*>(iv));
  for (; blocks >= step; blocks -= step, in += 16 * step, out += 16 * step)
    Groups<Work, kGroups, false>(key, in, out, step, chain);
  const auto rest = static_cast<unsigned>(blocks);
  if (rest > kGroupBlocks) {
    Groups<Work, 2, true>(key, in, out, rest, chain);
  } else if (rest > 0) {
    Groups<Work, 1, true>(key, in, out, rest, chain);
  }
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

void twofish_avx2::PairBoxes(TTwofishKeyState& state) noexcept {
  for (int pair = 0; pair < 2; ++pair)
    for (int row = 0; row < 16; ++row)
      for (int lane = 0; lane < 2; ++lane)
        std::memcpy(&state.BoxPairs[pair][row][16 * lane], &state.SBoxes[2 * pair + lane][16 * row],
                    16);
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
