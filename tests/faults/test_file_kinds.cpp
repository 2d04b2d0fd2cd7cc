// SPDX-License-Identifier: GPL-3.0-or-later
// Sources and targets that are no regular files (FIFO, device, directory,
// a link to a FIFO) are refused by their kind before anything is opened:
// nothing waits on a FIFO, nothing reads /dev/zero forever, nothing is
// created beside /dev/null.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "tests/faults/FaultFixture.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestSeed.h"

namespace {

using namespace std::chrono_literals;

using FileKinds = FaultTest;

TEST_F(FileKinds, NonRegularSourcesAndTargetsAreRefusedAtOnce) {
  WriteFileBytes(Path("plain.txt"), SampleBytes(20000));
  Encrypt(Path("plain.txt"), Path("plain.tvn"));
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("fifo", Path("to-fifo"));
  std::filesystem::create_directory(Path("folder"));
  const std::set<std::string> names = Names(Work());

  const std::vector<std::string> odd{Path("fifo"), Path("to-fifo"), Path("folder"), "/dev/null",
                                     "/dev/zero"};
  for (const char* command : {"encrypt", "decrypt"}) {
    const std::string regular = Path(command == std::string("encrypt") ? "plain.txt" : "plain.tvn");
    for (const std::string& name : odd) {
      // As the source, as the target, and as both (in place).
      for (const char* role : {"source", "target", "both"}) {
        SCOPED_TRACE(std::string(command) + " with " + name + " as " + role);
        const bool source = role != std::string("target");
        const bool target = role != std::string("source");
        const TFaultRun run = Run({command, "--force", "--password-file", Pw,
                                   source ? name : regular, target ? name : Path("out")},
                                  {}, 20s);

        EXPECT_FALSE(run.TimedOut) << "waited on " << name;
        EXPECT_TRUE(run.Exited(1)) << run.Err;
        EXPECT_TRUE(Contains(run.Err, "is not a regular file")) << run.Err;
        EXPECT_EQ(Names(Work()), names);
      }
    }
  }
  EXPECT_EQ(Names(Work()), names);
  EXPECT_EQ(Leftovers("/dev"), std::vector<std::string>{});
  EXPECT_TRUE(std::filesystem::is_fifo(Path("fifo")));
  EXPECT_TRUE(std::filesystem::is_empty(Path("folder")));
}

// A link that leads round in a circle reaches no file: not a free name either,
// so the run stops before the transform instead of failing at the rename.
TEST_F(FileKinds, LinkLoopAsTargetIsRefusedBeforeTheTransform) {
  WriteFileBytes(Path("plain.txt"), SampleBytes(1 << 20));
  std::filesystem::create_symlink("loop-b", Path("loop-a"));
  std::filesystem::create_symlink("loop-a", Path("loop-b"));
  const std::set<std::string> names = Names(Work());

  std::set<std::string> seen;
  TTolvaneProcess child(AsideDir(), {"encrypt", "--force", "--password-file", Pw,
                                     Path("plain.txt"), Path("loop-a")});
  const TFaultRun run = WaitWatchingFolder(child, Work(), seen, 20s);

  EXPECT_TRUE(run.Exited(1)) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "is not a regular file")) << run.Err;
  EXPECT_EQ(seen, names);
  EXPECT_EQ(std::filesystem::read_symlink(Path("loop-a")), "loop-b");
}

}  // namespace
