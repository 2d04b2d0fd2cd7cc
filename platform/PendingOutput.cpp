// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileError.h"
#include "platform/FileIO.h"
#include "platform/NativeFile.h"
#include "platform/PendingFile.h"

// A duplicate, so that the output's close leaves the lock held through the
// pending file's own handle, and the later sync and rename act on the very
// file that was written.
std::error_code TPendingFile::OpenOutput(TOutputFile& output) const {
  TFileHandle copy = NoFileHandle;
  if (!Exists()) return TFileError::NotOpen;
  if (const std::error_code error = DuplicateFile(FHandle, copy)) return error;
  output.Adopt(copy);
  return {};
}
