// SPDX-License-Identifier: GPL-3.0-or-later
// DecryptFile on arbitrary bytes under any key text, IV text, mode and key
// size. It may refuse its input, but only with its own errors and before it
// empties the output where the input cannot be ciphertext at all. What it
// does write is nettle's decryption with strict PKCS #7 padding taken off,
// and what it accepts encrypts back to exactly its input under the same
// settings: no two ciphertexts decrypt to one plaintext.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ComponentModel.h"
#include "FuzzCheck.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"
#include "twofish/Twofish.h"

namespace {

constexpr TCipherMode Modes[] = {TCipherMode::ECB, TCipherMode::CBC, TCipherMode::CFB,
                                 TCipherMode::OFB};
constexpr TKeySize Sizes[] = {TKeySize::Small128, TKeySize::Med192, TKeySize::Large256};
constexpr std::size_t MaxLeadBlocks = 3 * TTwofish::ChunkSize / 16;
const std::string UntouchedOutput = "an earlier output, not to be emptied";

struct TSettings {
  TCipherMode Mode;
  TKeySize Size;
  bool WithIV;
  std::string IVText;
  std::string KeyText;
};

// The crypt job's order: IV, then key.
std::string Configure(TTwofish& cipher, const TSettings& settings) {
  cipher.SetCipherMode(settings.Mode);
  cipher.SetKeySize(settings.Size);
  if (settings.WithIV) cipher.SetIV(settings.IVText);
  return CallOutcome([&] { cipher.SetKey(settings.KeyText); });
}

std::string Configure(TComponentModel& model, const TSettings& settings) {
  model.Mode = settings.Mode;
  model.Size = settings.Size;
  if (settings.WithIV) model.SetIV(settings.IVText);
  return model.SetKey(settings.KeyText);
}

// The hook sees the input consumed so far grow up to the input's size.
TProgressHook CheckedProgress() {
  return [last = std::uint64_t{0}](std::uint64_t done, std::uint64_t total) mutable {
    Require(done >= last && done <= total, "progress out of order");
    last = done;
    return true;
  };
}

void RequireReencryptionGivesBack(const TSettings& settings, const std::string& plainName,
                                  const std::string& cipherText, const std::string& dir) {
  auto cipher = std::make_unique<TTwofish>();
  RequireEqual(Configure(*cipher, settings), "", "SetKey for re-encryption");
  cipher->EncryptFile(plainName, dir + "/again");
  Require(ReadFileBytes(dir + "/again") == cipherText,
          "an accepted ciphertext does not come back from re-encrypting its plaintext");
  cipher->Wipe();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TTempDir dir;
  const std::string input = dir.File("input");
  const std::string output = dir.File("output");

  FuzzedDataProvider provider(data, size);
  TSettings settings;
  settings.Mode = provider.PickValueInArray(Modes);
  settings.Size = provider.PickValueInArray(Sizes);
  settings.WithIV = provider.ConsumeIntegralInRange(0, 15) != 0;
  settings.IVText = provider.ConsumeRandomLengthString(48);
  settings.KeyText = provider.ConsumeRandomLengthString(200);
  // Zero blocks ahead of the input's own bytes carry short inputs across the
  // 4096-byte chunks of the transform.
  const auto leadBlocks = provider.ConsumeIntegralInRange<std::size_t>(0, MaxLeadBlocks);
  const std::string cipherText =
      std::string(16 * leadBlocks, '\0') + provider.ConsumeRemainingBytesAsString();

  auto cipher = std::make_unique<TTwofish>();
  TComponentModel model;
  RequireEqual(Configure(*cipher, settings), Configure(model, settings), "SetKey");

  WriteFileBytes(input, cipherText);
  WriteFileBytes(output, UntouchedOutput);
  std::string expectedOutput;
  const std::string expected = model.DecryptFile(cipherText, expectedOutput);
  const std::string outcome =
      CallOutcome([&] { cipher->DecryptFile(input, output, CheckedProgress()); });
  RequireEqual(outcome, expected, "DecryptFile");
  Require(ReadFileBytes(output) ==
              (TComponentModel::OutputTouched(expected) ? expectedOutput : UntouchedOutput),
          "the output file differs from the reference decryption");
  RequireComponentMatches(*cipher, model, "after DecryptFile");
  cipher->Wipe();

  if (outcome.empty()) RequireReencryptionGivesBack(settings, output, cipherText, dir.Path());
  return 0;
}
