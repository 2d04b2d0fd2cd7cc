// SPDX-License-Identifier: GPL-3.0-or-later
// q (paper section 4.3.5) is two rounds over the nibbles a and b of its
// input: a' = a ^ b and b' = a ^ ror4(b) ^ 8a into the 4-bit tables t0, t1,
// then the same into t2, t3. Every nibble map there is a byte shuffle with
// a 16-byte table, so 32 inputs go through a q at once. Between the stages
// of h the nibbles stay apart, with the stage's key byte folded into t2 and
// t3; after the last q, the MDS products come from t2 and t3 times the
// matrix entries, each the XOR of one shuffle per nibble.
//
// The g tables take 32 inputs per register, laid out so that the byte
// interleaves that form the table words leave them in order: lane 0 holds
// x = 4m, 4m + 1 and lane 1 holds x = 4m + 2, 4m + 3. The subkeys take 16
// inputs per lane, with Me's key bytes in lane 0 and Mo's in lane 1.
//
// Only the functions marked TOLVANE_AVX2 use AVX2 instructions; the file is
// compiled for the baseline CPU, so nothing of it can end up in code that
// runs before the CPU check.

#include "twofish/KeyScheduleAvx2.h"

#ifdef TOLVANE_HAVE_AVX2_KEY_SCHEDULE

#include <immintrin.h>

#include <array>
#include <cstdint>

#include "twofish/TwofishTables.h"
#include "util/SecureWipe.h"

#define TOLVANE_AVX2 [[gnu::target("avx2")]]
#define TOLVANE_AVX2_INLINE [[gnu::target("avx2"), gnu::always_inline]] inline

