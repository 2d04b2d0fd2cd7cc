// The Twofish block transform (paper section 3.1, figure 1): whitening,
// 16 rounds of F, whitening; one block at a time or several interleaved.

#include <cstddef>
#include <cstdint>

#include "twofish/Twofish.h"
#include "twofish/TwofishRound.h"

using namespace twofish_round;

namespace {

// Enough independent blocks to hide the table-load latency without running
// out of general-purpose registers on x86-64.
constexpr int kInFlight = 2;

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

}  // namespace

void TTwofish::EncryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
  EncryptGroup<1>(K, in, out);
}

void TTwofish::DecryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
  DecryptGroup<1>(K, in, out);
}

void TTwofish::EncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
  for (; blocks >= kInFlight; blocks -= kInFlight, in += 16 * kInFlight, out += 16 * kInFlight)
    EncryptGroup<kInFlight>(K, in, out);
  if (blocks) EncryptGroup<1>(K, in, out);
}

void TTwofish::DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
  for (; blocks >= kInFlight; blocks -= kInFlight, in += 16 * kInFlight, out += 16 * kInFlight)
    DecryptGroup<kInFlight>(K, in, out);
  if (blocks) DecryptGroup<1>(K, in, out);
}

void TTwofish::EncryptBlocksCbc(std::uint8_t* data, std::size_t blocks, std::uint8_t iv[16]) const {
  if (blocks == 0) return;
  const std::uint32_t* k = K.SubKeys;
  // The chain stays in registers: the previous ciphertext words are XORed
  // straight into the next block's whitening.
  std::uint32_t v0 = LoadLE32(iv), v1 = LoadLE32(iv + 4), v2 = LoadLE32(iv + 8),
                v3 = LoadLE32(iv + 12);
  for (; blocks; --blocks, data += 16) {
    TBlockWords<1> w;
    w.a[0] = LoadLE32(data) ^ v0 ^ k[0];
    w.b[0] = LoadLE32(data + 4) ^ v1 ^ k[1];
    w.c[0] = LoadLE32(data + 8) ^ v2 ^ k[2];
    w.d[0] = LoadLE32(data + 12) ^ v3 ^ k[3];
    EncryptWords<1>(K, w);
    v0 = w.c[0] ^ k[4];
    v1 = w.d[0] ^ k[5];
    v2 = w.a[0] ^ k[6];
    v3 = w.b[0] ^ k[7];
    StoreLE32(data, v0);
    StoreLE32(data + 4, v1);
    StoreLE32(data + 8, v2);
    StoreLE32(data + 12, v3);
  }
  StoreLE32(iv, v0);
  StoreLE32(iv + 4, v1);
  StoreLE32(iv + 8, v2);
  StoreLE32(iv + 12, v3);
}
