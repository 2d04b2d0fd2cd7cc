#pragma once

#include <string>

// The system's message text for an OS error code (errno on POSIX, a
// GetLastError code on Windows), without trailing blanks, line breaks or full
// stops. UTF-8.
std::string SystemErrorText(int code);

// The OS error code that stands for a failed transfer the system gave no
// code of its own for (EIO; ERROR_IO_DEVICE on Windows).
int GenericIoError();
