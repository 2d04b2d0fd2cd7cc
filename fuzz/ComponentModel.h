// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "tests/twofish/NettleReference.h"
#include "twofish/Twofish.h"

// What the cipher component must do, worked out with nettle: its key and IV
// flags, the feedback register, the saved and work blocks, the chunk buffer,
// and the outcome of each call as CallOutcome (FuzzCheck.h) words it.
// Each call below changes the model exactly as the component must change.
class TComponentModel {
 public:
  using TBlock = TNettleReference::TBlock;
  using TBufferBytes = std::array<std::uint8_t, TTwofish::BufferSize>;

  bool KeySet = false;
  bool IVSet = false;
  TBlock IV{};
  TBlock Saved{};
  TBlock Work{};
  TCipherMode Mode = TCipherMode::ECB;
  TKeySize Size = TKeySize::Small128;
  TBufferBytes Buffer{};

  std::string SetKey(const std::string& keyText);
  void SetIV(const std::string& ivText);
  std::string CheckReady() const;
  std::string TransformBuffer(bool encrypt, int n);
  // ModeEncryptBlock / ModeDecryptBlock on Work. They check nothing, so
  // without a key their result is not the model's to know.
  bool CanTransformWithoutCheck() const { return FKey.has_value(); }
  void ModeBlock(bool encrypt);
  void Wipe();

  // The whole-file transforms over an input of these bytes. output receives
  // what reaches the output file: all of it on success, the chunks written
  // before a refused final chunk otherwise. OutputTouched tells whether the
  // output file was created (emptied) at all.
  std::string EncryptFile(const std::string& input, std::string& output);
  std::string DecryptFile(const std::string& input, std::string& output);
  static bool OutputTouched(const std::string& outcome);

 private:
  void TransformBlocks(bool encrypt, std::uint8_t* data, std::size_t count);

  std::optional<TNettleReference> FKey;
};

// Ends the run unless the component's observable state is the model's:
// flags, feedback register, saved and work blocks, properties and buffer.
void RequireComponentMatches(TTwofish& cipher, const TComponentModel& model,
                             const std::string& step);