namespace {

using V = __m256i;
using twofish_detail::Mul5B;
using twofish_detail::MulEF;

constexpr std::uint8_t Ror4(int v) {
  return static_cast<std::uint8_t>(((v >> 1) | (v << 3)) & 0xF);
}
constexpr std::uint8_t AXor8A(int v) { return static_cast<std::uint8_t>((v ^ (v << 3)) & 0xF); }

// The 16-byte shuffle tables of q0 or q1: t0 to t3; t0 and t1 followed by
// the maps that the next round applies to them (a ^ 8a mod 16, ror4), so
// that its b' takes one shuffle per nibble; and for after the last q, t2
// and t3 (into the high nibble) times m = 1, 0x5B, 0xEF.
enum : int { T0, T1, T0AXor8A, T1Ror4, T2, T3, Low, High = Low + 3, TableCount = High + 3 };

struct TQShuffles {
  alignas(16) std::uint8_t Table[2][TableCount][16];
  alignas(16) std::uint8_t AXor8A[16];
  alignas(16) std::uint8_t Ror4[16];
};

constexpr std::uint8_t Times(int m, std::uint8_t v) {
  return m == 0 ? v : m == 1 ? Mul5B(v) : MulEF(v);
}

constexpr TQShuffles BuildShuffles() {
  TQShuffles s{};
  for (int q = 0; q < 2; ++q) {
    const auto& t = q == 0 ? twofish_detail::kQ0Nibbles : twofish_detail::kQ1Nibbles;
    for (int i = 0; i < 16; ++i) {
      auto& table = s.Table[q];
      table[T0][i] = t[0][i];
      table[T1][i] = t[1][i];
      table[T0AXor8A][i] = AXor8A(t[0][i]);
      table[T1Ror4][i] = Ror4(t[1][i]);
      table[T2][i] = t[2][i];
      table[T3][i] = t[3][i];
      for (int m = 0; m < 3; ++m) {
        table[Low + m][i] = Times(m, t[2][i]);
        table[High + m][i] = Times(m, static_cast<std::uint8_t>(t[3][i] << 4));
      }
    }
  }
  for (int i = 0; i < 16; ++i) {
    s.AXor8A[i] = AXor8A(i);
    s.Ror4[i] = Ror4(i);
  }
  return s;
}

alignas(64) constexpr TQShuffles kShuffles = BuildShuffles();

// The q of each stage as 0 or 1, and which product (1, 0x5B, 0xEF) is in
// each byte of column N's table words (MdsTables).
constexpr int QIndex(int q) { return q == Q0 ? 0 : 1; }
constexpr int kRowProduct[4][4] = {{0, 1, 2, 2}, {2, 2, 1, 0}, {1, 2, 0, 2}, {1, 0, 2, 1}};
// The byte that holds the product by 1, the S-box itself.
constexpr int kBoxRow[4] = {0, 3, 2, 1};

// x = 4m + r in byte j = 2m + r of lane 0 for r = 0, 1 and of lane 1 for
// r = 2, 3.
constexpr std::array<std::uint8_t, 32> InputOrder() {
  std::array<std::uint8_t, 32> order{};
  for (int j = 0; j < 16; ++j) {
    order[static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(4 * (j / 2) + j % 2);
    order[static_cast<std::size_t>(16 + j)] = static_cast<std::uint8_t>(4 * (j / 2) + j % 2 + 2);
  }
  return order;
}

alignas(32) constexpr std::array<std::uint8_t, 32> kInputOrder = InputOrder();

// 2j in byte j of lane 0 and 2j + 1 in lane 1.
constexpr std::array<std::uint8_t, 32> SubKeyInputs() {
  std::array<std::uint8_t, 32> x{};
  for (int j = 0; j < 16; ++j) {
    x[static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(2 * j);
    x[static_cast<std::size_t>(16 + j)] = static_cast<std::uint8_t>(2 * j + 1);
  }
  return x;
}

alignas(32) constexpr std::array<std::uint8_t, 32> kSubKeyInputs = SubKeyInputs();

TOLVANE_AVX2_INLINE V Table(const std::uint8_t (&bytes)[16]) {
  return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(bytes)));
}

TOLVANE_AVX2_INLINE V Shuffle(V table, V index) { return _mm256_shuffle_epi8(table, index); }

// Round one of q on the nibbles (a, b), and the inputs of round two.
template <int Q>
TOLVANE_AVX2_INLINE void RoundOne(V a, V b, V& a2, V& b2) {
  const auto& t = kShuffles.Table[Q];
  const V a1 = _mm256_xor_si256(a, b);
  const V b1 =
      _mm256_xor_si256(Shuffle(Table(kShuffles.AXor8A), a), Shuffle(Table(kShuffles.Ror4), b));
  a2 = _mm256_xor_si256(Shuffle(Table(t[T0]), a1), Shuffle(Table(t[T1]), b1));
  b2 = _mm256_xor_si256(Shuffle(Table(t[T0AXor8A]), a1), Shuffle(Table(t[T1Ror4]), b1));
}

// Round two's tables with a stage's key byte folded in: t2 ^ its low
// nibble, t3 ^ its high nibble, per column and stage.
struct TKeyedShuffles {
  V Low[4][4];
  V High[4][4];
};

// Column Col for the 32 inputs whose nibbles are (a, b): in rows[r], byte r
// of each of its table words, an MDS product of the S-box value.
template <int K, int Col>
TOLVANE_AVX2_INLINE void Column(const TKeyedShuffles& key, V a, V b, V (&rows)[4]) {
#pragma GCC unroll 4
  for (int s = 4 - K; s < 4; ++s) {
    V a2, b2;
    if (HStages[Col][s] == Q0)
      RoundOne<0>(a, b, a2, b2);
    else
      RoundOne<1>(a, b, a2, b2);
    b = Shuffle(key.Low[Col][s], a2);
    a = Shuffle(key.High[Col][s], b2);
  }
  constexpr int q = QIndex(HLastQ[Col]);
  V a2, b2;
  RoundOne<q>(a, b, a2, b2);
  V products[3];
#pragma GCC unroll 3
  for (int m = 0; m < 3; ++m)
    products[m] = _mm256_xor_si256(Shuffle(Table(kShuffles.Table[q][Low + m]), a2),
                                   Shuffle(Table(kShuffles.Table[q][High + m]), b2));
#pragma GCC unroll 4
  for (int r = 0; r < 4; ++r) rows[r] = products[kRowProduct[Col][r]];
}

// The 32 table words of rows, as four registers of input bytes 0-3, 4-7,
// 8-11 and 12-15 of each lane.
TOLVANE_AVX2_INLINE void Words(const V (&rows)[4], V (&words)[4]) {
  const V low01 = _mm256_unpacklo_epi8(rows[0], rows[1]);
  const V high01 = _mm256_unpackhi_epi8(rows[0], rows[1]);
  const V low23 = _mm256_unpacklo_epi8(rows[2], rows[3]);
  const V high23 = _mm256_unpackhi_epi8(rows[2], rows[3]);
  words[0] = _mm256_unpacklo_epi16(low01, low23);
  words[1] = _mm256_unpackhi_epi16(low01, low23);
  words[2] = _mm256_unpacklo_epi16(high01, high23);
  words[3] = _mm256_unpackhi_epi16(high01, high23);
}

// S-box bytes back in input order: 16-bit units alternate between the lanes.
TOLVANE_AVX2_INLINE void StoreBox(V box, std::uint8_t* out) {
  const __m128i low = _mm256_castsi256_si128(box), high = _mm256_extracti128_si256(box, 1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(low, high));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(low, high));
}

