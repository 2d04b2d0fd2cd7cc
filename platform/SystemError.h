// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "platform/FileError.h"

// The system's message text for an OS error code (errno on POSIX, a
// GetLastError code on Windows), without trailing blanks, line breaks or full
// stops. UTF-8.
std::string SystemErrorText(int code);

// The text for any error code: the system's for what it reported; for the
// file layer's own outcomes, the system's text of the nearest failure it
// knows (as users have always read them, in their system's language).
std::string SystemErrorText(const std::error_code& code);

// The system's raw text for code as SystemErrorText hands it out: trailing
// blanks, line breaks and full stops removed, "Error <code>" when nothing is
// left. Shared by the platforms' SystemErrorText.
std::string TidySystemErrorText(std::string text, int code);

// The OS error code whose text stands for one of the file layer's own
// outcomes (for FileShrank: EIO; ERROR_IO_DEVICE on Windows).
int NearestSystemCode(TFileError error);

// The few outcomes the job tells apart, asked for alike on both platforms,
// so that no caller needs the platform's own names.

// The name is taken (EEXIST; ERROR_FILE_EXISTS or ERROR_ALREADY_EXISTS;
// TFileError::NameTaken).
bool IsNameTakenError(const std::error_code& code);

// Another run holds the file (EWOULDBLOCK; ERROR_LOCK_VIOLATION or
// ERROR_SHARING_VIOLATION; TFileError::LockedElsewhere).
bool IsBusyError(const std::error_code& code);

// The disk is full or failing (ENOSPC, EDQUOT, EIO; ERROR_DISK_FULL,
// ERROR_HANDLE_DISK_FULL, ERROR_IO_DEVICE and the like).
bool IsStorageError(const std::error_code& code);
