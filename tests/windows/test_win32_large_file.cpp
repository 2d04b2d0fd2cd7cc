// Beyond 4 GiB on Windows: sizes, positions and the end of the file are
// 64-bit all the way through the Win32 layer and the transform (32-bit
// DWORDs are the trap here). The inputs are sparse files, and the outputs
// go into named pipes whose readers check every block as it arrives, so no
// gigabytes are written to the disk. ECB lets each block be checked on its
// own.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
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

// A file of `length` bytes, holes but for the pieces. Returns an empty text
// when it was made sparse, else why not.
std::string MakeSparseFile(const std::string& name, std::uint64_t length,
                           const std::vector<TPiece>& pieces) {
  const HANDLE file = ::CreateFileW(Wide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "cannot create the file";
  DWORD unused = 0;
  ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(length);
  std::string problem;
  if (!::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) {
    problem = "the file system refuses a file of this size";
  }
  for (const TPiece& piece : pieces) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(piece.Offset);
    DWORD put = 0;
    if (problem.empty() &&
        (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
         !::WriteFile(file, piece.Bytes.data(), static_cast<DWORD>(piece.Bytes.size()), &put, nullptr))) {
      problem = "cannot write into the file";
    }
  }
  ::CloseHandle(file);
  DWORD high = 0;
  const DWORD low = ::GetCompressedFileSizeW(Wide(name).c_str(), &high);
  const std::uint64_t allocated = (static_cast<std::uint64_t>(high) << 32) | low;
  if (problem.empty() && low != INVALID_FILE_SIZE && allocated > (std::uint64_t{1} << 30)) {
    problem = "the file system does not keep the file sparse";
  }
  return problem;
}

// A named pipe whose reader hands each 16-byte block written into it, with
// its offset, to a check, and counts the bytes.
class TCheckedPipe {
 public:
  using TCheck = std::function<void(std::uint64_t offset, const std::uint8_t* block)>;

  explicit TCheckedPipe(TCheck check) : FCheck(std::move(check)) {
    static int serial = 0;
    const std::wstring wide = L"\\\\.\\pipe\\tolvane-large-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++serial);
    Name = Utf8FromWide(wide);
    FServer = ::CreateNamedPipeW(wide.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                 1 << 20, 1 << 20, 0, nullptr);
    if (FServer != INVALID_HANDLE_VALUE) FReader = std::thread([this] { Read(); });
  }
  TCheckedPipe(const TCheckedPipe&) = delete;
  TCheckedPipe& operator=(const TCheckedPipe&) = delete;
  ~TCheckedPipe() { Finish(); }

  bool Ok() const { return FServer != INVALID_HANDLE_VALUE; }

  // The bytes received, once the writer has closed its end.
  std::uint64_t Finish() {
    if (FReader.joinable()) FReader.join();
    if (FServer != INVALID_HANDLE_VALUE) ::CloseHandle(FServer);
    FServer = INVALID_HANDLE_VALUE;
    return FTotal;
  }

  std::string Name;

 private:
  void Read() {
    ::ConnectNamedPipe(FServer, nullptr);
    std::vector<std::uint8_t> data(1 << 20);
    std::size_t kept = 0;  // bytes of an incomplete block at the front of data
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(FServer, data.data() + kept, static_cast<DWORD>(data.size() - kept), &got,
                      nullptr) ||
          got == 0) {
        break;
      }
      const std::size_t have = kept + got;
      std::size_t at = 0;
      for (; at + 16 <= have; at += 16) FCheck(FTotal + at - kept, data.data() + at);
      FTotal += got;
      kept = have - at;
      std::memmove(data.data(), data.data() + at, kept);
    }
    if (kept != 0) ADD_FAILURE() << kept << " bytes beyond the last whole block";
  }

  TCheck FCheck;
  HANDLE FServer = INVALID_HANDLE_VALUE;
  std::thread FReader;
  std::uint64_t FTotal = 0;
};

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

TEST(Win32LargeFile, EncryptingBeyondFourGiBReadsEveryByteOnce) {
  TTempDir dir;
  const std::uint64_t length = FourGiB + 20;
  auto random = SeededRandom(40);
  const std::vector<TPiece> pieces = {{0, RandomBytes(random, 5000)},
                                      {FourGiB - 7, RandomBytes(random, 14)},
                                      {length - 3000, RandomBytes(random, 3000)}};
  const std::string plain = dir.File("plain.bin");
  if (const std::string problem = MakeSparseFile(plain, length, pieces); !problem.empty()) {
    GTEST_SKIP() << "no sparse file above 4 GiB here: " << problem;
  }

  const auto cipher = EcbCipher();
  const auto reference = EcbCipher();
  std::uint8_t zeroCipher[16] = {};
  const std::uint8_t zero[16] = {};
  reference->EncryptBlock(zero, zeroCipher);
  const std::uint64_t cipherLength = 16 * (length / 16 + 1);

  TMismatches mismatches;
  TCheckedPipe pipe([&](std::uint64_t offset, const std::uint8_t* block) {
    std::uint8_t expected[16];
    std::uint8_t plainBlock[16] = {};
    bool allZero = true;
    for (const TPiece& piece : pieces) {
      const std::uint64_t from = std::max(offset, piece.Offset);
      const std::uint64_t to = std::min(offset + 16, piece.Offset + piece.Bytes.size());
      for (std::uint64_t i = from; i < to; ++i) {
        plainBlock[i - offset] = static_cast<std::uint8_t>(piece.Bytes[i - piece.Offset]);
        allZero = false;
      }
    }
    if (offset + 16 > length) {  // the padded last block
      const auto pad = static_cast<std::uint8_t>(cipherLength - length);
      for (std::uint64_t i = length; i < offset + 16; ++i) plainBlock[i - offset] = pad;
      allZero = false;
    }
    if (allZero) {
      std::memcpy(expected, zeroCipher, 16);
    } else {
      reference->EncryptBlock(plainBlock, expected);
    }
    if (std::memcmp(block, expected, 16) != 0) mismatches.Note(offset);
  });
  ASSERT_TRUE(pipe.Ok());

  std::uint64_t lastDone = 0;
  std::uint64_t lastTotal = 0;
  cipher->EncryptFile(plain, pipe.Name, [&](std::uint64_t done, std::uint64_t total) {
    lastDone = done;
    lastTotal = total;
    return true;
  });
  EXPECT_EQ(pipe.Finish(), cipherLength);
  EXPECT_EQ(mismatches.Count, 0u) << "first wrong block at " << mismatches.First;
  EXPECT_EQ(lastDone, length);
  EXPECT_EQ(lastTotal, length);
}

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
  reference->DecryptBlock(reinterpret_cast<const std::uint8_t*>(around.data()) + 16, aroundPlain + 16);

  TMismatches mismatches;
  TCheckedPipe pipe([&](std::uint64_t offset, const std::uint8_t* block) {
    const std::uint8_t* expected = zeroPlain;
    if (offset == FourGiB - 16) expected = aroundPlain;
    if (offset == FourGiB) expected = aroundPlain + 16;
    if (offset == FourGiB + 16) expected = reinterpret_cast<const std::uint8_t*>(lastPlain.data());
    if (std::memcmp(block, expected, 16) != 0) mismatches.Note(offset);
  });
  ASSERT_TRUE(pipe.Ok());

  const auto cipher = EcbCipher();
  cipher->DecryptFile(encrypted, pipe.Name);
  EXPECT_EQ(pipe.Finish(), FourGiB + 32);
  EXPECT_EQ(mismatches.Count, 0u) << "first wrong block at " << mismatches.First;
}

}  // namespace
