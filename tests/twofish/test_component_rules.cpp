// SPDX-License-Identifier: GPL-3.0-or-later
// Key and IV rules of the cipher component, its readiness checks, Wipe, and
// the refusal of buffer counts that would run past the chunk buffer.

#include <climits>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "NettleReference.h"
#include "twofish/Twofish.h"

namespace {

const std::string kBlockOfText = "0123456789abcdef";

std::unique_ptr<TTwofish> MakeCipher(TCipherMode mode, TKeySize size = TKeySize::Large256) {
  auto cipher = std::make_unique<TTwofish>();
  cipher->SetCipherMode(mode);
  cipher->SetKeySize(size);
  return cipher;
}

// Encrypts one block of text in the cipher's buffer and returns it.
std::string EncryptOneBlock(TTwofish& cipher, const std::string& block = kBlockOfText) {
  std::memcpy(cipher.Buffer(), block.data(), 16);
  cipher.EncryptBuffer(16);
  return std::string(reinterpret_cast<const char*>(cipher.Buffer()), 16);
}

std::string FIV(const TTwofish& cipher) {
  return std::string(reinterpret_cast<const char*>(cipher.KeyState().FIV), 16);
}

template <typename Call>
std::string KeyErrorText(Call call) {
  try {
    call();
  } catch (const EKeyError& error) {
    return error.what();
  }
  return "(no EKeyError)";
}

TEST(ComponentKey, AcceptsOneTo156BytesAndKeepsTheOldKeyOnRefusal) {
  auto cipher = MakeCipher(TCipherMode::CFB);
  cipher->SetKey("k");
  EXPECT_TRUE(cipher->KeyState().FKeySet);
  cipher->SetKey(std::string(156, 'x'));
  cipher->SetIV("iv");
  EncryptOneBlock(*cipher);  // fills the scratch blocks, which SetKey would clear
  const TTwofishKeyState before = cipher->KeyState();

  for (const std::string& bad : {std::string(), std::string(157, 'y'), std::string(1000, 'z')}) {
    EXPECT_EQ(KeyErrorText([&] { cipher->SetKey(bad); }),
              "Twofish: Key must be between 1 and 156 bytes");
    EXPECT_EQ(std::memcmp(&cipher->KeyState(), &before, sizeof before), 0)
        << "a refused key text changed the object";
  }

  // A refused text on a fresh object leaves it unkeyed.
  auto fresh = MakeCipher(TCipherMode::ECB);
  EXPECT_THROW(fresh->SetKey(""), EKeyError);
  EXPECT_FALSE(fresh->KeyState().FKeySet);
}

TEST(ComponentKey, SetKeyClearsTheScratchBlocksButKeepsTheIV) {
  auto cipher = MakeCipher(TCipherMode::CBC);
  cipher->SetIV("an iv text");
  cipher->SetKey("first key");
  EncryptOneBlock(*cipher);
  cipher->SetCipherMode(TCipherMode::CFB);  // CFB fills the saved block
  EncryptOneBlock(*cipher);
  const std::string chain = FIV(*cipher);

  cipher->SetKey("second key");
  const auto& state = cipher->KeyState();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(state.FSavedBlock), 16), std::string(16, '\0'));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(state.FWorkBlock), 16), std::string(16, '\0'));
  EXPECT_EQ(FIV(*cipher), chain);
  EXPECT_TRUE(state.FIVSet);
}

TEST(ComponentIV, FoldsTheTextIntoSixteenBytes) {
  auto cipher = MakeCipher(TCipherMode::CBC);
  cipher->SetIV("abc");
  EXPECT_EQ(FIV(*cipher), std::string("abc") + std::string(13, '\0'));

  cipher->SetIV(kBlockOfText);
  EXPECT_EQ(FIV(*cipher), kBlockOfText);

  const std::string twenty = kBlockOfText + "\x01\x02\x03\x04";
  cipher->SetIV(twenty);
  std::string expected = kBlockOfText;
  for (int i = 0; i < 4; ++i) expected[i] = static_cast<char>(expected[i] ^ (i + 1));
  EXPECT_EQ(FIV(*cipher), expected);

  cipher->SetIV("");
  EXPECT_EQ(FIV(*cipher), std::string(16, '\0'));
  EXPECT_TRUE(cipher->KeyState().FIVSet) << "an empty IV text still counts as set";
  cipher->SetKey("key");
  EXPECT_NO_THROW(cipher->CheckReady());
}

