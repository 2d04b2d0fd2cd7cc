// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/NullBatchRunner.h"

#include "window/BatchTexts.h"

TBatchListing TNullBatchRunner::Plan(const TBatchListOrder& order) {
  TBatchListing listing;
  for (const std::string& path : order.Paths)
    listing.Failed.push_back({path, TBatchCause::CannotExamine, BatchText::EngineMissing});
  return listing;
}

void TNullBatchRunner::Launch(std::vector<TBatchRunItem> /*items*/,
                              const TBatchSettings& /*settings*/, TSecret /*password*/) {}

TBatchNews TNullBatchRunner::TakeNews() {
  TBatchNews news;
  news.Finished = true;
  return news;
}
