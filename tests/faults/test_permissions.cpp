// SPDX-License-Identifier: GPL-3.0-or-later
// The result takes the source's permission bits in both directions, whatever
// the umask and whatever the replaced target had; in place the file keeps
// its mode, owner and group.
#include <sys/stat.h>
#include <unistd.h>

#include "tests/faults/FaultFixture.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestSeed.h"

namespace {

using Permissions = FaultTest;

TChildSetup WithUmask(mode_t mask) {
  TChildSetup setup;
  setup.Umask = mask;
  return setup;
}

TEST_F(Permissions, ResultTakesTheSourceBitsBothWays) {
  for (const unsigned mode : {0600u, 0644u, 0400u}) {
    SCOPED_TRACE("source mode " + std::to_string(mode));
    WriteFileBytes(Path("plain.txt"), SampleBytes(70000));
    ASSERT_EQ(::chmod(Path("plain.txt").c_str(), mode), 0);
    // One new target, one replaced target whose own bits must not survive.
    WriteFileBytes(Path("old.tvn"), "old");
    ASSERT_EQ(::chmod(Path("old.tvn").c_str(), 0666), 0);

    for (const char* target : {"new.tvn", "old.tvn"}) {
      const TFaultRun run = Run(
          {"encrypt", "--force", "--password-file", Pw, Path("plain.txt"), Path(target)},
          WithUmask(027));
      ASSERT_TRUE(run.Exited(0)) << run.Err;
      EXPECT_EQ(StatusOf(Path(target)).Mode, mode) << target;
    }
    const TFaultRun back = Run(
        {"decrypt", "--password-file", Pw, Path("new.tvn"), Path("back.txt")}, WithUmask(0));
    ASSERT_TRUE(back.Exited(0)) << back.Err;
    EXPECT_EQ(StatusOf(Path("back.txt")).Mode, mode);
    EXPECT_TRUE(SameContent(Path("back.txt"), Path("plain.txt")));
    for (const char* name : {"plain.txt", "old.tvn", "new.tvn", "back.txt"}) {
      std::remove(Path(name).c_str());
    }
  }
}

TEST_F(Permissions, InPlaceKeepsModeOwnerAndGroup) {
  const std::string file = Path("data.bin");
  WriteFileBytes(file, SampleBytes(90000));
  CopyContent(file, Aside("original"));
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  // Root gives the file to another owner and group, which the run must keep
  // although it is not theirs; others keep their own.
  if (::chown(file.c_str(), 4321, 8765) != 0) {
  }
  const TStatus before = StatusOf(file);

  for (const char* command : {"encrypt", "decrypt"}) {
    SCOPED_TRACE(command);
    const TFaultRun run =
        Run({command, "--force", "--password-file", Pw, file, file}, WithUmask(077));
    ASSERT_TRUE(run.Exited(0)) << run.Err;
    const TStatus now = StatusOf(file);
    EXPECT_EQ(now.Mode, 0640u);
    EXPECT_EQ(now.Owner, before.Owner);
    EXPECT_EQ(now.Group, before.Group);
  }
  EXPECT_TRUE(SameContent(file, Aside("original")));
}

}  // namespace
