// SPDX-License-Identifier: GPL-3.0-or-later
// Beyond 4 GiB on Windows: sizes, positions and the end of the file are
// 64-bit all the way through the Win32 layer and the transform (32-bit
// DWORDs are the trap here). The input is a sparse file and the output goes
// to NUL, so no gigabytes are written to the disk; each chunk is checked in
// the component's buffer, which holds it when the progress hook hears of it.
// ECB lets every block be checked on its own.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSeed.h"
#include "twofish/Twofish.h"

#ifndef FSCTL_SET_SPARSE
#define FSCTL_SET_SPARSE 0x000900C4
#endif

namespace {

using namespace wintest;

constexpr std::uint64_t FourGiB = std::uint64_t{1} << 32;

struct TPiece {
  std::uint64_t Offset;
  std::string Bytes;
};

// A sparse file of `length` bytes, holes but for the pieces. Returns an
// empty text when it was made, else why not.
std::string MakeSparseFile(const std::string& name, std::uint64_t length,
                           const std::vector<TPiece>& pieces) {
  const HANDLE file = ::CreateFileW(Wide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "cannot create the file";
  // Without the sparse flag, writing near the end would make the system
  // fill gigabytes with zeros first. Wine takes the flag, and Linux file
  // systems keep the holes anyway.
  DWORD unused = 0;
  std::string problem;
  if (!::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr)) {
    problem = "the file system has no sparse files";
  }
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(length);
  if (problem.empty() &&
      (!::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file))) {
    problem = "the file system refuses a file of this size";
  }
  for (const TPiece& piece : pieces) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(piece.Offset);
    DWORD put = 0;
    if (problem.empty() && (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
                            !::WriteFile(file, piece.Bytes.data(),
                                         static_cast<DWORD>(piece.Bytes.size()), &put, nullptr))) {
      problem = "cannot write into the file";
    }
  }
  ::CloseHandle(file);
  return problem;
}

std::unique_ptr<TTwofish> EcbCipher() {
  auto cipher = std::make_unique<TTwofish>();
  cipher->SetKeySize(TKeySize::Large256);
  cipher->SetCipherMode(TCipherMode::ECB);
  cipher->SetIV("large file IV");
  cipher->SetKey("large file key");
  return cipher;
}

// Fails the test once, not once per block.
struct TMismatches {
  std::uint64_t Count = 0;
  std::uint64_t First = 0;
  void Note(std::uint64_t offset) {
    if (Count++ == 0) First = offset;
  }
};

TEST(Win32LargeFile, DecryptingBeyondFourGiBTakesTheSizeAndPaddingFromTheEnd) {
  TTempDir dir;
  auto random = SeededRandom(41);
  const auto reference = EcbCipher();
  // Holes decrypt to D(0) block after block; the blocks on both sides of
  // 4 GiB and the plaintext's last block are real ciphertext.
  const std::string around = RandomBytes(random, 32);
  const std::string lastPlain = RandomBytes(random, 16);
  std::uint8_t tail[32];
  std::uint8_t padding[16];
  std::memset(padding, 16, sizeof padding);
  reference->EncryptBlock(reinterpret_cast<const std::uint8_t*>(lastPlain.data()), tail);
  reference->EncryptBlock(padding, tail + 16);
  const std::uint64_t cipherLength = FourGiB + 48;
  const std::string encrypted = dir.File("cipher.tvn");
  if (const std::string problem =
          MakeSparseFile(encrypted, cipherLength,
                         {{FourGiB - 16, around},
                          {FourGiB + 16, std::string(reinterpret_cast<const char*>(tail), 32)}});
      !problem.empty()) {
    GTEST_SKIP() << "no sparse file above 4 GiB here: " << problem;
  }

  std::uint8_t zeroPlain[16];
  const std::uint8_t zero[16] = {};
  reference->DecryptBlock(zero, zeroPlain);
  std::uint8_t aroundPlain[32];
  reference->DecryptBlock(reinterpret_cast<const std::uint8_t*>(around.data()), aroundPlain);
  reference->DecryptBlock(reinterpret_cast<const std::uint8_t*>(around.data()) + 16,
                          aroundPlain + 16);

  const auto cipher = EcbCipher();
  TMismatches mismatches;
  std::uint64_t written = 0;  // plaintext bytes checked so far
  std::uint64_t lastDone = 0;
  std::uint64_t firstTotal = 0;
  std::uint64_t lastTotal = 0;
  cipher->DecryptFile(encrypted, "NUL", [&](std::uint64_t done, std::uint64_t total) {
    // The chunk just written: what was read since the last call, less the
    // padding at the end.
    const std::uint64_t read = done - lastDone;
    const std::uint64_t kept = done == cipherLength ? read - 16 : read;
    const std::uint8_t* chunk = cipher->Buffer();
    for (std::uint64_t at = 0; at < kept; at += 16) {
      const std::uint64_t offset = written + at;
      const std::uint8_t* expected = zeroPlain;
      if (offset == FourGiB - 16) expected = aroundPlain;
      if (offset == FourGiB) expected = aroundPlain + 16;
      if (offset == FourGiB + 16)
        expected = reinterpret_cast<const std::uint8_t*>(lastPlain.data());
      if (std::memcmp(chunk + at, expected, 16) != 0) mismatches.Note(offset);
    }
    written += kept;
    if (lastDone == 0) firstTotal = total;
    lastDone = done;
    lastTotal = total;
    return true;
  });
  EXPECT_EQ(mismatches.Count, 0u) << "first wrong block at " << mismatches.First;
  EXPECT_EQ(written, FourGiB + 32);
  // The size is known from the start, not only once the end is reached.
  EXPECT_EQ(firstTotal, cipherLength);
  EXPECT_EQ(lastDone, cipherLength);
  EXPECT_EQ(lastTotal, cipherLength);
}

}  // namespace
