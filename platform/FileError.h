// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

// Outcomes of the file layer that the operating system never reported as
// errors: the layer found them itself. What the system reported travels as
// std::system_category() (errno on POSIX, GetLastError on Windows).
enum class TFileError {
  NotOpen = 1,      // the object holds no open file
  ShortWrite,       // the system took fewer bytes than given and named no error
  IsDirectory,      // a folder where a file is to be read
  NotRegular,       // a pipe or device where only a regular file will do
  FileShrank,       // the file ended before the bytes its size promised
  NameMoved,        // the name no longer reaches the file opened under it
  TemporaryLost,    // every new temporary name was taken away before its lock
  LockedElsewhere,  // another run holds, or just replaced, the file
  NameTaken,        // the final name was found taken before a rename
  NameNotUtf8,      // a file name that is no UTF-8 text (Windows)
  Stopped,          // a stop ended a wait for a pipe or terminal (WaitBreaker.h)
};

const std::error_category& FileErrorCategory();

inline std::error_code make_error_code(TFileError error) {
  return {static_cast<int>(error), FileErrorCategory()};
}

template <>
struct std::is_error_code_enum<TFileError> : std::true_type {};

// An error the operating system reported.
inline std::error_code SystemError(int code) { return {code, std::system_category()}; }
