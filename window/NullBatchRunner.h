// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "window/BatchRunner.h"

// Stands in for the batch engine where none is built in: every path is
// listed as a file that cannot be processed, so nothing ever runs.
class TNullBatchRunner final : public IBatchRunner {
 public:
  TBatchListing Plan(const TBatchListOrder& order) override;
  void Launch(std::vector<TBatchRunItem> items, const TBatchSettings& settings,
              TSecret password) override;
  TBatchNews TakeNews() override;
  void Cancel() override {}
  void WaitForStopped() override {}
};
