// SPDX-License-Identifier: GPL-3.0-or-later
// '-' as SOURCE and TARGET: pipelines give the file results byte for byte, a
// standard output cannot be taken back, and the password never comes from
// the data.
#include <filesystem>
#include <string>

#include "CliFixture.h"

namespace {

TRunOptions Piped(std::string input) {
  TRunOptions options = WithStdin(std::move(input));
  options.Pipes = true;
  return options;
}

TEST_F(CliTest, PipesGiveTheFileResults) {
  const std::string pw = PasswordFile("pipe password\n");
  for (const char* mode : {"cbc", "ecb"}) {
    for (const std::size_t size : {0u, 15u, 16u, 17u, 5000u}) {
      SCOPED_TRACE(std::string(mode) + ", size " + std::to_string(size));
      const std::string original = SampleBytes(size);
      WriteFileBytes(Path("plain.bin"), original);
      std::filesystem::remove(Path("file.tvn"));
      ASSERT_EQ(Run({"encrypt", "--mode", mode, "--password-file", pw, Path("plain.bin"),
                     Path("file.tvn")})
                    .Exit.Code,
                0);
      const std::string ciphertext = ReadFileBytes(Path("file.tvn"));

      TRunResult run =
          Run({"encrypt", "--mode", mode, "--password-file", pw, "-", "-"}, Piped(original));
      EXPECT_EQ(run.Exit.Code, 0) << run.Err;
      EXPECT_EQ(run.Out, ciphertext);

      run = Run({"decrypt", "--mode", mode, "--password-file", pw, "-", "-"}, Piped(ciphertext));
      EXPECT_EQ(run.Exit.Code, 0) << run.Err;
      EXPECT_EQ(run.Out, original);
    }
  }
}

TEST_F(CliTest, PipedDecryptionNeverWritesAnUncheckedLastBlock) {
  const std::string original = SampleBytes(20000);
  WriteFileBytes(Path("plain.bin"), original);
  ASSERT_EQ(Run({"encrypt", "--mode", "ecb", "--password-file", PasswordFile("right\n"),
                 Path("plain.bin"), Path("file.tvn")})
                .Exit.Code,
            0);
  std::string damaged = ReadFileBytes(Path("file.tvn"));
  damaged.back() ^= 0x55;

  struct TCase {
    const char* Name;
    const char* Password;
    std::string Input;
  };
  const TCase cases[] = {
      {"wrong password", "wrong\n", ReadFileBytes(Path("file.tvn"))},
      {"damaged last block", "right\n", damaged},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TRunResult run =
        Run({"decrypt", "--mode", "ecb", "--password-file", PasswordFile(c.Password), "-", "-"},
            Piped(c.Input));
    EXPECT_EQ(run.Exit.Code, 1);
    EXPECT_NE(run.Err.find("invalid padding"), std::string::npos) << run.Err;
    // The blocks before the last may be out; the last one, unchecked, not.
    EXPECT_LT(run.Out.size(), original.size() / 16 * 16);
    if (std::string(c.Password) == "right\n") {
      EXPECT_EQ(run.Out, original.substr(0, run.Out.size()));
    }
  }
}

TEST_F(CliTest, AFileAsStandardInputIsCheckedBeforeAnythingIsWritten) {
  WriteFileBytes(Path("plain.bin"), SampleBytes(20000));
  ASSERT_EQ(Run({"encrypt", "--password-file", PasswordFile("right\n"), Path("plain.bin"),
                 Path("file.tvn")})
                .Exit.Code,
            0);
  const std::string wrong = PasswordFile("wrong\n", "wrong");
  for (const std::string& target : {std::string("-"), Path("out.bin")}) {
    SCOPED_TRACE(target);
    const auto before = Listing(Dir);
    // Not piped: the file itself is the standard input.
    const TRunResult run = Run({"decrypt", "--password-file", wrong, "-", target},
                               WithStdin(ReadFileBytes(Path("file.tvn"))));
    EXPECT_EQ(run.Exit.Code, 1);
    EXPECT_NE(run.Err.find("invalid padding"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find("incomplete"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(Listing(Dir), before);
  }
}

TEST_F(CliTest, APipeCutInsideABlockSaysTheOutputIsIncomplete) {
  WriteFileBytes(Path("plain.bin"), SampleBytes(20000));
  const std::string pw = PasswordFile("pw\n");
  ASSERT_EQ(Run({"encrypt", "--password-file", pw, Path("plain.bin"), Path("file.tvn")}).Exit.Code,
            0);
  const std::string cut = ReadFileBytes(Path("file.tvn")).substr(0, 8200);
  const TRunResult run = Run({"decrypt", "-j1", "--password-file", pw, "-", "-"}, Piped(cut));
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_NE(run.Err.find("not a multiple of 16 bytes); what standard output got is incomplete"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(run.Out.size(), 8192u);
}

TEST_F(CliTest, ThePasswordNeverComesFromTheData) {
  const std::string pw = PasswordFile("pw\n");
  struct TCase {
    std::vector<std::string> Args;
    const char* Message;
  };
  const TCase cases[] = {
      {{"decrypt", "--password-fd", "0", "-", Path("out.bin")}, "--password-fd 0"},
      {{"encrypt", "--password-fd=0", "-", "-"}, "--password-fd 0"},
      // No controlling terminal to ask on.
      {{"decrypt", "-", Path("out.bin")}, "no terminal"},
      {{"encrypt", "--password-file", pw, "-"}, "needs a TARGET"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args.back());
    const auto before = Listing(Dir);
    const TRunResult run = Run(c.Args, Piped("pw\nsome data"));
    EXPECT_EQ(run.Exit.Code, 2);
    EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(Listing(Dir), before);
  }
}

TEST_F(CliTest, CiphertextIsNotWrittenToATerminal) {
  WriteFileBytes(Path("a.txt"), "data");
  TTerminalChild tolvane({"encrypt", "--password-file", PasswordFile("pw\n"), Path("a.txt"), "-"});
  EXPECT_EQ(tolvane.Wait().Code, 2) << tolvane.Output();
  EXPECT_NE(tolvane.Output().find("refusing to write encrypted data to a terminal"),
            std::string::npos)
      << tolvane.Output();
}

}  // namespace
