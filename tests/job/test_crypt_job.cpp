// SPDX-License-Identifier: GPL-3.0-or-later
// Whole jobs on real files: round trips, the replace question, what the job
// reports and the wipe of the key.
#include <algorithm>
#include <optional>
#include <thread>
#include <utility>

#include "tests/job/JobTestSupport.h"

using namespace jobtest;

namespace {

class CryptJobModes : public TCryptJobTest, public ::testing::WithParamInterface<TChainMode> {};

TEST_P(CryptJobModes, EncryptThenDecryptRestoresTheBytes) {
  const TChainMode mode = GetParam();
  for (const std::size_t size : {std::size_t{0}, std::size_t{15}, std::size_t{4096},
                                 std::size_t{70001}}) {
    SCOPED_TRACE(size);
    const std::string plain = SampleBytes(size, static_cast<std::uint32_t>(size));
    WriteFileBytes(Path("brief.txt"), plain);

    ASSERT_EQ(Run(Encrypting(Path("brief.txt"), Path("brief.tvn"), Replace, "Geheimnis", mode))
                  ->Outcome(),
              TJobOutcome::Succeeded);
    const std::string cipher = ReadFileBytes(Path("brief.tvn"));
    EXPECT_EQ(cipher.size(), (size / 16 + 1) * 16);
    if (size > 0) {
      EXPECT_NE(cipher.substr(0, plain.size()), plain);
    }

    ASSERT_EQ(Run(Decrypting(Path("brief.tvn"), Path("back.txt"), Replace, "Geheimnis", mode))->Outcome(),
              TJobOutcome::Succeeded);
    EXPECT_EQ(ReadFileBytes(Path("back.txt")), plain);
  }
  EXPECT_EQ(LeftoverCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, CryptJobModes, ::testing::Values(TChainMode::ECB, TChainMode::CBC),
                         [](const auto& param) {
                           return std::string(param.param == TChainMode::ECB ? "ECB" : "CBC");
                         });

using CryptJob = TCryptJobTest;

TEST_F(CryptJob, SuccessNamesTheTargetAsTypedAndWipesTheKey) {
  WriteFileBytes(Path("brief.txt"), "Hallo");
  const auto job = Run(Encrypting(Path("brief.txt"), Path("brief.tvn")));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Succeeded);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::None);
  ASSERT_EQ(Listener.Sequence(), std::vector{TWhat::Succeeded});
  EXPECT_EQ(Listener.Events()[0].Target, Path("brief.tvn"));
  EXPECT_FALSE(job->Cipher().KeyState().FKeySet);
  EXPECT_FALSE(job->Cipher().KeyState().FIVSet);
}

// The request's mode, hash choice and password reach the cipher as the key
// derivation rules say, with the settings files written earlier expect.
TEST_F(CryptJob, RequestSettingsKeyTheCipherAsEarlierFilesExpect) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(100, 3));
  const std::string abcDigest = "A9993E364706816ABA3E25717850C26C9CD0D89D";
  struct TCase {
    const char* Name;
    TChainMode Mode;
    TPasswordHashing Hashing;
    std::string Password;
    TCipherMode CipherMode;
    std::string IVText, KeyText;
  };
  const TCase cases[] = {
      {"hashed CBC", TChainMode::CBC, TPasswordHashing::UseHashes, "abc", TCipherMode::CBC,
       abcDigest, abcDigest},
      {"plain ECB", TChainMode::ECB, TPasswordHashing::Plain, "abc", TCipherMode::ECB, "abc", "abc"},
      {"empty", TChainMode::CBC, TPasswordHashing::UseHashes, "", TCipherMode::CBC, "Gate Ribbon",
       "Lamp Harbor"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TCryptRequest request = Encrypting(Path("brief.txt"), Path("brief.tvn"), Replace, c.Password,
                                       c.Mode);
    request.Hashing = c.Hashing;
    ASSERT_EQ(Run(std::move(request))->Outcome(), TJobOutcome::Succeeded);

    TTwofish reference;
    reference.SetKeySize(TKeySize::Large256);
    reference.SetStringMode(TStringMode::smEncode);
    reference.SetCipherMode(c.CipherMode);
    reference.SetIV(c.IVText);
    reference.SetKey(c.KeyText);
    reference.EncryptFile(Path("brief.txt"), Path("erwartet.tvn"), nullptr);
    EXPECT_EQ(ReadFileBytes(Path("brief.tvn")), ReadFileBytes(Path("erwartet.tvn")));
  }
}

