// SPDX-License-Identifier: GPL-3.0-or-later
// An input above 2 GiB goes through completely: sizes and positions are
// 64-bit. The input is sparse, so it costs no disk space of its own.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TestSeed.h"
#include "tests/support/TempDir.h"
#include "tests/support/FileBytes.h"
#include "twofish/Twofish.h"

namespace {

constexpr std::uint64_t kLength = (std::uint64_t{2} << 30) + 20;

void WriteAt(int handle, std::uint64_t position, const std::string& bytes) {
  ASSERT_EQ(::pwrite(handle, bytes.data(), bytes.size(), static_cast<off_t>(position)),
            static_cast<ssize_t>(bytes.size()));
}

// Whether two files hold the same bytes, compared in large pieces.
bool SameContent(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  std::vector<char> ba(1 << 20), bb(1 << 20);
  while (fa && fb) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount() ||
        std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(fa.gcount())) != 0) {
      return false;
    }
  }
  return fa.eof() && fb.eof();
}

TEST(FileTransformLarge, InputAboveTwoGiBRoundTripsCompletely) {
  TTempDir dir;
  const std::string plain = dir.File("plain"), cipher = dir.File("cipher"), back = dir.File("back");
  {
    const int handle = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(handle, 0);
    ASSERT_EQ(::ftruncate(handle, static_cast<off_t>(kLength)), 0);
    auto random = SeededRandom(20);
    WriteAt(handle, 0, RandomBytes(random, 5000));
    WriteAt(handle, (std::uint64_t{1} << 31) - 7, RandomBytes(random, 14));  // across 2^31
    WriteAt(handle, kLength - 3000, RandomBytes(random, 3000));
    ::close(handle);
  }

  auto twofish = std::make_unique<TTwofish>();
  twofish->SetCipherMode(TCipherMode::CBC);
  twofish->SetKeySize(TKeySize::Large256);
  twofish->SetIV("large file IV");
  twofish->SetKey("large file key");
  std::uint64_t lastDone = 0, lastTotal = 0;
  twofish->EncryptFile(plain, cipher, [&](std::uint64_t done, std::uint64_t total) {
    lastDone = done;
    lastTotal = total;
    return true;
  });
  EXPECT_EQ(lastDone, kLength);
  EXPECT_EQ(lastTotal, kLength);
  EXPECT_EQ(std::filesystem::file_size(cipher), kLength - 20 + 32);

  twofish->SetIV("large file IV");
  twofish->DecryptFile(cipher, back);
  std::remove(cipher.c_str());
  EXPECT_EQ(std::filesystem::file_size(back), kLength);
  EXPECT_TRUE(SameContent(plain, back));
}

}  // namespace
