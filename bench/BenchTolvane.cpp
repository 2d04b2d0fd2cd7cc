// SPDX-License-Identifier: GPL-3.0-or-later
// Our figures, through the calls the product makes: SetKey, SetIV and the
// buffer transforms over the component's own 4 KiB chunk buffer, and the
// SHA-1 digest; the file figures are in BenchFiles.cpp. The "TolvaneCore"
// figures call the block transform's batch functions directly, to show what
// the component adds; the "TolvanePortable" figures force the portable block
// path, to show what the vector path gains in the same run.

#include <cstring>
#include <string>

#include "BenchCommon.h"
#include "sha/SHA.h"
#include "twofish/BlockPath.h"
#include "twofish/Twofish.h"

using namespace bench;

namespace {

const std::string kKeyText(reinterpret_cast<const char*>(kKey), sizeof kKey);
const std::string kIVText(reinterpret_cast<const char*>(kIV), sizeof kIV);

void Prepare(TTwofish& t, TCipherMode mode) {
  t.SetKeySize(TKeySize::Large256);
  t.SetCipherMode(mode);
  t.SetKey(kKeyText);
  t.SetIV(kIVText);
  std::memcpy(t.Buffer(), SampleChunk(), kChunk);
}

void BufferFigure(benchmark::State& state, TCipherMode mode, bool encrypt) {
  static TTwofish t;  // 8 KiB of state: keep it off the stack, like the product
  Prepare(t, mode);
  for (auto _ : state) {
    if (encrypt)
      t.EncryptBuffer(static_cast<int>(kChunk));
    else
      t.DecryptBuffer(static_cast<int>(kChunk));
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
  t.Wipe();
}

void CbcEncrypt(benchmark::State& s) { BufferFigure(s, TCipherMode::CBC, true); }
void CbcDecrypt(benchmark::State& s) { BufferFigure(s, TCipherMode::CBC, false); }
void EcbEncrypt(benchmark::State& s) { BufferFigure(s, TCipherMode::ECB, true); }

// The same figure with the batches on the portable path.
void PortableFigure(benchmark::State& state, TCipherMode mode, bool encrypt) {
  const TBlockPath before = ActiveBlockPath();
  SelectBlockPath(TBlockPath::Portable);
  BufferFigure(state, mode, encrypt);
  SelectBlockPath(before);
}

void PortableCbcDecrypt(benchmark::State& s) { PortableFigure(s, TCipherMode::CBC, false); }
void PortableEcbEncrypt(benchmark::State& s) { PortableFigure(s, TCipherMode::ECB, true); }

// Which block path the other figures ran on, in the run's context.
const bool kPathNoted = [] {
  const TBlockPath path = ActiveBlockPath();
  benchmark::AddCustomContext("tolvane_block_path", path == TBlockPath::Avx512 ? "avx512"
                                                    : path == TBlockPath::Avx2 ? "avx2"
                                                                               : "portable");
  return true;
}();

void KeySetup(benchmark::State& state) {
  static TTwofish t;
  t.SetKeySize(TKeySize::Large256);
  for (auto _ : state) {
    t.SetKey(kKeyText);
    benchmark::ClobberMemory();
  }
  t.Wipe();
}

void Sha1(benchmark::State& state) {
  TSHA sha;
  sha.SetHashType(THashType::htSHA1);
  for (auto _ : state) {
    sha.Init();
    sha.Update(SampleChunk(), static_cast<std::uint32_t>(kChunk));
    sha.Final();
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
}

// The block core alone, on the same chunk.
void CoreFigure(benchmark::State& state, int which) {
  static TTwofish t;
  Prepare(t, TCipherMode::ECB);
  std::uint8_t* data = t.Buffer();
  std::uint8_t iv[16];
  std::memcpy(iv, kIV, 16);
  for (auto _ : state) {
    if (which == 0)
      t.EncryptBlocksCbc(data, kChunk / 16, iv);
    else if (which == 1)
      t.EncryptBlocks(data, data, kChunk / 16);
    else
      t.DecryptBlocks(data, data, kChunk / 16);
    benchmark::ClobberMemory();
  }
  ReportChunks(state);
  t.Wipe();
}

void CoreCbcEncrypt(benchmark::State& s) { CoreFigure(s, 0); }
void CoreEcbEncrypt(benchmark::State& s) { CoreFigure(s, 1); }
void CoreEcbDecrypt(benchmark::State& s) { CoreFigure(s, 2); }

}  // namespace

TOLVANE_BENCH(Tolvane, CbcEncrypt4K, CbcEncrypt);
TOLVANE_BENCH(Tolvane, CbcDecrypt4K, CbcDecrypt);
TOLVANE_BENCH(Tolvane, EcbEncrypt4K, EcbEncrypt);
TOLVANE_BENCH(Tolvane, KeySetup, KeySetup);
TOLVANE_BENCH(Tolvane, Sha1_4K, Sha1);
TOLVANE_BENCH(TolvanePortable, CbcDecrypt4K, PortableCbcDecrypt);
TOLVANE_BENCH(TolvanePortable, EcbEncrypt4K, PortableEcbEncrypt);
TOLVANE_BENCH(TolvaneCore, CbcEncrypt4K, CoreCbcEncrypt);
TOLVANE_BENCH(TolvaneCore, EcbEncrypt4K, CoreEcbEncrypt);
TOLVANE_BENCH(TolvaneCore, EcbDecrypt4K, CoreEcbDecrypt);
