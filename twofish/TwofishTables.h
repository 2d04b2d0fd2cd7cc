// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fixed tables of the Twofish definition (Schneier et al., "Twofish: A 128-Bit
// Block Cipher", 1998), built at compile time from the paper's own
// definitions rather than pasted as hex.

#include <array>
#include <cstdint>

namespace twofish_detail {

// Paper section 4.3.5: q0 and q1 are each built from four 4-bit permutations
// t0..t3 in a small Feistel-like network over the two nibbles of x.
inline constexpr std::uint8_t kQ0Nibbles[4][16] = {
    {0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
    {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
    {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
    {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}};
inline constexpr std::uint8_t kQ1Nibbles[4][16] = {
    {0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
    {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
    {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
    {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}};

constexpr std::uint8_t Ror4(std::uint8_t v) {
  return static_cast<std::uint8_t>(((v >> 1) | (v << 3)) & 0xF);
}

constexpr std::uint8_t QPermute(const std::uint8_t (&t)[4][16], std::uint8_t x) {
  std::uint8_t a = static_cast<std::uint8_t>(x >> 4), b = static_cast<std::uint8_t>(x & 0xF);
  for (int half = 0; half < 2; ++half) {
    const std::uint8_t a1 = a ^ b;
    const std::uint8_t b1 = static_cast<std::uint8_t>((a ^ Ror4(b) ^ (a << 3)) & 0xF);
    a = t[2 * half][a1];
    b = t[2 * half + 1][b1];
  }
  return static_cast<std::uint8_t>((b << 4) | a);
}

// Section 4.3.2 reduces the MDS products modulo v(x) = x^8+x^6+x^5+x^3+1
// (0x169). Multiplying by 0x5B and 0xEF is done with the two shift-register
// steps x^-1 and x^-2 of that field, the way the paper's reference code does.
constexpr std::uint8_t MdsHalf(std::uint8_t v) {
  return static_cast<std::uint8_t>((v >> 1) ^ ((v & 1) ? 0xB4 : 0));
}
constexpr std::uint8_t MdsQuarter(std::uint8_t v) {
  return static_cast<std::uint8_t>((v >> 2) ^ ((v & 2) ? 0xB4 : 0) ^ ((v & 1) ? 0x5A : 0));
}
constexpr std::uint8_t Mul5B(std::uint8_t v) { return v ^ MdsQuarter(v); }
constexpr std::uint8_t MulEF(std::uint8_t v) {
  return static_cast<std::uint8_t>(v ^ MdsHalf(v) ^ MdsQuarter(v));
}

constexpr std::uint32_t Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  return std::uint32_t{b0} | (std::uint32_t{b1} << 8) | (std::uint32_t{b2} << 16) |
         (std::uint32_t{b3} << 24);
}

constexpr std::array<std::uint8_t, 512> BuildQTable() {
  std::array<std::uint8_t, 512> q{};
  for (int x = 0; x < 256; ++x) {
    q[static_cast<std::size_t>(x)] = QPermute(kQ0Nibbles, static_cast<std::uint8_t>(x));
    q[static_cast<std::size_t>(256 + x)] = QPermute(kQ1Nibbles, static_cast<std::uint8_t>(x));
  }
  return q;
}

}  // namespace twofish_detail

// q0 for indexes 0..255, then q1 for 256..511. Aligned so that the key
// schedule can read it four bytes at a time.
alignas(64) inline constexpr std::array<std::uint8_t, 512> QTable = twofish_detail::BuildQTable();
inline constexpr int Q0 = 0;
inline constexpr int Q1 = 256;

// The q stages of h per byte column (section 4.3.2, figure 2), outermost
// first. Stage s is followed by the XOR with key word L[3-s]; a key of k
// words uses stages 4-k..3. Then comes the q of HLastQ, which MdsTables
// folds into the MDS multiply.
inline constexpr int HStages[4][4] = {
    {Q1, Q1, Q0, Q0}, {Q0, Q1, Q1, Q0}, {Q0, Q0, Q0, Q1}, {Q1, Q0, Q1, Q1}};
inline constexpr int HLastQ[4] = {Q1, Q0, Q1, Q0};

namespace twofish_detail {

// Column N of the MDS matrix (section 4.2) applied to the last q stage of h;
// byte j of the word is row j. Columns 0 and 2 end in q1, 1 and 3 in q0.
constexpr std::array<std::array<std::uint32_t, 256>, 4> BuildMdsTables() {
  std::array<std::array<std::uint32_t, 256>, 4> mt{};
  for (std::size_t x = 0; x < 256; ++x) {
    const std::uint8_t p1 = QTable[256 + x], p0 = QTable[x];
    mt[0][x] = Word(p1, Mul5B(p1), MulEF(p1), MulEF(p1));
    mt[1][x] = Word(MulEF(p0), MulEF(p0), Mul5B(p0), p0);
    mt[2][x] = Word(Mul5B(p1), MulEF(p1), p1, MulEF(p1));
    mt[3][x] = Word(Mul5B(p0), p0, MulEF(p0), Mul5B(p0));
  }
  return mt;
}

}  // namespace twofish_detail

// MT0..MT3: MDS column N times q(x), used by the key schedule to fold the last
// q stage and the MDS multiplication of h into one lookup.
alignas(64) inline constexpr std::array<std::array<std::uint32_t, 256>, 4> MdsTables =
    twofish_detail::BuildMdsTables();

static_assert(QTable[0] == 0xA9 && QTable[1] == 0x67 && QTable[2] == 0xB3 && QTable[3] == 0xE8);
static_assert(QTable[256] == 0x75 && QTable[257] == 0xF3 && QTable[258] == 0xC6 &&
              QTable[259] == 0xF4);
static_assert(MdsTables[0][0] == 0xBCBC3275);
