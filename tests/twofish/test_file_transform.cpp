// SPDX-License-Identifier: GPL-3.0-or-later
// The whole-file transform: the encrypted format against nettle, round trips
// around the chunk boundary, the failure table, and the progress hook.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "NettleReference.h"
#include "tests/support/TestSeed.h"
#include "tests/support/TempDir.h"
#include "tests/support/FileBytes.h"
#include "platform/SystemError.h"
#include "twofish/Twofish.h"

namespace {

constexpr TCipherMode kModes[] = {TCipherMode::ECB, TCipherMode::CBC, TCipherMode::CFB,
                                  TCipherMode::OFB};
const std::string kKeyText = "A3F1C0DE5EED0123456789ABCDEF0123456789AB";
const std::string kIVText = "A3F1C0DE5EED0123456789ABCDEF0123456789AB";

class FileTransform : public testing::Test {
 protected:
  std::unique_ptr<TTwofish> Cipher(TCipherMode mode) {
    auto cipher = std::make_unique<TTwofish>();
    cipher->SetCipherMode(mode);
    cipher->SetKeySize(TKeySize::Large256);
    cipher->SetIV(kIVText);
    cipher->SetKey(kKeyText);
    return cipher;
  }

  std::string Encrypted(TCipherMode mode, const std::string& plain) {
    WriteFileBytes(Dir.File("plain"), plain);
    Cipher(mode)->EncryptFile(Dir.File("plain"), Dir.File("cipher"));
    return ReadFileBytes(Dir.File("cipher"));
  }

  // Writes data as an encrypted file and decrypts it; returns the thrown
  // message, or "" on success.
  std::string DecryptText(TCipherMode mode, const std::string& cipherText) {
    WriteFileBytes(Dir.File("cipher"), cipherText);
    try {
      Cipher(mode)->DecryptFile(Dir.File("cipher"), Dir.File("plain"));
    } catch (const std::exception& error) {
      return error.what();
    }
    return "";
  }

  // What the up-front check of the last block says of the same file.
  std::string CheckText(TCipherMode mode, const std::string& cipherText) {
    WriteFileBytes(Dir.File("cipher"), cipherText);
    try {
      Cipher(mode)->CheckLastBlock(Dir.File("cipher"));
    } catch (const std::exception& error) {
      return error.what();
    }
    return "";
  }

  TTempDir Dir;
  TNettleReference Reference{TKeySize::Large256, kKeyText};
};

TEST_F(FileTransform, OutputIsTheModeOverThePaddedPlaintextAsOneChain) {
  auto random = SeededRandom(10);
  std::vector<std::size_t> lengths = {0, 1, 15, 16, 17, 4095, 4096, 4097, 8192, 12289, 1100000};
  for (int i = 0; i < 4; ++i) lengths.push_back(static_cast<std::size_t>(RandomInt(random, 0, 40000)));
  for (TCipherMode mode : kModes) {
    for (std::size_t length : lengths) {
      SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(mode) << ", length " << length);
      const std::string plain = RandomBytes(random, length);
      auto cipher = Cipher(mode);
      WriteFileBytes(Dir.File("plain"), plain);
      cipher->EncryptFile(Dir.File("plain"), Dir.File("cipher"));
      const std::string cipherText = ReadFileBytes(Dir.File("cipher"));
      ASSERT_EQ(cipherText.size(), 16 * (length / 16 + 1));

      auto iv = TNettleReference::FoldIV(kIVText);
      ASSERT_EQ(cipherText, Reference.Encrypt(mode, iv, TNettleReference::Pad(plain)));
      if (mode != TCipherMode::ECB) {
        EXPECT_EQ(0, std::memcmp(cipher->KeyState().FIV, iv.data(), 16)) << "chain register";
      }

      cipher->SetIV(kIVText);
      cipher->DecryptFile(Dir.File("cipher"), Dir.File("back"));
      ASSERT_EQ(ReadFileBytes(Dir.File("back")), plain);
    }
  }
}

TEST_F(FileTransform, ChunksEndWherePaddingBelongs) {
  struct Case {
    std::size_t Length;
    std::vector<std::uint64_t> Done;  // input bytes after each chunk
  };
  const Case cases[] = {{0, {0}},
                        {15, {15}},
                        {4096, {4096}},  // padding joins the full chunk: no empty read
                        {4097, {4096, 4097}},
                        {8192, {4096, 8192}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Length);
    WriteFileBytes(Dir.File("plain"), std::string(c.Length, 'p'));
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
    auto record = [&](std::uint64_t done, std::uint64_t total) {
      seen.emplace_back(done, total);
      return true;
    };
    Cipher(TCipherMode::CBC)->EncryptFile(Dir.File("plain"), Dir.File("cipher"), record);
    ASSERT_EQ(seen.size(), c.Done.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
      EXPECT_EQ(seen[i].first, c.Done[i]);
      EXPECT_EQ(seen[i].second, c.Length);
    }
  }
}