// Columns Col and Col + 1 for x = base .. base + 31.
template <int K, int Col, bool Boxes>
TOLVANE_AVX2_INLINE void Pair(const TKeyedShuffles& key, V a, V b, int base,
                              std::uint32_t (*pairs)[2], std::uint8_t (*boxes)[256]) {
  V rows0[4], rows1[4], words0[4], words1[4];
  Column<K, Col>(key, a, b, rows0);
  Column<K, Col + 1>(key, a, b, rows1);
  Words(rows0, words0);
  Words(rows1, words1);
#pragma GCC unroll 4
  for (int m = 0; m < 4; ++m) {
    _mm256_storeu_si256(reinterpret_cast<V*>(pairs[base + 8 * m]),
                        _mm256_unpacklo_epi32(words0[m], words1[m]));
    _mm256_storeu_si256(reinterpret_cast<V*>(pairs[base + 8 * m + 4]),
                        _mm256_unpackhi_epi32(words0[m], words1[m]));
  }
  if constexpr (Boxes) {
    StoreBox(rows0[kBoxRow[Col]], &boxes[Col][base]);
    StoreBox(rows1[kBoxRow[Col + 1]], &boxes[Col + 1][base]);
  }
}

// Subkeys 2i and 2i + 1 for i = first .. first + 15: h(2i, Me) in lane 0
// and h(2i + 1, Mo) in lane 1, all four columns, then the PHT (section
// 4.3.2, rho = 2^24 + 2^16 + 2^8 + 2^0).
template <int K>
TOLVANE_AVX2_INLINE void SubKeys(const TKeyedShuffles& key, int first, std::uint32_t* subKeys) {
  const V lowNibble = _mm256_set1_epi8(0x0F);
  const V x = _mm256_add_epi8(_mm256_load_si256(reinterpret_cast<const V*>(kSubKeyInputs.data())),
                              _mm256_set1_epi8(static_cast<char>(2 * first)));
  const V a = _mm256_and_si256(_mm256_srli_epi16(x, 4), lowNibble);
  const V b = _mm256_and_si256(x, lowNibble);
  V rows[4][4], sum[4], words[4];
  Column<K, 0>(key, a, b, rows[0]);
  Column<K, 1>(key, a, b, rows[1]);
  Column<K, 2>(key, a, b, rows[2]);
  Column<K, 3>(key, a, b, rows[3]);
#pragma GCC unroll 4
  for (int r = 0; r < 4; ++r)
    sum[r] = _mm256_xor_si256(_mm256_xor_si256(rows[0][r], rows[1][r]),
                              _mm256_xor_si256(rows[2][r], rows[3][r]));
  Words(sum, words);
#pragma GCC unroll 4
  for (int m = 0; m < 4; ++m) {
    const __m128i a32 = _mm256_castsi256_si128(words[m]);
    const __m128i b32 = _mm256_extracti128_si256(words[m], 1);
    const __m128i b8 = _mm_or_si128(_mm_slli_epi32(b32, 8), _mm_srli_epi32(b32, 24));
    const __m128i even = _mm_add_epi32(a32, b8);
    const __m128i sum2 = _mm_add_epi32(even, b8);
    const __m128i odd = _mm_or_si128(_mm_slli_epi32(sum2, 9), _mm_srli_epi32(sum2, 23));
    std::uint32_t* out = subKeys + 2 * (first + 4 * m);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(even, odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi32(even, odd));
  }
}

