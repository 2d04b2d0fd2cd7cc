// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl-C in the middle of a large file: the process ends by the signal, as a
// calling shell expects, and leaves nothing behind that should not be there.
// A stop too late to take the run back keeps the result and still ends so.
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "CliFixture.h"
#include "sha/SHA.h"

namespace {

using namespace std::chrono_literals;

// Polls until the condition holds; false after the timeout.
template <typename TCondition>
bool WaitUntil(TCondition condition, std::chrono::seconds timeout = 60s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

std::uint64_t SizeOf(const std::string& name) {
  struct stat info {};
  return stat(name.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// The size of the result a run is writing for finalName: its temporary file
// beside it.
std::uint64_t PendingSize(const std::string& dir, const std::string& finalName) {
  const std::string prefix = "." + finalName + ".";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) return SizeOf(entry.path().string());
  }
  return 0;
}

std::string DigestOfFile(const std::string& name) {
  const std::string content = ReadFileBytes(name);
  TSHA sha;
  sha.Init();
  sha.UpdateString(content);
  sha.Final();
  return sha.DigestText();
}

TEST_F(CliTest, CtrlCLeavesNoIncompleteResult) {
  const std::string source = Path("big.bin");
  WriteFileBytes(source, "");
  // Sparse, and large enough that no machine finishes it before the signal
  // arrives; only what is written before the stop costs anything.
  constexpr std::uint64_t SourceSize = std::uint64_t{2} << 30;
  std::filesystem::resize_file(source, SourceSize);
  const std::string pw = PasswordFile("pw\n");

  TChild tolvane(Dir, {"encrypt", "--password-file", pw, source, Path("big.tvn")});
  ASSERT_TRUE(WaitUntil([&] { return PendingSize(Dir, "big.tvn") >= (1u << 20); }));
  kill(tolvane.Pid(), SIGINT);
  const TRunResult run = tolvane.Wait();

  EXPECT_EQ(run.Exit.Signal, SIGINT) << run.Err;
  EXPECT_NE(run.Err.find("cancelled"), std::string::npos) << run.Err;
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"big.bin", "pw"}));
  EXPECT_EQ(SizeOf(source), SourceSize);
}

TEST_F(CliTest, CtrlCDuringInPlaceWorkLeavesTheSource) {
  const std::string source = Path("data.bin");
  WriteFileBytes(source, SampleBytes(96u << 20));
  const std::string before = DigestOfFile(source);
  const std::string pw = PasswordFile("pw\n");

  TChild tolvane(Dir, {"encrypt", "--force", "--password-file", pw, source, source});
  // Wait until the result is being written.
  ASSERT_TRUE(WaitUntil([&] { return PendingSize(Dir, "data.bin") > 0; }));
  kill(tolvane.Pid(), SIGINT);
  const TRunResult run = tolvane.Wait();

  EXPECT_EQ(run.Exit.Signal, SIGINT) << run.Err;
  EXPECT_EQ(DigestOfFile(source), before);
  EXPECT_EQ(Listing(Dir), (std::set<std::string>{"data.bin", "pw"}));
}

// The signal is sent by the rename that puts the result in place, past the
// point of no return (StopAtRename.cpp, preloaded): by the no-replace rename
// for a new target, by the plain one over a target replaced with --force.
TEST_F(CliTest, StopAtTheRenameKeepsTheCompleteResult) {
  struct TCase {
    int Signal;
    const char* Name;
    bool Replace;
  };
  const std::string pw = PasswordFile("pw\n");
  const std::string content = SampleBytes(100000);
  for (const TCase& c : {TCase{SIGINT, "INT", false}, TCase{SIGTERM, "TERM", true}}) {
    SCOPED_TRACE(c.Name);
    const std::string folder = Path(c.Name);
    std::filesystem::create_directory(folder);
    const std::string source = folder + "/a.txt";
    const std::string target = folder + "/a.tvn";
    WriteFileBytes(source, content);
    std::vector<std::string> args{"encrypt", "--password-file", pw, source};
    if (c.Replace) {
      WriteFileBytes(target, "older");
      args = {"encrypt", "--force", "--password-file", pw, source, target};
    }
    TRunOptions options = WithEnv("LD_PRELOAD", TOLVANE_STOP_AT_RENAME);
    options.Env.emplace_back("TOLVANE_TEST_SIGNAL_AT_RENAME", c.Name);
    // A sanitizer's runtime wants to come first; the preloaded rename does.
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.Env.emplace_back("ASAN_OPTIONS",
                             std::string(asan ? asan : "") + ":verify_asan_link_order=0");

    const TRunResult run = Run(args, options);
    if (run.Err.find("cannot be preloaded") != std::string::npos) {
      GTEST_SKIP() << "the loader refused the preloaded rename: " << run.Err;
    }
    // Done, and yet a calling script must stop as well: the end is by the signal.
    EXPECT_EQ(run.Exit.Signal, c.Signal) << run.Err;
    EXPECT_EQ(run.Err, "tolvane: stopped; " + target + " was complete before the stop\n");
    EXPECT_EQ(Listing(folder), (std::set<std::string>{"a.txt", "a.tvn"}));

    const std::string back = folder + "/back.txt";
    EXPECT_EQ(Run({"decrypt", "--password-file", pw, target, back}).Exit.Code, 0);
    EXPECT_EQ(ReadFileBytes(back), content);
  }
}

}  // namespace
