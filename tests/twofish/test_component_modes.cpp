// SPDX-License-Identifier: GPL-3.0-or-later
// The chaining modes against nettle, and the batched buffer transforms
// against the block-by-block definition of the modes.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "NettleReference.h"
#include "tests/support/TestSeed.h"
#include "twofish/Twofish.h"

namespace {

constexpr TCipherMode kModes[] = {TCipherMode::ECB, TCipherMode::CBC, TCipherMode::CFB,
                                  TCipherMode::OFB};
constexpr TKeySize kSizes[] = {TKeySize::Small128, TKeySize::Med192, TKeySize::Large256};

const char* Name(TCipherMode mode) {
  static const char* const names[] = {"ECB", "CBC", "CFB", "OFB"};
  return names[static_cast<int>(mode)];
}

// Runs data through the component's buffer in calls of the given sizes.
std::string Transform(TTwofish& cipher, bool encrypt, const std::string& data,
                      const std::vector<int>& calls) {
  std::string out;
  std::size_t offset = 0;
  for (int n : calls) {
    std::memcpy(cipher.Buffer(), data.data() + offset, static_cast<std::size_t>(n));
    encrypt ? cipher.EncryptBuffer(n) : cipher.DecryptBuffer(n);
    out.append(reinterpret_cast<const char*>(cipher.Buffer()), static_cast<std::size_t>(n));
    offset += static_cast<std::size_t>(n);
  }
  return out;
}

// Random call sizes (multiples of 16 up to a full padded chunk) covering total.
std::vector<int> RandomCalls(std::mt19937_64& random, int total) {
  std::vector<int> calls;
  while (total > 0) {
    const int n = 16 * RandomInt(random, 1, std::min(total, TTwofish::MaxBufferCount) / 16);
    calls.push_back(n);
    total -= n;
  }
  return calls;
}

TNettleReference::TBlock Chain(const TTwofish& cipher) {
  TNettleReference::TBlock block;
  std::memcpy(block.data(), cipher.KeyState().FIV, 16);
  return block;
}

TEST(ComponentDifferential, EveryKeyLengthUnderEveryKeySizeAndMode) {
  auto random = SeededRandom(1);
  auto cipher = std::make_unique<TTwofish>();
  for (TKeySize size : kSizes) {
    for (int length = 1; length <= 156; ++length) {
      const TCipherMode mode = kModes[length % 4];
      const std::string keyText = RandomBytes(random, static_cast<std::size_t>(length));
      const std::string ivText = RandomBytes(random, static_cast<std::size_t>(RandomInt(random, 0, 40)));
      const std::string plain = RandomBytes(random, 16 * static_cast<std::size_t>(RandomInt(random, 1, 8)));
      SCOPED_TRACE(testing::Message() << "size " << static_cast<int>(size) << ", key length "
                                      << length << ", " << Name(mode));

      cipher->SetKeySize(size);
      cipher->SetCipherMode(mode);
      cipher->SetKey(keyText);
      cipher->SetIV(ivText);
      const TNettleReference reference(size, keyText);
      auto iv = TNettleReference::FoldIV(ivText);
      const std::string expected = reference.Encrypt(mode, iv, plain);
      ASSERT_EQ(Transform(*cipher, true, plain, {static_cast<int>(plain.size())}), expected);
      if (mode != TCipherMode::ECB) {
        EXPECT_EQ(Chain(*cipher), iv);
      }

      cipher->SetIV(ivText);
      ASSERT_EQ(Transform(*cipher, false, expected, {static_cast<int>(plain.size())}), plain);
    }
  }
}

TEST(ComponentDifferential, ChainsCarryAcrossCallsOfAnySize) {
  auto random = SeededRandom(2);
  auto cipher = std::make_unique<TTwofish>();
  for (TCipherMode mode : kModes) {
    for (int round = 0; round < 6; ++round) {
      SCOPED_TRACE(testing::Message() << Name(mode) << ", round " << round);
      const TKeySize size = kSizes[round % 3];
      const std::string keyText = RandomBytes(random, static_cast<std::size_t>(RandomInt(random, 1, 40)));
      const std::string ivText = RandomBytes(random, static_cast<std::size_t>(RandomInt(random, 0, 33)));
      const int total = 16 * RandomInt(random, 1, 1200);
      const std::string plain = RandomBytes(random, static_cast<std::size_t>(total));

      const TNettleReference reference(size, keyText);
      auto iv = TNettleReference::FoldIV(ivText);
      const std::string expected = reference.Encrypt(mode, iv, plain);

      cipher->SetKeySize(size);
      cipher->SetCipherMode(mode);
      cipher->SetKey(keyText);
      cipher->SetIV(ivText);
      ASSERT_EQ(Transform(*cipher, true, plain, RandomCalls(random, total)), expected);
      if (mode != TCipherMode::ECB) {
        EXPECT_EQ(Chain(*cipher), iv);
      }

      cipher->SetIV(ivText);
      ASSERT_EQ(Transform(*cipher, false, expected, RandomCalls(random, total)), plain);
    }
  }
}

TEST(ComponentDifferential, TwoSmallCallsEqualOneCallAndEveryBufferSizeWorks) {
  auto random = SeededRandom(3);
  const std::string keyText = RandomBytes(random, 32);
  const std::string plain = RandomBytes(random, TTwofish::MaxBufferCount);
  const TNettleReference reference(TKeySize::Large256, keyText);
  for (TCipherMode mode : kModes) {
    SCOPED_TRACE(Name(mode));
    auto one = std::make_unique<TTwofish>();
    auto two = std::make_unique<TTwofish>();
    for (TTwofish* cipher : {one.get(), two.get()}) {
      cipher->SetKeySize(TKeySize::Large256);
      cipher->SetCipherMode(mode);
      cipher->SetKey(keyText);
      cipher->SetIV("iv");
    }
    EXPECT_EQ(Transform(*one, true, plain.substr(0, 32), {32}),
              Transform(*two, true, plain.substr(0, 32), {16, 16}));

    for (int n = 16; n <= TTwofish::MaxBufferCount; n += 16) {
      auto iv = TNettleReference::FoldIV("iv");
      one->SetIV("iv");
      const std::string part = plain.substr(0, static_cast<std::size_t>(n));
      ASSERT_EQ(Transform(*one, true, part, {n}), reference.Encrypt(mode, iv, part)) << n;
    }
  }
}

// One object runs the buffer transforms, the other feeds FWorkBlock through
// ModeEncryptBlock/ModeDecryptBlock one block at a time. The mode changes
// between calls, as the component allows, and every field must agree.
TEST(ComponentFastPaths, MatchTheBlockByBlockDefinition) {
  auto random = SeededRandom(4);
  auto fast = std::make_unique<TTwofish>();
  auto serial = std::make_unique<TTwofish>();
  const std::string keyText = RandomBytes(random, 32);
  for (TTwofish* cipher : {fast.get(), serial.get()}) {
    cipher->SetKeySize(TKeySize::Large256);
    cipher->SetKey(keyText);
    cipher->SetIV("the chain starts here");
  }
  for (int call = 0; call < 200; ++call) {
    const TCipherMode mode = kModes[RandomInt(random, 0, 3)];
    const bool encrypt = random() & 1;
    const int n = 16 * RandomInt(random, 1, TTwofish::MaxBufferCount / 16);
    const std::string data = RandomBytes(random, static_cast<std::size_t>(n));
    SCOPED_TRACE(testing::Message() << "call " << call << ", " << Name(mode) << ", "
                                    << (encrypt ? "encrypt " : "decrypt ") << n);
    fast->SetCipherMode(mode);
    serial->SetCipherMode(mode);

    const std::string fastOut = Transform(*fast, encrypt, data, {n});
    std::string serialOut = data;
    for (int offset = 0; offset < n; offset += 16) {
      std::memcpy(serial->WorkBlock(), serialOut.data() + offset, 16);
      encrypt ? serial->ModeEncryptBlock() : serial->ModeDecryptBlock();
      std::memcpy(serialOut.data() + offset, serial->WorkBlock(), 16);
    }
    ASSERT_EQ(fastOut, serialOut);
    const auto& a = fast->KeyState();
    const auto& b = serial->KeyState();
    ASSERT_EQ(0, std::memcmp(a.FIV, b.FIV, 16));
    ASSERT_EQ(0, std::memcmp(a.FWorkBlock, b.FWorkBlock, 16));
    ASSERT_EQ(0, std::memcmp(a.FSavedBlock, b.FSavedBlock, 16));
  }
}

}  // namespace
