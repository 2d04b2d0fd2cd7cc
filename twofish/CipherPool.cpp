// SPDX-License-Identifier: GPL-3.0-or-later
#include "twofish/CipherPool.h"

#include <system_error>
#include <utility>

TCipherPool::TCipherPool(int threads) {
  for (int i = 1; i < threads; ++i) {
    try {
      FHelpers.emplace_back([this] { Help(); });
    } catch (const std::system_error&) {
      break;
    }
  }
}

TCipherPool::~TCipherPool() {
  // A round left started (the caller unwinding) is seen through before its
  // tasks' data can go.
  try {
    Finish();
  } catch (...) {
  }
  {
    const std::lock_guard<std::mutex> lock(FLock);
    FStop = true;
  }
  FWake.notify_all();
  for (std::thread& helper : FHelpers) helper.join();
}

void TCipherPool::Work() {
  for (;;) {
    const std::size_t index = FNext.fetch_add(1, std::memory_order_relaxed);
    if (index >= FCount) return;
    try {
      FTask(index);
    } catch (...) {
      const std::lock_guard<std::mutex> lock(FLock);
      if (!FError) FError = std::current_exception();
    }
  }
}

void TCipherPool::Help() {
  std::uint64_t seen = 0;
  std::unique_lock<std::mutex> lock(FLock);
  for (;;) {
    FWake.wait(lock, [&] { return FStop || FRound != seen; });
    if (FStop) return;
    seen = FRound;
    lock.unlock();
    Work();
    lock.lock();
    if (--FBusy == 0) FIdle.notify_one();
  }
}

void TCipherPool::Run(std::size_t count, std::function<void(std::size_t)> task) {
  Start(count, std::move(task));
  Finish();
}

void TCipherPool::Start(std::size_t count, std::function<void(std::size_t)> task) {
  FStarted = true;
  {
    const std::lock_guard<std::mutex> lock(FLock);
    FTask = std::move(task);
    FCount = count;
    FNext.store(0, std::memory_order_relaxed);
    FError = nullptr;
    if (FHelpers.empty() || count == 0) return;
    FBusy = static_cast<int>(FHelpers.size());
    ++FRound;
  }
  FWake.notify_all();
}

void TCipherPool::Finish() {
  if (!FStarted) return;
  FStarted = false;
  Work();
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> lock(FLock);
    FIdle.wait(lock, [&] { return FBusy == 0; });
    FTask = nullptr;
    FCount = 0;
    error = std::exchange(FError, nullptr);
  }
  if (error) std::rethrow_exception(error);
}
