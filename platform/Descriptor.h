// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/FileHandle.h"

#ifndef _WIN32
#include <sys/types.h>
#endif

// Opening and closing POSIX descriptors, each with the same care for
// interrupted calls, for the file layer and for whoever closes a handle it
// hands out (TTempFile).

#ifndef _WIN32
// open() repeated while a signal interrupts it. Returns the descriptor, or -1
// with errno set.
int OpenRetrying(const std::string& name, int flags, mode_t mode = 0);
#endif

// Closes a descriptor once; returns 0 or the OS error code. Linux releases
// the descriptor even when close reports EINTR, so retrying could close
// someone else's file: EINTR counts as closed. On Windows it closes the
// HANDLE (an overload beside the system's own CloseHandle).
int CloseHandle(TFileHandle handle);
