// SPDX-License-Identifier: GPL-3.0-or-later
// Botan 2's Twofish on the same figures.

#include <botan/block_cipher.h>
#include <botan/cipher_mode.h>

#include <cstring>

#include "BenchCommon.h"

using namespace bench;

namespace {

void Cbc(benchmark::State& state, Botan::Cipher_Dir direction) {
  auto mode = Botan::Cipher_Mode::create_or_throw("Twofish/CBC/NoPadding", direction);
  mode->set_key(kKey, sizeof kKey);
  mode->start(kIV, sizeof kIV);
  alignas(64) std::uint8_t buf[kChunk];
  std::memcpy(buf, SampleChunk(), kChunk);
  for (auto _ : state) {
    mode->process(buf, kChunk);
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
}

void CbcEncrypt(benchmark::State& s) { Cbc(s, Botan::ENCRYPTION); }
void CbcDecrypt(benchmark::State& s) { Cbc(s, Botan::DECRYPTION); }

void EcbEncrypt(benchmark::State& state) {
  auto cipher = Botan::BlockCipher::create_or_throw("Twofish");
  cipher->set_key(kKey, sizeof kKey);
  alignas(64) std::uint8_t buf[kChunk];
  std::memcpy(buf, SampleChunk(), kChunk);
  for (auto _ : state) {
    cipher->encrypt_n(buf, buf, kChunk / 16);
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
}

void KeySetup(benchmark::State& state) {
  auto cipher = Botan::BlockCipher::create_or_throw("Twofish");
  for (auto _ : state) {
    cipher->set_key(kKey, sizeof kKey);
    benchmark::ClobberMemory();
  }
}

}  // namespace

TOLVANE_BENCH(Botan, CbcEncrypt4K, CbcEncrypt);
TOLVANE_BENCH(Botan, CbcDecrypt4K, CbcDecrypt);
TOLVANE_BENCH(Botan, EcbEncrypt4K, EcbEncrypt);
TOLVANE_BENCH(Botan, KeySetup, KeySetup);
