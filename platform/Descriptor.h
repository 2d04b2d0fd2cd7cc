// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <string>
#include <system_error>

// Opening and closing POSIX descriptors, each with the same care for
// interrupted calls, for the POSIX sources of the file layer.

// open() repeated while a signal interrupts it. Returns the descriptor, or -1
// with errno set.
int OpenRetrying(const std::string& name, int flags, mode_t mode = 0);

// Closes a descriptor once. Linux releases the descriptor even when close
// reports EINTR, so retrying could close someone else's file: EINTR counts
// as closed.
std::error_code CloseDescriptor(int handle);
