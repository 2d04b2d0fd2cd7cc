// SPDX-License-Identifier: GPL-3.0-or-later
#include "twofish/Twofish.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "twofish/BlockPath.h"
#include "twofish/BlockTransformAvx2.h"
#include "twofish/BlockTransformAvx512.h"
#include "twofish/ParallelBlocks.h"
#include "util/SecureWipe.h"

namespace {

constexpr std::size_t BlockBytes = 16;
constexpr std::size_t MaxKeyTextBytes = 156;

inline void CopyBlock(std::uint8_t* target, const std::uint8_t* source) {
  std::memcpy(target, source, BlockBytes);
}

// target := a XOR b over one block; target may alias either input.
inline void XorBlock(std::uint8_t* target, const std::uint8_t* a, const std::uint8_t* b) {
  std::uint64_t a0, a1, b0, b1;
  std::memcpy(&a0, a, 8);
  std::memcpy(&a1, a + 8, 8);
  std::memcpy(&b0, b, 8);
  std::memcpy(&b1, b + 8, 8);
  a0 ^= b0;
  a1 ^= b1;
  std::memcpy(target, &a0, 8);
  std::memcpy(target + 8, &a1, 8);
}

// The buffer transforms step through whole blocks and stop when the offset
// equals the count, so anything but a positive multiple of the block size
// would run past the buffer.
void CheckBufferCount(int n) {
  if (n <= 0 || n % static_cast<int>(BlockBytes) != 0 || n > TTwofish::MaxBufferCount) {
    throw std::out_of_range("Twofish: Invalid buffer size " + std::to_string(n));
  }
}

[[noreturn]] void InvalidMode() { throw std::invalid_argument("Twofish: Invalid cipher mode"); }

}  // namespace

// Each plaintext block needs the ciphertext block before it, which the
// in-place decryption overwrites, so a group's ciphertext is kept aside. The
// AVX-512 path reads it before storing a group, and chains in registers.
void TTwofish::DecryptBlocksCbc(std::uint8_t* data, std::size_t blocks, std::uint8_t iv[16]) const {
#ifdef TOLVANE_HAVE_AVX512_PATH
  if (ActiveBlockPath() == TBlockPath::Avx512) {
    if (blocks != 0) twofish_avx512::DecryptBlocksCbc(K, data, blocks, iv);
    return;
  }
#endif
#ifdef TOLVANE_HAVE_AVX2_PATH
  if (ActiveBlockPath() == TBlockPath::Avx2) {
    if (blocks != 0) twofish_avx2::DecryptBlocksCbc(K, data, blocks, iv);
    return;
  }
#endif
  constexpr std::size_t GroupBlocks = 32;
  alignas(16) std::uint8_t ciphertext[GroupBlocks * BlockBytes];
  for (std::size_t first = 0; first < blocks; first += GroupBlocks) {
    const std::size_t group = std::min(GroupBlocks, blocks - first);
    std::uint8_t* const part = data + first * BlockBytes;
    std::memcpy(ciphertext, part, group * BlockBytes);
    DecryptBlocks(part, part, group);
    XorBlock(part, part, iv);
    for (std::size_t i = 1; i < group; ++i) {
      XorBlock(part + i * BlockBytes, part + i * BlockBytes, ciphertext + (i - 1) * BlockBytes);
    }
    CopyBlock(iv, ciphertext + (group - 1) * BlockBytes);
  }
}

void TTwofish::SetThreads(int threads) { FThreads = std::clamp(threads, 1, MaxCipherThreads); }

void TTwofish::SetKey(const std::string& keyText) {
  if (keyText.empty() || keyText.size() > MaxKeyTextBytes) {
    throw EKeyError(TKeyErrorCause::KeyLength);
  }
  std::memset(K.FSavedBlock, 0, sizeof K.FSavedBlock);
  std::memset(K.FWorkBlock, 0, sizeof K.FWorkBlock);

  std::uint8_t keyBuffer[MaxKeyTextBytes] = {};
  std::memcpy(keyBuffer, keyText.data(), keyText.size());
  try {
    ExpandKey(keyBuffer, static_cast<int>(keyText.size()));
  } catch (...) {
    SecureWipe(keyBuffer, sizeof keyBuffer);
    throw;
  }
  SecureWipe(keyBuffer, sizeof keyBuffer);
  K.FKeySet = true;
}

