// SPDX-License-Identifier: GPL-3.0-or-later
// Files made by the command decrypt through the window's path, and the other
// way round, byte for byte.
#include <string>

#include "CliFixture.h"

namespace {

constexpr const char* Password = "Grüße, €uro – ok";  // non-ASCII, all in Windows-1252

struct TSettings {
  const char* Mode;
  TChainMode CipherMode;
  bool UseHashes;
};

const TSettings AllSettings[] = {
    {"cbc", TChainMode::CBC, true},
    {"cbc", TChainMode::CBC, false},
    {"ecb", TChainMode::ECB, true},
    {"ecb", TChainMode::ECB, false},
};

std::vector<std::string> Args(const char* command, const TSettings& s, const std::string& pw,
                              std::vector<std::string> files) {
  std::vector<std::string> args = {command, "--mode", s.Mode, "--password-file", pw};
  if (!s.UseHashes) args.push_back("--no-hash");
  args.insert(args.end(), files.begin(), files.end());
  return args;
}

TEST_F(CliTest, RoundTripsMatchTheWindowsJobInEveryMode) {
  const std::string pw = PasswordFile(std::string(Password) + "\n");
  for (const TSettings& s : AllSettings) {
    for (const std::size_t size : {0u, 1u, 16u, 17u, 4096u, 4111u, 70000u}) {
      SCOPED_TRACE(std::string(s.Mode) + (s.UseHashes ? " hashed" : " plain") + ", size " +
                   std::to_string(size));
      const std::string original = SampleBytes(size);
      WriteFileBytes(Path("plain.bin"), original);

      TRunResult run = Run(Args("encrypt", s, pw, {Path("plain.bin"), Path("cli.tvn")}));
      ASSERT_EQ(run.Exit.Code, 0) << run.Err;
      EXPECT_EQ(run.Err, "");
      ProcessLikeTheWindow(true, Path("plain.bin"), Path("window.tvn"), Password, s.CipherMode,
                           s.UseHashes);
      ASSERT_EQ(ReadFileBytes(Path("cli.tvn")), ReadFileBytes(Path("window.tvn")));
      EXPECT_EQ(ReadFileBytes(Path("cli.tvn")).size(), size / 16 * 16 + 16);

      run = Run(Args("decrypt", s, pw, {Path("window.tvn"), Path("back.bin")}));
      ASSERT_EQ(run.Exit.Code, 0) << run.Err;
      EXPECT_EQ(ReadFileBytes(Path("back.bin")), original);

      for (const char* name : {"cli.tvn", "window.tvn", "back.bin"}) std::remove(Path(name).c_str());
    }
  }
}

TEST_F(CliTest, WindowDecryptsWhatTheCommandEncrypted) {
  const std::string pw = PasswordFile(std::string(Password) + "\n");
  const std::string original = SampleBytes(12345);
  WriteFileBytes(Path("plain.bin"), original);
  ASSERT_EQ(Run({"encrypt", "--password-file", pw, Path("plain.bin")}).Exit.Code, 0);
  ProcessLikeTheWindow(false, Path("plain.tvn"), Path("back.bin"), Password, TChainMode::CBC, true);
  EXPECT_EQ(ReadFileBytes(Path("back.bin")), original);
}

TEST_F(CliTest, PasswordSourcesAgree) {
  WriteFileBytes(Path("plain.bin"), SampleBytes(1000));
  ProcessLikeTheWindow(true, Path("plain.bin"), Path("expected.tvn"), "secret", TChainMode::CBC,
                       true);
  const std::string expected = ReadFileBytes(Path("expected.tvn"));

  struct TCase {
    const char* Name;
    std::vector<std::string> Args;
    TRunOptions Options;
  };
  const TCase cases[] = {
      {"file, LF", {"--password-file", PasswordFile("secret\nsecond line\n")}, {}},
      {"file, CRLF", {"--password-file", PasswordFile("secret\r\n", "pw-crlf")}, {}},
      {"file, no line end", {"--password-file", PasswordFile("secret", "pw-bare")}, {}},
      {"fd 3", {"--password-fd", "3"}, WithFd3("secret\n")},
      {"fd 0", {"--password-fd=0"}, WithStdin("secret\n")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> args = {"encrypt", "--force"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    args.insert(args.end(), {Path("plain.bin"), Path("out.tvn")});
    const TRunResult run = Run(args, c.Options);
    ASSERT_EQ(run.Exit.Code, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("out.tvn")), expected);
  }
}

// Older files may be keyed with the five C1 controls that Windows turns into
// the code page's unassigned bytes; the cipher, keyed with those bytes
// directly, must read what the command wrote.
TEST_F(CliTest, C1ControlsKeyTheFileWithTheirWindowsBytes) {
  const std::string original = SampleBytes(100);
  WriteFileBytes(Path("plain.bin"), original);
  const std::string pw = PasswordFile("\u0081\u008D\u008F\u0090\u009D\n");
  const TRunResult run =
      Run({"encrypt", "--no-hash", "--password-file", pw, Path("plain.bin"), Path("c1.tvn")});
  ASSERT_EQ(run.Exit.Code, 0) << run.Err;

  BuildMdsTables();
  TTwofish twofish;
  twofish.SetKeySize(TKeySize::Large256);
  twofish.SetStringMode(TStringMode::smEncode);
  twofish.SetCipherMode(TCipherMode::CBC);
  const std::string bytes = "\x81\x8D\x8F\x90\x9D";
  twofish.SetIV(bytes);
  twofish.SetKey(bytes);
  twofish.DecryptFile(Path("c1.tvn"), Path("back.bin"));
  EXPECT_EQ(ReadFileBytes(Path("back.bin")), original);
}

// An empty password read from a file is most likely a mistake: only asked
// for explicitly does it mean the built-in key.
TEST_F(CliTest, EmptyPasswordFromAFileNeedsToBeAllowed) {
  WriteFileBytes(Path("plain.bin"), SampleBytes(100));
  const std::string empty = PasswordFile("\n");
  TRunResult run = Run({"encrypt", "--password-file", empty, Path("plain.bin"), Path("cli.tvn")});
  EXPECT_EQ(run.Exit.Code, 2);
  EXPECT_NE(run.Err.find("protects nothing"), std::string::npos) << run.Err;
  EXPECT_FALSE(std::filesystem::exists(Path("cli.tvn")));

  run = Run({"encrypt", "--allow-empty-password", "--password-file", empty, Path("plain.bin"),
             Path("cli.tvn")});
  ASSERT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_NE(run.Err.find("empty password"), std::string::npos) << run.Err;
  ProcessLikeTheWindow(true, Path("plain.bin"), Path("window.tvn"), "", TChainMode::CBC, true);
  EXPECT_EQ(ReadFileBytes(Path("cli.tvn")), ReadFileBytes(Path("window.tvn")));
}

// Without TARGET the result always goes to the .tvn name: a script run twice
// replaces its earlier results with --force and never touches its sources.
TEST_F(CliTest, WithoutTargetTheSourceIsNeverProcessedInPlace) {
  const std::string original = SampleBytes(5000);
  WriteFileBytes(Path("brief.txt"), original);
  WriteFileBytes(Path("brief.tvn"), "someone else's file");
  const std::string pw = PasswordFile("pw\n");

  TRunResult run = Run({"encrypt", "--password-file", pw, Path("brief.txt")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_NE(run.Err.find("--force"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("brief.tvn")), "someone else's file");

  for (int round = 0; round < 2; ++round) {
    run = Run({"encrypt", "--force", "--quiet", "--password-fd", "3", Path("brief.txt")},
              WithFd3("pw\n"));
    ASSERT_EQ(run.Exit.Code, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("brief.txt")), original);
    EXPECT_EQ(ReadFileBytes(Path("brief.tvn")).size(), 5008u);
  }
  run = Run({"decrypt", "--password-file", pw, Path("brief.tvn"), Path("back.txt")});
  ASSERT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("back.txt")), original);

  // A source that already ends in .tvn needs a TARGET.
  run = Run({"encrypt", "--force", "--password-file", pw, Path("brief.tvn")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_NE(run.Err.find("give a TARGET"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("brief.tvn")).size(), 5008u);

  // Naming the source as TARGET is the one way in place.
  run = Run({"encrypt", "--force", "--password-file", pw, Path("brief.txt"), Path("brief.txt")});
  ASSERT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")).size(), 5008u);
}

}  // namespace
