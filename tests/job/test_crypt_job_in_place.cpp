// Source and target are one file: the result is written in place, and a
// failure or a stop gives the user back the file as it was.
#include <unistd.h>

#include "job/JobMessages.h"
#include "tests/job/JobTestSupport.h"

using namespace jobtest;

namespace {

using InPlace = TCryptJobTest;

TEST_F(InPlace, EqualNamesWriteTheResultInPlaceAndRemoveTheCopy) {
  const std::string plain = SampleBytes(10000);
  WriteFileBytes(Path("brief.txt"), plain);
  // A private file stays private through both runs.
  const auto privateMode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
  std::filesystem::permissions(Path("brief.txt"), privateMode);

  // The target exists, so the question is asked; Yes goes on.
  const auto job = Run(true, false, Path("brief.txt"), Path("brief.txt"));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Succeeded);
  ASSERT_EQ(Prompt.Shown().size(), 2u);
  EXPECT_EQ(Prompt.Shown()[1].Text,
            "Die Datei " + Path("brief.txt") + " wurde erfolgreich verarbeitet!");
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")).size(), 10000u / 16 * 16 + 16);
  EXPECT_EQ(TempFileCount(), 0u);

  ASSERT_EQ(Run(false, true, Path("brief.txt"), Path("brief.txt"))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")), plain);
  EXPECT_EQ(std::filesystem::status(Path("brief.txt")).permissions(), privateMode);
  EXPECT_EQ(TempFileCount(), 0u);
}

// Two names that reach one file. Without the on-disk check, creating the
// target would empty the source before it is read.
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

TEST_P(InPlaceTwoNames, ResultInPlaceNothingLostLinksKept) {
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

  ASSERT_EQ(Run(true, true, source, target)->Outcome(), TJobOutcome::Succeeded);
  const std::string cipher = ReadFileBytes(Path("brief.txt"));
  EXPECT_EQ(cipher.size(), 9008u);
  EXPECT_EQ(ReadFileBytes(target), cipher);
  EXPECT_EQ(TempFileCount(), 0u);
  if (GetParam() == TSecondName::SymbolicLink) {
    EXPECT_TRUE(std::filesystem::is_symlink(target));
  }
  if (GetParam() == TSecondName::HardLink) {
    EXPECT_EQ(std::filesystem::hard_link_count(Path("brief.txt")), 2u);
  }

  ASSERT_EQ(Run(false, true, target, source)->Outcome(), TJobOutcome::Succeeded);
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")), plain);
  EXPECT_EQ(TempFileCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Names, InPlaceTwoNames,
                         ::testing::Values(TSecondName::RelativeForm, TSecondName::SymbolicLink,
                                           TSecondName::HardLink));

// Equal names that are a link: removing the name first would replace the
// link by a plain file and leave the plaintext behind under the other name.
TEST_F(InPlace, EqualNamesOfALinkKeepTheLinkAndEncryptTheFile) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(5000));
  std::filesystem::create_symlink(Path("brief.txt"), Path("verweis.txt"));
  std::filesystem::create_hard_link(Path("brief.txt"), Path("zweiter.txt"));

  for (const std::string& name : {Path("verweis.txt"), Path("zweiter.txt")}) {
    SCOPED_TRACE(name);
    const std::string before = ReadFileBytes(Path("brief.txt"));
    ASSERT_EQ(Run(true, true, name, name)->Outcome(), TJobOutcome::Succeeded);
    EXPECT_EQ(ReadFileBytes(Path("brief.txt")).size(), before.size() + 16 - before.size() % 16);
  }
  EXPECT_TRUE(std::filesystem::is_symlink(Path("verweis.txt")));
  EXPECT_EQ(std::filesystem::hard_link_count(Path("brief.txt")), 2u);
  EXPECT_EQ(TempFileCount(), 0u);
}

TEST_F(InPlace, NamesDifferingInCaseAreTwoFilesHere) {
  WriteFileBytes(Path("Brief.txt"), "gross");
  WriteFileBytes(Path("brief.txt"), "klein");
  ASSERT_EQ(Run(true, true, Path("Brief.txt"), Path("brief.txt"))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(ReadFileBytes(Path("Brief.txt")), "gross");
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")).size(), 16u);
}

// The copy cannot be made: the job fails before the source is touched.
TEST_F(InPlace, FailedCopyFailsTheJobAndLeavesTheSource) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(3000));
  WriteFileBytes(Path("datei"), "keine Ablage");
  const TFileSnapshot source = Snapshot(Path("brief.txt"));
  struct TCase {
    std::string Temp;
    std::string Reason;
  };
  for (const TCase& c : {TCase{Path("fehlt"), "No such file or directory"},
                         TCase{Path("datei"), "Not a directory"}}) {
    SCOPED_TRACE(c.Temp);
    ::setenv("Temp", c.Temp.c_str(), 1);
    Prompt.ClearShown();

    const auto job = Run(true, true, Path("brief.txt"), Path("brief.txt"));

    EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
    EXPECT_EQ(job->Failure().Kind, TFailureKind::TempCopy);
    ASSERT_EQ(Prompt.Shown().size(), 1u);
    EXPECT_EQ(Prompt.Shown()[0].Caption, "Fehler");
    EXPECT_EQ(ShownDetails(), JobText::CopyFailedPrefix + c.Temp + JobText::CopyFailedInfix +
                                  c.Reason + ".\r\n" + JobText::SourceUnchanged);
    EXPECT_EQ(Snapshot(Path("brief.txt")), source);
  }
}

