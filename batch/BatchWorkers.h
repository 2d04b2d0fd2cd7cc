// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch/BatchPlan.h"
#include "job/CryptJob.h"

// How one item of a batch ended.
struct TItemResult {
  std::size_t Index = 0;
  TJobOutcome Outcome = TJobOutcome::NotRun;
  TJobFailure Failure;  // when the job failed
  // When Failed before a job ran: why.
  std::optional<TItemRefusal> Refusal;
  // Succeeded, with a stop asked for after the point of no return.
  bool CompleteBeforeStop = false;
};

// Runs the items of a batch on a few threads, each taking the next item in
// plan order and running it as one TCryptJob. The caller's thread stays
// free to watch for a stop, draw the progress and report the results;
// nothing here talks to the user. A target that exists is replaced only
// when its request says so.
class TBatchWorkers {
 public:
  using TRequestFor = std::function<TCryptRequest(std::size_t index)>;
  // Asked from the workers at every item and every chunk: true stops as
  // Stop() does (a stop signal the caller records, say).
  using TStopCheck = std::function<bool()>;

  // createFolders: the target's folder is made first (results under
  // --output-dir).
  TBatchWorkers(std::vector<TBatchItem> items, TRequestFor requestFor, bool createFolders,
                int threads);
  TBatchWorkers(const TBatchWorkers&) = delete;
  TBatchWorkers& operator=(const TBatchWorkers&) = delete;
  // Stops what still runs and waits for it.
  ~TBatchWorkers();

  // Before Start.
  void SetStopCheck(TStopCheck stopAsked);
  // The workers' threads inherit the caller's signal mask.
  void Start();
  // No further item starts; the running jobs stop at their next chunk. Any
  // thread.
  void Stop() noexcept;
  // Waits up to the timeout for news; true once every worker has ended.
  bool Wait(std::chrono::milliseconds timeout);
  // Waits until every worker has ended, leaving the results to be taken.
  void WaitUntilEnded();

  // The results that came in since the last call, in the order they came.
  std::vector<TItemResult> TakeResults();
  // The items whose job began since the last call, in the order they began
  // (an item refused before its job ran never begins).
  std::vector<std::size_t> TakeStarted();
  // The bytes of the finished items plus the progress of the running ones.
  std::uint64_t DoneBytes() const;
  // The running item started last.
  std::optional<std::size_t> Current() const;

  const TBatchItem& Item(std::size_t index) const { return FItems[index]; }
  std::size_t Size() const { return FItems.size(); }

 private:
  // What one worker is running, for the stop and the progress.
  struct TSlot {
    TCryptJob* Job = nullptr;  // guarded by FMutex
    std::size_t Index = 0;
    std::atomic<std::uint64_t> Done{0};
  };

  void Work(TSlot& slot);
  // Why the item cannot run, found just before it would; none when it can.
  // Makes the target's folder when asked to.
  std::optional<TItemRefusal> Refusal(const TBatchItem& item) const;
  TItemResult RunItem(TSlot& slot, std::size_t index);
  bool StopAsked() const;

  const std::vector<TBatchItem> FItems;
  const TRequestFor FRequestFor;
  const bool FCreateFolders;
  TStopCheck FStopAsked;
  std::vector<std::unique_ptr<TSlot>> FSlots;
  std::vector<std::thread> FThreads;

  mutable std::mutex FMutex;
  std::condition_variable FNews;
  bool FStopping = false;
  std::size_t FNext = 0;
  std::size_t FEnded = 0;
  std::uint64_t FFinishedBytes = 0;
  std::vector<TItemResult> FResults;
  std::vector<std::size_t> FStarted;
};
