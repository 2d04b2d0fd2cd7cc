// SPDX-License-Identifier: GPL-3.0-or-later
// No room for the result: a full file system (a small tmpfs, where the tests
// may mount one), a folder that cannot take the temporary file, and the
// process's file-size limit. The run fails and every file stays as it was;
// nothing of the failed run is left behind.
#include <signal.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "tests/faults/FaultFixture.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestSeed.h"

namespace {

// A tmpfs mounted for one test, unmounted when it ends.
class TScratchMount {
 public:
  // Returns 0 or the OS error code.
  int Mount(const std::string& folder, const std::string& options) {
    if (::mount("tolvane-test", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) return errno;
    FFolder = folder;
    return 0;
  }
  int MakeReadOnly() {
    return ::mount("tolvane-test", FFolder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0
               ? 0
               : errno;
  }
  ~TScratchMount() {
    if (!FFolder.empty()) ::umount2(FFolder.c_str(), MNT_DETACH);
  }

 private:
  std::string FFolder;
};

class FullDisk : public FaultTest {
 protected:
  // Skips the test where mounting is not permitted (not root, or a
  // container without the capability).
  void MountDisk(const std::string& options) {
    if (const int error = FMount.Mount(FDisk.Path(), options)) {
      GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(error)
                   << "); the full-disk cases need root with mount permission";
    }
  }
  std::string OnDisk(const std::string& name) const { return FDisk.File(name); }

  TTempDir FDisk;
  TScratchMount FMount;  // after FDisk: unmounted before the folder goes
};

TEST_F(FullDisk, NoSpaceForTheResultLeavesEveryFileAsItWas) {
  ASSERT_NO_FATAL_FAILURE(MountDisk("size=256k,mode=0755"));
  if (IsSkipped()) return;
  std::mt19937_64 random = SeededRandom(31);
  WriteRandomFile(Path("big.bin"), 1 << 20, random);
  Encrypt(Path("big.bin"), Path("big.tvn"));
  WriteRandomFile(Aside("old"), 100 << 10, random);
  WriteRandomFile(Aside("in-place"), 160 << 10, random);

  struct TCase {
    const char* Name;
    std::vector<std::string> Args;
    std::string Target;  // on the full disk
    std::string Before;  // its content before, or empty when it did not exist
  };
  const std::vector<TCase> cases{
      {"encrypt over a target",
       {"encrypt", "--force", "--password-file", Pw, Path("big.bin"), OnDisk("t.tvn")},
       OnDisk("t.tvn"), Aside("old")},
      {"decrypt over a target",
       {"decrypt", "--force", "--password-file", Pw, Path("big.tvn"), OnDisk("t.bin")},
       OnDisk("t.bin"), Aside("old")},
      {"encrypt into a new target",
       {"encrypt", "--password-file", Pw, Path("big.bin"), OnDisk("new.tvn")}, OnDisk("new.tvn"),
       ""},
      // The file fits once, not twice.
      {"encrypt in place",
       {"encrypt", "--force", "--password-file", Pw, OnDisk("own.bin"), OnDisk("own.bin")},
       OnDisk("own.bin"), Aside("in-place")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (!c.Before.empty()) CopyContent(c.Before, c.Target);
    const std::set<std::string> names = Names(FDisk.Path());

    const TFaultRun run = Run(c.Args);

    EXPECT_TRUE(run.Exited(1)) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "No space left on device")) << run.Err;
    if (c.Before.empty()) {
      EXPECT_FALSE(StatusOf(c.Target).Exists);
    } else {
      EXPECT_TRUE(SameContent(c.Target, c.Before));
    }
    EXPECT_EQ(Names(FDisk.Path()), names);
    std::remove(c.Target.c_str());
  }
  // All the space came back: a result that fits goes through.
  WriteRandomFile(Path("fits.bin"), 200 << 10, random);
  Encrypt(Path("fits.bin"), OnDisk("fits.tvn"));
  Decrypt(OnDisk("fits.tvn"), Path("fits.back"));
  EXPECT_TRUE(SameContent(Path("fits.bin"), Path("fits.back")));
}

TEST_F(FullDisk, FolderThatCannotTakeTheTemporaryFileFailsTheRunClearly) {
  // Room for the folder itself and the target, no further file.
  ASSERT_NO_FATAL_FAILURE(MountDisk("size=1m,nr_inodes=2,mode=0755"));
  if (IsSkipped()) return;
  WriteFileBytes(Path("letter.txt"), SampleBytes(5000));
  WriteFileBytes(OnDisk("letter.tvn"), "old target");
  const std::string target = OnDisk("letter.tvn");

  const TFaultRun noInode =
      Run({"encrypt", "--force", "--password-file", Pw, Path("letter.txt"), target});
  EXPECT_TRUE(noInode.Exited(1)) << noInode.Err;
  EXPECT_TRUE(Contains(noInode.Err, "cannot write the result next to")) << noInode.Err;
  EXPECT_TRUE(Contains(noInode.Err, "No space left on device")) << noInode.Err;

  ASSERT_EQ(FMount.MakeReadOnly(), 0);
  const TFaultRun readOnly =
      Run({"encrypt", "--force", "--password-file", Pw, Path("letter.txt"), target});
  EXPECT_TRUE(readOnly.Exited(1)) << readOnly.Err;
  EXPECT_TRUE(Contains(readOnly.Err, "Read-only file system")) << readOnly.Err;

  EXPECT_EQ(ReadFileBytes(target), "old target");
  EXPECT_EQ(Names(FDisk.Path()), std::set<std::string>{"letter.tvn"});
}

// RLIMIT_FSIZE stops the run while it writes the temporary file. tolvane
// ignores SIGXFSZ itself, whatever the caller left it at, so the limit shows
// as EFBIG and the run fails cleanly (in a batch: that file alone).
using FileSizeLimit = FaultTest;

TEST_F(FileSizeLimit, StopsTheRunWithTheTargetIntact) {
  std::mt19937_64 random = SeededRandom(37);
  WriteRandomFile(Path("big.bin"), 2 << 20, random);
  int round = 0;
  for (const bool inPlace : {false, true}) {
    for (const bool ignored : {false, true}) {
      SCOPED_TRACE(std::string(inPlace ? "in place" : "over a target") +
                   (ignored ? ", SIGXFSZ ignored" : ", SIGXFSZ by default"));
      const std::string before = Aside("before" + std::to_string(++round));
      WriteRandomFile(before, inPlace ? 2 << 20 : 100 << 10, random);
      const std::string target = Path((inPlace ? "own" : "big") + std::to_string(round) + ".tvn");
      CopyContent(before, target);
      const std::vector<std::string> args{
          "encrypt", "--force", "--password-file", Pw, inPlace ? target : Path("big.bin"), target};
      TChildSetup limited;
      limited.FileSizeLimit = 1 << 20;
      limited.IgnoreFileSizeSignal = ignored;

      const TFaultRun run = Run(args, limited);

      EXPECT_TRUE(run.Exited(1)) << run.Err;
      EXPECT_TRUE(Contains(run.Err, "File too large")) << run.Err;
      EXPECT_EQ(Leftovers(Work()), std::vector<std::string>{});
      EXPECT_TRUE(SameContent(target, before));

      // Without the limit the same command goes through.
      const TFaultRun again = Run(args);
      EXPECT_TRUE(again.Exited(0)) << again.Err;
      EXPECT_EQ(Leftovers(Work()), std::vector<std::string>{});
      Decrypt(target, Aside("after"));
      EXPECT_TRUE(SameContent(Aside("after"), inPlace ? before : Path("big.bin")));
    }
  }
}

}  // namespace
