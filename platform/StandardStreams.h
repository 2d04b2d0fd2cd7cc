// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Scripts and services may start a program with its standard input, output
// or error closed. The next file the program opens would then take that
// place, and a message meant for the error stream would land in a result.
// Each front end calls SecureStandardStreams first thing in main, before any
// file is opened: a closed stream is opened on the null device, and the
// process remembers that it was closed, so that "-" on it is refused rather
// than read as empty or written into nothing.

enum class TStandardStream { Input = 0, Output = 1, Error = 2 };

void SecureStandardStreams() noexcept;

// Whether the stream was closed (an invalid handle on Windows) when
// SecureStandardStreams ran.
bool StandardStreamWasClosed(TStandardStream stream) noexcept;
