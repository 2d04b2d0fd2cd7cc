// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/FileHandle.h"
#include "platform/FileIO.h"

class TWaitBreaker;

// One read or write of a file the caller has open.
struct TIoRequest {
  enum class TKind { Read, Write };
  TKind Kind = TKind::Read;
  TFileHandle Handle = NoFileHandle;
  std::uint8_t* Data = nullptr;
  std::size_t Count = 0;
  // For a write: when not negative, the file offset of Data, and the system
  // is asked to start writing these bytes to the disk once they are written.
  std::int64_t StartWritebackAt = -1;
  // Ends a wait of a pipe or terminal on a stop; null for files on a disk.
  const TWaitBreaker* Breaker = nullptr;
};

// Runs a request in the calling thread: a read is one ReadSome, a write one
// WriteAll and, when asked for, the writeback hint (NativeFile.h).
TIoResult RunIo(const TIoRequest& request);

// A thread that runs one request at a time while the caller works on, so
// that reading ahead and writing behind overlap with the cipher. The caller
// keeps the request's buffer untouched until Wait returns.
class TIoWorker {
 public:
  TIoWorker();
  TIoWorker(const TIoWorker&) = delete;
  TIoWorker& operator=(const TIoWorker&) = delete;
  ~TIoWorker();  // waits for the request in progress

  // Starts a request; the previous one must have been waited for.
  void Start(const TIoRequest& request);
  // Waits for the request started last and returns its outcome (an empty
  // result when none is in progress).
  TIoResult Wait();
  bool Busy() const { return FStarted; }

 private:
  void Run();

  std::mutex FLock;
  std::condition_variable FChanged;
  TIoRequest FRequest;
  TIoResult FResult;
  bool FPending = false;  // a request waits for the thread
  bool FDone = false;     // the thread finished the last request
  bool FStarted = false;  // a request was started and not waited for
  bool FStop = false;
  std::thread FThread;  // last: starts once the fields above exist
};
