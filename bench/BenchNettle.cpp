// SPDX-License-Identifier: GPL-3.0-or-later
// nettle's Twofish (and SHA-1) on the same figures.

#include <nettle/cbc.h>
#include <nettle/sha1.h>
#include <nettle/twofish.h>

#include <cstring>

#include "BenchCommon.h"

using namespace bench;

namespace {

// nettle's CBC takes the block function through this generic type.
nettle_cipher_func* const kEncrypt = reinterpret_cast<nettle_cipher_func*>(
    reinterpret_cast<void (*)()>(&nettle_twofish_encrypt));
nettle_cipher_func* const kDecrypt = reinterpret_cast<nettle_cipher_func*>(
    reinterpret_cast<void (*)()>(&nettle_twofish_decrypt));

void Cbc(benchmark::State& state, bool encrypt) {
  twofish_ctx ctx;
  twofish_set_key(&ctx, sizeof kKey, kKey);
  alignas(64) std::uint8_t buf[kChunk];
  std::memcpy(buf, SampleChunk(), kChunk);
  std::uint8_t iv[16];
  std::memcpy(iv, kIV, 16);
  for (auto _ : state) {
    if (encrypt)
      cbc_encrypt(&ctx, kEncrypt, 16, iv, kChunk, buf, buf);
    else
      cbc_decrypt(&ctx, kDecrypt, 16, iv, kChunk, buf, buf);
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
}

void CbcEncrypt(benchmark::State& s) { Cbc(s, true); }
void CbcDecrypt(benchmark::State& s) { Cbc(s, false); }

void EcbEncrypt(benchmark::State& state) {
  twofish_ctx ctx;
  twofish_set_key(&ctx, sizeof kKey, kKey);
  alignas(64) std::uint8_t buf[kChunk];
  std::memcpy(buf, SampleChunk(), kChunk);
  for (auto _ : state) {
    twofish_encrypt(&ctx, kChunk, buf, buf);
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
}

void KeySetup(benchmark::State& state) {
  twofish_ctx ctx;
  for (auto _ : state) {
    twofish_set_key(&ctx, sizeof kKey, kKey);
    benchmark::ClobberMemory();
  }
}

void Sha1(benchmark::State& state) {
  sha1_ctx ctx;
  std::uint8_t digest[SHA1_DIGEST_SIZE];
  for (auto _ : state) {
    sha1_init(&ctx);
    sha1_update(&ctx, kChunk, SampleChunk());
    sha1_digest(&ctx, sizeof digest, digest);
    benchmark::DoNotOptimize(digest);
  }
  ReportChunks(state);
}

}  // namespace

TOLVANE_BENCH(Nettle, CbcEncrypt4K, CbcEncrypt);
TOLVANE_BENCH(Nettle, CbcDecrypt4K, CbcDecrypt);
TOLVANE_BENCH(Nettle, EcbEncrypt4K, EcbEncrypt);
TOLVANE_BENCH(Nettle, KeySetup, KeySetup);
TOLVANE_BENCH(Nettle, Sha1_4K, Sha1);
