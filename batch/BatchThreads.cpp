// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchThreads.h"

#include <algorithm>
#include <thread>

namespace {

// Each running job holds a few MiB of buffers: this many at once keeps a
// batch's memory bounded on any number of cores.
constexpr int MaxFilesAtOnce = 8;

}  // namespace

TBatchThreads DivideThreads(int threads, std::size_t items) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int wanted = threads > 0 ? threads : static_cast<int>(cores);
  TBatchThreads divided;
  divided.FilesAtOnce =
      std::max(1, std::min({wanted, MaxFilesAtOnce,
                            static_cast<int>(std::min<std::size_t>(items, MaxFilesAtOnce))}));
  divided.CipherThreads = std::max(1, wanted / divided.FilesAtOnce);
  return divided;
}
