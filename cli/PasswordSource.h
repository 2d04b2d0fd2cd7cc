// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

#include "util/Secret.h"

// Where a password comes from besides the prompt, for each system: a named
// file or an open descriptor. Each returns 0 or the OS error code.

// Longer passwords than this are surely a wrong file.
inline constexpr std::size_t MaxPasswordLength = 64 * 1024;

int OpenPasswordFile(const std::string& name, int& fd);
void ClosePasswordFile(int fd);

// The first line of the descriptor as ReadFirstLine reads it; when the
// descriptor is the user's terminal (console), typed without echo.
int ReadPasswordLine(int fd, TSecret& line);
