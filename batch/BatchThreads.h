// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

// How a batch spreads its threads: files side by side, each on one cipher
// thread, as long as there are enough of them; the threads left over go to
// the cipher of each file.
struct TBatchThreads {
  int FilesAtOnce = 1;
  int CipherThreads = 1;
};

// threads: 0 takes one per core. items: how many files the run holds.
TBatchThreads DivideThreads(int threads, std::size_t items);
