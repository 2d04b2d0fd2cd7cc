// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchWorkers.h"

#include <algorithm>
#include <utility>

#include "job/FailureCause.h"
#include "job/JobListener.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/FolderWalk.h"

namespace {

// Whether a target may be replaced was settled before the batch began; a
// file that appears under a free name meanwhile is declined, not asked
// about while other files run.
class TDecliningListener final : public IJobListener {
 public:
  bool MayReplace(const std::string& /*targetName*/, bool /*inPlace*/) override { return false; }
  void Succeeded(const std::string& /*targetName*/) override {}
  void Failed(const TJobFailure& /*failure*/) override {}
};

}  // namespace

TBatchWorkers::TBatchWorkers(std::vector<TBatchItem> items, TRequestFor requestFor,
                             bool createFolders, int threads)
    : FItems(std::move(items)), FRequestFor(std::move(requestFor)), FCreateFolders(createFolders) {
  const std::size_t count = std::min(static_cast<std::size_t>(std::max(threads, 1)), FItems.size());
  for (std::size_t i = 0; i < count; ++i) FSlots.push_back(std::make_unique<TSlot>());
}

TBatchWorkers::~TBatchWorkers() {
  Stop();
  for (std::thread& thread : FThreads) thread.join();
}

void TBatchWorkers::SetStopCheck(TStopCheck stopAsked) { FStopAsked = std::move(stopAsked); }

void TBatchWorkers::Start() {
  for (const auto& slot : FSlots) FThreads.emplace_back([this, &slot] { Work(*slot); });
}

bool TBatchWorkers::StopAsked() const { return FStopAsked && FStopAsked(); }

void TBatchWorkers::Stop() noexcept {
  const std::lock_guard lock(FMutex);
  FStopping = true;
  for (const auto& slot : FSlots) {
    if (slot->Job != nullptr) slot->Job->RequestStop();
  }
}

bool TBatchWorkers::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(FMutex);
  const auto allEnded = [this] { return FEnded == FSlots.size(); };
  FNews.wait_for(lock, timeout, [&] { return allEnded() || !FResults.empty(); });
  return allEnded();
}

void TBatchWorkers::WaitUntilEnded() {
  std::unique_lock lock(FMutex);
  FNews.wait(lock, [this] { return FEnded == FSlots.size(); });
}

std::vector<TItemResult> TBatchWorkers::TakeResults() {
  const std::lock_guard lock(FMutex);
  return std::exchange(FResults, {});
}

std::vector<std::size_t> TBatchWorkers::TakeStarted() {
  const std::lock_guard lock(FMutex);
  return std::exchange(FStarted, {});
}

std::uint64_t TBatchWorkers::DoneBytes() const {
  const std::lock_guard lock(FMutex);
  std::uint64_t done = FFinishedBytes;
  for (const auto& slot : FSlots) {
    if (slot->Job != nullptr) done += std::min(slot->Done.load(), FItems[slot->Index].Size);
  }
  return done;
}

std::optional<std::size_t> TBatchWorkers::Current() const {
  const std::lock_guard lock(FMutex);
  std::optional<std::size_t> current;
  for (const auto& slot : FSlots) {
    if (slot->Job != nullptr && (!current || slot->Index > *current)) current = slot->Index;
  }
  return current;
}

void TBatchWorkers::Work(TSlot& slot) {
  for (;;) {
    std::size_t index = 0;
    {
      const std::lock_guard lock(FMutex);
      if (FStopping || StopAsked() || FNext == FItems.size()) break;
      index = FNext++;
    }
    TItemResult result;
    try {
      result = RunItem(slot, index);
    } catch (...) {
      // Only before the job runs (out of memory, most likely): the item
      // failed, the batch goes on.
      result.Index = index;
      result.Outcome = TJobOutcome::Failed;
      result.Failure = DescribeFailure(std::current_exception());
      const std::lock_guard lock(FMutex);
      FFinishedBytes += FItems[index].Size;
    }
    {
      const std::lock_guard lock(FMutex);
      FResults.push_back(std::move(result));
    }
    FNews.notify_all();
  }
  {
    const std::lock_guard lock(FMutex);
    ++FEnded;
  }
  FNews.notify_all();
}

std::optional<TItemRefusal> TBatchWorkers::Refusal(const TBatchItem& item) const {
  // A target that is a link to its source (or another name of it) would
  // have the job process the source in place, which a batch never does.
  if (SameFile(item.Source, ResolveLinks(item.Target))) {
    return TItemRefusal{TRefusalCause::TargetLeadsToSource, {}};
  }
  // Nor does it write through a link that appeared in the target's place.
  if (IsSymbolicLink(item.Target)) return TItemRefusal{TRefusalCause::TargetIsLink, {}};
  // The file the plan found, not what its name reaches by now: one found in
  // a folder is looked at again without following links.
  if (item.Identity) {
    TFileIdentity now;
    std::error_code error;
    if (!item.Below.empty()) {
      error = IdentityBelow(item.Root, item.Below, now);
    } else {
      const TNameFacts facts = ExamineName(item.Source);
      error = facts.Error;
      if (!error && facts.Identity) now = *facts.Identity;
    }
    if (error) return TItemRefusal{TRefusalCause::SourceNotExamined, error};
    if (now != *item.Identity) return TItemRefusal{TRefusalCause::SourceReplaced, {}};
  }
  if (FCreateFolders) {
    if (const std::error_code error = CreateFolders(FolderOf(item.Target))) {
      return TItemRefusal{TRefusalCause::FolderNotCreated, error};
    }
  }
  return std::nullopt;
}

TItemResult TBatchWorkers::RunItem(TSlot& slot, std::size_t index) {
  TItemResult result;
  result.Index = index;
  const TBatchItem& item = FItems[index];
  result.Refusal = Refusal(item);
  if (result.Refusal) {
    result.Outcome = TJobOutcome::Failed;
    const std::lock_guard lock(FMutex);
    FFinishedBytes += item.Size;
    return result;
  }
  TDecliningListener listener;
  TCryptJob job(listener, FRequestFor(index));
  job.SetProgress([this, &slot, &job](std::uint64_t done, std::uint64_t /*total*/) {
    slot.Done.store(done, std::memory_order_relaxed);
    // Noticed at the next chunk rather than at the next look of the watcher.
    if (StopAsked()) job.RequestStop();
  });
  {
    const std::lock_guard lock(FMutex);
    if (FStopping) job.RequestStop();
    slot.Job = &job;
    slot.Index = index;
    slot.Done = 0;
    FStarted.push_back(index);
  }
  job.RunJob();
  {
    // In one step, so that the progress never steps back.
    const std::lock_guard lock(FMutex);
    slot.Job = nullptr;
    FFinishedBytes += item.Size;
  }
  result.Outcome = job.Outcome();
  result.Failure = job.Failure();
  result.CompleteBeforeStop = result.Outcome == TJobOutcome::Succeeded && job.StoppedTooLate();
  return result;
}
