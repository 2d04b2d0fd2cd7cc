// SPDX-License-Identifier: GPL-3.0-or-later
// A failed job reports its real cause, and the target's name keeps exactly
// what it held before: nothing, or the old file.
#include <cerrno>
#include <filesystem>
#include <new>

#include <sys/stat.h>

#include "job/FailureCause.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/PendingFile.h"
#include "platform/SystemError.h"
#include "tests/job/JobTestSupport.h"

using namespace jobtest;

namespace {

using CryptJobFailure = TCryptJobTest;

TEST_F(CryptJobFailure, MissingSourceNamesTheSystemCauseAndKeepsTheTarget) {
  WriteFileBytes(Path("ziel.tvn"), "altes Ziel");
  const TFileSnapshot target = Snapshot(Path("ziel.tvn"));

  const auto job = Run(Encrypting(Path("fehlt.txt"), Path("ziel.tvn"), Replace));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  ASSERT_EQ(Listener.Sequence(), std::vector{TWhat::Failed});
  EXPECT_EQ(Reported().Kind, TFailureKind::InputNotFound);
  EXPECT_EQ(Reported().ErrorCode, SystemError(ENOENT));
  EXPECT_EQ(SystemErrorText(Reported().ErrorCode), "No such file or directory");
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InputNotFound);
  EXPECT_EQ(Snapshot(Path("ziel.tvn")), target);
  EXPECT_EQ(LeftoverCount(), 0u);
}

TEST_F(CryptJobFailure, KeyTooLongIsTheCauseWhateverErrnoHeld) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("ziel.tvn"), "altes Ziel");
  const TFileSnapshot target = Snapshot(Path("ziel.tvn"));
  errno = EACCES;

  const auto job = Run(Encrypting(Path("brief.txt"), Path("ziel.tvn"), Replace, std::string(157, 'k')));

  EXPECT_EQ(Reported().Kind, TFailureKind::KeyLength);
  EXPECT_FALSE(Reported().ErrorCode);
  EXPECT_EQ(Snapshot(Path("ziel.tvn")), target);
}

// Mistyping the password must not cost the file the user agreed to replace,
// nor, through a link, the file the link names; and none is created where
// there was none.
TEST_F(CryptJobFailure, WrongPasswordChangesNothingAnywhere) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(50000));
  ASSERT_EQ(Run(Encrypting(Path("brief.txt"), Path("brief.tvn"), Replace, "richtig"))->Outcome(),
            TJobOutcome::Succeeded);
  const TFileSnapshot encrypted = Snapshot(Path("brief.tvn"));
  WriteFileBytes(Path("alt.txt"), SampleBytes(40000, 9));
  const TFileSnapshot old = Snapshot(Path("alt.txt"));
  std::filesystem::create_symlink(Path("alt.txt"), Path("verweis.txt"));

  for (const std::string& target : {Path("alt.txt"), Path("verweis.txt"), Path("neu.txt")}) {
    SCOPED_TRACE(target);
    Listener.Clear();
    const auto job = Run(Decrypting(Path("brief.tvn"), target, Replace, "falsch"));
    EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
    EXPECT_EQ(Reported().Kind, TFailureKind::InvalidPadding);
    EXPECT_FALSE(job->Cipher().KeyState().FKeySet);
  }
  EXPECT_EQ(Snapshot(Path("alt.txt")), old);
  EXPECT_TRUE(std::filesystem::is_symlink(Path("verweis.txt")));
  EXPECT_FALSE(std::filesystem::exists(Path("neu.txt")));
  EXPECT_EQ(Snapshot(Path("brief.tvn")), encrypted);
  EXPECT_EQ(LeftoverCount(), 0u);
}

