// SPDX-License-Identifier: GPL-3.0-or-later
// Crypto++'s Twofish on the same figures.

#include <cryptopp/modes.h>
#include <cryptopp/twofish.h>

#include <cstring>

#include "BenchCommon.h"

using namespace bench;

namespace {

template <typename TMode>
void Figure(benchmark::State& state, TMode& mode) {
  alignas(64) CryptoPP::byte buf[kChunk];
  std::memcpy(buf, SampleChunk(), kChunk);
  for (auto _ : state) {
    mode.ProcessData(buf, buf, kChunk);
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
}

void CbcEncrypt(benchmark::State& s) {
  CryptoPP::CBC_Mode<CryptoPP::Twofish>::Encryption mode(kKey, sizeof kKey, kIV);
  Figure(s, mode);
}
void CbcDecrypt(benchmark::State& s) {
  CryptoPP::CBC_Mode<CryptoPP::Twofish>::Decryption mode(kKey, sizeof kKey, kIV);
  Figure(s, mode);
}
void EcbEncrypt(benchmark::State& s) {
  CryptoPP::ECB_Mode<CryptoPP::Twofish>::Encryption mode(kKey, sizeof kKey);
  Figure(s, mode);
}

void KeySetup(benchmark::State& state) {
  CryptoPP::Twofish::Encryption cipher;
  for (auto _ : state) {
    cipher.SetKey(kKey, sizeof kKey);
    benchmark::ClobberMemory();
  }
}

}  // namespace

TOLVANE_BENCH(Cryptopp, CbcEncrypt4K, CbcEncrypt);
TOLVANE_BENCH(Cryptopp, CbcDecrypt4K, CbcDecrypt);
TOLVANE_BENCH(Cryptopp, EcbEncrypt4K, EcbEncrypt);
TOLVANE_BENCH(Cryptopp, KeySetup, KeySetup);
