// SPDX-License-Identifier: GPL-3.0-or-later
// Twofish against nettle on both block paths this CPU can run: the block
// core and its batches (out of place, in place, unaligned, the CBC chain)
// under any key bytes and key size, and messages pushed through the
// component's buffer transforms in pieces cut at random block boundaries,
// which must equal nettle's one-shot transform in every mode and leave the
// feedback register where nettle leaves its IV.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "tests/twofish/NettleReference.h"
#include "twofish/BlockPath.h"
#include "twofish/Twofish.h"

namespace {

constexpr TCipherMode Modes[] = {TCipherMode::ECB, TCipherMode::CBC, TCipherMode::CFB,
                                 TCipherMode::OFB};
constexpr TKeySize Sizes[] = {TKeySize::Small128, TKeySize::Med192, TKeySize::Large256};
constexpr int MaxBatchBlocks = 64;
constexpr int MaxMessageBlocks = 3 * (TTwofish::MaxBufferCount / 16);

// Bytes in a heap block of exactly their size, starting skew bytes in, so
// that ASan sees any access past either end and no path may assume
// alignment.
class TExactBytes {
 public:
  TExactBytes(const std::string& content, std::size_t skew)
      : FStorage(std::make_unique<std::uint8_t[]>(content.size() + skew)),
        FSkew(skew),
        FSize(content.size()) {
    std::memcpy(Data(), content.data(), content.size());
  }
  std::uint8_t* Data() { return FStorage.get() + FSkew; }
  std::string Text() { return std::string(reinterpret_cast<const char*>(Data()), FSize); }

