// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <system_error>

#include "platform/FileHandle.h"

// Byte-level file access for the file transform: one file read from start to
// end, one file written from start to end. Every call reports failure as an
// error code instead of throwing, so the caller decides how it is raised:
// std::system_category() for what the system reported, TFileError for what
// the layer found itself (FileError.h).
//
// Both classes stage data in two buffers of their own, allocated when the
// file is opened: the caller's small chunks turn into few large system
// calls, and once a file proves larger than one stage, a helper thread reads
// the next stage ahead (or writes the last one out) while the caller works
// on. What reaches the caller or the file is the same as with direct calls.
// Neither seeks nor asks for a size it needs: pipes read and write alike.

// Outcome of a read, write or close: the bytes moved and the error, if any.
// A system that took fewer bytes than given without naming an error gives
// TFileError::ShortWrite.
struct TIoResult {
  std::size_t Bytes = 0;
  std::error_code Error;
  bool Ok() const { return !Error; }
};

// Outcome of the end-of-file test.
struct TEndResult {
  bool AtEnd = false;
  std::error_code Error;
};

// One staging buffer: bytes [Begin, End) of Data are held. Its own unit, so
// that stages can later be handed between threads whole.
struct TStage {
  std::unique_ptr<std::uint8_t[]> Data;
  std::size_t Capacity = 0;
  std::size_t Begin = 0;
  std::size_t End = 0;

  void Allocate(std::size_t capacity);  // once; later calls keep the buffer
  std::size_t Held() const { return End - Begin; }
  bool Full() const { return End == Capacity; }
  void Clear() { Begin = End = 0; }
  // The staged bytes may be plaintext.
  void Wipe() noexcept;
};

class TIoWorker;
class TSyncBehind;
class TWaitBreaker;
struct TIoRequest;
struct TOpenedFile;
struct TTailResult;

class TInputFile {
 public:
  static constexpr std::size_t DefaultStageSize = 256 * 1024;

  explicit TInputFile(std::size_t stageSize = DefaultStageSize);
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;
  ~TInputFile();  // closes the file if it is still open, ignoring errors

  // Opens an existing file for reading only. A directory is refused
  // (TFileError::IsDirectory; ERROR_ACCESS_DENIED from Windows).
  std::error_code Open(const std::string& name);
  // Reads the process's standard input from its current position; Close
  // leaves the standard input itself open. Size and HasSize as for Open.
  std::error_code OpenStandardInput();
  // Takes over a file opened elsewhere (a batch's, opened without following
  // links); Size and HasSize as opened says.
  void Adopt(const TOpenedFile& opened);
  bool IsOpen() const { return FHandle != NoFileHandle; }

  // After opening: a read that waits for a pipe or terminal ends with
  // TFileError::Stopped once the breaker is broken. The breaker outlives the
  // file's Close.
  void BreakWaitsBy(TWaitBreaker& breaker);

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

  // The last bytes of a regular file opened and not yet read (the standard
  // input redirected from a file), as ReadFileTail reads them; its size
  // counts from where reading starts. Reading goes on from there.
  TTailResult ReadTail(std::uint8_t* out, std::size_t count) const;

  // The file is released either way.
  std::error_code Close();

 private:
  void Start(const TOpenedFile& opened);
  std::error_code Refill();
  TIoRequest ReadRequest(int stage) const;

  TFileHandle FHandle = NoFileHandle;
  TWaitBreaker* FBreaker = nullptr;
  std::size_t FStageSize;
  TStage FStages[2];
  int FCurrent = 0;  // the stage being handed out; the other one is read ahead
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

  // Creates the file, or empties an existing one.
  std::error_code Create(const std::string& name);
  // Takes over a handle open for writing (TPendingFile::OpenOutput hands one
  // out) and writes from its current position; Close closes it.
  void Adopt(TFileHandle handle);
  // Writes to the process's standard output; Close leaves the standard
  // output itself open. Nothing can be taken back from it once written.
  std::error_code OpenStandardOutput();
  bool IsOpen() const { return FHandle != NoFileHandle; }

  // As TInputFile::BreakWaitsBy, for a write that waits for its reader.
  void BreakWaitsBy(TWaitBreaker& breaker);

  // Takes count bytes. A full stage is written out while the next one fills,
  // so a failure of the system shows at a later Write or at Close. After a
  // failure nothing more is written and every call reports it. A large file
  // is also synced behind the writing (SyncBehind.h); a failure of that sync
  // shows at Close.
  TIoResult Write(const void* data, std::size_t count);

  // Writes out what is staged and closes; reports as Write does. The file is
  // released either way.
  TIoResult Close();

 private:
  void Start(TFileHandle handle);

  TFileHandle FHandle = NoFileHandle;
  TWaitBreaker* FBreaker = nullptr;
  std::size_t FStageSize;
  TStage FStages[2];
  int FFilling = 0;            // the stage taking data; the other one may be written out
  std::uint64_t FWritten = 0;  // bytes handed out to be written
  std::unique_ptr<TIoWorker> FWorker;
  std::unique_ptr<TSyncBehind> FSyncer;  // once stages go out on the worker
  TIoResult FFailure;
};

// The size of a regular file and its last min(count, size) bytes, read
// without blocking on anything that is not a regular file (which is refused
// as OpenError: TFileError::IsDirectory or NotRegular).
struct TTailResult {
  std::error_code OpenError;  // the file could not be opened or is no regular file
  std::error_code ReadError;  // reading it failed, or it shrank meanwhile
  std::uint64_t Size = 0;
  std::size_t Count = 0;  // bytes stored at out[0..Count)
};
TTailResult ReadFileTail(const std::string& name, std::uint8_t* out, std::size_t count);
