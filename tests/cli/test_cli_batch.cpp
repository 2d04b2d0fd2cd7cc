// SPDX-License-Identifier: GPL-3.0-or-later
// Many files in one call: what a batch refuses, skips and replaces, how it
// counts, and that it stops as a single file does.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <thread>

#include "CliFixture.h"

namespace {

using namespace std::chrono_literals;

bool Mentions(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every regular file below dir by its path relative to dir, with its content.
std::map<std::string, std::string> Tree(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      files[entry.path().lexically_relative(dir).string()] = ReadFileBytes(entry.path().string());
    }
  }
  return files;
}

TEST_F(CliTest, BatchWithTwoSourcesForOneTargetIsRefusedWhole) {
  WriteFileBytes(Path("a.txt"), "one");
  WriteFileBytes(Path("a.doc"), "two");
  WriteFileBytes(Path("b.txt"), "three");
  const TRunResult run = Run({"encrypt", "--password-file", PasswordFile("pw\n"), Path("b.txt"),
                              Path("a.txt"), Path("a.doc")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, Path("a.txt"))) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, Path("a.doc"))) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "nothing was done")) << run.Err;
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"a.txt", "a.doc", "b.txt", "pw"}));
}

// Run again over the same folder, a batch adds nothing: the results of the
// first run are no sources, and their names are taken.
TEST_F(CliTest, BatchRunTwiceOverAFolderEncryptsNothingNew) {
  std::filesystem::create_directories(Path("photos/2026"));
  WriteFileBytes(Path("photos/a.jpg"), SampleBytes(1000));
  WriteFileBytes(Path("photos/2026/b.jpg"), SampleBytes(3000));
  const std::string pw = PasswordFile("pw\n");
  TRunResult run = Run({"encrypt", "-r", "--password-file", pw, Path("photos")});
  ASSERT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(run.Err, "tolvane: 2 done, 0 skipped, 0 failed\n");
  const auto firstRun = Tree(Path("photos"));
  EXPECT_EQ(firstRun.size(), 4u);

  WriteFileBytes(Path("photos/a.tvn"), "spoilt");
  run = Run({"encrypt", "-r", "--password-file", pw, Path("photos")});
  EXPECT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "tolvane: " + Path("photos/a.tvn") +
                                    ": already has the extension .tvn; skipped\n"))
      << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "tolvane: " + Path("photos/a.tvn") +
                                    ": exists; give --force to replace it; skipped\n"))
      << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "tolvane: 0 done, 4 skipped, 0 failed\n")) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("photos/a.tvn")), "spoilt");

  run = Run({"encrypt", "-rfq", "--password-file", pw, Path("photos")});
  EXPECT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(Tree(Path("photos")), firstRun);
}

TEST_F(CliTest, BatchFailureInTheMiddleLetsTheOthersRun) {
  const std::string pw = PasswordFile("pw\n");
  for (const char* name : {"a", "c"}) WriteFileBytes(Path(name), SampleBytes(5000));
  ASSERT_EQ(Run({"encrypt", "--password-file", pw, Path("a"), Path("c"), "--each"}).Exit.Code, 0);
  WriteFileBytes(Path("b.tvn"), "not sixteen bytes");
  for (const char* name : {"a", "c"}) std::filesystem::rename(Path(name), Path(name) + ".orig");

  const TRunResult run = Run({"decrypt", "-j", "1", "--password-file", pw, Path("a.tvn"),
                              Path("b.tvn"), Path("missing.tvn"), Path("c.tvn")});
  EXPECT_EQ(run.Exit.Code, 1);
  EXPECT_TRUE(Mentions(run.Err, Path("b.tvn") + ": not an encrypted file")) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, Path("missing.tvn"))) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "tolvane: 2 done, 0 skipped, 2 failed\n")) << run.Err;
  for (const char* name : {"a", "c"}) EXPECT_EQ(ReadFileBytes(Path(name)), ReadFileBytes(Path(name) + ".orig"));
  EXPECT_FALSE(std::filesystem::exists(Path("b")));
}

