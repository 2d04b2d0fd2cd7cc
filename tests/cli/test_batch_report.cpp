// SPDX-License-Identifier: GPL-3.0-or-later
// The batch's lines for a stop: what it reached past the point of no return
// is done, and the stop line says so by name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "cli/BatchReport.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"

namespace {

// What the function writes to descriptor 2, caught in a file.
std::string CapturedStderr(const std::function<void()>& run) {
  const TTempDir dir;
  const std::string name = dir.File("stderr");
  WriteFileBytes(name, "");
  FILE* file = std::fopen(name.c_str(), "w");
  const int saved = dup(STDERR_FILENO);
  dup2(fileno(file), STDERR_FILENO);
  run();
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::fclose(file);
  return ReadFileBytes(name);
}

TEST(BatchReport, AFileCompleteBeforeTheStopIsDoneAndNamedInTheStopLine) {
  TCliOptions options;
  options.Command = TCliCommand::Encrypt;
  TBatchReport report(options);
  TItemResult complete;
  complete.Outcome = TJobOutcome::Succeeded;
  complete.CompleteBeforeStop = true;
  TItemResult stopped;
  stopped.Outcome = TJobOutcome::Cancelled;

  TBatchItem a;
  a.Source = "a.txt";
  a.Target = "a.tvn";
  TBatchItem b;
  b.Source = "b.txt";
  b.Target = "b.tvn";
  const std::string said = CapturedStderr([&] {
    report.Result(a, complete);
    report.Result(b, stopped);
    report.Summary(1);
  });

  EXPECT_EQ(said,
            "tolvane: cancelled; b.tvn is unchanged\n"
            "tolvane: stopped; a.tvn was complete before the stop; 1 done, 0 skipped, 0 failed, "
            "1 not processed\n");
  EXPECT_TRUE(report.AnyCompleteBeforeStop());
}

}  // namespace