// Round two's tables for every column and stage, keyed with even[col][s] in
// lane 0 and odd[col][s] in lane 1: Me's and Mo's bytes for the subkeys,
// the S vector's in both lanes for the g tables.
template <int K>
TOLVANE_AVX2_INLINE void KeyShuffles(const std::uint8_t (&even)[4][4],
                                     const std::uint8_t (&odd)[4][4], TKeyedShuffles& key) {
  const V lowNibble = _mm256_set1_epi8(0x0F);
  for (int col = 0; col < 4; ++col)
    for (int s = 4 - K; s < 4; ++s) {
      const auto& t = kShuffles.Table[QIndex(HStages[col][s])];
      const V bytes = _mm256_inserti128_si256(
          _mm256_castsi128_si256(_mm_set1_epi8(static_cast<char>(even[col][s]))),
          _mm_set1_epi8(static_cast<char>(odd[col][s])), 1);
      key.Low[col][s] = _mm256_xor_si256(Table(t[T2]), _mm256_and_si256(bytes, lowNibble));
      key.High[col][s] =
          _mm256_xor_si256(Table(t[T3]), _mm256_and_si256(_mm256_srli_epi16(bytes, 4), lowNibble));
    }
}

// The whole schedule, in a frame of its own that the caller then wipes.
// Key bytes by column and stage: stage s XORs in list word 3 - s.
template <int K, bool Boxes>
TOLVANE_AVX2 [[gnu::noinline]] void Kernel(const std::uint8_t* keyArea, TTwofishKeyState& state) {
  std::uint8_t me[4][4], mo[4][4], s[4][4];
  for (int col = 0; col < 4; ++col)
    for (int stage = 0; stage < 4; ++stage) {
      me[col][stage] = keyArea[8 * (3 - stage) + col];
      mo[col][stage] = keyArea[8 * (3 - stage) + 4 + col];
      s[col][stage] = static_cast<std::uint8_t>(state.SBoxKeys[3 - stage] >> (8 * col));
    }
  TKeyedShuffles key;
  KeyShuffles<K>(me, mo, key);
  SubKeys<K>(key, 0, state.SubKeys);
  // i = 4 .. 15 once more, for the same values.
  SubKeys<K>(key, 4, state.SubKeys);

  KeyShuffles<K>(s, s, key);
  const V lowNibble = _mm256_set1_epi8(0x0F);
  const V order = _mm256_load_si256(reinterpret_cast<const V*>(kInputOrder.data()));
  const V b = _mm256_and_si256(order, lowNibble);
  const V a0 = _mm256_and_si256(_mm256_srli_epi16(order, 4), lowNibble);
  for (int base = 0; base < 256; base += 32) {
    const V a = _mm256_add_epi8(a0, _mm256_set1_epi8(static_cast<char>(base >> 4)));
    Pair<K, 0, Boxes>(key, a, b, base, state.KeyTables01, state.SBoxes);
    Pair<K, 2, Boxes>(key, a, b, base, state.KeyTables23, state.SBoxes);
  }
}

template <int K>
TOLVANE_AVX2_INLINE void Run(const std::uint8_t* keyArea, bool boxes, TTwofishKeyState& state) {
  if (boxes)
    Kernel<K, true>(keyArea, state);
  else
    Kernel<K, false>(keyArea, state);
}

// Zeroes the stack where the kernel's frame was, as a frame of its own at
// the same depth: the kernel's is under 2.6 KiB of key bytes, keyed
// shuffles, spilled and saved registers in the code built for Linux and
// for Windows.
[[gnu::noinline]] void WipeKernelStack() {
  std::uint8_t area[3072];
  SecureWipe(area, sizeof area);
}

}  // namespace

bool twofish_avx2::Available() noexcept {
  // libgcc's check includes the OS saving the YMM registers (XGETBV).
  static const bool available = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return available;
}

TOLVANE_AVX2 void twofish_avx2::ExpandKey(const std::uint8_t* keyArea, int words, bool boxes,
                                          TTwofishKeyState& state) {
  switch (words) {
    case 2: Run<2>(keyArea, boxes, state); break;
    case 3: Run<3>(keyArea, boxes, state); break;
    default: Run<4>(keyArea, boxes, state); break;
  }
  // Nothing of the key stays behind: not on the kernel's stack, in a vector
  // register or in a scratch general-purpose register.
  WipeKernelStack();
  __asm__ volatile(
      "vzeroall\n\t"
      "xor %%eax, %%eax\n\txor %%ecx, %%ecx\n\txor %%edx, %%edx\n\t"
      "xor %%r8d, %%r8d\n\txor %%r9d, %%r9d\n\txor %%r10d, %%r10d\n\txor %%r11d, %%r11d"
      :
      :
      : "rax", "rcx", "rdx", "r8", "r9", "r10", "r11", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4",
        "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14",
        "xmm15", "cc");
}

#endif