 private:
  std::unique_ptr<std::uint8_t[]> FStorage;
  std::size_t FSkew;
  std::size_t FSize;
};

std::string Padded(std::string bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::string BlockText(const TNettleReference::TBlock& block) {
  return std::string(reinterpret_cast<const char*>(block.data()), block.size());
}

void CheckBlockCore(FuzzedDataProvider& provider, TKeySize size, const std::string& key) {
  auto cipher = std::make_unique<TTwofish>();
  cipher->SetKeySize(size);
  cipher->ExpandKey(reinterpret_cast<const std::uint8_t*>(key.data()),
                    static_cast<int>(key.size()));
  const TNettleReference reference(size, key);

  const auto blocks = provider.ConsumeIntegralInRange<std::size_t>(1, MaxBatchBlocks);
  const auto skew = provider.ConsumeIntegralInRange<std::size_t>(0, 15);
  const std::string plain = Padded(provider.ConsumeBytesAsString(16 * blocks), 16 * blocks);
  TNettleReference::TBlock unused{};
  const std::string cipherText = reference.Encrypt(TCipherMode::ECB, unused, plain);

  TExactBytes in(plain, skew);
  TExactBytes out(std::string(plain.size(), '\0'), 15 - skew);
  cipher->EncryptBlocks(in.Data(), out.Data(), blocks);
  Require(out.Text() == cipherText, "EncryptBlocks against nettle");
  cipher->EncryptBlocks(in.Data(), in.Data(), blocks);
  Require(in.Text() == cipherText, "EncryptBlocks in place against nettle");
  cipher->DecryptBlocks(in.Data(), out.Data(), blocks);
  Require(out.Text() == plain, "DecryptBlocks against nettle");
  cipher->DecryptBlocks(in.Data(), in.Data(), blocks);
  Require(in.Text() == plain, "DecryptBlocks in place against nettle");

  std::uint8_t block[16];
  cipher->EncryptBlock(reinterpret_cast<const std::uint8_t*>(plain.data()), block);
  Require(std::memcmp(block, cipherText.data(), 16) == 0, "EncryptBlock against nettle");
  cipher->DecryptBlock(block, block);
  Require(std::memcmp(block, plain.data(), 16) == 0, "DecryptBlock against nettle");

  TNettleReference::TBlock iv{};
  const std::string ivBytes = Padded(provider.ConsumeBytesAsString(16), 16);
  std::memcpy(iv.data(), ivBytes.data(), 16);
  std::uint8_t chain[16];
  std::memcpy(chain, iv.data(), 16);
  const std::string cbc = reference.Encrypt(TCipherMode::CBC, iv, plain);
  cipher->EncryptBlocksCbc(in.Data(), blocks, chain);
  Require(in.Text() == cbc, "EncryptBlocksCbc against nettle");
  Require(std::memcmp(chain, iv.data(), 16) == 0, "the CBC chain after EncryptBlocksCbc");
  cipher->Wipe();
}

// Pushes message through the chunk buffer in pieces of whole blocks, at
// most a buffer's worth each. The cuts come from a generator seeded by the
// input, so that they stay random however short the input is.
std::string TransformInPieces(std::minstd_rand& cuts, TTwofish& cipher, const std::string& message,
                              bool encrypt) {
  std::uniform_int_distribution<std::size_t> pieceBlocks(1, TTwofish::MaxBufferCount / 16);
  std::string result;
  for (std::size_t offset = 0; offset < message.size();) {
    const std::size_t piece = std::min(16 * pieceBlocks(cuts), message.size() - offset);
    std::memcpy(cipher.Buffer(), message.data() + offset, piece);
    if (encrypt) {
      cipher.EncryptBuffer(static_cast<int>(piece));
    } else {
      cipher.DecryptBuffer(static_cast<int>(piece));
    }
    result.append(reinterpret_cast<const char*>(cipher.Buffer()), piece);
    offset += piece;
  }
  return result;
}

void CheckSplitMessage(FuzzedDataProvider& provider, TKeySize size, std::string keyText) {
  if (keyText.empty()) keyText = "k";
  const TCipherMode mode = provider.PickValueInArray(Modes);
  std::minstd_rand cuts(provider.ConsumeIntegral<std::uint32_t>());
  const std::string ivText = provider.ConsumeRandomLengthString(40);
  const auto blocks = provider.ConsumeIntegralInRange<std::size_t>(1, MaxMessageBlocks);
  const std::string message = Padded(provider.ConsumeBytesAsString(16 * blocks), 16 * blocks);

  auto cipher = std::make_unique<TTwofish>();
  cipher->SetCipherMode(mode);
  cipher->SetKeySize(size);
  cipher->SetIV(ivText);
  cipher->SetKey(keyText);
  const TNettleReference reference(size, keyText);
  auto iv = TNettleReference::FoldIV(ivText);
  const std::string cipherText = reference.Encrypt(mode, iv, message);

  Require(TransformInPieces(cuts, *cipher, message, true) == cipherText,
          "pieces through EncryptBuffer against nettle's one shot");
  Require(BlockText(iv) == std::string(reinterpret_cast<const char*>(cipher->KeyState().FIV), 16),
          "the feedback register after encryption");
  cipher->SetIV(ivText);
  Require(TransformInPieces(cuts, *cipher, cipherText, false) == message,
          "pieces through DecryptBuffer against nettle");
  cipher->Wipe();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  std::vector<TBlockPath> paths;
  for (const TBlockPath path : {TBlockPath::Portable, TBlockPath::Avx2, TBlockPath::Avx512})
    if (BlockPathAvailable(path)) paths.push_back(path);
  SelectBlockPath(paths[provider.ConsumeIntegralInRange<std::size_t>(0, paths.size() - 1)]);
  const TKeySize keySize = provider.PickValueInArray(Sizes);
  const auto keyLength = provider.ConsumeIntegralInRange<std::size_t>(0, 40);
  const std::string key = Padded(provider.ConsumeBytesAsString(keyLength), keyLength);

  CheckBlockCore(provider, keySize, key);
  CheckSplitMessage(provider, keySize, key);
  SelectBlockPath(DefaultBlockPath());
  return 0;
}