TEST_F(FileTransform, DecryptingAFullChunkPlusPaddingWritesNothingForTheLastChunk) {
  const std::string plain(4096, 'x');
  const std::string cipherText = Encrypted(TCipherMode::CBC, plain);
  ASSERT_EQ(cipherText.size(), 4112u);

  std::vector<std::uint64_t> done;
  auto cipher = Cipher(TCipherMode::CBC);
  cipher->DecryptFile(Dir.File("cipher"), Dir.File("back"), [&](std::uint64_t d, std::uint64_t total) {
    EXPECT_EQ(total, 4112u);
    done.push_back(d);
    return true;
  });
  EXPECT_EQ(done, (std::vector<std::uint64_t>{4096, 4112}));
  EXPECT_EQ(ReadFileBytes(Dir.File("back")), plain);
  // The buffer keeps the last chunk: sixteen bytes of value 16.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(cipher->Buffer()), 16), std::string(16, '\x10'));
}

TEST_F(FileTransform, EcbEndsEveryBlockAlignedPlaintextWithTheSameBlock) {
  std::string paddingBlock(16, '\x10');
  TNettleReference::TBlock unused{};
  const std::string expected = Reference.Encrypt(TCipherMode::ECB, unused, paddingBlock);
  for (std::size_t length : {0, 16, 4096, 4112, 8192}) {
    const std::string cipherText = Encrypted(TCipherMode::ECB, std::string(length, 'e'));
    EXPECT_EQ(cipherText.substr(cipherText.size() - 16), expected) << length;
  }
}

TEST_F(FileTransform, MissingKeyOrIVIsReportedBeforeAnyFileIsOpened) {
  auto keyError = [](auto call) -> std::string {
    try {
      call();
    } catch (const EKeyError& error) {
      return error.what();
    }
    return "(no EKeyError)";
  };
  auto cipher = std::make_unique<TTwofish>();
  cipher->SetCipherMode(TCipherMode::CBC);
  EXPECT_EQ(keyError([&] { cipher->EncryptFile(Dir.File("missing"), Dir.File("out")); }),
            "Twofish: Key not set");
  cipher->SetKey(kKeyText);
  EXPECT_EQ(keyError([&] { cipher->DecryptFile(Dir.File("missing"), Dir.File("out")); }),
            "Twofish: IV not set");
  EXPECT_FALSE(std::filesystem::exists(Dir.File("out")));
}

TEST_F(FileTransform, OpenFailuresNameTheFileAndKeepTheOSCode) {
  WriteFileBytes(Dir.File("existing"), "keep me");
  WriteFileBytes(Dir.File("plain"), std::string(32, 'p'));  // also a valid ciphertext size
  auto cipher = Cipher(TCipherMode::CBC);
  struct Case {
    std::string Input, Output, Message;
    std::error_code Code;
  };
  const Case cases[] = {
      {Dir.File("missing"), Dir.File("existing"), "Twofish: Input file not found",
       SystemError(ENOENT)},
      {Dir.Path(), Dir.File("existing"), "Twofish: Input file not found", TFileError::IsDirectory},
      {Dir.File("plain"), Dir.File("no-such-dir/out"), "Twofish: Could not open output file",
       SystemError(ENOENT)},
      {Dir.File("plain"), Dir.Path(), "Twofish: Could not open output file", SystemError(EISDIR)},
  };
  const int descriptors = OpenDescriptorCount();
  for (const Case& c : cases) {
    for (bool encrypt : {true, false}) {
      SCOPED_TRACE(c.Input + " -> " + c.Output);
      try {
        encrypt ? cipher->EncryptFile(c.Input, c.Output) : cipher->DecryptFile(c.Input, c.Output);
        ADD_FAILURE() << "no failure";
      } catch (const EFileError& error) {
        EXPECT_EQ(error.what(), c.Message);
        EXPECT_EQ(error.ErrorCode, c.Code);
      }
      EXPECT_EQ(ReadFileBytes(Dir.File("existing")), "keep me");
      EXPECT_EQ(OpenDescriptorCount(), descriptors);
    }
  }
}