void TTwofish::SetIV(const std::string& ivText) {
  std::memset(K.FIV, 0, sizeof K.FIV);
  for (std::size_t p = 0; p < ivText.size(); ++p) {
    K.FIV[p % BlockBytes] ^= static_cast<std::uint8_t>(ivText[p]);
  }
  K.FIVSet = true;
}

void TTwofish::CheckReady() const {
  if (!K.FKeySet) throw EKeyError(TKeyErrorCause::KeyNotSet);
  if (FCipherMode != TCipherMode::ECB && !K.FIVSet) throw EKeyError(TKeyErrorCause::IVNotSet);
}

// Below, W is FWorkBlock, V the feedback register FIV, S the scratch
// FSavedBlock.

// The steps CFB and OFB share in both directions: S := W; W := E(V); V := W;
// W := S XOR V. What V holds afterwards is up to the mode.
void TTwofish::XorKeystream() {
  CopyBlock(K.FSavedBlock, K.FWorkBlock);
  EncryptBlock(K.FIV, K.FWorkBlock);
  CopyBlock(K.FIV, K.FWorkBlock);
  XorBlock(K.FWorkBlock, K.FSavedBlock, K.FIV);
}

void TTwofish::ModeEncryptBlock() {
  std::uint8_t* const W = K.FWorkBlock;
  std::uint8_t* const V = K.FIV;
  switch (FCipherMode) {
    case TCipherMode::ECB: EncryptBlock(W, W); return;
    case TCipherMode::CBC:
      XorBlock(W, W, V);
      EncryptBlock(W, W);
      CopyBlock(V, W);
      return;
    case TCipherMode::CFB:
      XorKeystream();
      CopyBlock(V, W);  // the ciphertext just produced
      return;
    case TCipherMode::OFB:
      XorKeystream();  // V keeps the keystream block
      return;
  }
  InvalidMode();
}

void TTwofish::ModeDecryptBlock() {
  std::uint8_t* const W = K.FWorkBlock;
  std::uint8_t* const V = K.FIV;
  std::uint8_t* const S = K.FSavedBlock;
  switch (FCipherMode) {
    case TCipherMode::ECB: DecryptBlock(W, W); return;
    case TCipherMode::CBC:
      CopyBlock(S, W);
      DecryptBlock(W, W);
      XorBlock(W, W, V);
      CopyBlock(V, S);
      return;
    case TCipherMode::CFB:
      XorKeystream();
      CopyBlock(V, S);  // the ciphertext just consumed
      return;
    case TCipherMode::OFB: XorKeystream(); return;
  }
  InvalidMode();
}

// ECB and CBC run through the batch transforms, which overlap the rounds of
// independent blocks; every field ends as the block-by-block steps leave it.
template <bool Encrypt>
void TTwofish::TransformBuffer(int n) {
  CheckReady();
  CheckBufferCount(n);
  FBufferPtr = FBuffer;
  const auto count = static_cast<std::size_t>(n);
  const std::size_t blocks = count / BlockBytes;
  const std::uint8_t* const lastBlock = FBufferPtr + count - BlockBytes;
  switch (FCipherMode) {
    case TCipherMode::ECB:
      if constexpr (Encrypt) {
        EncryptBlocks(FBufferPtr, FBufferPtr, blocks);
      } else {
        DecryptBlocks(FBufferPtr, FBufferPtr, blocks);
      }
      CopyBlock(K.FWorkBlock, lastBlock);
      return;
    case TCipherMode::CBC:
      if constexpr (Encrypt) {
        EncryptBlocksCbc(FBufferPtr, blocks, K.FIV);
      } else {
        DecryptBlocksCbc(FBufferPtr, blocks, K.FIV);
        CopyBlock(K.FSavedBlock, K.FIV);  // the last ciphertext block
      }
      CopyBlock(K.FWorkBlock, lastBlock);
      return;
    case TCipherMode::CFB:
    case TCipherMode::OFB: break;
  }
  for (std::size_t offset = 0; offset != count; offset += BlockBytes) {
    CopyBlock(K.FWorkBlock, FBufferPtr + offset);
    if constexpr (Encrypt) {
      ModeEncryptBlock();
    } else {
      ModeDecryptBlock();
    }
    CopyBlock(FBufferPtr + offset, K.FWorkBlock);
  }
}

void TTwofish::EncryptBuffer(int n) { TransformBuffer<true>(n); }

void TTwofish::DecryptBuffer(int n) { TransformBuffer<false>(n); }

void TTwofish::Wipe() noexcept { SecureWipeObject(K); }
