// SPDX-License-Identifier: GPL-3.0-or-later
// Sequences of calls on one cipher component, decoded from the input, each
// checked against the nettle model: its outcome (the exact EKeyError text,
// the refusal of buffer counts, the file errors), and afterwards the flags,
// the feedback register, the saved and work blocks, the properties, the
// chunk buffer and the files. A refused call changes nothing.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
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
constexpr TStringMode StringModes[] = {TStringMode::smEncode, TStringMode::smNormal};
constexpr int MaxCalls = 48;
constexpr std::size_t MaxFileBytes = 9000;
const std::string UntouchedOutput = "an earlier output";

enum class TCall : std::uint8_t {
  SetKey, SetIV, SetCipherMode, SetKeySize, SetStringMode, CheckReady, FillBuffer,
  EncryptBuffer, DecryptBuffer, LoadWorkBlock, ModeEncryptBlock, ModeDecryptBlock, Wipe,
  EncryptFile, DecryptFile,
  kMaxValue = DecryptFile  // for FuzzedDataProvider::ConsumeEnum
};

// Buffer counts: mostly whole blocks around the valid range, sometimes any
// int at all.
int BufferCount(FuzzedDataProvider& provider) {
  switch (provider.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return provider.ConsumeIntegral<int>();
    case 1:
      return provider.ConsumeIntegralInRange(-20, TTwofish::MaxBufferCount + 20);
    default:
      return 16 * provider.ConsumeIntegralInRange(0, TTwofish::MaxBufferCount / 16 + 1);
  }
}

class TSession {
 public:
  TSession(FuzzedDataProvider& provider, const TTempDir& dir)
      : Provider(provider), Input(dir.File("input")), Output(dir.File("output")) {}

  void Run() {
    for (int i = 0; i < MaxCalls && Provider.remaining_bytes() > 0; ++i) {
      const TCall call = Provider.ConsumeEnum<TCall>();
      Step = "call " + std::to_string(i) + " (" + std::to_string(static_cast<int>(call)) + ")";
      Perform(call);
      RequireComponentMatches(*Cipher, Model, Step);
    }
    Cipher->Wipe();
  }

 private:
  void Perform(TCall call) {
    switch (call) {
      case TCall::SetKey: {
        const std::string text = Provider.ConsumeRandomLengthString(170);
        Expect(Model.SetKey(text), [&] { Cipher->SetKey(text); });
        return;
      }
      case TCall::SetIV: {
        const std::string text = Provider.ConsumeRandomLengthString(40);
        Model.SetIV(text);
        Cipher->SetIV(text);
        return;
      }
      case TCall::SetCipherMode:
        Model.Mode = Provider.PickValueInArray(Modes);
        Cipher->SetCipherMode(Model.Mode);
        return;
      case TCall::SetKeySize:
        Model.Size = Provider.PickValueInArray(Sizes);
        Cipher->SetKeySize(Model.Size);
        return;
      case TCall::SetStringMode: {
        const TStringMode mode = Provider.PickValueInArray(StringModes);
        Cipher->SetStringMode(mode);
        Require(Cipher->StringMode() == mode, Step + ": StringMode");
        return;
      }
      case TCall::CheckReady:
        Expect(Model.CheckReady(), [&] { Cipher->CheckReady(); });
        return;
      case TCall::FillBuffer: {
        const std::string bytes = Provider.ConsumeBytesAsString(
            Provider.ConsumeIntegralInRange<std::size_t>(0, TTwofish::BufferSize));
        std::memcpy(Model.Buffer.data(), bytes.data(), bytes.size());
        std::memcpy(Cipher->Buffer(), bytes.data(), bytes.size());
        return;
      }
      case TCall::EncryptBuffer:
      case TCall::DecryptBuffer: {
        const bool encrypt = call == TCall::EncryptBuffer;
        const int n = BufferCount(Provider);
        Expect(Model.TransformBuffer(encrypt, n), [&] {
          if (encrypt) {
            Cipher->EncryptBuffer(n);
          } else {
            Cipher->DecryptBuffer(n);
          }
        });
        return;
      }
      case TCall::LoadWorkBlock: {
        std::string bytes = Provider.ConsumeBytesAsString(16);
        bytes.resize(16);
        std::memcpy(Model.Work.data(), bytes.data(), 16);
        std::memcpy(Cipher->WorkBlock(), bytes.data(), 16);
        return;
      }
      case TCall::ModeEncryptBlock:
      case TCall::ModeDecryptBlock:
        ModeBlock(call == TCall::ModeEncryptBlock);
        return;
      case TCall::Wipe:
        Model.Wipe();
        Cipher->Wipe();
        RequireWiped();
        return;
      case TCall::EncryptFile:
      case TCall::DecryptFile:
        TransformFile(call == TCall::EncryptFile);
        return;
    }
  }

