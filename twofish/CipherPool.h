// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A few helper threads that work through numbered tasks beside the caller,
// for the batches of independent blocks. The helpers live as long as the
// pool and sleep between rounds, so a file costs one start-up, not one per
// chunk.
class TCipherPool {
 public:
  // Threads counts the caller: 1 means no helper at all. Should the system
  // refuse a thread, the pool works with the helpers it got.
  explicit TCipherPool(int threads);
  TCipherPool(const TCipherPool&) = delete;
  TCipherPool& operator=(const TCipherPool&) = delete;
  ~TCipherPool();  // finishes a started round, dropping what it throws

  int Threads() const { return static_cast<int>(FHelpers.size()) + 1; }

  // Runs task(0) .. task(count - 1), each once, on the helpers and the
  // caller, and returns when all are done. What a task throws is rethrown
  // here (the first one) once the round is over.
  void Run(std::size_t count, std::function<void(std::size_t)> task);

  // Run in two halves, so that the caller can do other work while the
  // helpers start on the tasks: Start hands them out and returns at once;
  // Finish takes on what is left beside the helpers, waits for the rest and
  // rethrows as Run does. Whatever the tasks touch stays alive until Finish
  // has returned, which a started round must always reach.
  void Start(std::size_t count, std::function<void(std::size_t)> task);
  void Finish();
  bool Started() const { return FStarted; }

 private:
  void Help();
  void Work();

  std::mutex FLock;
  std::condition_variable FWake;
  std::condition_variable FIdle;
  std::function<void(std::size_t)> FTask;
  bool FStarted = false;
  std::size_t FCount = 0;
  std::atomic<std::size_t> FNext{0};
  std::uint64_t FRound = 0;
  int FBusy = 0;  // helpers not yet through the current round
  bool FStop = false;
  std::exception_ptr FError;
  std::vector<std::thread> FHelpers;  // last: started once the fields above exist
};
