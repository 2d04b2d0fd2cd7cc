// SPDX-License-Identifier: GPL-3.0-or-later
// The crypt job on real files on Windows: names outside the ANSI code page,
// bytes a text-mode runtime would mangle, an existing target, a wrong
// password, a source processed in place under another spelling of its name,
// and the output path: nothing reaches the final name but a whole result.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "job/CryptJob.h"
#include "platform/FileSystem.h"
#include "platform/PendingFile.h"
#include "platform/SystemError.h"
#include "tests/support/FileBytes.h"
#include "tests/support/JobRequests.h"
#include "tests/support/RecordingListener.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSeed.h"

namespace {

using namespace wintest;
using TWhat = TJobEvent::TWhat;

std::uint64_t CipherSize(std::uint64_t plainSize) { return 16 * (plainSize / 16 + 1); }

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(Wide(dir)))) {
    names.push_back(Utf8FromWide(entry.path().filename().wstring()));
  }
  return names;
}

std::size_t Leftovers(const std::string& dir) {
  std::size_t count = 0;
  for (const std::string& name : Entries(dir)) {
    if (name.size() > 12 && name.compare(name.size() - 12, 12, ".tolvane-tmp") == 0) ++count;
  }
  return count;
}

// Content and identity together: "untouched" means both are kept.
struct TSnapshot {
  std::string Bytes;
  TFileStamp Stamp;
  bool operator==(const TSnapshot&) const = default;
};
TSnapshot Snapshot(const std::string& name) { return {ReadFileBytes(name), StampOf(name)}; }

class Win32Job : public ::testing::Test {
 protected:
  std::unique_ptr<TCryptJob> Make(TCryptRequest request) {
    return std::make_unique<TCryptJob>(Listener, std::move(request));
  }

  std::unique_ptr<TCryptJob> Run(TCryptRequest request) {
    auto job = Make(std::move(request));
    job->RunJob();
    return job;
  }

  std::string File(const std::string& name) const { return Dir.File(name); }

  TTempDir Dir;
  TRecordingListener Listener;
};

TEST_F(Win32Job, TextModeBytesAndForeignNamesRoundTrip) {
  // The 70 KB file whose first 0x1A once ended a text-mode read after 16
  // bytes: all of it is encrypted, and it comes back byte for byte.
  auto random = SeededRandom(70);
  std::string plain = RandomBytes(random, 70000);
  plain[10] = '\x1A';
  plain[11] = '\r';
  plain[12] = '\n';
  plain[40000] = '\n';
  const std::string source = File("Grüße Ωμέγα 日本.txt");
  const std::string target = File("Grüße Ωμέγα 日本.tvn");
  const std::string back = File("zurück 😀.txt");
  WriteFileBytes(source, plain);

  // While the run writes, its result sits beside the target under a name
  // made of the target's, outside the ANSI code page as it is.
  auto job = Make(Encrypting(source, target));
  std::vector<std::string> during;
  job->SetProgress([&](std::uint64_t, std::uint64_t) {
    if (during.empty()) during = Entries(Dir.Path());
  });
  job->RunJob();
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << SystemErrorText(job->Failure().ErrorCode);
  EXPECT_EQ(FileSize(target), CipherSize(plain.size()));
  ASSERT_EQ(Listener.Sequence(), std::vector{TWhat::Succeeded});
  EXPECT_EQ(Listener.Events()[0].Target, target);
  bool sawTemporary = false;
  for (const std::string& name : during) {
    sawTemporary |= name.rfind(".Grüße Ωμέγα 日本.tvn.", 0) == 0 && name.size() > 12 &&
                    name.substr(name.size() - 12) == ".tolvane-tmp";
  }
  EXPECT_TRUE(sawTemporary);

  job = Run(Decrypting(target, back));
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << SystemErrorText(job->Failure().ErrorCode);
  EXPECT_EQ(ReadFileBytes(back), plain);
  EXPECT_EQ(ReadFileBytes(source), plain);
  EXPECT_EQ(Leftovers(Dir.Path()), 0u);
}

