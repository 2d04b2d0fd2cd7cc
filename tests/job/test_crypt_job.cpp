// Whole jobs on real files: round trips, the overwrite question, the
// success message and the wipe of the key.
#include "tests/job/JobTestSupport.h"

using namespace jobtest;

namespace {

class CryptJobModes : public TCryptJobTest, public ::testing::WithParamInterface<TCipherMode> {};

TEST_P(CryptJobModes, EncryptThenDecryptRestoresTheBytes) {
  Cipher.SetCipherMode(GetParam());
  for (const std::size_t size : {std::size_t{0}, std::size_t{4096}, std::size_t{70001}}) {
    SCOPED_TRACE(size);
    const std::string plain = SampleBytes(size, static_cast<std::uint32_t>(size));
    WriteFileBytes(Path("brief.txt"), plain);

    ASSERT_EQ(Run(true, true, Path("brief.txt"), Path("brief.tvn"))->Outcome(),
              TJobOutcome::Succeeded);
    const std::string cipher = ReadFileBytes(Path("brief.tvn"));
    EXPECT_EQ(cipher.size(), (size / 16 + 1) * 16);
    if (size > 0) {
      EXPECT_NE(cipher.substr(0, plain.size()), plain);
    }

    ASSERT_EQ(Run(false, true, Path("brief.tvn"), Path("back.txt"))->Outcome(),
              TJobOutcome::Succeeded);
    EXPECT_EQ(ReadFileBytes(Path("back.txt")), plain);
  }
  EXPECT_EQ(TempFileCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, CryptJobModes,
                         ::testing::Values(TCipherMode::ECB, TCipherMode::CBC));

using CryptJob = TCryptJobTest;

TEST_F(CryptJob, SuccessNamesTheTargetAndWipesTheKey) {
  WriteFileBytes(Path("brief.txt"), "Hallo");
  const auto job = Run(true, false, Path("brief.txt"), Path("brief.tvn"));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Succeeded);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::None);
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_EQ(Prompt.Shown()[0].Text,
            "Die Datei " + Path("brief.tvn") + " wurde erfolgreich verarbeitet!");
  EXPECT_EQ(Prompt.Shown()[0].Caption, "Information");
  EXPECT_EQ(Prompt.Shown()[0].Flags, 0x40u);
  EXPECT_FALSE(Cipher.KeyState().FKeySet);
  EXPECT_FALSE(Cipher.KeyState().FIVSet);
}

TEST_F(CryptJob, OverwriteQuestionAnsweredNoTouchesNothingAndYesReplaces) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("brief.tvn"), "altes Ziel");
  const TFileSnapshot source = Snapshot(Path("brief.txt"));
  const TFileSnapshot target = Snapshot(Path("brief.tvn"));
  // A key from an earlier run: a declined job must not even wipe it.
  Cipher.SetKey("frueher");
  Prompt.Script({idNo});

  const auto job = Run(true, false, Path("brief.txt"), Path("brief.tvn"));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Declined);
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_EQ(Prompt.Shown()[0].Text, "Die Datei " + Path("brief.tvn") +
                                      " existiert bereits. Überschreiben?");
  EXPECT_EQ(Prompt.Shown()[0].Caption, "Bestätigen");
  EXPECT_EQ(Prompt.Shown()[0].Flags, 0x24u);
  EXPECT_EQ(Snapshot(Path("brief.txt")), source);
  EXPECT_EQ(Snapshot(Path("brief.tvn")), target);
  EXPECT_TRUE(Cipher.KeyState().FKeySet);
  EXPECT_EQ(job->IncompleteTarget(), "");

  // Asked again and answered Yes, the target is replaced.
  Prompt.ClearShown();
  Prompt.Script({idYes});
  EXPECT_EQ(Run(true, false, Path("brief.txt"), Path("brief.tvn"))->Outcome(),
            TJobOutcome::Succeeded);
  ASSERT_EQ(Prompt.Shown().size(), 2u);
  EXPECT_EQ(Prompt.Shown()[0].Flags, 0x24u);
  EXPECT_EQ(Prompt.Shown()[1].Caption, "Information");
  EXPECT_EQ(ReadFileBytes(Path("brief.tvn")).size(), 16u);
}

TEST_F(CryptJob, OverwriteOnAsksNothingAndADirectoryIsNoExistingTarget) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("brief.tvn"), "altes Ziel");
  EXPECT_EQ(Run(true, true, Path("brief.txt"), Path("brief.tvn"))->Outcome(),
            TJobOutcome::Succeeded);
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_EQ(Prompt.Shown()[0].Caption, "Information");

  // A directory of the target's name is not asked about; creating the
  // output fails with the system's reason.
  Prompt.ClearShown();
  std::filesystem::create_directory(Path("ordner"));
  const auto job = Run(true, false, Path("brief.txt"), Path("ordner"));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_EQ(ShownDetails(), "Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(Path("ordner")));
}

TEST_F(CryptJob, StopBeforeTheRunTouchesNothingAndSaysNothing) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  auto job = MakeJob(true, true, Path("brief.txt"), Path("brief.tvn"));
  job->RequestStop();
  job->RunJob();
  EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
  EXPECT_TRUE(Prompt.Shown().empty());
  EXPECT_FALSE(std::filesystem::exists(Path("brief.tvn")));
  EXPECT_EQ(job->IncompleteTarget(), "");
}

TEST_F(CryptJob, StopWhileTheOverwriteQuestionIsOpenTouchesNothing) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("brief.tvn"), "altes Ziel");
  const TFileSnapshot target = Snapshot(Path("brief.tvn"));
  auto job = MakeJob(true, false, Path("brief.txt"), Path("brief.tvn"));
  Prompt.OnShow = [&](const TShown&) { job->RequestStop(); };
  Prompt.Script({idYes});

  job->RunJob();

  EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
  EXPECT_EQ(Prompt.Shown().size(), 1u);  // the question, nothing after it
  EXPECT_EQ(Snapshot(Path("brief.tvn")), target);
  EXPECT_EQ(job->IncompleteTarget(), "");
}

}  // namespace
