#pragma once

#include <string>

#include <sys/types.h>

// The POSIX descriptor calls that the file layer makes in several places,
// each with the same care for interrupted calls. Internal to platform/.

// open() repeated while a signal interrupts it. Returns the descriptor, or -1
// with errno set.
int OpenRetrying(const std::string& name, int flags, mode_t mode = 0);

// Closes a descriptor once and returns 0 or the OS error code. Linux releases
// the descriptor even when close reports EINTR, so retrying could close
// someone else's file; EINTR counts as success.
int CloseHandle(int handle);
