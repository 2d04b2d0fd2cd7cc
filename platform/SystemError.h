// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The system's message text for an OS error code (errno on POSIX, a
// GetLastError code on Windows), without trailing blanks, line breaks or full
// stops. UTF-8.
std::string SystemErrorText(int code);

// The system's raw text for code as SystemErrorText hands it out: trailing
// blanks, line breaks and full stops removed, "Error <code>" when nothing is
// left. Shared by the platforms' SystemErrorText.
std::string TidySystemErrorText(std::string text, int code);

// The OS error code that stands for a failed transfer the system gave no
// code of its own for (EIO; ERROR_IO_DEVICE on Windows).
int GenericIoError();

// The few OS error codes the job tells apart, asked for alike on both
// platforms, so that no caller needs the platform's own names.

// The name is taken (EEXIST; ERROR_FILE_EXISTS or ERROR_ALREADY_EXISTS).
bool IsNameTakenError(int code);

// Another run holds the file (EWOULDBLOCK; ERROR_LOCK_VIOLATION or
// ERROR_SHARING_VIOLATION).
bool IsBusyError(int code);

// The disk is full or failing (ENOSPC, EDQUOT, EIO; ERROR_DISK_FULL,
// ERROR_HANDLE_DISK_FULL, ERROR_IO_DEVICE and the like).
bool IsStorageError(int code);

// What opening a folder as a file gives (EISDIR; ERROR_ACCESS_DENIED, as for
// every Windows program).
int DirectoryError();
