// SPDX-License-Identifier: GPL-3.0-or-later
// libgcrypt's Twofish on the same figures.

#include <gcrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchCommon.h"

using namespace bench;

namespace {

void Init() {
  static const bool done = [] {
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)done;
}

gcry_cipher_hd_t Open(int mode) {
  Init();
  gcry_cipher_hd_t h = nullptr;
  if (gcry_cipher_open(&h, GCRY_CIPHER_TWOFISH, mode, 0) || gcry_cipher_setkey(h, kKey, sizeof kKey)) {
    std::fputs("libgcrypt: cannot open Twofish\n", stderr);
    std::exit(1);
  }
  if (mode == GCRY_CIPHER_MODE_CBC) gcry_cipher_setiv(h, kIV, sizeof kIV);
  return h;
}

void Figure(benchmark::State& state, int mode, bool encrypt) {
  gcry_cipher_hd_t h = Open(mode);
  alignas(64) std::uint8_t buf[kChunk];
  std::memcpy(buf, SampleChunk(), kChunk);
  for (auto _ : state) {
    if (encrypt)
      gcry_cipher_encrypt(h, buf, kChunk, nullptr, 0);
    else
      gcry_cipher_decrypt(h, buf, kChunk, nullptr, 0);
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
  gcry_cipher_close(h);
}

void CbcEncrypt(benchmark::State& s) { Figure(s, GCRY_CIPHER_MODE_CBC, true); }
void CbcDecrypt(benchmark::State& s) { Figure(s, GCRY_CIPHER_MODE_CBC, false); }
void EcbEncrypt(benchmark::State& s) { Figure(s, GCRY_CIPHER_MODE_ECB, true); }

void KeySetup(benchmark::State& state) {
  gcry_cipher_hd_t h = Open(GCRY_CIPHER_MODE_ECB);
  for (auto _ : state) {
    gcry_cipher_setkey(h, kKey, sizeof kKey);
    benchmark::ClobberMemory();
  }
  gcry_cipher_close(h);
}

}  // namespace

TOLVANE_BENCH(Gcrypt, CbcEncrypt4K, CbcEncrypt);
TOLVANE_BENCH(Gcrypt, CbcDecrypt4K, CbcDecrypt);
TOLVANE_BENCH(Gcrypt, EcbEncrypt4K, EcbEncrypt);
TOLVANE_BENCH(Gcrypt, KeySetup, KeySetup);
