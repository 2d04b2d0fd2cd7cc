// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

#include "platform/FileHandle.h"
#include "platform/FileIO.h"

class TWaitBreaker;

// What differs between POSIX and Win32 under the buffered files of FileIO.h:
// opening, creating, one read, one complete write, closing. Everything above
// (staging, reading ahead, writing behind) is written once, over these.

struct TOpenedFile {
  TFileHandle Handle = NoFileHandle;
  bool HasSize = false;  // a regular file (a disk file on Windows)
  std::uint64_t Size = 0;
};

// Opens an existing file for reading only, hinting sequential access. A
// directory is refused; a FIFO without a writer does not hold the caller.
std::error_code OpenForReading(const std::string& name, TOpenedFile& opened);

// Second handles to the process's standard input and output ("-" on the
// command line), so that closing them leaves the standard ones open. The
// input is read from where its position stands; when it is a regular file,
// Size counts the bytes from there to its end.
std::error_code OpenStandardInput(TOpenedFile& opened);
std::error_code OpenStandardOutput(TFileHandle& handle);

// The last min(count, left) bytes of an open regular file, where left counts
// from its current position to its end; the position stays where it is.
// Anything but a regular file is refused as OpenError (NotRegular).
TTailResult ReadHandleTail(TFileHandle handle, std::uint8_t* out, std::size_t count);

// Creates the file, or empties an existing one, for writing only.
std::error_code CreateForWriting(const std::string& name, TFileHandle& handle);

// A second handle to the same open file, sharing its position; closing one
// leaves the other (and a lock taken through it) alone.
std::error_code DuplicateFile(TFileHandle handle, TFileHandle& copy);

// Whether reading or writing the handle may wait without end: a pipe, a
// FIFO, a terminal or a socket, unlike a file on a disk.
bool MayWait(TFileHandle handle);

// One read: fewer bytes than asked may come, none at the end of the data.
// Interrupted calls are repeated. With a breaker, a wait for data ends when
// it is broken, with TFileError::Stopped.
TIoResult ReadSome(TFileHandle handle, std::uint8_t* data, std::size_t count,
                   const TWaitBreaker* breaker = nullptr);

// Writes all bytes, continuing after partial writes, until the system fails
// (its code) or takes nothing without naming an error (ShortWrite). With a
// breaker, as ReadSome.
TIoResult WriteAll(TFileHandle handle, const std::uint8_t* data, std::size_t count,
                   const TWaitBreaker* breaker = nullptr);

// Asks the system to start writing bytes just written, at offset, to the
// disk, so that a later sync has little left to wait for. A hint: where the
// system has no such call, or refuses, nothing happens.
void StartWriteback(TFileHandle handle, std::uint64_t offset, std::size_t count);

// Closes the handle once; it is released even when a failure is reported.
std::error_code CloseFile(TFileHandle handle);
