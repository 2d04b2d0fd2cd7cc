// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "tests/support/RecordingListener.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSeed.h"

namespace jobtest {

// A fresh directory per test, removed afterwards.
class TJobDirTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (Dir / name).string(); }

  // Temporary results left in the test's directory: a finished job leaves
  // none.
  std::size_t LeftoverCount() const {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Dir)) {
      const std::string name = entry.path().filename().string();
      if (name.size() > 12 && name.compare(name.size() - 12, 12, ".tolvane-tmp") == 0) ++count;
    }
    return count;
  }

  TTempDir FDir;
  std::filesystem::path Dir = FDir.Path();
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
#include "tests/support/JobRequests.h"
#include "twofish/Twofish.h"

namespace jobtest {

// A scripted user and a way to run one job to its end on the test's thread.
using TWhat = TJobEvent::TWhat;
class TCryptJobTest : public TJobDirTest {
 protected:
  std::unique_ptr<TCryptJob> MakeJob(TCryptRequest request) {
    return std::make_unique<TCryptJob>(Listener, std::move(request));
  }

  std::unique_ptr<TCryptJob> Run(TCryptRequest request) {
    auto job = MakeJob(std::move(request));
    job->RunJob();
    return job;
  }

  // The failure reported last, Kind None when there was none.
  TJobFailure Reported() const {
    const auto events = Listener.Events();
    if (events.empty() || events.back().What != TWhat::Failed) return {};
    return events.back().Failure;
  }

  TRecordingListener Listener;
};

}  // namespace jobtest