// A target that is a link to its own source would make the job work in
// place: the source must stay as it is, even with --force.
TEST_F(CliTest, BatchNeverProcessesASourceInPlace) {
  WriteFileBytes(Path("a.txt"), "plain text");
  WriteFileBytes(Path("b.txt"), "other");
  std::filesystem::create_symlink("a.txt", Path("a.tvn"));
  const TRunResult run =
      Run({"encrypt", "--each", "-f", "--password-file", PasswordFile("pw\n"), Path("a.txt"),
           Path("b.txt")});
  EXPECT_EQ(ReadFileBytes(Path("a.txt")), "plain text") << run.Err;
  EXPECT_TRUE(std::filesystem::is_symlink(Path("a.tvn")));
  EXPECT_EQ(ReadFileBytes(Path("b.tvn")).size(), 16u);
}

TEST_F(CliTest, BatchIntoAnOutputFolderKeepsTheTreeAndComesBackWhole) {
  for (const char* name : {"docs/readme", "docs/2026/plan", "docs/2026/q1/figures"}) {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    WriteFileBytes(Path(name), SampleBytes(4097 + std::string(name).size()));
  }
  const std::string pw = PasswordFile("pw\n");
  TRunResult run = Run({"encrypt", "-r", "-O", Path("vault"), "--password-file", pw, Path("docs")});
  ASSERT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(Tree(Path("vault")).size(), 3u);
  EXPECT_TRUE(std::filesystem::exists(Path("vault/2026/q1/figures.tvn")));


  // Other files in a folder being decrypted are left out, and named only
  // when asked to be verbose: a folder may hold many.
  WriteFileBytes(Path("vault/notes.txt"), "not encrypted");
  run = Run({"decrypt", "-r", "--output-dir=" + Path("back"), "--password-file", pw,
             Path("vault")});
  ASSERT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(run.Err, "tolvane: 3 done, 1 skipped, 0 failed\n");
  EXPECT_EQ(Tree(Path("back")), Tree(Path("docs")));

  run = Run({"decrypt", "-rv", "-O", Path("again"), "--password-file", pw, Path("vault")});
  EXPECT_TRUE(Mentions(run.Err, Path("vault/notes.txt") + ": is not a .tvn file; skipped"))
      << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "decrypted " + Path("vault/2026/plan.tvn") + " into " +
                                    Path("again/2026/plan")))
      << run.Err;
}

TEST_F(CliTest, DecryptWithoutTargetWritesTheNameWithoutTvn) {
  WriteFileBytes(Path("report.pdf"), SampleBytes(2000));
  const std::string pw = PasswordFile("pw\n");
  ASSERT_EQ(Run({"encrypt", "--password-file", pw, Path("report.pdf")}).Exit.Code, 0);
  const TRunResult run = Run({"decrypt", "--password-file", pw, Path("report.tvn")});
  ASSERT_EQ(run.Exit.Code, 0) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("report")), SampleBytes(2000));
}

TEST_F(CliTest, BatchAsksAboutExistingTargetsWithAllAndNone) {
  const std::vector<std::string> names = {"a", "b", "c", "d"};
  std::vector<std::string> args = {"encrypt", "--password-file", PasswordFile("pw\n")};
  for (const std::string& name : names) {
    WriteFileBytes(Path(name), "data " + name);
    WriteFileBytes(Path(name + ".tvn"), "old");
    args.push_back(Path(name));
  }
  {
    // No for the first, all for the rest.
    TTerminalChild tolvane(args);
    ASSERT_TRUE(tolvane.Expect(Path("a.tvn") + " exists; replace it? [y]es/[n]o/[a]ll/n[o]ne: "));
    tolvane.Send("n\n");
    ASSERT_TRUE(tolvane.Expect(Path("b.tvn") + " exists; replace it?"));
    tolvane.Send("a\n");
    EXPECT_EQ(tolvane.Wait().Code, 0) << tolvane.Output();
    EXPECT_FALSE(Mentions(tolvane.Output(), Path("c.tvn") + " exists")) << tolvane.Output();
    EXPECT_TRUE(Mentions(tolvane.Output(), "3 done, 1 skipped, 0 failed")) << tolvane.Output();
    EXPECT_EQ(ReadFileBytes(Path("a.tvn")), "old");
    for (const char* name : {"b.tvn", "c.tvn", "d.tvn"}) EXPECT_EQ(ReadFileBytes(Path(name)).size(), 16u);
  }
  // Yes for the first, none for the rest.
  for (const std::string& name : names) WriteFileBytes(Path(name + ".tvn"), "old");
  TTerminalChild tolvane(args);
  ASSERT_TRUE(tolvane.Expect(Path("a.tvn") + " exists; replace it?"));
  tolvane.Send("y\n");
  ASSERT_TRUE(tolvane.Expect(Path("b.tvn") + " exists; replace it?"));
  tolvane.Send("none\n");
  EXPECT_EQ(tolvane.Wait().Code, 0) << tolvane.Output();
  EXPECT_TRUE(Mentions(tolvane.Output(), "1 done, 3 skipped, 0 failed")) << tolvane.Output();
  EXPECT_EQ(ReadFileBytes(Path("a.tvn")).size(), 16u);
  for (const char* name : {"b.tvn", "c.tvn", "d.tvn"}) EXPECT_EQ(ReadFileBytes(Path(name)), "old");
}