TEST_F(CryptJob, ReplaceQuestionAnsweredNoTouchesNothingAndYesReplaces) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("brief.tvn"), "altes Ziel");
  const TFileSnapshot source = Snapshot(Path("brief.txt"));
  const TFileSnapshot target = Snapshot(Path("brief.tvn"));
  Listener.Script({false});

  const auto job = Run(Encrypting(Path("brief.txt"), Path("brief.tvn")));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Declined);
  ASSERT_EQ(Listener.Sequence(), std::vector{TWhat::Asked});
  EXPECT_EQ(Listener.Events()[0].Target, Path("brief.tvn"));
  EXPECT_FALSE(Listener.Events()[0].InPlace);
  EXPECT_EQ(Snapshot(Path("brief.txt")), source);
  EXPECT_EQ(Snapshot(Path("brief.tvn")), target);
  EXPECT_EQ(LeftoverCount(), 0u);

  Listener.Clear();
  Listener.Script({true});
  EXPECT_EQ(Run(Encrypting(Path("brief.txt"), Path("brief.tvn")))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(Listener.Sequence(), (std::vector{TWhat::Asked, TWhat::Succeeded}));
  EXPECT_EQ(ReadFileBytes(Path("brief.tvn")).size(), 16u);
}

TEST_F(CryptJob, OverwriteOnAsksNothing) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("brief.tvn"), "altes Ziel");
  EXPECT_EQ(Run(Encrypting(Path("brief.txt"), Path("brief.tvn"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(Listener.Sequence(), std::vector{TWhat::Succeeded});
}

// The result replaces the file a link names; the link stays a link.
TEST_F(CryptJob, ALinkAsTargetReplacesTheLinkedFileAndStays) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(3000));
  std::filesystem::create_directory(Path("ablage"));
  WriteFileBytes(Path("ablage/echt.tvn"), "altes Ziel");
  std::filesystem::create_symlink(Path("ablage/echt.tvn"), Path("verweis.tvn"));
  std::filesystem::create_symlink("fehlt.tvn", Path("ablage/ins-leere.tvn"));

  ASSERT_EQ(Run(Encrypting(Path("brief.txt"), Path("verweis.tvn"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_TRUE(std::filesystem::is_symlink(Path("verweis.tvn")));
  EXPECT_EQ(ReadFileBytes(Path("ablage/echt.tvn")).size(), 3008u);

  // A link to nothing yet: the file appears where the link points.
  ASSERT_EQ(Run(Encrypting(Path("brief.txt"), Path("ablage/ins-leere.tvn")))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_TRUE(std::filesystem::is_symlink(Path("ablage/ins-leere.tvn")));
  EXPECT_EQ(ReadFileBytes(Path("ablage/fehlt.tvn")).size(), 3008u);
  EXPECT_EQ(LeftoverCount(), 0u);
}

TEST_F(CryptJob, TheResultTakesTheSourcesPermissions) {
  namespace fs = std::filesystem;
  WriteFileBytes(Path("geheim.txt"), "nur fuer mich");
  fs::permissions(Path("geheim.txt"), fs::perms::owner_read | fs::perms::owner_write);
  WriteFileBytes(Path("offen.tvn"), "war lesbar");
  fs::permissions(Path("offen.tvn"), fs::perms::all);

  ASSERT_EQ(Run(Encrypting(Path("geheim.txt"), Path("offen.tvn"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(fs::status(Path("offen.tvn")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(Run(Decrypting(Path("offen.tvn"), Path("zurueck.txt")))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(fs::status(Path("zurueck.txt")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(CryptJob, StopBeforeTheRunTouchesNothingAndSaysNothing) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  auto job = MakeJob(Encrypting(Path("brief.txt"), Path("brief.tvn"), Replace));
  job->RequestStop();
  job->RunJob();
  EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
  EXPECT_TRUE(Listener.Events().empty());
  EXPECT_FALSE(std::filesystem::exists(Path("brief.tvn")));
}

TEST_F(CryptJob, StopWhileTheReplaceQuestionIsOpenTouchesNothing) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("brief.tvn"), "altes Ziel");
  const TFileSnapshot target = Snapshot(Path("brief.tvn"));
  auto job = MakeJob(Encrypting(Path("brief.txt"), Path("brief.tvn")));
  Listener.OnAsk = [&] { job->RequestStop(); };

  job->RunJob();

  EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
  EXPECT_EQ(Listener.Sequence(), std::vector{TWhat::Asked});  // nothing after it
  EXPECT_EQ(Snapshot(Path("brief.tvn")), target);
  EXPECT_EQ(LeftoverCount(), 0u);
}

// Stops from the progress callback after a few chunks of a large file:
// neither a new nor an existing target shows any of it.
TEST_F(CryptJob, StopDuringTheTransformLeavesTheTargetsNameAsItWas) {
  constexpr std::size_t LargeSize = 16u << 20;
  WriteFileBytes(Path("gross.bin"), SampleBytes(LargeSize, 11));
  WriteFileBytes(Path("alt.tvn"), "altes Ziel");
  const TFileSnapshot old = Snapshot(Path("alt.tvn"));

  for (const std::string& target : {Path("neu.tvn"), Path("alt.tvn")}) {
    SCOPED_TRACE(target);
    auto job = MakeJob(Encrypting(Path("gross.bin"), target, Replace));
    TCryptJob* running = job.get();
    int chunks = 0;
    job->SetProgress([&](std::uint64_t, std::uint64_t total) {
      EXPECT_EQ(total, LargeSize);
      if (++chunks == 40) running->RequestStop();
    });
    job->RunJob();
    EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
    EXPECT_EQ(chunks, 40);
    EXPECT_TRUE(Listener.Events().empty());
    EXPECT_FALSE(job->Cipher().KeyState().FKeySet);
  }
  EXPECT_FALSE(std::filesystem::exists(Path("neu.tvn")));
  EXPECT_EQ(Snapshot(Path("alt.tvn")), old);
  EXPECT_EQ(LeftoverCount(), 0u);
}

// The request's thread count reaches the cipher (0: one per core); with
// several threads the decryption runs in rounds of chunks, and a stop in the
// middle of one still leaves nothing behind.
TEST_F(CryptJob, StopDuringAParallelDecryptionLeavesNothingBehind) {
  WriteFileBytes(Path("gross.bin"), SampleBytes(8u << 20, 12));
  ASSERT_EQ(Run(Encrypting(Path("gross.bin"), Path("gross.tvn"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (const auto& [requested, expected] : {std::pair{3, 3}, std::pair{0, cores}}) {
    SCOPED_TRACE(requested);
    TCryptRequest request = Decrypting(Path("gross.tvn"), Path("back.bin"), Replace);
    request.Threads = requested;
    auto job = MakeJob(std::move(request));
    EXPECT_EQ(job->Cipher().Threads(), expected);
    TCryptJob* running = job.get();
    int chunks = 0;
    job->SetProgress([&](std::uint64_t, std::uint64_t) {
      if (++chunks == 4) running->RequestStop();
    });
    job->RunJob();
    EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
    EXPECT_EQ(chunks, 4);
  }
  EXPECT_FALSE(std::filesystem::exists(Path("back.bin")));
  EXPECT_EQ(LeftoverCount(), 0u);
}

// A stop and the commit meet once, between the final sync and the rename:
// a stop before that point leaves the old target and says nothing; after it
// the stop is refused, and the run succeeds and says so.
TEST_F(CryptJob, StopAndCommitMeetAtOnePointOfNoReturn) {
  struct TCase {
    TJobStep StopAt;
    bool StopWins;
  };
  for (const TCase& c : {TCase{TJobStep::Synced, true}, TCase{TJobStep::Committed, false}}) {
    SCOPED_TRACE(c.StopWins);
    TRecordingListener listener;
    WriteFileBytes(Path("brief.txt"), "Quelle");
    WriteFileBytes(Path("brief.tvn"), "altes Ziel");
    const TFileSnapshot old = Snapshot(Path("brief.tvn"));
    TCryptJob job(listener, Encrypting(Path("brief.txt"), Path("brief.tvn"), Replace));
    std::optional<bool> stopAccepted;
    job.SetStepHook([&](TJobStep step) {
      if (step == c.StopAt) stopAccepted = job.RequestStop();
    });

    job.RunJob();

    EXPECT_EQ(stopAccepted, c.StopWins);
    EXPECT_EQ(job.StoppedTooLate(), !c.StopWins);
    if (c.StopWins) {
      EXPECT_EQ(job.Outcome(), TJobOutcome::Cancelled);
      EXPECT_TRUE(listener.Events().empty());
      EXPECT_EQ(Snapshot(Path("brief.tvn")), old);
    } else {
      EXPECT_EQ(job.Outcome(), TJobOutcome::Succeeded);
      EXPECT_EQ(listener.Sequence(), std::vector{TWhat::Succeeded});
      EXPECT_EQ(ReadFileBytes(Path("brief.tvn")).size(), 16u);
    }
    EXPECT_EQ(LeftoverCount(), 0u);
  }
}

}  // namespace
