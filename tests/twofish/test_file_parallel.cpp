// SPDX-License-Identifier: GPL-3.0-or-later
// The file transform on several threads: the same bytes as on one, around
// the borders of blocks, chunks and rounds; padding still refused; stops and
// progress per chunk, in order.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSeed.h"
#include "twofish/ParallelBlocks.h"
#include "twofish/Twofish.h"

namespace {

constexpr std::size_t C = ParallelChunkBytes;

class ParallelFileTransform : public testing::Test {
 protected:
  std::unique_ptr<TTwofish> Cipher(TCipherMode mode, int threads,
                                   const std::string& key = "Schluessel") {
    auto cipher = std::make_unique<TTwofish>();
    cipher->SetCipherMode(mode);
    cipher->SetKeySize(TKeySize::Large256);
    cipher->SetIV("Anfangswert");
    cipher->SetKey(key);
    cipher->SetThreads(threads);
    return cipher;
  }

  // Runs the transform from the file "in" into "out"; returns the cipher
  // after it, for its fields.
  std::unique_ptr<TTwofish> Run(TCipherMode mode, bool encrypt, int threads,
                                const std::string& input) {
    WriteFileBytes(Dir.File("in"), input);
    auto cipher = Cipher(mode, threads);
    if (encrypt) {
      cipher->EncryptFile(Dir.File("in"), Dir.File("out"));
    } else {
      cipher->DecryptFile(Dir.File("in"), Dir.File("out"));
    }
    return cipher;
  }

  TTempDir Dir;
};

// Plaintext sizes whose plaintext or ciphertext (16 more, rounded down to a
// block) ends just before, on or after a block, chunk or round border.
const std::size_t kSizes[] = {0,         15,        16,        17,        C - 17,    C - 16,
                              C - 1,     C,         C + 16,    3 * C - 17, 3 * C - 1, 3 * C + 16,
                              9 * C + 17};

TEST_F(ParallelFileTransform, OutputAndFinalFieldsAreTheSerialOnes) {
  struct TCase {
    TCipherMode Mode;
    bool Encrypt;
  };
  // CBC encryption is one chain: it stays serial whatever the threads.
  const TCase cases[] = {{TCipherMode::CBC, false}, {TCipherMode::ECB, true},
                         {TCipherMode::ECB, false}, {TCipherMode::CBC, true}};
  auto random = SeededRandom(31);
  for (const std::size_t size : kSizes) {
    const std::string plain = RandomBytes(random, size);
    for (const TCase& c : cases) {
      const std::string input =
          c.Encrypt ? plain : (Run(c.Mode, true, 1, plain), ReadFileBytes(Dir.File("out")));
      const auto serial = Run(c.Mode, c.Encrypt, 1, input);
      const std::string expected = ReadFileBytes(Dir.File("out"));
      if (!c.Encrypt) {
        ASSERT_EQ(expected, plain);
      }
      for (const int threads : {2, 4}) {
        SCOPED_TRACE(testing::Message() << "size " << size << ", mode " << static_cast<int>(c.Mode)
                                        << (c.Encrypt ? " encrypt" : " decrypt") << ", threads "
                                        << threads);
        const auto parallel = Run(c.Mode, c.Encrypt, threads, input);
        EXPECT_EQ(ReadFileBytes(Dir.File("out")), expected);
        EXPECT_EQ(0, std::memcmp(parallel->KeyState().FIV, serial->KeyState().FIV, 16));
        EXPECT_EQ(0, std::memcmp(parallel->KeyState().FWorkBlock, serial->KeyState().FWorkBlock, 16));
      }
    }
  }
}

TEST_F(ParallelFileTransform, WrongKeyIsRefusedByThePadding) {
  const std::string plain(5 * C + 100, 'p');
  for (const TCipherMode mode : {TCipherMode::CBC, TCipherMode::ECB}) {
    SCOPED_TRACE(static_cast<int>(mode));
    Run(mode, true, 1, plain);
    const std::string cipherText = ReadFileBytes(Dir.File("out"));
    WriteFileBytes(Dir.File("in"), cipherText);
    try {
      Cipher(mode, 2, "Falsch")->DecryptFile(Dir.File("in"), Dir.File("out"));
      ADD_FAILURE() << "a wrong key was taken";
    } catch (const EFileError& error) {
      EXPECT_EQ(error.Cause, TFileErrorCause::InvalidPadding);
    }
  }
}

// The hook hears of each chunk on the caller's thread, in order, with the
// input consumed up to that chunk; false stops there with both files closed
// and exactly the chunks reported written.
TEST_F(ParallelFileTransform, ProgressAndStopGoChunkByChunkInOrder) {
  auto random = SeededRandom(32);
  const std::string plain = RandomBytes(random, 5 * C);
  Run(TCipherMode::CBC, true, 1, plain);
  const std::string cipherText = ReadFileBytes(Dir.File("out"));
  WriteFileBytes(Dir.File("in"), cipherText);
  const std::uint64_t total = cipherText.size();

  std::vector<std::uint64_t> done;
  auto record = [&](std::uint64_t d, std::uint64_t t) {
    EXPECT_EQ(t, total);
    done.push_back(d);
    return true;
  };
  Cipher(TCipherMode::CBC, 2)->DecryptFile(Dir.File("in"), Dir.File("out"), record);
  EXPECT_EQ(done, (std::vector<std::uint64_t>{C, 2 * C, 3 * C, 4 * C, 5 * C, total}));

  const int descriptors = OpenDescriptorCount();
  for (const int stopAt : {1, 3}) {
    SCOPED_TRACE(stopAt);
    int calls = 0;
    auto stop = [&](std::uint64_t, std::uint64_t) { return ++calls < stopAt; };
    EXPECT_THROW(Cipher(TCipherMode::CBC, 2)->DecryptFile(Dir.File("in"), Dir.File("out"), stop),
                 ETransformStopped);
    EXPECT_EQ(calls, stopAt);
    EXPECT_EQ(ReadFileBytes(Dir.File("out")), plain.substr(0, static_cast<std::size_t>(stopAt) * C));
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
  }
}

}  // namespace
