// SPDX-License-Identifier: GPL-3.0-or-later
// What the command refuses, with which status and which message, and that
// a refusal leaves every file as it was.
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "CliFixture.h"
#include "TolvaneVersion.h"
#include "twofish/BlockPath.h"
#include "twofish/CipherChoice.h"

namespace {

bool Mentions(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(CliTest, WrongUsageExitsWithTwo) {
  WriteFileBytes(Path("a.txt"), "data");
  const std::string pw = PasswordFile("x\n");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"shred", Path("a.txt")},
      {"encrypt"},
      {"decrypt", "--password-file", pw, Path("a.txt")},
      {"encrypt", "--mode", "cfb", "--password-file", pw, Path("a.txt")},
      {"encrypt", "--mode"},
      {"encrypt", "--frobnicate", Path("a.txt")},
      {"encrypt", "--password-fd", "x", Path("a.txt")},
      {"encrypt", "--password-file", pw, "--password-fd", "3", Path("a.txt")},
      {"encrypt", "--force=yes", Path("a.txt")},
      {"encrypt", "--password-file", pw, Path("a.txt"), "-", Path("c")},
      // No terminal and no password option: nobody could type one.
      {"encrypt", Path("a.txt"), Path("b.tvn")},
      {"encrypt", "--password-file", Path("missing-pw"), Path("a.txt"), Path("b.tvn")},
      {"encrypt", "--password-fd", "9", Path("a.txt"), Path("b.tvn")},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const TRunResult run = Run(args);
    EXPECT_EQ(run.Exit.Code, 2);
    EXPECT_TRUE(run.Err.rfind("tolvane: ", 0) == 0) << run.Err;
  }
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"a.txt", "pw"}));
}

TEST_F(CliTest, HelpAndVersionGoToStandardOutput) {
  TRunResult run = Run({"--help"});
  EXPECT_EQ(run.Exit.Code, 0);
  EXPECT_TRUE(Mentions(run.Out, "tolvane encrypt [options] SOURCE [TARGET]"));
  EXPECT_TRUE(Mentions(run.Out, "what it does not: man tolvane")) << run.Out;
  run = Run({"--version"});
  EXPECT_EQ(run.Exit.Code, 0);
  EXPECT_EQ(run.Out, "tolvane (Tolvane Crypter) " TOLVANE_VERSION "\ncipher: " +
                         std::string(BlockPathName(ActiveBlockPath())) + "\n");
}

// TOLVANE_CIPHER names the path that runs, as --version shows; a name that
// is no path, and a path this CPU cannot run, are refused before any work.
TEST_F(CliTest, CipherPathFromEnvironment) {
  WriteFileBytes(Path("a.txt"), "data");
  const std::string pw = PasswordFile("x\n");
  const std::vector<std::pair<std::string, std::optional<TBlockPath>>> cases = {
      {"portable", TBlockPath::Portable}, {"avx2", TBlockPath::Avx2},
      {"avx512", TBlockPath::Avx512},     {"avx512-gfni", std::nullopt},
      {"Portable", std::nullopt},         {"avx", std::nullopt},
  };
  for (const auto& [value, path] : cases) {
    SCOPED_TRACE(value);
    TRunResult run = Run({"--version"}, WithEnv("TOLVANE_CIPHER", value));
    if (path && BlockPathAvailable(*path)) {
      EXPECT_EQ(run.Exit.Code, 0);
      EXPECT_TRUE(Mentions(run.Out, "\ncipher: " + std::string(BlockPathName(*path)) + "\n"))
          << run.Out;
      continue;
    }
    EXPECT_EQ(run.Exit.Code, 2);
    EXPECT_EQ(run.Out, "");
    run = Run({"encrypt", "--password-file", pw, Path("a.txt")}, WithEnv("TOLVANE_CIPHER", value));
    EXPECT_EQ(run.Exit.Code, 2);
    EXPECT_TRUE(Mentions(run.Err, "tolvane: TOLVANE_CIPHER=" + value)) << run.Err;
  }
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"a.txt", "pw"}));
}

TEST_F(CliTest, ExistingTargetIsKeptWithoutForce) {
  WriteFileBytes(Path("a.txt"), "new data");
  WriteFileBytes(Path("a.tvn"), "old target");
  const std::string pw = PasswordFile("x\n");
  TRunResult run = Run({"encrypt", "--password-file", pw, Path("a.txt"), Path("a.tvn")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, Path("a.tvn"))) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "--force")) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("a.tvn")), "old target");

  run = Run({"encrypt", "--force", "--password-file", pw, Path("a.txt"), Path("a.tvn")});
  EXPECT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("a.tvn")).size(), 16u);
}

TEST_F(CliTest, MissingSourceAndDirectoryAreNamed) {
  const std::string pw = PasswordFile("x\n");
  TRunResult run = Run({"encrypt", "--password-file", pw, Path("nothing.txt")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_EQ(run.Err, "tolvane: " + Path("nothing.txt") + ": no such file\n");

  // What is there but no regular file is named as such, before anything is
  // asked or read; a FIFO must not hold the command.
  std::filesystem::create_directory(Path("folder"));
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  WriteFileBytes(Path("a.txt"), "data");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"decrypt", "--password-file", pw, Path("folder"), Path("out")},
           {"encrypt", "--password-file", pw, Path("fifo")},
           {"encrypt", "--password-file", pw, Path("a.txt"), Path("fifo")},
           {"encrypt", "--force", "--password-file", pw, Path("a.txt"), "/dev/null"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    run = Run(args);
    EXPECT_EQ(run.Exit.Code, 1);
    EXPECT_TRUE(Mentions(run.Err, ": is not a regular file")) << run.Err;
  }
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"folder", "fifo", "a.txt", "pw"}));
}