// What the encryption cannot have written is refused from the size or the
// last block alone: truncated, grown, or ending in a byte 0.
TEST_F(CryptJobFailure, DamagedCiphertextIsRefusedBeforeAnythingIsWritten) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(10000, 4));
  ASSERT_EQ(Run(Encrypting(Path("brief.txt"), Path("brief.tvn"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
  const std::string cipher = ReadFileBytes(Path("brief.tvn"));
  // Decrypting this last block gives sixteen bytes of value 0.
  TTwofish zeroes;
  zeroes.SetKeySize(TKeySize::Large256);
  zeroes.SetCipherMode(TCipherMode::ECB);
  zeroes.SetKey("Geheimnis");
  std::uint8_t zeroBlock[16] = {};
  std::uint8_t encryptedZeroes[16];
  zeroes.EncryptBlock(zeroBlock, encryptedZeroes);

  struct TCase {
    const char* Name;
    std::string Bytes;
    TChainMode Mode;
    TFailureKind Kind;
  };
  const TCase cases[] = {
      {"empty", "", TChainMode::CBC, TFailureKind::InvalidSize},
      {"odd size", cipher.substr(0, 17), TChainMode::CBC, TFailureKind::InvalidSize},
      {"cut at a block", cipher.substr(0, 4096), TChainMode::CBC, TFailureKind::InvalidPadding},
      {"last byte 0", std::string(reinterpret_cast<const char*>(encryptedZeroes), 16),
       TChainMode::ECB, TFailureKind::InvalidPadding},
  };
  WriteFileBytes(Path("ziel.txt"), "altes Ziel");
  const TFileSnapshot target = Snapshot(Path("ziel.txt"));
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Listener.Clear();
    WriteFileBytes(Path("kaputt.tvn"), c.Bytes);
    int chunks = 0;
    auto job = MakeJob(Decrypting(Path("kaputt.tvn"), Path("ziel.txt"), Replace, "Geheimnis", c.Mode));
    job->SetProgress([&](std::uint64_t, std::uint64_t) { ++chunks; });
    job->RunJob();
    EXPECT_EQ(Reported().Kind, c.Kind);
    EXPECT_EQ(chunks, 0);  // refused before the transform read anything
    EXPECT_EQ(Snapshot(Path("ziel.txt")), target);
  }
  EXPECT_EQ(LeftoverCount(), 0u);
}

// Found from the names alone, before anything is asked or read: a FIFO
// would hold the job forever if it were opened.
TEST_F(CryptJobFailure, WhatIsNoRegularFileIsRefusedUpFront) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  ASSERT_EQ(::mkfifo(Path("rohr").c_str(), 0600), 0);
  std::filesystem::create_directory(Path("ordner"));
  struct TCase {
    std::string Source;
    std::string Target;
    TFailureKind Kind;
  };
  const TCase cases[] = {
      {Path("rohr"), Path("ziel.tvn"), TFailureKind::SourceNotRegular},
      {Path("ordner"), Path("ziel.tvn"), TFailureKind::SourceNotRegular},
      {"/dev/zero", Path("ziel.tvn"), TFailureKind::SourceNotRegular},
      {Path("brief.txt"), Path("rohr"), TFailureKind::TargetNotRegular},
      {Path("brief.txt"), Path("ordner"), TFailureKind::TargetNotRegular},
      {Path("brief.txt"), "/dev/null", TFailureKind::TargetNotRegular},
  };
  for (const TCase& c : cases) {
    for (const TReplacePolicy replace : {Ask, Replace}) {
      SCOPED_TRACE(c.Source + " -> " + c.Target);
      Listener.Clear();
      const auto job = Run(Encrypting(c.Source, c.Target, replace));
      EXPECT_EQ(Listener.Sequence(), std::vector{TWhat::Failed});
      EXPECT_EQ(Reported().Kind, c.Kind);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(Path("ziel.tvn")));
  EXPECT_TRUE(std::filesystem::is_directory(Path("ordner")));
  EXPECT_EQ(LeftoverCount(), 0u);
}

TEST_F(CryptJobFailure, AFolderThatCannotTakeTheResultFailsCleanly) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("datei"), "kein Ordner");
  for (const std::string& target : {Path("fehlt/ziel.tvn"), Path("datei/ziel.tvn")}) {
    SCOPED_TRACE(target);
    Listener.Clear();
    const auto job = Run(Encrypting(Path("brief.txt"), target, Replace));
    EXPECT_EQ(Reported().Kind, TFailureKind::OutputNotCreated);
    EXPECT_TRUE(Reported().ErrorCode);
  }
  EXPECT_EQ(ReadFileBytes(Path("datei")), "kein Ordner");
}

// A file of the target's name that appears during the run was never agreed
// to be replaced: it stays, and the result goes.
TEST_F(CryptJobFailure, ATargetThatAppearsMeanwhileIsKept) {
  WriteFileBytes(Path("gross.bin"), SampleBytes(1u << 20));
  auto job = MakeJob(Encrypting(Path("gross.bin"), Path("ziel.tvn")));
  bool written = false;
  job->SetProgress([&](std::uint64_t, std::uint64_t) {
    if (!written) WriteFileBytes(Path("ziel.tvn"), "von nebenan");
    written = true;
  });
  job->RunJob();

  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(Listener.Sequence(), std::vector{TWhat::Failed});  // no question: it was free
  EXPECT_EQ(Reported().Kind, TFailureKind::TargetAppeared);
  EXPECT_EQ(ReadFileBytes(Path("ziel.tvn")), "von nebenan");
  EXPECT_EQ(LeftoverCount(), 0u);
}

