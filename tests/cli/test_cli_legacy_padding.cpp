// SPDX-License-Identifier: GPL-3.0-or-later
// --legacy-padding: files of older versions whose last block is not PKCS #7
// decrypt by the last byte alone, on every path a decryption takes.
#include <filesystem>
#include <string>

#include "CliFixture.h"

namespace {

class CliLegacyPadding : public CliTest {
 protected:
  // A file as the older versions could write it: the CBC ciphertext of
  // plain alone (a multiple of 16 bytes), with no padding block. The
  // encryption of plain with its padding block starts with exactly that.
  std::string LegacyFile(const std::string& plain, const std::string& name) {
    WriteFileBytes(Path("plain.bin"), plain);
    std::filesystem::remove(Path(name));
    EXPECT_EQ(Run({"encrypt", "--password-file", Pw, Path("plain.bin"), Path(name)}).Exit.Code, 0);
    WriteFileBytes(Path(name), ReadFileBytes(Path(name)).substr(0, plain.size()));
    return Path(name);
  }

  static std::string PlainEndingIn(std::size_t size, unsigned char last) {
    std::string plain = SampleBytes(size);
    plain.back() = static_cast<char>(last);
    return plain;
  }

  std::string Pw = PasswordFile("pw\n");
};

TEST_F(CliLegacyPadding, TheLastByteRemovesUpToTheFinalChunk) {
  struct TCase {
    std::size_t Size;
    unsigned char Last;
    std::size_t Kept;
  };
  const TCase cases[] = {
      {8192 + 48, 0, 8192 + 48},                // 0 removes nothing
      {8192 + 48, 5, 8192 + 43},                // less than a block
      {8192 + 48, 40, 8192 + 8},                // more than a block, within the final chunk
      {8192 + 48, 48, 8192},                    // exactly the final chunk
      {8192 + 48, 200, 8192},                   // beyond it: the final chunk goes, no more
      {8192, 255, 8192 - 255},                  // a full final chunk
      {16, 17, 0},                              // a file of one block
      {262144 + 4096 + 32, 99, 262144 + 4096},  // past the first round of chunks
  };
  for (const TCase& c : cases) {
    for (const char* threads : {"-j1", "-j3"}) {
      SCOPED_TRACE(std::to_string(c.Size) + " bytes ending in " + std::to_string(c.Last) + ", " +
                   threads);
      const std::string plain = PlainEndingIn(c.Size, c.Last);
      const std::string file = LegacyFile(plain, "old.tvn");
      std::filesystem::remove(Path("out.bin"));
      const TRunResult run = Run(
          {"decrypt", "--legacy-padding", threads, "--password-file", Pw, file, Path("out.bin")});
      EXPECT_EQ(run.Exit.Code, 0) << run.Err;
      EXPECT_EQ(ReadFileBytes(Path("out.bin")), plain.substr(0, c.Kept));
    }
  }
}

TEST_F(CliLegacyPadding, StrictPaddingStaysTheDefaultAndInPlaceIsRefused) {
  const std::string file = LegacyFile(PlainEndingIn(100 * 16, 3), "old.tvn");
  const std::string ciphertext = ReadFileBytes(file);
  TRunResult run = Run({"decrypt", "--password-file", Pw, file, Path("out.bin")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_NE(run.Err.find("invalid padding"), std::string::npos) << run.Err;

  std::filesystem::create_symlink("old.tvn", Path("link.tvn"));
  for (const std::string& target : {file, Path("link.tvn")}) {
    run = Run({"decrypt", "--legacy-padding", "-f", "--password-file", Pw, file, target});
    EXPECT_EQ(run.Exit.Code, 2);
    EXPECT_NE(run.Err.find("in place"), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(file), ciphertext);
  }
  run = Run({"encrypt", "--legacy-padding", "--password-file", Pw, file});
  EXPECT_EQ(run.Exit.Code, 2);
  EXPECT_NE(run.Err.find("decrypt only"), std::string::npos) << run.Err;
}

TEST_F(CliLegacyPadding, ABatchUsesIt) {
  const std::string plainA = PlainEndingIn(4096 + 32, 20);
  const std::string plainB = PlainEndingIn(64, 0);
  LegacyFile(plainA, "a.tvn");
  LegacyFile(plainB, "b.tvn");
  const TRunResult run = Run({"decrypt", "--legacy-padding", "--each", "--password-file", Pw,
                              Path("a.tvn"), Path("b.tvn")});
  EXPECT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("a")), plainA.substr(0, 4096 + 12));
  EXPECT_EQ(ReadFileBytes(Path("b")), plainB);
}

TEST_F(CliLegacyPadding, APipeHoldsTheFinalChunkBack) {
  const std::string plain = PlainEndingIn(3 * 4096 + 16, 250);
  const std::string file = LegacyFile(plain, "old.tvn");
  TRunOptions piped = WithStdin(ReadFileBytes(file));
  piped.Pipes = true;
  const TRunResult run =
      Run({"decrypt", "--legacy-padding", "-j1", "--password-file", Pw, "-", "-"}, piped);
  EXPECT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(run.Out, plain.substr(0, 3 * 4096));
}

}  // namespace