TEST(ComponentReady, KeyIsCheckedBeforeIVAndBeforeTheCount) {
  for (TCipherMode mode : {TCipherMode::ECB, TCipherMode::CBC, TCipherMode::CFB, TCipherMode::OFB}) {
    auto cipher = MakeCipher(mode);
    EXPECT_EQ(KeyErrorText([&] { cipher->CheckReady(); }), "Twofish: Key not set");
    EXPECT_EQ(KeyErrorText([&] { cipher->EncryptBuffer(17); }), "Twofish: Key not set");
    cipher->SetIV("iv");
    EXPECT_EQ(KeyErrorText([&] { cipher->DecryptBuffer(16); }), "Twofish: Key not set");
  }
  for (TCipherMode mode : {TCipherMode::CBC, TCipherMode::CFB, TCipherMode::OFB}) {
    auto cipher = MakeCipher(mode);
    cipher->SetKey("key");
    EXPECT_EQ(KeyErrorText([&] { cipher->EncryptBuffer(16); }), "Twofish: IV not set");
    EXPECT_EQ(KeyErrorText([&] { cipher->DecryptBuffer(0); }), "Twofish: IV not set");
  }
  auto ecb = MakeCipher(TCipherMode::ECB);
  ecb->SetKey("key");
  EXPECT_NO_THROW(ecb->EncryptBuffer(16)) << "ECB needs no IV";
}

TEST(ComponentWipe, ClearsAllKeyStateAndLeavesSettingsAndBuffer) {
  for (TCipherMode mode : {TCipherMode::ECB, TCipherMode::CBC}) {
    auto cipher = MakeCipher(mode, TKeySize::Med192);
    cipher->SetIV("iv text");
    cipher->SetKey("key text");
    const std::string ciphertext = EncryptOneBlock(*cipher);
    cipher->Wipe();

    const auto* bytes = reinterpret_cast<const unsigned char*>(&cipher->KeyState());
    for (std::size_t i = 0; i < sizeof(TTwofishKeyState); ++i) {
      ASSERT_EQ(bytes[i], 0) << "key state byte " << i << " survived the wipe";
    }
    EXPECT_EQ(cipher->CipherMode(), mode);
    EXPECT_EQ(cipher->KeySize(), TKeySize::Med192);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(cipher->Buffer()), 16), ciphertext);
    EXPECT_EQ(KeyErrorText([&] { cipher->EncryptBuffer(16); }), "Twofish: Key not set");

    // A new key alone is enough again in ECB; the IV must come back otherwise.
    cipher->SetKey("key text");
    if (mode == TCipherMode::ECB) {
      EXPECT_NO_THROW(cipher->CheckReady());
    } else {
      EXPECT_EQ(KeyErrorText([&] { cipher->CheckReady(); }), "Twofish: IV not set");
    }
  }
}

TEST(ComponentOrder, SetIVThenSetKeyEqualsSetKeyThenSetIV) {
  for (TCipherMode mode : {TCipherMode::CBC, TCipherMode::CFB, TCipherMode::OFB}) {
    auto a = MakeCipher(mode);
    auto b = MakeCipher(mode);
    a->SetIV("the IV text");
    a->SetKey("the key text");
    b->SetKey("the key text");
    b->SetIV("the IV text");
    EXPECT_EQ(EncryptOneBlock(*a), EncryptOneBlock(*b));
    EXPECT_EQ(FIV(*a), FIV(*b));
  }
}

TEST(ComponentBufferCount, RefusesCountsOutsideTheBufferWithoutTouchingIt) {
  for (TCipherMode mode : {TCipherMode::ECB, TCipherMode::CBC, TCipherMode::CFB, TCipherMode::OFB}) {
    auto cipher = MakeCipher(mode);
    cipher->SetKey("key");
    cipher->SetIV("iv");
    std::memset(cipher->Buffer(), 0x5A, TTwofish::BufferSize);
    const std::string chain = FIV(*cipher);

    for (int n : {0, -16, 15, 17, 4096 + 8, 4128, 8192, INT_MAX, INT_MIN}) {
      for (bool encrypt : {true, false}) {
        try {
          encrypt ? cipher->EncryptBuffer(n) : cipher->DecryptBuffer(n);
          ADD_FAILURE() << "count " << n << " was accepted";
        } catch (const std::out_of_range& error) {
          EXPECT_EQ(std::string(error.what()).rfind("Twofish: ", 0), 0u) << error.what();
          EXPECT_NE(std::string(error.what()).find(std::to_string(n)), std::string::npos);
        }
      }
    }
    for (int i = 0; i < TTwofish::BufferSize; ++i) {
      ASSERT_EQ(cipher->Buffer()[i], 0x5A) << "byte " << i << " was touched";
    }
    EXPECT_EQ(FIV(*cipher), chain);

    // The largest valid count stops exactly at the end of the padded chunk.
    cipher->EncryptBuffer(TTwofish::MaxBufferCount);
    EXPECT_EQ(cipher->Buffer()[TTwofish::MaxBufferCount], 0x5A);
  }
}

}  // namespace