TEST_F(FileTransform, SystemFailuresWhileReadingOrWritingAreInOutErrorsWithTheirCode) {
  auto expectInOutError = [](auto call, std::error_code code) {
    try {
      call();
      ADD_FAILURE() << "no failure";
    } catch (const EInOutError& error) {
      EXPECT_EQ(error.ErrorCode, code);
      EXPECT_EQ(error.what(), SystemErrorText(code));
    }
  };
  // Small enough to stay staged until the close, and large enough to fail
  // while the chunks are still being written.
  for (std::size_t length : {100u, 3000000u}) {
    SCOPED_TRACE(length);
    WriteFileBytes(Dir.File("plain"), std::string(length, 'f'));
    const int descriptors = OpenDescriptorCount();
    expectInOutError([&] { Cipher(TCipherMode::CBC)->EncryptFile(Dir.File("plain"), "/dev/full"); },
                     SystemError(ENOSPC));
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
  }
  // This process's memory opens as a file of size 0 whose first page cannot
  // be read: a read failure must not pass for the end of the input.
  const int descriptors = OpenDescriptorCount();
  expectInOutError([&] { Cipher(TCipherMode::CBC)->EncryptFile("/proc/self/mem", Dir.File("out")); },
                   SystemError(EIO));
  EXPECT_EQ(ReadFileBytes(Dir.File("out")), "");
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST_F(FileTransform, InputsThatCannotBeCiphertextAreRefusedBeforeTheOutputIsTouched) {
  for (std::size_t length : {0, 15, 17, 4097}) {
    WriteFileBytes(Dir.File("plain"), "keep me");
    EXPECT_EQ(DecryptText(TCipherMode::CBC, std::string(length, 'c')),
              "Twofish: Invalid encrypted file size")
        << length;
    EXPECT_EQ(ReadFileBytes(Dir.File("plain")), "keep me");
  }
}

// Strict PKCS #7, the same from the up-front check of the last block as at
// the end of the transform. A last byte 0 is never written, so it is refused.
TEST_F(FileTransform, PaddingIsStrictAndTheLastBlockCheckAgrees) {
  const std::string body(4096, 'b');
  auto lastBlock = [](std::string tail) {
    return std::string(16 - tail.size(), 'z') + tail;
  };
  struct Case {
    std::string Final;  // decrypted final block
    std::string Error;
    std::size_t Kept;   // bytes of the final block written
  };
  const Case cases[] = {
      {lastBlock(std::string(1, '\0')), "Twofish: Invalid padding", 0},
      {lastBlock("\x01"), "", 15},
      {std::string(16, '\x10'), "", 0},
      {lastBlock("\x11"), "Twofish: Invalid padding", 0},                   // above 16
      {lastBlock("\xC8"), "Twofish: Invalid padding", 0},                   // beyond the chunk
      {lastBlock("\x05\x05\x04\x05\x05"), "Twofish: Invalid padding", 0},   // unequal bytes
      {lastBlock(std::string(1, '\x10')), "Twofish: Invalid padding", 0},
  };
  for (TCipherMode mode : {TCipherMode::ECB, TCipherMode::CBC, TCipherMode::CFB}) {
    for (bool withBody : {false, true}) {
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(mode) << ", body "
                                        << withBody << ", last byte "
                                        << static_cast<int>(static_cast<unsigned char>(c.Final.back())));
        const std::string plain = (withBody ? body : std::string()) + c.Final;
        auto iv = TNettleReference::FoldIV(kIVText);
        const int descriptors = OpenDescriptorCount();
        const std::string cipherText = Reference.Encrypt(mode, iv, plain);
        EXPECT_EQ(CheckText(mode, cipherText), c.Error);
        EXPECT_EQ(DecryptText(mode, cipherText), c.Error);
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
        // Earlier chunks stay written; of a refused final chunk nothing is.
        EXPECT_EQ(ReadFileBytes(Dir.File("plain")), plain.substr(0, plain.size() - 16 + c.Kept));
      }
    }
  }
}

TEST_F(FileTransform, HookStopsAtAChunkBoundaryWithBothFilesClosed) {
  const std::string plain(3 * 4096 + 100, 's');
  WriteFileBytes(Dir.File("plain"), plain);
  const int descriptors = OpenDescriptorCount();
  int calls = 0;
  auto stopAfterFirst = [&](std::uint64_t, std::uint64_t) { return ++calls < 1; };
  EXPECT_THROW(Cipher(TCipherMode::CBC)->EncryptFile(Dir.File("plain"), Dir.File("cipher"), stopAfterFirst),
               ETransformStopped);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
  const std::string partial = ReadFileBytes(Dir.File("cipher"));
  EXPECT_EQ(partial, Encrypted(TCipherMode::CBC, plain).substr(0, 4096));

  calls = 0;
  auto stopAfterSecond = [&](std::uint64_t, std::uint64_t) { return ++calls < 2; };
  EXPECT_THROW(Cipher(TCipherMode::CBC)->DecryptFile(Dir.File("cipher"), Dir.File("back"), stopAfterSecond),
               ETransformStopped);
  EXPECT_EQ(ReadFileBytes(Dir.File("back")), plain.substr(0, 8192));
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST_F(FileTransform, StopAskedWithTheLastChunkStillCompletesTheFile) {
  const std::string plain(5000, 'l');
  WriteFileBytes(Dir.File("plain"), plain);
  std::vector<std::uint64_t> done;
  auto alwaysStop = [&](std::uint64_t d, std::uint64_t total) {
    done.push_back(d);
    return d < total;  // asks to stop only once everything is read
  };
  EXPECT_NO_THROW(Cipher(TCipherMode::CBC)->EncryptFile(Dir.File("plain"), Dir.File("cipher"), alwaysStop));
  EXPECT_EQ(done, (std::vector<std::uint64_t>{4096, 5000}));
  Cipher(TCipherMode::CBC)->DecryptFile(Dir.File("cipher"), Dir.File("back"), alwaysStop);
  EXPECT_EQ(ReadFileBytes(Dir.File("back")), plain);
}

}  // namespace
