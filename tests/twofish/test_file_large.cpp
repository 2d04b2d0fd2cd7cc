// An input above 2 GiB goes through completely: sizes and positions are
// 64-bit. The input is sparse, so it costs no disk space of its own.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "twofish/Twofish.h"

namespace {

constexpr std::uint64_t kLength = (std::uint64_t{2} << 30) + 20;

void WriteAt(int handle, std::uint64_t position, const std::string& bytes) {
  ASSERT_EQ(::pwrite(handle, bytes.data(), bytes.size(), static_cast<off_t>(position)),
            static_cast<ssize_t>(bytes.size()));
}

// Compares two files in large pieces; returns the first differing offset or
// -1 when they are equal (sizes included).
long long FirstDifference(const std::string& a, const std::string& b) {
  const int fa = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
  const int fb = ::open(b.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<char> ba(1 << 20), bb(1 << 20);
  long long offset = 0, result = -2;
  while (fa >= 0 && fb >= 0) {
    const ssize_t na = ::read(fa, ba.data(), ba.size());
    ssize_t nb = 0;
    while (nb < na) {  // read b up to the same length
      const ssize_t got = ::read(fb, bb.data() + nb, static_cast<std::size_t>(na - nb));
      if (got <= 0) break;
      nb += got;
    }
    if (na < 0 || nb != na) break;
    if (na == 0) {
      result = ::read(fb, bb.data(), 1) == 0 ? -1 : offset;
      break;
    }
    if (std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(na)) != 0) {
      for (ssize_t i = 0; i < na; ++i) {
        if (ba[static_cast<std::size_t>(i)] != bb[static_cast<std::size_t>(i)]) {
          result = offset + i;
          break;
        }
      }
      break;
    }
    offset += na;
  }
  if (result == -2) result = offset;
  if (fa >= 0) ::close(fa);
  if (fb >= 0) ::close(fb);
  return result;
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
  EXPECT_EQ(FileSize(cipher), kLength - 20 + 32);

  twofish->SetIV("large file IV");
  twofish->DecryptFile(cipher, back);
  std::remove(cipher.c_str());
  EXPECT_EQ(FileSize(back), kLength);
  EXPECT_EQ(FirstDifference(plain, back), -1);
}

}  // namespace