TEST_F(Win32Job, AnExistingTargetIsAskedForAndKeptOnNo) {
  WriteFileBytes(File("brief.txt"), "Brief");
  WriteFileBytes(File("brief.tvn"), "schon da");
  const TSnapshot before = Snapshot(File("brief.tvn"));
  Listener.Script({false});
  auto job = Run(Encrypting(File("brief.txt"), File("brief.tvn")));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Declined);
  ASSERT_EQ(Listener.Sequence(), std::vector{TWhat::Asked});
  EXPECT_EQ(Listener.Events()[0].Target, File("brief.tvn"));
  EXPECT_FALSE(Listener.Events()[0].InPlace);
  EXPECT_EQ(Snapshot(File("brief.tvn")), before);

  Listener.Script({true});
  job = Run(Encrypting(File("brief.txt"), File("brief.tvn")));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Succeeded);
  EXPECT_EQ(FileSize(File("brief.tvn")), 16u);
  EXPECT_EQ(Leftovers(Dir.Path()), 0u);
}

TEST_F(Win32Job, AWrongPasswordLeavesEveryTargetAsItWas) {
  WriteFileBytes(File("brief.txt"), std::string(5000, 'b'));
  ASSERT_EQ(Run(Encrypting(File("brief.txt"), File("brief.tvn")))->Outcome(),
            TJobOutcome::Succeeded);
  Listener.Clear();

  // A new target is never created.
  auto job = Run(Decrypting(File("brief.tvn"), File("zurück.txt"), Ask, "falsch"));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InvalidPadding);
  EXPECT_FALSE(FileExists(File("zurück.txt")));
  ASSERT_EQ(Listener.Sequence(), std::vector{TWhat::Failed});
  EXPECT_EQ(Listener.Events()[0].Failure.Kind, TFailureKind::InvalidPadding);

  // An existing one the user agreed to replace keeps every byte, and so does
  // the source processed in place.
  const std::string old = std::string("\x1A alter Inhalt \r\n", 17) + std::string(90000, 'o');
  WriteFileBytes(File("alt.txt"), old);
  const TSnapshot target = Snapshot(File("alt.txt"));
  const TSnapshot source = Snapshot(File("brief.tvn"));
  job = Run(Decrypting(File("brief.tvn"), File("alt.txt"), Replace, "falsch"));
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InvalidPadding);
  EXPECT_EQ(Snapshot(File("alt.txt")), target);
  job = Run(Decrypting(File("brief.tvn"), File("brief.tvn"), Replace, "falsch"));
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InvalidPadding);
  EXPECT_EQ(Snapshot(File("brief.tvn")), source);
  EXPECT_EQ(Leftovers(Dir.Path()), 0u);
}

TEST_F(Win32Job, AnotherSpellingOfTheSourceIsProcessedInPlace) {
  const std::string plain = std::string("\x1A\x1A\r\n") + std::string(10000, 'i');
  WriteFileBytes(File("Brief.txt"), plain);
  // Another letter case: equal names on Windows.
  auto job = Run(Encrypting(File("Brief.txt"), File("BRIEF.TXT"), Replace));
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << SystemErrorText(job->Failure().ErrorCode);
  EXPECT_EQ(FileSize(File("Brief.txt")), CipherSize(plain.size()));
  // One file, under its own name; nothing else is left.
  EXPECT_EQ(Entries(Dir.Path()), std::vector<std::string>{"Brief.txt"});

  // Forward slashes: another string, the same file by its identity.
  std::string slashed = File("Brief.txt");
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  job = Run(Decrypting(File("Brief.txt"), slashed, Replace));
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << SystemErrorText(job->Failure().ErrorCode);
  EXPECT_EQ(ReadFileBytes(File("Brief.txt")), plain);
  EXPECT_EQ(Entries(Dir.Path()), std::vector<std::string>{"Brief.txt"});
}

TEST_F(Win32Job, AStoppedInPlaceRunLeavesTheFileIntact) {
  auto random = SeededRandom(3);
  const std::string plain = RandomBytes(random, 3 * 1024 * 1024);
  WriteFileBytes(File("groß.bin"), plain);
  const TSnapshot before = Snapshot(File("groß.bin"));
  auto job = Make(Encrypting(File("groß.bin"), File("groß.bin"), Replace));
  job->SetProgress([&](std::uint64_t done, std::uint64_t) {
    if (done > 0) job->RequestStop();
  });
  job->RunJob();
  EXPECT_EQ(job->Outcome(), TJobOutcome::Cancelled);
  EXPECT_EQ(Snapshot(File("groß.bin")), before);
  EXPECT_EQ(Entries(Dir.Path()), std::vector<std::string>{"groß.bin"});
}

