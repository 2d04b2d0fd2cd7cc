// SPDX-License-Identifier: GPL-3.0-or-later
// The block paths side by side in one run, one thread, in memory: ECB
// decryption of 64 KiB, CBC decryption and ECB encryption of 16 MiB, each
// on every path this CPU can run ("TolvanePaths/<figure>/<path>"), through
// the batch calls the file transform makes.

#include <cstring>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "twofish/BlockPath.h"
#include "twofish/Twofish.h"

using namespace bench;

namespace {

enum class TFigure { EcbDecrypt, CbcDecrypt, EcbEncrypt };

void PathFigure(benchmark::State& state, TBlockPath path, TFigure figure, std::size_t bytes) {
  static TTwofish t;
  t.SetKeySize(TKeySize::Large256);
  t.SetKey(std::string(reinterpret_cast<const char*>(kKey), sizeof kKey));
  std::vector<std::uint8_t> data(bytes);
  for (std::size_t i = 0; i < bytes; i += kChunk)
    std::memcpy(data.data() + i, SampleChunk(), kChunk);
  const TBlockPath before = ActiveBlockPath();
  SelectBlockPath(path);
  std::uint8_t iv[16];
  std::memcpy(iv, kIV, sizeof iv);
  for (auto _ : state) {
    switch (figure) {
      case TFigure::EcbDecrypt: t.DecryptBlocks(data.data(), data.data(), bytes / 16); break;
      case TFigure::CbcDecrypt: t.DecryptBlocksCbc(data.data(), bytes / 16, iv); break;
      case TFigure::EcbEncrypt: t.EncryptBlocks(data.data(), data.data(), bytes / 16); break;
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  SelectBlockPath(before);
  t.Wipe();
}

const char* PathLabel(TBlockPath path) {
  switch (path) {
    case TBlockPath::Avx2: return "avx2";
    case TBlockPath::Avx512: return "avx512";
    case TBlockPath::Portable: break;
  }
  return "portable";
}

const bool kRegistered = [] {
  struct {
    const char* Name;
    TFigure Figure;
    std::size_t Bytes;
  } const figures[] = {{"EcbDecrypt64K", TFigure::EcbDecrypt, 64 * 1024},
                       {"CbcDecrypt16M", TFigure::CbcDecrypt, 16 * 1024 * 1024},
                       {"EcbEncrypt16M", TFigure::EcbEncrypt, 16 * 1024 * 1024}};
  for (const auto& f : figures) {
    for (TBlockPath path : {TBlockPath::Portable, TBlockPath::Avx2, TBlockPath::Avx512}) {
      if (!BlockPathAvailable(path)) continue;
      const std::string name = std::string("TolvanePaths/") + f.Name + "/" + PathLabel(path);
      const TFigure figure = f.Figure;
      const std::size_t bytes = f.Bytes;
      benchmark::RegisterBenchmark(name.c_str(), [path, figure, bytes](benchmark::State& s) {
        PathFigure(s, path, figure, bytes);
      })->Unit(benchmark::kMicrosecond);
    }
  }
  return true;
}();

}  // namespace
