// SPDX-License-Identifier: GPL-3.0-or-later
// The table-free paths (AVX2, AVX-512: key schedule and blocks), each
// input on one the CPU has, against the portable one under any key bytes
// and key size, IV and data: ECB both ways and CBC decryption, out of place
// and in place, at any count and alignment. Where the CPU has neither every
// input passes untested (the run's first line says so).

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "twofish/BlockPath.h"
#include "twofish/Twofish.h"

namespace {

constexpr TKeySize Sizes[] = {TKeySize::Small128, TKeySize::Med192, TKeySize::Large256};
constexpr std::size_t MaxBlocks = 256;

enum class TWork { EncryptEcb, DecryptEcb, DecryptCbc };

// The work on path; the result and the CBC chain after it.
std::string Transform(const TTwofish& cipher, TBlockPath path, TWork work, const std::string& in,
                      std::size_t skew, bool inPlace, std::uint8_t (&chain)[16]) {
  SelectBlockPath(path);
  const std::size_t blocks = in.size() / 16;
  // Heap blocks of exactly the data's size: ASan sees any access past them.
  auto storage = std::make_unique<std::uint8_t[]>(in.size() + skew);
  auto source = std::make_unique<std::uint8_t[]>(in.size() + 1);
  std::uint8_t* out = storage.get() + skew;
  std::uint8_t* from = inPlace ? out : source.get() + 1;
  std::memcpy(from, in.data(), in.size());
  switch (work) {
    case TWork::EncryptEcb: cipher.EncryptBlocks(from, out, blocks); break;
    case TWork::DecryptEcb: cipher.DecryptBlocks(from, out, blocks); break;
    case TWork::DecryptCbc:
      std::memcpy(out, in.data(), in.size());
      cipher.DecryptBlocksCbc(out, blocks, chain);
      break;
  }
  return std::string(reinterpret_cast<const char*>(out), in.size());
}

const std::vector<TBlockPath>& VectorPaths() {
  static const std::vector<TBlockPath> paths = [] {
    std::vector<TBlockPath> available;
    for (const TBlockPath path : {TBlockPath::Avx2, TBlockPath::Avx512})
      if (BlockPathAvailable(path)) available.push_back(path);
    return available;
  }();
  return paths;
}

const bool kAnnounced = [] {
  std::printf("fuzz_twofish_paths: avx2 %s, avx512 %s\n",
              BlockPathAvailable(TBlockPath::Avx2) ? "compared with portable" : "not available",
              BlockPathAvailable(TBlockPath::Avx512) ? "compared with portable" : "not available");
  return true;
}();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (VectorPaths().empty()) return 0;
  FuzzedDataProvider provider(data, size);
  const TBlockPath path =
      VectorPaths()[provider.ConsumeIntegralInRange<std::size_t>(0, VectorPaths().size() - 1)];
  const TKeySize keySize = provider.PickValueInArray(Sizes);
  const auto keyLength = provider.ConsumeIntegralInRange<std::size_t>(0, 32);
  std::string key = provider.ConsumeBytesAsString(keyLength);
  key.resize(keyLength);
  std::string iv = provider.ConsumeBytesAsString(16);
  iv.resize(16);
  const auto work = static_cast<TWork>(provider.ConsumeIntegralInRange<int>(0, 2));
  const bool inPlace = provider.ConsumeBool();
  const auto skew = provider.ConsumeIntegralInRange<std::size_t>(0, 63);
  const auto blocks = provider.ConsumeIntegralInRange<std::size_t>(0, MaxBlocks);
  std::string message = provider.ConsumeRemainingBytesAsString();
  message.resize(16 * blocks);

  // Each keyed on its own path: the key schedules are compared too.
  auto table = std::make_unique<TTwofish>(), vector = std::make_unique<TTwofish>();
  for (const auto& [cipher, keyedOn] :
       {std::pair{table.get(), TBlockPath::Portable}, std::pair{vector.get(), path}}) {
    SelectBlockPath(keyedOn);
    cipher->SetKeySize(keySize);
    cipher->ExpandKey(reinterpret_cast<const std::uint8_t*>(key.data()),
                      static_cast<int>(key.size()));
  }
  std::uint8_t tableChain[16], vectorChain[16];
  std::memcpy(tableChain, iv.data(), 16);
  std::memcpy(vectorChain, iv.data(), 16);
  const std::string expected =
      Transform(*table, TBlockPath::Portable, work, message, skew, inPlace, tableChain);
  const std::string actual = Transform(*vector, path, work, message, skew, inPlace, vectorChain);
  SelectBlockPath(DefaultBlockPath());
  Require(actual == expected, "a table-free path against the portable one");
  Require(std::memcmp(tableChain, vectorChain, 16) == 0, "the CBC chain after both paths");
  table->Wipe();
  vector->Wipe();
  return 0;
}