TEST_F(Win32Job, ASecondInPlaceRunOnTheFileIsRefused) {
  WriteFileBytes(File("brief.txt"), std::string(2 * 1024 * 1024, 'z'));
  TRecordingListener otherListener;
  TJobFailure secondFailure;
  TSnapshot duringSecond;
  auto job = Make(Encrypting(File("brief.txt"), File("brief.txt"), Replace));
  job->SetProgress([&](std::uint64_t, std::uint64_t) {
    if (secondFailure.Kind != TFailureKind::None) return;
    TCryptJob second(otherListener, Encrypting(File("brief.txt"), File("BRIEF.txt"), Replace));
    second.RunJob();
    secondFailure = second.Failure();
    duringSecond = Snapshot(File("brief.txt"));
  });
  job->RunJob();
  EXPECT_EQ(secondFailure.Kind, TFailureKind::FileBusy);
  EXPECT_EQ(duringSecond.Bytes, std::string(2 * 1024 * 1024, 'z'));
  // The first run is not disturbed by the refusal.
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << SystemErrorText(job->Failure().ErrorCode);
  EXPECT_EQ(FileSize(File("brief.txt")), CipherSize(2 * 1024 * 1024));
  EXPECT_EQ(Leftovers(Dir.Path()), 0u);
}

TEST_F(Win32Job, ATargetThatAppearedMeanwhileIsKept) {
  WriteFileBytes(File("brief.txt"), std::string(1024 * 1024, 'q'));
  auto job = Make(Encrypting(File("brief.txt"), File("brief.tvn")));
  job->SetProgress([&](std::uint64_t, std::uint64_t) {
    if (!FileExists(File("brief.tvn"))) WriteFileBytes(File("brief.tvn"), "von woanders");
  });
  job->RunJob();
  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::TargetAppeared);
  EXPECT_EQ(ReadFileBytes(File("brief.tvn")), "von woanders");
  EXPECT_EQ(Leftovers(Dir.Path()), 0u);
}

TEST_F(Win32Job, LeftoversOfAKilledRunGoWithTheNextRun) {
  WriteFileBytes(File("brief.txt"), "Brief");
  WriteFileBytes(File(".brief.tvn.a1b2c3.tolvane-tmp"), "halb geschrieben");
  ASSERT_EQ(Run(Encrypting(File("brief.txt"), File("brief.tvn")))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_EQ(Leftovers(Dir.Path()), 0u);
  EXPECT_EQ(FileSize(File("brief.tvn")), 16u);
}

TEST_F(Win32Job, TheReadOnlyAttributeCarriesOverToTheResult) {
  WriteFileBytes(File("brief.txt"), "Brief");
  ASSERT_TRUE(::SetFileAttributesW(Wide(File("brief.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(Run(Encrypting(File("brief.txt"), File("brief.tvn")))->Outcome(),
            TJobOutcome::Succeeded);
  EXPECT_NE(Attributes(File("brief.tvn")) & FILE_ATTRIBUTE_READONLY, 0u);

  // In place, a read-only file is replaced as the user agreed, and stays
  // read-only.
  auto job = Run(Decrypting(File("brief.tvn"), File("brief.tvn"), Replace));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Succeeded) << SystemErrorText(job->Failure().ErrorCode);
  EXPECT_NE(Attributes(File("brief.tvn")) & FILE_ATTRIBUTE_READONLY, 0u);
  ::SetFileAttributesW(Wide(File("brief.txt")).c_str(), FILE_ATTRIBUTE_NORMAL);
  ::SetFileAttributesW(Wide(File("brief.tvn")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32Job, FoldersAndDevicesAreRefusedUnopened) {
  WriteFileBytes(File("brief.txt"), "Brief");
  auto job = Run(Encrypting(Dir.Path(), File("x.tvn"), Replace));
  EXPECT_EQ(job->Failure().Kind, TFailureKind::SourceNotRegular);
  job = Run(Encrypting(File("brief.txt"), "NUL", Replace));
  EXPECT_EQ(job->Failure().Kind, TFailureKind::TargetNotRegular);
  job = Run(Encrypting("\\\\.\\pipe\\tolvane-niemand", File("x.tvn"), Replace));
  EXPECT_EQ(job->Failure().Kind, TFailureKind::SourceNotRegular);
  EXPECT_EQ(Entries(Dir.Path()), std::vector<std::string>{"brief.txt"});
}

TEST_F(Win32Job, AMissingSourceIsReportedWithTheSystemsText) {
  auto job = Run(Encrypting(File("fehlt.txt"), File("fehlt.tvn")));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InputNotFound);
  EXPECT_EQ(job->Failure().ErrorCode, SystemError(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(SystemErrorText(job->Failure().ErrorCode), SystemErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(FileExists(File("fehlt.tvn")));
}

}  // namespace