// A name that could move the cursor or fake a second line is shown escaped.
TEST_F(CliTest, ControlCharactersInNamesAreEscaped) {
  const std::string pw = PasswordFile("x\n");
  const std::string name = Path("evil\n\x1b[2Jname\\.txt");
  const TRunResult run = Run({"encrypt", "--password-file", pw, name});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_EQ(run.Err, "tolvane: " + Path("evil\\x0a\\x1b[2Jname\\\\.txt") + ": no such file\n");
}

TEST_F(CliTest, WrongPasswordReportsInvalidPaddingAndTouchesNoTarget) {
  WriteFileBytes(Path("a.txt"), SampleBytes(300));
  ASSERT_EQ(Run({"encrypt", "--password-file", PasswordFile("right\n"), Path("a.txt")}).Exit.Code,
            0);
  const TRunResult run = Run({"decrypt", "--password-file", PasswordFile("wrong\n", "pw2"),
                              Path("a.tvn"), Path("out.txt")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_EQ(run.Err, "tolvane: " + Path("a.tvn") +
                         ": invalid padding: wrong password, wrong mode or hashing choice, or a "
                         "damaged file\n");
  EXPECT_FALSE(std::filesystem::exists(Path("out.txt")));

  // Not even a target the user agreed to replace.
  WriteFileBytes(Path("out.txt"), "keep me");
  const TRunResult forced =
      Run({"decrypt", "--force", "--password-file", Path("pw2"), Path("a.tvn"), Path("out.txt")});
  EXPECT_EQ(forced.Exit.Code, 1);
  EXPECT_EQ(ReadFileBytes(Path("out.txt")), "keep me");
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"a.txt", "a.tvn", "out.txt", "pw", "pw2"}));
}

TEST_F(CliTest, FailuresOfTheJobAreWordedInEnglish) {
  WriteFileBytes(Path("odd.tvn"), "not a multiple of sixteen");
  const std::string pw = PasswordFile("x\n");
  TRunResult run = Run({"decrypt", "--password-file", pw, Path("odd.tvn"), Path("out")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, Path("odd.tvn") + ": not an encrypted file")) << run.Err;

  // Unhashed, the password is the key, and a key holds at most 156 bytes.
  WriteFileBytes(Path("a.txt"), "data");
  run = Run({"encrypt", "--no-hash", "--password-file", PasswordFile(std::string(157, 'k'), "long"),
             Path("a.txt"), Path("a.tvn")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, "too long")) << run.Err;

  run = Run({"encrypt", "--password-file", pw, Path("a.txt"), Path("no/such/dir/a.tvn")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_EQ(run.Err, "tolvane: cannot write the result next to " + Path("no/such/dir/a.tvn") +
                         ": No such file or directory; " + Path("no/such/dir/a.tvn") +
                         " is unchanged\n");
}

TEST_F(CliTest, PasswordOutsideWindows1252IsRefused) {
  WriteFileBytes(Path("a.txt"), "data");
  TRunResult run = Run({"encrypt", "--password-file", PasswordFile("Ā-bar\n"), Path("a.txt")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, "U+0100")) << run.Err;
  run = Run({"encrypt", "--password-file", PasswordFile("a\u0080\n"), Path("a.txt")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, "U+0080")) << run.Err;
  run = Run({"encrypt", "--password-file", PasswordFile("\xC3(\n", "bad"), Path("a.txt")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, "not valid UTF-8")) << run.Err;
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"a.txt", "pw", "bad"}));
}

}  // namespace

namespace {

// Key material must not end up in a core file: by the time the password is
// read, the process allows none.
TEST_F(CliTest, NoCoreFileWhileThePasswordIsRead) {
  WriteFileBytes(Path("a.txt"), "data");
  ASSERT_EQ(::mkfifo(Path("pw-pipe").c_str(), 0600), 0);
  TChild tolvane(Dir, {"encrypt", "--password-file", Path("pw-pipe"), Path("a.txt")});
  const std::string limits = "/proc/" + std::to_string(tolvane.Pid()) + "/limits";
  // Soft and hard limit of core files, as the kernel shows them.
  const auto coreLimits = [&] {
    std::istringstream text(ReadFileBytes(limits));
    for (std::string line; std::getline(text, line);) {
      if (line.rfind("Max core file size", 0) != 0) continue;
      std::istringstream fields(line.substr(18));
      std::string soft;
      std::string hard;
      fields >> soft >> hard;
      return soft + " " + hard;
    }
    return std::string("?");
  };
  std::string seen = coreLimits();
  for (int attempt = 0; attempt < 2000 && seen != "0 0"; ++attempt) {
    ::usleep(5000);
    seen = coreLimits();
  }
  // Opening the pipe for writing lets the command read its password.
  WriteFileBytes(Path("pw-pipe"), "pw\n");
  EXPECT_EQ(tolvane.Wait().Exit.Code, 0);
  EXPECT_EQ(seen, "0 0");
}

// NAME for NAME.tvn is no default target when NAME leads to NAME.tvn: a
// wrong password that passes the padding check would lose the only copy.
TEST_F(CliTest, DecryptRefusesADefaultTargetThatReachesTheSource) {
  WriteFileBytes(Path("a.tvn"), SampleBytes(32));
  std::filesystem::create_symlink("a.tvn", Path("a"));
  const TRunResult run =
      Run({"decrypt", "-f", "--password-file", PasswordFile("pw\n"), Path("a.tvn")});
  EXPECT_EQ(run.Exit.Code, 1) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, Path("a") + " leads to " + Path("a.tvn"))) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("a.tvn")), SampleBytes(32));
}

}  // namespace