TEST_F(CryptJobFailure, LeftoversOfKilledRunsGoUnlessARunHoldsThem) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path(".brief.tvn.abc123.tolvane-tmp"), "vom abgebrochenen Lauf");
  WriteFileBytes(Path(".anderes.tvn.abc123.tolvane-tmp"), "gehoert zu einem anderen Ziel");
  TPendingFile live;
  ASSERT_FALSE(live.Create(Path("brief.tvn")));

  ASSERT_EQ(Run(Encrypting(Path("brief.txt"), Path("brief.tvn"), Replace))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_FALSE(std::filesystem::exists(Path(".brief.tvn.abc123.tolvane-tmp")));
  EXPECT_TRUE(std::filesystem::exists(Path(".anderes.tvn.abc123.tolvane-tmp")));
  EXPECT_TRUE(std::filesystem::exists(live.Name()));
  live.Discard();
  EXPECT_EQ(LeftoverCount(), 1u);
}

// Each complaint of the cipher component maps by its typed cause; the OS
// code comes along where there is one.
// A source a batch planned is read only while it is that file: another
// file or a link put in its place meanwhile fails the run, and nothing is
// written.
TEST_F(CryptJobFailure, APlannedSourceSwappedMeanwhileIsNotRead) {
  std::filesystem::create_directory(Dir / "in");
  WriteFileBytes(Path("in/a.txt"), "planned");
  WriteFileBytes(Path("secret"), "secret");
  const TFileStamp planned = StampOf(Path("in/a.txt"));
  // Made while the planned file still exists, so its inode number differs.
  WriteFileBytes(Path("other"), "other");
  std::filesystem::rename(Dir / "other", Dir / "in/a.txt");
  const std::error_code replaced = TFileError::NameMoved;
  for (const std::error_code expected : {replaced, SystemError(ELOOP)}) {
    if (expected == SystemError(ELOOP)) {
      std::filesystem::create_symlink("../secret", Dir / "link");
      std::filesystem::rename(Dir / "link", Dir / "in/a.txt");
    }
    TCryptRequest request = Encrypting(Path("in/a.txt"), Path("in/a.tvn"));
    request.SourceFolder = Path("in");
    request.SourceBelow = "a.txt";
    request.SourceIdentity = {planned.Device, planned.Inode};
    const auto job = Run(std::move(request));
    EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
    EXPECT_EQ(job->Failure().Kind, TFailureKind::InputNotFound);
    EXPECT_EQ(job->Failure().ErrorCode, expected);
    EXPECT_FALSE(std::filesystem::exists(Dir / "in/a.tvn"));
  }
}

TEST(FailureCause, NamesEachCauseOfTheCipherComponent) {
  const auto describe = [](auto exception) {
    return DescribeFailure(std::make_exception_ptr(exception));
  };
  struct TCase {
    TJobFailure Failure;
    TFailureKind Kind;
    std::error_code ErrorCode;
  };
  const TCase cases[] = {
      {describe(EKeyError(TKeyErrorCause::KeyNotSet)), TFailureKind::KeyNotReady, {}},
      {describe(EKeyError(TKeyErrorCause::IVNotSet)), TFailureKind::KeyNotReady, {}},
      {describe(EKeyError(TKeyErrorCause::KeyLength)), TFailureKind::KeyLength, {}},
      {describe(EFileError(TFileErrorCause::InputNotFound, SystemError(ENOENT))),
       TFailureKind::InputNotFound, SystemError(ENOENT)},
      {describe(EFileError(TFileErrorCause::OutputNotCreated, SystemError(EACCES))),
       TFailureKind::OutputNotCreated, SystemError(EACCES)},
      {describe(EFileError(TFileErrorCause::ShortWrite)), TFailureKind::ShortWrite, {}},
      {describe(EFileError(TFileErrorCause::InvalidPadding)), TFailureKind::InvalidPadding, {}},
      {describe(EInOutError(SystemError(EIO), "")), TFailureKind::ReadWrite, SystemError(EIO)},
      {describe(EInOutError(TFileError::FileShrank, "")), TFailureKind::ReadWrite,
       TFileError::FileShrank},
      {describe(std::bad_alloc()), TFailureKind::OutOfMemory, {}},
      {describe(std::out_of_range("Twofish: Invalid buffer size 5")), TFailureKind::Other, {}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(c.Failure.Kind, c.Kind);
    EXPECT_EQ(c.Failure.ErrorCode, c.ErrorCode);
  }
  // The layer's own outcomes read as the system's nearest failure.
  EXPECT_EQ(SystemErrorText(TFileError::FileShrank), SystemErrorText(EIO));
  // The messages themselves stay as they were.
  EXPECT_STREQ(EFileError(TFileErrorCause::InvalidPadding).what(), "Twofish: Invalid padding");
  EXPECT_STREQ(EKeyError(TKeyErrorCause::KeyLength).what(),
               "Twofish: Key must be between 1 and 156 bytes");
}

}  // namespace
