#pragma once

#include <string>

#include <sys/types.h>

// Opening and closing POSIX descriptors, each with the same care for
// interrupted calls, for the file layer and for whoever closes a handle it
// hands out (TTempFile).

// open() repeated while a signal interrupts it. Returns the descriptor, or -1
// with errno set.
int OpenRetrying(const std::string& name, int flags, mode_t mode = 0);

// Closes a descriptor once; returns 0 or the OS error code. Linux releases
// the descriptor even when close reports EINTR, so retrying could close
// someone else's file: EINTR counts as closed.
int CloseHandle(int handle);
