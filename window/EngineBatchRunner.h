// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "batch/BatchPlan.h"
#include "batch/BatchWorkers.h"
#include "window/BatchRunner.h"

// The batch window's port over the batch engine that tolvane runs: the
// same plan (folders walked with their subfolders), the same workers, the
// engine's causes mapped onto the window's.
class TEngineBatchRunner final : public IBatchRunner {
 public:
  // threads: 0 divides the cores as tolvane does.
  explicit TEngineBatchRunner(int threads = 0);
  TEngineBatchRunner(const TEngineBatchRunner&) = delete;
  TEngineBatchRunner& operator=(const TEngineBatchRunner&) = delete;
  // Stops a run that still goes on and waits for it.
  ~TEngineBatchRunner() override;

  TBatchListing Plan(const TBatchListOrder& order) override;
  // Runs the items as the last plan found them (the folder they were found
  // in, the file they were); an item that plan did not hold is planned
  // again on its own.
  void Launch(std::vector<TBatchRunItem> items, const TBatchSettings& settings,
              TSecret password) override;
  TBatchNews TakeNews() override;
  void Cancel() override;
  void WaitForStopped() override;

 private:
  TBatchItem PlannedItem(const TBatchRunItem& item, TDirection direction) const;

  const int FThreads;
  TDirection FPlannedDirection = TDirection::Encrypt;
  std::vector<TBatchItem> FPlanned;
  // The run's own: the workers read them until they end.
  std::vector<TBatchItem> FItems;
  std::vector<bool> FReplace;
  TBatchSettings FSettings;
  TSecret FPassword;
  std::unique_ptr<TBatchWorkers> FWorkers;
  std::uint64_t FTotal = 0;
};
