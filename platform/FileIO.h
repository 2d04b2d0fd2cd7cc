// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/FileHandle.h"

// Byte-level file access for the file transform: one file read from start to
// end, one file written from start to end. Every call reports the OS error
// code instead of throwing, so the caller decides how a failure is raised.
//
// Both classes stage data in two buffers of their own, allocated when the
// file is opened: the caller's small chunks turn into few large system
// calls, and once a file proves larger than one stage, a helper thread reads
// the next stage ahead (or writes the last one out) while the caller works
// on. What reaches the caller or the file is the same as with direct calls.
// On Windows one stage is used, in the caller's thread: the system's cache
// reads ahead (sequential-scan hint) and writes behind by itself.

// Outcome of a read, write or close: the bytes moved, the OS error code (0
// when the system named none), and whether the system accepted fewer bytes
// than it was given without naming an error.
struct TIoResult {
  std::size_t Bytes = 0;
  int Error = 0;
  bool Short = false;
  bool Ok() const { return Error == 0 && !Short; }
};

// Outcome of the end-of-file test.
struct TEndResult {
  bool AtEnd = false;
  int Error = 0;
};

class TIoWorker;

class TInputFile {
 public:
  static constexpr std::size_t DefaultStageSize = 256 * 1024;

  explicit TInputFile(std::size_t stageSize = DefaultStageSize);
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;
  ~TInputFile();  // closes the file if it is still open, ignoring errors

  // Opens an existing file for reading only. Returns 0 or the OS error code;
  // a directory is refused (EISDIR; ERROR_ACCESS_DENIED on Windows).
  int Open(const std::string& name);
  bool IsOpen() const { return FHandle >= 0; }

  // Reads up to count bytes. Fewer bytes than asked come back only at the end
  // of the file.
  TIoResult Read(void* data, std::size_t count);

  // True when no byte is left to read. Looks ahead into the file rather than
  // trusting the size seen at open, so a file that grows or shrinks meanwhile
  // still ends where its data ends.
  TEndResult AtEnd();

  // Bytes handed out by Read so far.
  std::uint64_t Position() const { return FPosition; }
  // The file's size when it was opened (0 for files without a size, such as
  // pipes).
  std::uint64_t Size() const { return FSize; }
  // Whether Size is meaningful (a regular file).
  bool HasSize() const { return FHasSize; }

  // Returns 0 or the OS error code. The file is released either way.
  int Close();

 private:
  int Refill();

  TFileHandle FHandle = NoFileHandle;
  std::size_t FStageSize;
  std::unique_ptr<std::uint8_t[]> FStages[2];
  int FCurrent = 0;  // the stage being handed out; the other one is read ahead
  std::size_t FStageBegin = 0;
  std::size_t FStageEnd = 0;
  bool FSourceDone = false;
  std::unique_ptr<TIoWorker> FWorker;
  std::uint64_t FPosition = 0;
  std::uint64_t FSize = 0;
  bool FHasSize = false;
};

class TOutputFile {
 public:
  static constexpr std::size_t DefaultStageSize = 256 * 1024;

  explicit TOutputFile(std::size_t stageSize = DefaultStageSize);
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;
  // Writes out what is still staged and closes, ignoring errors: whatever the
  // caller handed over before a failure still reaches the file.
  ~TOutputFile();

  // Creates the file, or empties an existing one. Returns 0 or the OS error
  // code.
  int Create(const std::string& name);
  bool IsOpen() const { return FHandle >= 0; }

  // Takes count bytes. A full stage is written out while the next one fills,
  // so a failure of the system shows at a later Write or at Close: then Error
  // holds the OS error code, or Short is set when the system accepted nothing
  // without naming an error. After a failure nothing more is written.
  TIoResult Write(const void* data, std::size_t count);

  // Writes out what is staged and closes; reports as Write does. The file is
  // released either way.
  TIoResult Close();

 private:
  TFileHandle FHandle = NoFileHandle;
  std::size_t FStageSize;
  std::unique_ptr<std::uint8_t[]> FStages[2];
  int FFilling = 0;  // the stage taking data; the other one may be written out
  std::size_t FStaged = 0;
  std::uint64_t FWritten = 0;  // bytes handed to the worker
  std::unique_ptr<TIoWorker> FWorker;
  TIoResult FFailure;
};

// The size of a regular file and its last min(count, size) bytes, read
// without blocking on anything that is not a regular file (which is refused
// with EISDIR or EINVAL as OpenError).
struct TTailResult {
  int OpenError = 0;  // the file could not be opened or is no regular file
  int ReadError = 0;  // the OS reported a failure reading it
  std::uint64_t Size = 0;
  std::size_t Count = 0;  // bytes stored at out[0..Count)
};
TTailResult ReadFileTail(const std::string& name, std::uint8_t* out, std::size_t count);
