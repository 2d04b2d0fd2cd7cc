// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComponentModel.h"

#include <algorithm>
#include <cstring>

#include "FuzzCheck.h"

namespace {

constexpr std::size_t BlockBytes = 16;
constexpr std::size_t ChunkBytes = TTwofish::ChunkSize;
constexpr std::size_t MaxKeyTextBytes = 156;
constexpr int MaxBufferCount = TTwofish::MaxBufferCount;

const std::string KeyLengthError = "EKeyError: Twofish: Key must be between 1 and 156 bytes";
const std::string KeyNotSetError = "EKeyError: Twofish: Key not set";
const std::string IVNotSetError = "EKeyError: Twofish: IV not set";
const std::string InvalidSizeError = "EFileError: Twofish: Invalid encrypted file size";
const std::string InvalidPaddingError = "EFileError: Twofish: Invalid padding";

TComponentModel::TBlock BlockAt(const std::uint8_t* data) {
  TComponentModel::TBlock block;
  std::memcpy(block.data(), data, BlockBytes);
  return block;
}

// Strict PKCS #7 on a decrypted final chunk: the bytes to keep, or nothing.
std::optional<std::size_t> Unpadded(const std::uint8_t* chunk, std::size_t n) {
  const std::size_t v = chunk[n - 1];
  if (v == 0 || v > BlockBytes || v > n) return std::nullopt;
  for (std::size_t i = n - v; i < n; ++i) {
    if (chunk[i] != v) return std::nullopt;
  }
  return n - v;
}

}  // namespace

std::string TComponentModel::SetKey(const std::string& keyText) {
  if (keyText.empty() || keyText.size() > MaxKeyTextBytes) return KeyLengthError;
  Saved = {};
  Work = {};
  FKey.emplace(Size, keyText);
  KeySet = true;
  return "";
}

void TComponentModel::SetIV(const std::string& ivText) {
  IV = TNettleReference::FoldIV(ivText);
  IVSet = true;
}

std::string TComponentModel::CheckReady() const {
  if (!KeySet) return KeyNotSetError;
  if (Mode != TCipherMode::ECB && !IVSet) return IVNotSetError;
  return "";
}

// Whole blocks through the mode from the feedback register. Afterwards Work
// is the last block produced and Saved the last block consumed, except in
// ECB and CBC encryption, which do not use the saved block.
void TComponentModel::TransformBlocks(bool encrypt, std::uint8_t* data, std::size_t count) {
  const std::string in(reinterpret_cast<const char*>(data), count);
  const std::string out = encrypt ? FKey->Encrypt(Mode, IV, in) : FKey->Decrypt(Mode, IV, in);
  std::memcpy(data, out.data(), count);
  Work = BlockAt(data + count - BlockBytes);
  const bool usesSaved = Mode != TCipherMode::ECB && !(Mode == TCipherMode::CBC && encrypt);
  if (usesSaved) Saved = BlockAt(reinterpret_cast<const std::uint8_t*>(in.data()) + count - BlockBytes);
}

std::string TComponentModel::TransformBuffer(bool encrypt, int n) {
  if (std::string error = CheckReady(); !error.empty()) return error;
  if (n <= 0 || n % static_cast<int>(BlockBytes) != 0 || n > MaxBufferCount) return "out_of_range";
  TransformBlocks(encrypt, Buffer.data(), static_cast<std::size_t>(n));
  return "";
}

void TComponentModel::ModeBlock(bool encrypt) { TransformBlocks(encrypt, Work.data(), BlockBytes); }

void TComponentModel::Wipe() {
  KeySet = false;
  IVSet = false;
  IV = {};
  Saved = {};
  Work = {};
  FKey.reset();
}

std::string TComponentModel::EncryptFile(const std::string& input, std::string& output) {
  output.clear();
  if (std::string error = CheckReady(); !error.empty()) return error;
  for (std::size_t offset = 0;;) {
    const std::size_t read = std::min(ChunkBytes, input.size() - offset);
    const bool last = offset + read == input.size();
    std::memcpy(Buffer.data(), input.data() + offset, read);
    std::size_t n = read;
    if (last) {
      const std::size_t p = BlockBytes - n % BlockBytes;
      std::memset(Buffer.data() + n, static_cast<int>(p), p);
      n += p;
    }
    TransformBlocks(true, Buffer.data(), n);
    output.append(reinterpret_cast<const char*>(Buffer.data()), n);
    offset += read;
    if (last) return "";
  }
}

std::string TComponentModel::DecryptFile(const std::string& input, std::string& output) {
  output.clear();
  if (std::string error = CheckReady(); !error.empty()) return error;
  if (input.empty() || input.size() % BlockBytes != 0) return InvalidSizeError;
  for (std::size_t offset = 0;;) {
    const std::size_t read = std::min(ChunkBytes, input.size() - offset);
    const bool last = offset + read == input.size();
    std::memcpy(Buffer.data(), input.data() + offset, read);
    TransformBlocks(false, Buffer.data(), read);
    std::size_t kept = read;
    if (last) {
      const auto unpadded = Unpadded(Buffer.data(), read);
      if (!unpadded) return InvalidPaddingError;
      kept = *unpadded;
    }
    output.append(reinterpret_cast<const char*>(Buffer.data()), kept);
    offset += read;
    if (last) return "";
  }
}

bool TComponentModel::OutputTouched(const std::string& outcome) {
  return outcome != KeyNotSetError && outcome != IVNotSetError && outcome != InvalidSizeError;
}

void RequireComponentMatches(TTwofish& cipher, const TComponentModel& model,
                             const std::string& step) {
  const TTwofishKeyState& state = cipher.KeyState();
  const auto same = [](const std::uint8_t* actual, const TComponentModel::TBlock& expected) {
    return std::memcmp(actual, expected.data(), BlockBytes) == 0;
  };
  Require(state.FKeySet == model.KeySet, step + ": FKeySet");
  Require(state.FIVSet == model.IVSet, step + ": FIVSet");
  Require(same(state.FIV, model.IV), step + ": FIV");
  Require(same(state.FSavedBlock, model.Saved), step + ": FSavedBlock");
  Require(same(state.FWorkBlock, model.Work), step + ": FWorkBlock");
  Require(cipher.CipherMode() == model.Mode, step + ": CipherMode");
  Require(cipher.KeySize() == model.Size, step + ": KeySize");
  Require(std::memcmp(cipher.Buffer(), model.Buffer.data(), model.Buffer.size()) == 0,
          step + ": chunk buffer");
}
