// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batch/BatchPlan.h"
#include "batch/BatchWorkers.h"
#include "cli/CommandLine.h"

// Words what becomes of each file of a batch, one line each on standard
// error, counts it, and closes with the summary. Lines come from the
// thread that calls, so they never interleave; the caller clears the
// progress line first.
class TBatchReport {
 public:
  explicit TBatchReport(const TCliOptions& options);

  // What the plan left out or could not take.
  void PlanNotes(const TBatchPlan& plan);
  // An existing target kept before the batch ran; asked: the user said so.
  void Kept(const TBatchItem& item, bool asked);
  void Result(const TBatchItem& item, const TItemResult& result);
  // "N done, M skipped, K failed"; notRun: items a stop signal kept from
  // finishing, which makes it the line of an interrupted batch.
  void Summary(std::size_t notRun = 0) const;

  std::size_t Cancelled() const { return FCancelled; }
  // Files a stop reached after their point of no return: done, and named in
  // the stop line.
  bool AnyCompleteBeforeStop() const { return !FCompleteBeforeStop.empty(); }
  // 0 when every file was done or skipped on purpose, 1 when one failed.
  int ExitStatus() const;

 private:
  void Skipped(const std::string& name, const std::string& why, bool shown);

  bool FQuiet;
  bool FVerbose;
  bool FEncrypt;
  std::size_t FDone = 0;
  std::size_t FSkipped = 0;
  std::size_t FFailed = 0;
  std::size_t FCancelled = 0;
  std::vector<std::string> FCompleteBeforeStop;
};
