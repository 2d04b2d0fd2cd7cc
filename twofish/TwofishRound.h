// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Twofish round function F (paper section 4.1) over the key-dependent g
// tables, written as two-round passes: instead of exchanging the word pairs
// after every round, the pairs (a, b) and (c, d) take turns as the input of g.

#include <bit>
#include <cstdint>

#include "twofish/ByteOrder.h"
#include "twofish/ForceInline.h"
#include "twofish/Twofish.h"

// An empty asm that claims to change x: the compiler can no longer fold the
// sums around it, so a subkey is added to the g output that is ready first
// while the other's loads are still in flight, off the round's critical path.
#if defined(__GNUC__)
#define TOLVANE_OPAQUE(x) __asm__("" : "+r"(x))
#else
#define TOLVANE_OPAQUE(x) ((void)0)
#endif

namespace twofish_round {

TOLVANE_ALWAYS_INLINE std::uint32_t Byte0(std::uint32_t x) { return x & 0xFF; }
TOLVANE_ALWAYS_INLINE std::uint32_t Byte1(std::uint32_t x) { return (x >> 8) & 0xFF; }

// g(x): one lookup per byte, the XORs as a tree of depth two. The upper two
// bytes come from one shifted copy, as its low and second byte.
TOLVANE_ALWAYS_INLINE std::uint32_t G0(const TTwofishKeyState& key, std::uint32_t x) {
  const std::uint32_t hi = x >> 16;
  return (key.KeyTables01[Byte0(x)][0] ^ key.KeyTables01[Byte1(x)][1]) ^
         (key.KeyTables23[Byte0(hi)][0] ^ key.KeyTables23[Byte1(hi)][1]);
}

// g(ROL(x, 8)) without the rotate: byte i of the rotated word is byte i-1 of x.
TOLVANE_ALWAYS_INLINE std::uint32_t G1(const TTwofishKeyState& key, std::uint32_t x) {
  const std::uint32_t hi = x >> 16;
  return (key.KeyTables01[Byte1(hi)][0] ^ key.KeyTables01[Byte0(x)][1]) ^
         (key.KeyTables23[Byte1(x)][0] ^ key.KeyTables23[Byte0(hi)][1]);
}

// One encryption round: g of (x0, x1) is mixed into (y0, y1) with the round's
// two subkeys. x1 comes from the previous round's shorter path (a rotate
// before its XOR, not after), so T1 is ready first: the subkeys go onto T1
// while T0's loads are in flight, leaving one addition between T0 and the
// next round's table loads.
TOLVANE_ALWAYS_INLINE void EncryptRound(const TTwofishKeyState& key, const std::uint32_t* k,
                                        std::uint32_t x0, std::uint32_t x1, std::uint32_t& y0,
                                        std::uint32_t& y1) {
  const std::uint32_t t1 = G1(key, x1);
  std::uint32_t f0 = t1 + k[0], f1 = 2 * t1 + k[1];
  TOLVANE_OPAQUE(f0);
  TOLVANE_OPAQUE(f1);
  const std::uint32_t t0 = G0(key, x0);
  y1 = std::rotl(y1, 1);
  y0 = std::rotr(y0 ^ (t0 + f0), 1);
  y1 ^= t0 + f1;
}

// The inverse round: same F, applied with the rotations undone. Here x0 is
// the word of the shorter path, so the subkeys go onto T0.
TOLVANE_ALWAYS_INLINE void DecryptRound(const TTwofishKeyState& key, const std::uint32_t* k,
                                        std::uint32_t x0, std::uint32_t x1, std::uint32_t& y0,
                                        std::uint32_t& y1) {
  const std::uint32_t t0 = G0(key, x0);
  std::uint32_t f0 = t0 + k[0], f1 = t0 + k[1];
  TOLVANE_OPAQUE(f0);
  TOLVANE_OPAQUE(f1);
  const std::uint32_t t1 = G1(key, x1);
  y0 = std::rotl(y0, 1);
  y0 ^= f0 + t1;
  y1 = std::rotr(y1 ^ (f1 + 2 * t1), 1);
}

// N blocks in flight: their rounds are independent, so the loads of one
// block's g overlap the other blocks' additions and rotations.
template <int N>
struct TBlockWords {
  std::uint32_t a[N], b[N], c[N], d[N];
};

template <int N>
TOLVANE_ALWAYS_INLINE void EncryptWords(const TTwofishKeyState& key, TBlockWords<N>& w) {
  const std::uint32_t* k = key.SubKeys;
#pragma GCC unroll 8
  for (int r = 0; r < 16; r += 2) {
#pragma GCC unroll 4
    for (int i = 0; i < N; ++i) EncryptRound(key, k + 8 + 2 * r, w.a[i], w.b[i], w.c[i], w.d[i]);
#pragma GCC unroll 4
    for (int i = 0; i < N; ++i) EncryptRound(key, k + 10 + 2 * r, w.c[i], w.d[i], w.a[i], w.b[i]);
  }
}

template <int N>
TOLVANE_ALWAYS_INLINE void DecryptWords(const TTwofishKeyState& key, TBlockWords<N>& w) {
  const std::uint32_t* k = key.SubKeys;
#pragma GCC unroll 8
  for (int r = 14; r >= 0; r -= 2) {
#pragma GCC unroll 4
    for (int i = 0; i < N; ++i) DecryptRound(key, k + 10 + 2 * r, w.c[i], w.d[i], w.a[i], w.b[i]);
#pragma GCC unroll 4
    for (int i = 0; i < N; ++i) DecryptRound(key, k + 8 + 2 * r, w.a[i], w.b[i], w.c[i], w.d[i]);
  }
}

// Input whitening of encryption: R_i = P_i ^ K_i.
template <int N>
TOLVANE_ALWAYS_INLINE void LoadForEncrypt(const std::uint32_t* k, const std::uint8_t* in,
                                          TBlockWords<N>& w) {
  for (int i = 0; i < N; ++i) {
    const std::uint8_t* p = in + 16 * i;
    w.a[i] = LoadLE32(p) ^ k[0];
    w.b[i] = LoadLE32(p + 4) ^ k[1];
    w.c[i] = LoadLE32(p + 8) ^ k[2];
    w.d[i] = LoadLE32(p + 12) ^ k[3];
  }
}

// Output whitening of encryption: the last round's exchange is undone by
// storing (c, d, a, b).
template <int N>
TOLVANE_ALWAYS_INLINE void StoreFromEncrypt(const std::uint32_t* k, const TBlockWords<N>& w,
                                            std::uint8_t* out) {
  for (int i = 0; i < N; ++i) {
    std::uint8_t* p = out + 16 * i;
    StoreLE32(p, w.c[i] ^ k[4]);
    StoreLE32(p + 4, w.d[i] ^ k[5]);
    StoreLE32(p + 8, w.a[i] ^ k[6]);
    StoreLE32(p + 12, w.b[i] ^ k[7]);
  }
}

template <int N>
TOLVANE_ALWAYS_INLINE void LoadForDecrypt(const std::uint32_t* k, const std::uint8_t* in,
                                          TBlockWords<N>& w) {
  for (int i = 0; i < N; ++i) {
    const std::uint8_t* p = in + 16 * i;
    w.c[i] = LoadLE32(p) ^ k[4];
    w.d[i] = LoadLE32(p + 4) ^ k[5];
    w.a[i] = LoadLE32(p + 8) ^ k[6];
    w.b[i] = LoadLE32(p + 12) ^ k[7];
  }
}

template <int N>
TOLVANE_ALWAYS_INLINE void StoreFromDecrypt(const std::uint32_t* k, const TBlockWords<N>& w,
                                            std::uint8_t* out) {
  for (int i = 0; i < N; ++i) {
    std::uint8_t* p = out + 16 * i;
    StoreLE32(p, w.a[i] ^ k[0]);
    StoreLE32(p + 4, w.b[i] ^ k[1]);
    StoreLE32(p + 8, w.c[i] ^ k[2]);
    StoreLE32(p + 12, w.d[i] ^ k[3]);
  }
}

}  // namespace twofish_round