  // The block steps check nothing: without a key they run on whatever key
  // state there is, which only the component knows. The model takes over
  // the blocks they leave and goes on from there.
  void ModeBlock(bool encrypt) {
    if (encrypt) {
      Cipher->ModeEncryptBlock();
    } else {
      Cipher->ModeDecryptBlock();
    }
    if (Model.CanTransformWithoutCheck()) {
      Model.ModeBlock(encrypt);
      return;
    }
    const TTwofishKeyState& state = Cipher->KeyState();
    std::memcpy(Model.IV.data(), state.FIV, 16);
    std::memcpy(Model.Saved.data(), state.FSavedBlock, 16);
    std::memcpy(Model.Work.data(), state.FWorkBlock, 16);
  }

  void TransformFile(bool encrypt) {
    // The drawn size holds even when the input runs short: long files come
    // without long inputs.
    const auto size = Provider.ConsumeIntegralInRange<std::size_t>(0, MaxFileBytes);
    std::string input = Provider.ConsumeBytesAsString(size);
    input.resize(size);
    WriteFileBytes(Input, input);
    WriteFileBytes(Output, UntouchedOutput);
    std::string expectedOutput;
    const std::string expected =
        encrypt ? Model.EncryptFile(input, expectedOutput) : Model.DecryptFile(input, expectedOutput);
    Expect(expected, [&] {
      if (encrypt) {
        Cipher->EncryptFile(Input, Output);
      } else {
        Cipher->DecryptFile(Input, Output);
      }
    }, TComponentModel::OutputTouched(expected));
    Require(ReadFileBytes(Output) ==
                (TComponentModel::OutputTouched(expected) ? expectedOutput : UntouchedOutput),
            Step + ": output file");
  }

  // Runs the call and compares its outcome with the model's. A refused call
  // leaves the component exactly as it was, down to the padding bytes of its
  // key state, unless it is a file transform that failed part way.
  template <typename Call>
  void Expect(const std::string& expected, Call call, bool mayChangeOnFailure = false) {
    std::uint8_t before[sizeof(TTwofishKeyState)];
    std::memcpy(before, &Cipher->KeyState(), sizeof before);
    const std::string outcome = CallOutcome(call);
    RequireEqual(outcome, expected, Step);
    if (!outcome.empty() && !mayChangeOnFailure) {
      Require(std::memcmp(before, &Cipher->KeyState(), sizeof before) == 0,
              Step + ": a refused call changed the key state");
    }
  }

  void RequireWiped() {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&Cipher->KeyState());
    Require(std::all_of(bytes, bytes + sizeof(TTwofishKeyState), [](std::uint8_t b) { return b == 0; }),
            Step + ": Wipe left key state behind");
  }

  FuzzedDataProvider& Provider;
  const std::string Input;
  const std::string Output;
  std::unique_ptr<TTwofish> Cipher = std::make_unique<TTwofish>();
  TComponentModel Model;
  std::string Step;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TTempDir dir;
  FuzzedDataProvider provider(data, size);
  TSession(provider, dir).Run();
  return 0;
}
