// SPDX-License-Identifier: GPL-3.0-or-later
// A wrong password, mode or hashing choice is refused before anything is
// written: the file the user agreed to replace, the file a link names, the
// link itself and the source in place all stay as they were. The refusal
// comes from the last block, so it needs no pass over the file however large.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/faults/FaultFixture.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestSeed.h"

namespace {

using namespace std::chrono_literals;

using WrongPassword = FaultTest;

// Fixed bytes and passwords: about one wrong key in 256 yields a valid
// padding by chance, and these are known not to.
TEST_F(WrongPassword, ChangesNoTargetLinkOrSource) {
  WriteFileBytes(Path("letter.txt"), SampleBytes(300000));
  Encrypt(Path("letter.txt"), Path("letter.tvn"));
  WriteFileBytes(Aside("old"), SampleBytes(40000, 9));
  CopyContent(Aside("old"), Path("old.txt"));
  CopyContent(Aside("old"), Path("linked.txt"));
  std::filesystem::create_symlink("linked.txt", Path("link.txt"));
  CopyContent(Path("letter.tvn"), Aside("letter.tvn"));
  const std::set<std::string> names = Names(Work());

  const std::vector<std::vector<std::string>> refusals{
      {"--password-file", Wrong},
      {"--password-file", Pw, "--mode", "ecb"},
      {"--password-file", Pw, "--no-hash"},
  };
  for (const auto& options : refusals) {
    for (const char* target : {"old.txt", "link.txt", "new.txt", "letter.tvn"}) {
      SCOPED_TRACE(options.back() + " into " + std::string(target));
      std::vector<std::string> args{"decrypt", "--force"};
      args.insert(args.end(), options.begin(), options.end());
      args.push_back(Path("letter.tvn"));
      args.push_back(Path(target));

      const TFaultRun run = Run(args);

      EXPECT_TRUE(run.Exited(1)) << run.Err;
      EXPECT_TRUE(Contains(run.Err, "invalid padding")) << run.Err;
      EXPECT_EQ(Names(Work()), names);
      EXPECT_TRUE(SameContent(Path("old.txt"), Aside("old")));
      EXPECT_TRUE(SameContent(Path("linked.txt"), Aside("old")));
      EXPECT_TRUE(StatusOf(Path("link.txt")).Link);
      EXPECT_EQ(std::filesystem::read_symlink(Path("link.txt")), "linked.txt");
      EXPECT_TRUE(SameContent(Path("letter.tvn"), Aside("letter.tvn")));
    }
  }

  // The right password replaces the file the link names and keeps the link.
  Decrypt(Path("letter.tvn"), Path("link.txt"));
  EXPECT_TRUE(StatusOf(Path("link.txt")).Link);
  EXPECT_TRUE(SameContent(Path("linked.txt"), Path("letter.txt")));
  EXPECT_EQ(Names(Work()), names);
}

// 8 GiB, sparse, ending in the last two blocks of a real ciphertext: with the
// right password its padding is valid, so only a full decryption could tell
// more; a wrong one must be refused from those two blocks alone. A run that
// read the whole file first would outlast the watch and, at the latest, show
// its temporary file.
TEST_F(WrongPassword, RefusedFromTheLastBlockOfAHugeSparseFile) {
  constexpr std::uint64_t Size = std::uint64_t{8} << 30;
  WriteFileBytes(Path("small.txt"), SampleBytes(1000));
  Encrypt(Path("small.txt"), Aside("small.tvn"));
  const std::string ending = ReadFileBytes(Aside("small.tvn")).substr(1008 - 32);
  std::filesystem::remove(Path("small.txt"));
  WriteFileBytes(Path("huge.tvn"), "");
  std::filesystem::resize_file(Path("huge.tvn"), Size - ending.size());
  {
    std::ofstream out(Path("huge.tvn"), std::ios::binary | std::ios::app);
    out << ending;
  }
  ASSERT_EQ(StatusOf(Path("huge.tvn")).Size, Size);
  // Damaged, not ciphertext at all: a size that is no multiple of 16.
  WriteFileBytes(Path("cut.tvn"), "");
  std::filesystem::resize_file(Path("cut.tvn"), Size + 7);
  WriteFileBytes(Path("old.txt"), "old target");
  const TStatus huge = StatusOf(Path("huge.tvn"));
  const std::set<std::string> names = Names(Work());

  struct TCase {
    const char* Name;
    std::vector<std::string> Args;
    const char* Says;
  };
  const std::vector<TCase> cases{
      {"new target", {"decrypt", "--password-file", Wrong, Path("huge.tvn"), Path("new.txt")},
       "invalid padding"},
      {"over a target",
       {"decrypt", "--force", "--password-file", Wrong, Path("huge.tvn"), Path("old.txt")},
       "invalid padding"},
      {"in place",
       {"decrypt", "--force", "--password-file", Wrong, Path("huge.tvn"), Path("huge.tvn")},
       "invalid padding"},
      {"cut file", {"decrypt", "--password-file", Pw, Path("cut.tvn"), Path("new.txt")},
       "not an encrypted file"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::set<std::string> seen;
    TTolvaneProcess child(AsideDir(), c.Args);
    const TFaultRun run = WaitWatchingFolder(child, Work(), seen, 60s);

    EXPECT_FALSE(run.TimedOut) << "a refusal that takes a pass over 8 GiB";
    EXPECT_TRUE(run.Exited(1)) << run.Err;
    EXPECT_TRUE(Contains(run.Err, c.Says)) << run.Err;
    EXPECT_EQ(seen, names);
    EXPECT_EQ(ReadFileBytes(Path("old.txt")), "old target");
    const TStatus now = StatusOf(Path("huge.tvn"));
    EXPECT_EQ(now.Size, huge.Size);
    EXPECT_EQ(now.Blocks, huge.Blocks);
  }

  // The right password passes the check and the run starts writing: the
  // refusals above were the password's doing.
  TTolvaneProcess right(AsideDir(),
                        {"decrypt", "--password-file", Pw, Path("huge.tvn"), Path("new.txt")});
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (Leftovers(Work()).empty() && !right.Ended() &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(Leftovers(Work()).size(), 1u);
  EXPECT_FALSE(right.Ended());
}

}  // namespace
