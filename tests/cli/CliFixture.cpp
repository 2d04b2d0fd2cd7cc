// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"

#include "job/CryptJob.h"
#include "job/KeyDerivation.h"
#include "job/Windows1252.h"
#include "sha/SHA.h"
#include "tests/support/RecordingListener.h"

std::string CliTest::PasswordFile(const std::string& line, const std::string& name) {
  WriteFileBytes(Path(name), line);
  return Path(name);
}

void ProcessLikeTheWindow(bool encrypt, const std::string& source, const std::string& target,
                          const std::string& utf8Password, TCipherMode mode, bool useHashes) {
  BuildMdsTables();
  TTwofish twofish;
  twofish.SetCipherMode(TCipherMode::CBC);
  twofish.SetKeySize(TKeySize::Large256);
  twofish.SetStringMode(TStringMode::smEncode);
  twofish.SetCipherMode(mode);
  TSHA sha;
  const TWindows1252Result password = Utf8ToWindows1252(utf8Password);
  ASSERT_TRUE(password.Ok);
  const TKeyTexts keys = DeriveKeyTexts(password.Bytes, useHashes, sha);
  TRecordingListener listener;
  TCryptJob job(twofish, listener, encrypt, false, source, target, keys.IVText, keys.KeyText);
  job.RunJob();
  ASSERT_EQ(job.Outcome(), TJobOutcome::Succeeded);
}

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}
