// SPDX-License-Identifier: GPL-3.0-or-later
// Source and target are one file: the result replaces it only when complete,
// so a failure or a stop gives the user back the file as it was.
#include <sys/stat.h>

#include "platform/PendingFile.h"
#include "tests/job/JobTestSupport.h"

using namespace jobtest;

namespace {

using InPlace = TCryptJobTest;

TEST_F(InPlace, EqualNamesAskAsInPlaceAndKeepThePermissions) {
  const std::string plain = SampleBytes(10000);
  WriteFileBytes(Path("brief.txt"), plain);
  ASSERT_EQ(::chmod(Path("brief.txt").c_str(), 0640), 0);

  const auto job = Run(Encrypting(Path("brief.txt"), Path("brief.txt")));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Succeeded);
  ASSERT_EQ(Listener.Sequence(), (std::vector{TWhat::Asked, TWhat::Succeeded}));
  EXPECT_TRUE(Listener.Events()[0].InPlace);
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")).size(), 10000u / 16 * 16 + 16);

  ASSERT_EQ(Run(Decrypting(Path("brief.txt"), Path("brief.txt"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")), plain);
  struct stat info {};
  ASSERT_EQ(::stat(Path("brief.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(LeftoverCount(), 0u);
}

// Two names that reach one file. Without the on-disk check, writing the
// target would destroy the source before it is read.
enum class TSecondName { RelativeForm, SymbolicLink, HardLink };

class InPlaceTwoNames : public TCryptJobTest, public ::testing::WithParamInterface<TSecondName> {
 protected:
  void SetUp() override {
    TCryptJobTest::SetUp();
    SavedCwd = std::filesystem::current_path();
  }
  void TearDown() override {
    std::filesystem::current_path(SavedCwd);
    TCryptJobTest::TearDown();
  }
  std::filesystem::path SavedCwd;
};

TEST_P(InPlaceTwoNames, ResultUnderTheTargetNameNothingLost) {
  const std::string plain = SampleBytes(9000, 7);
  WriteFileBytes(Path("brief.txt"), plain);
  std::string source = Path("brief.txt");
  std::string target;
  switch (GetParam()) {
    case TSecondName::RelativeForm:
      std::filesystem::current_path(Dir);
      source = "brief.txt";
      target = Path("brief.txt");
      break;
    case TSecondName::SymbolicLink:
      std::filesystem::create_symlink(Path("brief.txt"), Path("verweis.txt"));
      target = Path("verweis.txt");
      break;
    case TSecondName::HardLink:
      std::filesystem::create_hard_link(Path("brief.txt"), Path("zweiter.txt"));
      target = Path("zweiter.txt");
      break;
  }

  ASSERT_EQ(Run(Encrypting(source, target))->Outcome(), TJobOutcome::Succeeded);
  EXPECT_TRUE(Listener.Events()[0].InPlace);
  const std::string cipher = ReadFileBytes(target);
  EXPECT_EQ(cipher.size(), 9008u);
  EXPECT_EQ(LeftoverCount(), 0u);
  switch (GetParam()) {
    case TSecondName::RelativeForm: break;
    case TSecondName::SymbolicLink:
      // The linked file is replaced; the link stays.
      EXPECT_TRUE(std::filesystem::is_symlink(target));
      EXPECT_EQ(ReadFileBytes(Path("brief.txt")), cipher);
      break;
    case TSecondName::HardLink:
      // A new file takes the name: the other name keeps the old content.
      EXPECT_EQ(ReadFileBytes(Path("brief.txt")), plain);
      EXPECT_EQ(std::filesystem::hard_link_count(Path("brief.txt")), 1u);
      break;
  }

  ASSERT_EQ(Run(Decrypting(target, target, Replace))->Outcome(), TJobOutcome::Succeeded);
  EXPECT_EQ(ReadFileBytes(target), plain);
}

INSTANTIATE_TEST_SUITE_P(Names, InPlaceTwoNames,
                         ::testing::Values(TSecondName::RelativeForm, TSecondName::SymbolicLink,
                                           TSecondName::HardLink));

TEST_F(InPlace, NamesDifferingInCaseAreTwoFilesHere) {
  WriteFileBytes(Path("Brief.txt"), "gross");
  WriteFileBytes(Path("brief.txt"), "klein");
  ASSERT_EQ(Run(Encrypting(Path("Brief.txt"), Path("brief.txt"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(ReadFileBytes(Path("Brief.txt")), "gross");
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")).size(), 16u);
}

TEST_F(InPlace, WrongPasswordLeavesTheFileByteForByte) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(20000, 3));
  ASSERT_EQ(Run(Encrypting(Path("brief.txt"), Path("brief.txt"), Replace, "richtig"))->Outcome(),
            TJobOutcome::Succeeded);
  const TFileSnapshot encrypted = Snapshot(Path("brief.txt"));

  const auto job = Run(Decrypting(Path("brief.txt"), Path("brief.txt"), Replace, "falsch"));

  EXPECT_EQ(Reported().Kind, TFailureKind::InvalidPadding);
  EXPECT_EQ(Snapshot(Path("brief.txt")), encrypted);
  EXPECT_EQ(LeftoverCount(), 0u);
}

TEST_F(InPlace, StopLeavesTheFileAsItWas) {
  constexpr std::size_t LargeSize = 16u << 20;
  WriteFileBytes(Path("gross.bin"), SampleBytes(LargeSize, 11));
  const TFileSnapshot before = Snapshot(Path("gross.bin"));
  auto job = MakeJob(Encrypting(Path("gross.bin"), Path("gross.bin"), Replace));
  TCryptJob* running = job.get();
  int chunks = 0;
  job->SetProgress([&](std::uint64_t, std::uint64_t) {
    if (++chunks == 40) running->RequestStop();
  });

  job->RunJob();

  EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
  EXPECT_TRUE(Listener.Events().empty());
  EXPECT_EQ(Snapshot(Path("gross.bin")), before);
  EXPECT_EQ(LeftoverCount(), 0u);
  EXPECT_FALSE(job->Cipher().KeyState().FKeySet);
}

// A second run on a file being processed in place is refused at once,
// before it asks anything.
TEST_F(InPlace, AFileHeldByAnotherRunIsRefused) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(5000));
  const TFileSnapshot before = Snapshot(Path("brief.txt"));
  TFileLock otherRun;
  ASSERT_FALSE(otherRun.TryLock(Path("brief.txt")));

  const auto job = Run(Encrypting(Path("brief.txt"), Path("brief.txt")));

  EXPECT_EQ(Listener.Sequence(), std::vector{TWhat::Failed});
  EXPECT_EQ(Reported().Kind, TFailureKind::FileBusy);
  EXPECT_EQ(Snapshot(Path("brief.txt")), before);

  otherRun.Unlock();
  Listener.Clear();
  EXPECT_EQ(Run(Encrypting(Path("brief.txt"), Path("brief.txt"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
}

}  // namespace
