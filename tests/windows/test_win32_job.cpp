// The crypt job on real files on Windows: names outside the ANSI code page,
// bytes a text-mode runtime would mangle, an existing target, a wrong
// password, and a source processed in place under another spelling of its
// name.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "Win32TestSupport.h"
#include "job/CryptJob.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScriptedPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSeed.h"
#include "twofish/Twofish.h"

namespace {

using namespace wintest;

std::uint64_t CipherSize(std::uint64_t plainSize) { return 16 * (plainSize / 16 + 1); }

std::size_t EntryCount(const std::string& dir) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(PathOf(dir))) ++count;
  return count;
}

class Win32Job : public ::testing::Test {
 protected:
  Win32Job() : TempVariable(L"Temp", Dir.File("temp")) {
    std::filesystem::create_directory(PathOf(Dir.File("temp")));
    Cipher.SetKeySize(TKeySize::Large256);
    Cipher.SetCipherMode(TCipherMode::CBC);
  }

  std::unique_ptr<TCryptJob> Run(bool encrypt, bool overwrite, const std::string& source,
                                 const std::string& target,
                                 const std::string& password = "Geheimnis") {
    auto job = std::make_unique<TCryptJob>(Cipher, Prompt, encrypt, overwrite, source, target,
                                           password, password);
    job->RunJob();
    return job;
  }

  std::string File(const std::string& name) const { return Dir.File(name); }

  TTempDir Dir;
  TVariable TempVariable;
  TTwofish Cipher;
  TScriptedPrompt Prompt;
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

  auto job = Run(true, false, source, target);
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << job->Failure().Details;
  EXPECT_EQ(FileSize(target), CipherSize(plain.size()));
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_EQ(Prompt.Shown()[0].Text, "Die Datei " + target + " wurde erfolgreich verarbeitet!");

  job = Run(false, false, target, back);
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << job->Failure().Details;
  EXPECT_EQ(ReadFileBytes(back), plain);
  EXPECT_EQ(ReadFileBytes(source), plain);
  EXPECT_EQ(EntryCount(File("temp")), 0u);
}

TEST_F(Win32Job, AnExistingTargetIsAskedForAndKeptOnNo) {
  WriteFileBytes(File("brief.txt"), "Brief");
  WriteFileBytes(File("brief.tvn"), "schon da");
  const auto before = StampOf(File("brief.tvn"));
  Prompt.Script({idNo});
  auto job = Run(true, false, File("brief.txt"), File("brief.tvn"));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Declined);
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_EQ(Prompt.Shown()[0].Text,
            "Die Datei " + File("brief.tvn") + " existiert bereits. Überschreiben?");
  EXPECT_EQ(ReadFileBytes(File("brief.tvn")), "schon da");
  EXPECT_EQ(StampOf(File("brief.tvn")), before);

  Prompt.Script({idYes});
  job = Run(true, false, File("brief.txt"), File("brief.tvn"));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Succeeded);
  EXPECT_EQ(FileSize(File("brief.tvn")), 16u);
}

TEST_F(Win32Job, AWrongPasswordIsReportedAndLeavesNoWrongResult) {
  WriteFileBytes(File("brief.txt"), std::string(5000, 'b'));
  ASSERT_EQ(Run(true, false, File("brief.txt"), File("brief.tvn"))->Outcome(),
            TJobOutcome::Succeeded);
  Prompt.ClearShown();

  auto job = Run(false, false, File("brief.tvn"), File("zurück.txt"), "falsch");
  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InvalidPadding);
  EXPECT_FALSE(FileExists(File("zurück.txt")));
  ASSERT_EQ(Prompt.Shown().size(), 1u);
  EXPECT_EQ(Prompt.Shown()[0].Caption, "Fehler");
  EXPECT_NE(Prompt.Shown()[0].Text.find("Falsches Passwort"), std::string::npos);
}

TEST_F(Win32Job, AnotherSpellingOfTheSourceIsProcessedInPlace) {
  const std::string plain = std::string("\x1A\x1A\r\n") + std::string(10000, 'i');
  WriteFileBytes(File("Brief.txt"), plain);
  // Another letter case: equal names on Windows.
  auto job = Run(true, true, File("Brief.txt"), File("BRIEF.TXT"));
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << job->Failure().Details;
  EXPECT_EQ(FileSize(File("Brief.txt")), CipherSize(plain.size()));
  // The file keeps its own name; no copy is left in the temporary folder.
  EXPECT_EQ(EntryCount(Dir.Path()), 2u);  // Brief.txt and temp
  EXPECT_TRUE(std::filesystem::exists(PathOf(File("Brief.txt"))));
  EXPECT_EQ(EntryCount(File("temp")), 0u);

  // Forward slashes: another string, the same file by its identity.
  std::string slashed = File("Brief.txt");
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  job = Run(false, true, File("Brief.txt"), slashed);
  ASSERT_EQ(job->Outcome(), TJobOutcome::Succeeded) << job->Failure().Details;
  EXPECT_EQ(ReadFileBytes(File("Brief.txt")), plain);
  EXPECT_EQ(EntryCount(File("temp")), 0u);
}

TEST_F(Win32Job, AMissingSourceIsReportedWithTheSystemsText) {
  auto job = Run(true, false, File("fehlt.txt"), File("fehlt.tvn"));
  EXPECT_EQ(job->Outcome(), TJobOutcome::Failed);
  EXPECT_EQ(job->Failure().Kind, TFailureKind::InputNotFound);
  EXPECT_EQ(job->Failure().ErrorCode, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(job->Failure().Details, SystemErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(FileExists(File("fehlt.tvn")));
}

}  // namespace
