// Failure messages name the real cause, and a failed job leaves no target
// that could pass for a result.
#include <cerrno>
#include <new>

#include "job/FailureText.h"
#include "job/JobMessages.h"
#include "tests/job/JobTestSupport.h"

using namespace jobtest;

namespace {

using CryptJobFailure = TCryptJobTest;

const std::string FailureHead =
    "Es ist ein Fehler aufgetreten. Der Vorgang konnte nicht vollständig abgeschlossen werden."
    "\r\n\r\nDetails:\r\n";

TEST_F(CryptJobFailure, MissingSourceShowsTheSystemTextAndKeepsTheTarget) {
  WriteFileBytes(Path("ziel.tvn"), "altes Ziel");
  const TFileSnapshot target = Snapshot(Path("ziel.tvn"));

  const auto job = Run(true, true, Path("fehlt.txt"), Path("ziel.tvn"));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_EQ(Prompt.Shown()[0].Text, FailureHead + "No such file or directory");
  EXPECT_EQ(Prompt.Shown()[0].Caption, "Fehler");
  EXPECT_EQ(Prompt.Shown()[0].Flags, 0x10u);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InputNotFound);
  EXPECT_EQ(job->Failure().ErrorCode, ENOENT);
  EXPECT_EQ(Snapshot(Path("ziel.tvn")), target);
}

TEST_F(CryptJobFailure, KeyTooLongIsWordedAndLeavesAnExistingTarget) {
  WriteFileBytes(Path("brief.txt"), "Quelle");
  WriteFileBytes(Path("ziel.tvn"), "altes Ziel");
  const TFileSnapshot target = Snapshot(Path("ziel.tvn"));
  // An unrelated earlier OS error must not become the details.
  errno = EACCES;

  const auto job = Run(true, true, Path("brief.txt"), Path("ziel.tvn"), std::string(157, 'k'));

  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(ShownDetails(), JobText::KeyLength);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::KeyLength);
  EXPECT_EQ(job->Failure().ErrorCode, 0);
  EXPECT_EQ(Snapshot(Path("ziel.tvn")), target);
  EXPECT_EQ(TempFileCount(), 0u);
}

TEST_F(CryptJobFailure, WrongPasswordRemovesTheGarbageTargetAndWipesTheKey) {
  WriteFileBytes(Path("brief.txt"), SampleBytes(5000));
  ASSERT_EQ(Run(true, true, Path("brief.txt"), Path("brief.tvn"), "richtig")->Outcome(),
            TJobOutcome::Succeeded);
  const TFileSnapshot encrypted = Snapshot(Path("brief.tvn"));
  WriteFileBytes(Path("brief.out"), "altes Ziel");
  Prompt.ClearShown();

  const auto job = Run(false, true, Path("brief.tvn"), Path("brief.out"), "falsch");

  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(ShownDetails(), JobText::InvalidPadding);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InvalidPadding);
  EXPECT_FALSE(std::filesystem::exists(Path("brief.out")));
  EXPECT_EQ(Snapshot(Path("brief.tvn")), encrypted);
  EXPECT_FALSE(Cipher.KeyState().FKeySet);
}

TEST_F(CryptJobFailure, NoCiphertextSizeIsRefusedBeforeTheTargetIsEmptied) {
  WriteFileBytes(Path("kaputt.tvn"), SampleBytes(17));
  WriteFileBytes(Path("ziel.txt"), "altes Ziel");
  const TFileSnapshot target = Snapshot(Path("ziel.txt"));

  const auto job = Run(false, true, Path("kaputt.tvn"), Path("ziel.txt"));

  EXPECT_EQ(job->Failure().Kind, TFailureKind::InvalidSize);
  EXPECT_EQ(ShownDetails(), JobText::InvalidSize);
  EXPECT_EQ(Snapshot(Path("ziel.txt")), target);
}

TEST_F(CryptJobFailure, FullDeviceShowsNoSpaceAndIsNotRemoved) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  WriteFileBytes(Path("brief.txt"), SampleBytes(10000));

  const auto job = Run(true, false, Path("brief.txt"), "/dev/full");

  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  ASSERT_EQ(Prompt.Shown().size(), 1u);  // a device is no existing file: no question
  EXPECT_EQ(ShownDetails(), "No space left on device");
  EXPECT_EQ(job->Failure().ErrorCode, ENOSPC);
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

// Each complaint of the cipher component gets its own sentence; an OS code
// always wins over a sentence. (Key length, file size and padding are seen
// through whole jobs above.)
TEST(FailureText, NamesEachCauseOfTheCipherComponent) {
  const auto describe = [](auto exception) {
    return DescribeFailure(std::make_exception_ptr(exception));
  };
  struct TCase {
    TJobFailure Failure;
    TFailureKind Kind;
    std::string Details;
  };
  const TCase cases[] = {
      {describe(EKeyError("Twofish: Key not set")), TFailureKind::KeyNotReady,
       JobText::KeyNotReady},
      {describe(EKeyError("Twofish: IV not set")), TFailureKind::KeyNotReady,
       JobText::KeyNotReady},
      {describe(EFileError("Twofish: Input file not found")), TFailureKind::InputNotFound,
       JobText::InputNotFound},
      {describe(EFileError("Twofish: Could not open output file", EACCES)),
       TFailureKind::OutputNotCreated, "Permission denied"},
      {describe(EFileError("Twofish: Error writing output file")), TFailureKind::ShortWrite,
       JobText::ShortWrite},
      {describe(EInOutError(EIO, "")), TFailureKind::ReadWrite, "Input/output error"},
      {describe(std::bad_alloc()), TFailureKind::Other, JobText::OutOfMemory},
      {describe(std::out_of_range("Twofish: Invalid buffer size 5")), TFailureKind::Other,
       JobText::Unknown},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Details);
    EXPECT_EQ(c.Failure.Kind, c.Kind);
    EXPECT_EQ(c.Failure.Details, c.Details);
  }
}

}  // namespace
