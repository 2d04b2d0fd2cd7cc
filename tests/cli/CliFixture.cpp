// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"

#include "job/CryptJob.h"
#include "job/Windows1252.h"
#include "tests/support/RecordingListener.h"

std::string CliTest::PasswordFile(const std::string& line, const std::string& name) {
  WriteFileBytes(Path(name), line);
  return Path(name);
}

void ProcessLikeTheWindow(bool encrypt, const std::string& source, const std::string& target,
                          const std::string& utf8Password, TChainMode mode, bool useHashes) {
  BuildMdsTables();
  TWindows1252Result password = Utf8ToWindows1252(utf8Password);
  ASSERT_TRUE(password.Ok);
  TCryptRequest request;
  request.Direction = encrypt ? TDirection::Encrypt : TDirection::Decrypt;
  request.Mode = mode;
  request.Hashing = useHashes ? TPasswordHashing::UseHashes : TPasswordHashing::Plain;
  request.SourceName = source;
  request.TargetName = target;
  request.Password = std::move(password.Bytes);
  TRecordingListener listener;
  TCryptJob job(listener, std::move(request));
  job.RunJob();
  ASSERT_EQ(job.Outcome(), TJobOutcome::Succeeded);
}

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    // The runner's own stand-ins for the standard streams.
    if (name == ".stdin" || name == ".fd3") continue;
    names.insert(std::move(name));
  }
  return names;
}