TEST_F(InPlace, WrongPasswordRestoresTheSourceByteForByte) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(20000, 3));
  ASSERT_EQ(Run(true, true, Path("brief.txt"), Path("brief.txt"), "richtig")->Outcome(),
            TJobOutcome::Succeeded);
  const std::string encrypted = ReadFileBytes(Path("brief.txt"));
  Prompt.ClearShown();

  const auto job = Run(false, true, Path("brief.txt"), Path("brief.txt"), "falsch");

  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(ShownDetails(), JobText::InvalidPadding);
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")), encrypted);
  EXPECT_EQ(TempFileCount(), 0u);
}

// Stops from the progress callback after a few chunks of a large file.
class InPlaceStop : public TCryptJobTest {
 protected:
  static constexpr std::size_t LargeSize = 64u << 20;
  static constexpr int StopAfterChunks = 40;

  std::unique_ptr<TCryptJob> RunAndStop(const std::string& source, const std::string& target) {
    auto job = MakeJob(true, true, source, target);
    TCryptJob* running = job.get();
    job->SetProgress([this, running](std::uint64_t done, std::uint64_t total) {
      EXPECT_GT(done, LastDone);
      EXPECT_EQ(total, LargeSize);
      LastDone = done;
      if (++Chunks == StopAfterChunks) running->RequestStop();
    });
    job->RunJob();
    return job;
  }

  int Chunks = 0;
  std::uint64_t LastDone = 0;
};

TEST_F(InPlaceStop, StopInPlaceRestoresTheSource) {
  const std::string plain = SampleBytes(LargeSize, 11);
  WriteFileBytes(Path("gross.bin"), plain);

  const auto job = RunAndStop(Path("gross.bin"), Path("gross.bin"));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
  EXPECT_EQ(Chunks, StopAfterChunks);
  EXPECT_TRUE(Prompt.Shown().empty());
  EXPECT_EQ(job->IncompleteTarget(), "");  // the window must not delete the source
  EXPECT_TRUE(ReadFileBytes(Path("gross.bin")) == plain);
  EXPECT_EQ(TempFileCount(), 0u);
  EXPECT_FALSE(Cipher.KeyState().FKeySet);
}

TEST_F(InPlaceStop, StopElsewhereLeavesThePartialTargetToTheCaller) {
  WriteFileBytes(Path("gross.bin"), SampleBytes(LargeSize, 11));
  const TFileSnapshot source = Snapshot(Path("gross.bin"));

  const auto job = RunAndStop(Path("gross.bin"), Path("gross.tvn"));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
  EXPECT_TRUE(Prompt.Shown().empty());
  EXPECT_EQ(job->IncompleteTarget(), Path("gross.tvn"));
  const auto written = std::filesystem::file_size(Path("gross.tvn"));
  EXPECT_EQ(written, std::uint64_t{StopAfterChunks} * TTwofish::ChunkSize);
  EXPECT_EQ(Snapshot(Path("gross.bin")), source);
}

// Even the way back fails: the message says where the data is.
TEST_F(InPlace, FailedRestoreNamesTheCopy) {
  const std::string plain = SampleBytes(50000, 5);
  WriteFileBytes(Path("brief.txt"), plain);
  auto job = MakeJob(true, true, Path("brief.txt"), Path("brief.txt"));
  TCryptJob* running = job.get();
  job->SetProgress([&](std::uint64_t, std::uint64_t) {
    if (running->StopRequested()) return;
    // Something takes the source's place that a file cannot be written to.
    std::filesystem::remove(Path("brief.txt"));
    std::filesystem::create_directory(Path("brief.txt"));
    running->RequestStop();
  });

  job->RunJob();

  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::Restore);
  const std::string copy = job->Failure().KeptCopy;
  ASSERT_FALSE(copy.empty());
  EXPECT_EQ(copy.front(), '/');
  EXPECT_EQ(ReadFileBytes(copy), plain);
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_NE(Prompt.Shown()[0].Text.find(copy), std::string::npos);
  EXPECT_NE(Prompt.Shown()[0].Text.find("Is a directory"), std::string::npos);
}

}  // namespace
