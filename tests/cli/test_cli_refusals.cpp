// What the command refuses, with which status and which message, and that
// a refusal leaves every file as it was.
#include <filesystem>
#include <string>

#include "CliFixture.h"
#include "TolvaneVersion.h"

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
      {"encrypt", "--password-file", pw, Path("a.txt"), Path("b"), Path("c")},
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
  EXPECT_EQ(run.Out, "tolvane (Tolvane Crypter) " TOLVANE_VERSION "\n");
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

  std::filesystem::create_directory(Path("folder"));
  run = Run({"decrypt", "--password-file", pw, Path("folder"), Path("out")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, Path("folder") + ": is a directory")) << run.Err;
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"folder", "pw"}));
}

TEST_F(CliTest, WrongPasswordReportsInvalidPaddingAndLeavesNoTarget) {
  WriteFileBytes(Path("a.txt"), SampleBytes(300));
  ASSERT_EQ(Run({"encrypt", "--password-file", PasswordFile("right\n"), Path("a.txt")}).Exit.Code,
            0);
  const TRunResult run =
      Run({"decrypt", "--password-file", PasswordFile("wrong\n", "pw2"), Path("a.tvn"),
           Path("out.txt")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_EQ(run.Err, "tolvane: " + Path("a.tvn") +
                         ": invalid padding: wrong password, wrong mode or hashing choice, or a "
                         "damaged file\n");
  EXPECT_FALSE(std::filesystem::exists(Path("out.txt")));
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
  EXPECT_EQ(run.Err, "tolvane: cannot create " + Path("no/such/dir/a.tvn") +
                         ": No such file or directory\n");
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