// Files that finished stay; the one in progress leaves nothing at its name,
// the ones after it never start.
TEST_F(CliTest, CtrlCDuringABatchKeepsTheFinishedFiles) {
  const std::string pw = PasswordFile("pw\n");
  std::filesystem::create_directories(Path("in"));
  WriteFileBytes(Path("in/1-small"), SampleBytes(1000));
  WriteFileBytes(Path("in/2-big"), "");
  // Sparse, and too large for any machine to finish before the signal.
  std::filesystem::resize_file(Path("in/2-big"), std::uint64_t{2} << 30);
  WriteFileBytes(Path("in/3-small"), SampleBytes(1000));

  TChild tolvane(Dir, {"encrypt", "-r", "-j", "1", "-O", Path("out"), "--password-file", pw,
                       Path("in")});
  // The big file's result is under way once its temporary file grows.
  const auto bigUnderWay = [&] {
    if (!std::filesystem::exists(Path("out"))) return false;
    for (const auto& entry : std::filesystem::directory_iterator(Path("out"))) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".2-big.tvn.", 0) == 0 && entry.file_size() >= (1u << 20)) return true;
    }
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!bigUnderWay() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  kill(tolvane.Pid(), SIGINT);
  const TRunResult run = tolvane.Wait();

  EXPECT_EQ(run.Exit.Signal, SIGINT) << run.Err;
  EXPECT_EQ(Listing(Path("out")), (std::set<std::string>{"1-small.tvn"}));
  EXPECT_EQ(ReadFileBytes(Path("out/1-small.tvn")).size(), 1008u);
}

// A link in a target's place is never written through, not even with -f:
// that item fails and the others run.
TEST_F(CliTest, BatchNeverWritesThroughALinkInATargetsPlace) {
  WriteFileBytes(Path("a.txt"), "plain");
  WriteFileBytes(Path("b.txt"), "other");
  WriteFileBytes(Path("elsewhere"), "keep me");
  std::filesystem::create_symlink("elsewhere", Path("a.tvn"));
  const TRunResult run = Run({"encrypt", "--each", "-f", "--password-file", PasswordFile("pw\n"),
                              Path("a.txt"), Path("b.txt")});
  EXPECT_EQ(run.Exit.Code, 1) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, Path("a.tvn") + " is a symbolic link")) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "1 done, 0 skipped, 1 failed")) << run.Err;
  EXPECT_EQ(ReadFileBytes(Path("elsewhere")), "keep me");
  EXPECT_EQ(ReadFileBytes(Path("b.tvn")).size(), 16u);
}

// A result beyond the file-size limit fails that file alone (EFBIG rather
// than the signal that would end the batch), and leaves nothing behind.
TEST_F(CliTest, BatchGoesOnPastAResultTooLargeForTheLimit) {
  WriteFileBytes(Path("1-big"), SampleBytes(256 * 1024));
  WriteFileBytes(Path("2-small"), SampleBytes(100));
  const std::string pw = PasswordFile("pw\n");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 64 * 1024;  // inherited by the child; this process writes nothing meanwhile
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  TChild tolvane(Dir, {"encrypt", "--each", "-j", "1", "--password-file", pw, Path("1-big"),
                       Path("2-small")});
  ::setrlimit(RLIMIT_FSIZE, &saved);
  const TRunResult run = tolvane.Wait();
  EXPECT_EQ(run.Exit.Code, 1) << run.Err;
  EXPECT_TRUE(Mentions(run.Err, "1 done, 0 skipped, 1 failed")) << run.Err;
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"1-big", "2-small", "2-small.tvn", "pw"}));
}

}  // namespace
