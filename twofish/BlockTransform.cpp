// SPDX-License-Identifier: GPL-3.0-or-later
// The Twofish block transform (paper section 3.1, figure 1): whitening,
// 16 rounds of F, whitening; one block at a time or several interleaved.

#include <cstddef>
#include <cstdint>

#include "twofish/BlockPath.h"
#include "twofish/BlockTransformAvx2.h"
#include "twofish/BlockTransformAvx512.h"
#include "twofish/Twofish.h"
#include "twofish/TwofishRound.h"

using namespace twofish_round;

namespace {

// Enough independent blocks to hide the table-load latency without running
// out of general-purpose registers on x86-64 (measured: 3 beats 2 and 4).
constexpr int kInFlight = 3;

template <int N>
TOLVANE_ALWAYS_INLINE void EncryptGroup(const TTwofishKeyState& key, const std::uint8_t* in,
                                        std::uint8_t* out) {
  TBlockWords<N> w;
  LoadForEncrypt<N>(key.SubKeys, in, w);
  EncryptWords<N>(key, w);
  StoreFromEncrypt<N>(key.SubKeys, w, out);
}

template <int N>
TOLVANE_ALWAYS_INLINE void DecryptGroup(const TTwofishKeyState& key, const std::uint8_t* in,
                                        std::uint8_t* out) {
  TBlockWords<N> w;
  LoadForDecrypt<N>(key.SubKeys, in, w);
  DecryptWords<N>(key, w);
  StoreFromDecrypt<N>(key.SubKeys, w, out);
}

template <bool Encrypt, int N>
TOLVANE_ALWAYS_INLINE void TransformGroup(const TTwofishKeyState& key, const std::uint8_t* in,
                                          std::uint8_t* out) {
  if constexpr (Encrypt) {
    EncryptGroup<N>(key, in, out);
  } else {
    DecryptGroup<N>(key, in, out);
  }
}

// A table-free path takes every block, the tail included, so that no table
// is read; elsewhere the portable code takes them all.
template <bool Encrypt>
TOLVANE_ALWAYS_INLINE void TransformBlocks(const TTwofishKeyState& key, const std::uint8_t* in,
                                           std::uint8_t* out, std::size_t blocks) {
  switch (ActiveBlockPath()) {
#ifdef TOLVANE_HAVE_AVX512_PATH
    case TBlockPath::Avx512:
      if (blocks != 0)
        (Encrypt ? twofish_avx512::EncryptBlocks : twofish_avx512::DecryptBlocks)(key, in, out,
                                                                                  blocks);
      return;
#endif
#ifdef TOLVANE_HAVE_AVX2_PATH
    case TBlockPath::Avx2:
      if (blocks != 0)
        (Encrypt ? twofish_avx2::EncryptBlocks : twofish_avx2::DecryptBlocks)(key, in, out, blocks);
      return;
#endif
    default: break;
  }
  for (; blocks >= kInFlight; blocks -= kInFlight, in += 16 * kInFlight, out += 16 * kInFlight)
    TransformGroup<Encrypt, kInFlight>(key, in, out);
  if (blocks == 2)
    TransformGroup<Encrypt, 2>(key, in, out);
  else if (blocks == 1)
    TransformGroup<Encrypt, 1>(key, in, out);
}

}  // namespace

void TTwofish::EncryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
  EncryptGroup<1>(K, in, out);
}

void TTwofish::DecryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
  DecryptGroup<1>(K, in, out);
}

void TTwofish::EncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
  TransformBlocks<true>(K, in, out, blocks);
}

void TTwofish::DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
  TransformBlocks<false>(K, in, out, blocks);
}

void TTwofish::EncryptBlocksCbc(std::uint8_t* data, std::size_t blocks, std::uint8_t iv[16]) const {
  if (blocks == 0) return;
  const std::uint32_t* k = K.SubKeys;
  // The chain runs on the words before output whitening: the next block's
  // input is P ^ (R ^ K4..7) ^ K0..3, so the plaintext and both whitening
  // keys are combined off the chain and one XOR joins them to it.
  const std::uint32_t w0 = k[0] ^ k[4], w1 = k[1] ^ k[5], w2 = k[2] ^ k[6], w3 = k[3] ^ k[7];
  // The IV stands for the previous ciphertext block; undoing its output
  // whitening is what the decryption's load does.
  TBlockWords<1> w;
  LoadForDecrypt<1>(k, iv, w);
  for (; blocks; --blocks, data += 16) {
    std::uint32_t a = LoadLE32(data) ^ w0, b = LoadLE32(data + 4) ^ w1;
    std::uint32_t c = LoadLE32(data + 8) ^ w2, d = LoadLE32(data + 12) ^ w3;
    TOLVANE_OPAQUE(a);
    TOLVANE_OPAQUE(b);
    TOLVANE_OPAQUE(c);
    TOLVANE_OPAQUE(d);
    std::uint32_t na = w.c[0] ^ a, nb = w.d[0] ^ b, nc = w.a[0] ^ c, nd = w.b[0] ^ d;
    // The first round XORs c and d after its g outputs: join them to the
    // chain beforehand, not on the round's critical path.
    TOLVANE_OPAQUE(nc);
    TOLVANE_OPAQUE(nd);
    w.a[0] = na;
    w.b[0] = nb;
    w.c[0] = nc;
    w.d[0] = nd;
    EncryptWords<1>(K, w);
    StoreFromEncrypt<1>(k, w, data);
  }
  StoreFromEncrypt<1>(k, w, iv);
}
