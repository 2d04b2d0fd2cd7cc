#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "tests/support/FileBytes.h"
#include "tests/support/ScriptedPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSeed.h"

namespace jobtest {

// A fresh directory per test, with its own directory for temporary copies
// (the `Temp` variable points there), removed afterwards.
class TJobDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = FDir.Path();
    TempDir = Dir / "temp";
    std::filesystem::create_directory(TempDir);
    SaveVariable("Temp", SavedTemp);
    SaveVariable("TMPDIR", SavedTmpdir);
    ::setenv("Temp", TempDir.c_str(), 1);
  }

  void TearDown() override {
    RestoreVariable("Temp", SavedTemp);
    RestoreVariable("TMPDIR", SavedTmpdir);
  }

  std::string Path(const std::string& name) const { return (Dir / name).string(); }

  // Files in the temporary-copy directory: a finished job leaves none.
  std::size_t TempFileCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(TempDir),
                                                  std::filesystem::directory_iterator()));
  }

  std::filesystem::path Dir;
  std::filesystem::path TempDir;

 private:
  static void SaveVariable(const char* name, std::optional<std::string>& saved) {
    const char* value = std::getenv(name);
    if (value != nullptr) saved = value;
  }
  static void RestoreVariable(const char* name, const std::optional<std::string>& saved) {
    if (saved) {
      ::setenv(name, saved->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  TTempDir FDir;
  std::optional<std::string> SavedTemp;
  std::optional<std::string> SavedTmpdir;
};

// Content and modification time together: "untouched" means both are kept.
struct TFileSnapshot {
  std::string Bytes;
  std::int64_t ModifiedNs = 0;
  bool operator==(const TFileSnapshot&) const = default;
};

inline TFileSnapshot Snapshot(const std::string& name) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return {};
  return {ReadFileBytes(name),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

}  // namespace jobtest

#include <memory>

#include "job/CryptJob.h"
#include "twofish/Twofish.h"

namespace jobtest {

// A cipher set up as the window sets it, a scripted user, and a way to run
// one job to its end on the test's thread.
class TCryptJobTest : public TJobDirTest {
 protected:
  void SetUp() override {
    TJobDirTest::SetUp();
    Cipher.SetKeySize(TKeySize::Large256);
    Cipher.SetCipherMode(TCipherMode::CBC);
  }

  std::unique_ptr<TCryptJob> MakeJob(bool encrypt, bool overwrite, const std::string& source,
                                     const std::string& target,
                                     const std::string& password = "Geheimnis") {
    return std::make_unique<TCryptJob>(Cipher, Prompt, encrypt, overwrite, source, target,
                                       password, password);
  }

  std::unique_ptr<TCryptJob> Run(bool encrypt, bool overwrite, const std::string& source,
                                 const std::string& target,
                                 const std::string& password = "Geheimnis") {
    auto job = MakeJob(encrypt, overwrite, source, target, password);
    job->RunJob();
    return job;
  }

  // The text after "Details:" of the one failure message shown.
  std::string ShownDetails() const {
    if (Prompt.Shown().empty()) return "<no message>";
    const std::string text = Prompt.Shown().back().Text;
    const auto at = text.find("Details:\r\n");
    return at == std::string::npos ? "<no details>" : text.substr(at + 10);
  }

  TTwofish Cipher;
  TScriptedPrompt Prompt;
};

}  // namespace jobtest
