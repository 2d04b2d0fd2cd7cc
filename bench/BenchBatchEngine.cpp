// SPDX-License-Identifier: GPL-3.0-or-later
// The batch window's engine against tolvane's batch on the same files, side
// by side in one run: 64 files of 4 MiB on a tmpfs, encrypted with two
// threads each way, rounds alternating, every result replaced. The engine
// is polled as the window polls it.
//
//   tolvane_bench_batch [TOLVANE] [ROUNDS]
//
// Prints each side's median wall time and the ratio; equal within noise is
// what the window should see.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "window/EngineBatchRunner.h"

extern char** environ;

namespace {

constexpr int Files = 64;
constexpr std::size_t EachFileSize = 4u << 20;
constexpr int Threads = 2;
const char* const Password = "Benchmark-Kennwort";
// As often as the window looks for news.
constexpr useconds_t PollMs = 100;

using TClock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void RemoveResults(const std::vector<std::string>& sources) {
  for (const std::string& source : sources) {
    std::filesystem::remove(std::filesystem::path(source).replace_extension(".tvn"));
  }
}

double RunEngine(const std::vector<std::string>& sources) {
  const auto start = TClock::now();
  TEngineBatchRunner runner(Threads);
  const TBatchListing listing = runner.Plan({TDirection::Encrypt, sources, {}});
  std::vector<TBatchRunItem> items;
  for (const TBatchListItem& item : listing.Items)
    items.push_back({item.Source, item.Target, item.Size, true});
  runner.Launch(std::move(items), {}, TSecret(Password));
  std::size_t ended = 0;
  for (;;) {
    // As the window polls it.
    const TBatchNews news = runner.TakeNews();
    for (const TBatchItemEnd& end : news.Ended) ended += end.Outcome == TBatchOutcome::Done;
    if (news.Finished) break;
    usleep(PollMs * 1000);
  }
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  if (ended != sources.size()) {
    std::fprintf(stderr, "engine: %zu of %zu files done\n", ended, sources.size());
    std::exit(1);
  }
  return seconds;
}

double RunTolvane(const std::string& tolvane, const std::string& passwordFile,
                  const std::vector<std::string>& sources) {
  std::vector<std::string> args = {tolvane, "encrypt",         "-j",        std::to_string(Threads),
                                   "-f",    "--password-file", passwordFile};
  args.insert(args.end(), sources.begin(), sources.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto start = TClock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, tolvane.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    std::perror("posix_spawn");
    std::exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "tolvane failed\n");
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string tolvane = argc > 1 ? argv[1] : TOLVANE_BINARY;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  char folderName[] = "/dev/shm/tolvane-batch-bench.XXXXXX";
  if (mkdtemp(folderName) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path folder = folderName;
  std::vector<std::string> sources;
  std::string data(EachFileSize, '\0');
  for (int i = 0; i < Files; ++i) {
    for (std::size_t k = 0; k < data.size(); ++k)
      data[k] = static_cast<char>((k * 131 + static_cast<std::size_t>(i)) >> 3);
    sources.push_back(
        (folder / std::string("f").append(std::to_string(i)).append(".bin")).string());
    std::ofstream(sources.back(), std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));
  }
  const std::string passwordFile = (folder / "password").string();
  std::ofstream(passwordFile) << Password << '\n';

  std::vector<double> engine;
  std::vector<double> cli;
  RemoveResults(sources);
  RunEngine(sources);  // warm-up
  // Which side goes first alternates, so that a drift of the machine's
  // load weighs on both alike.
  for (int round = 0; round < rounds; ++round) {
    for (int side = 0; side < 2; ++side) {
      RemoveResults(sources);
      if ((round + side) % 2 == 0) {
        engine.push_back(RunEngine(sources));
      } else {
        cli.push_back(RunTolvane(tolvane, passwordFile, sources));
      }
    }
  }
  std::filesystem::remove_all(folder);

  const double engineMedian = Median(engine);
  const double cliMedian = Median(cli);
  const double mib = static_cast<double>(Files) * static_cast<double>(EachFileSize) / (1 << 20);
  std::printf("%d files of %zu MiB, %d threads, %d rounds\n", Files, EachFileSize >> 20, Threads,
              rounds);
  std::printf("batch window engine  median %.3f s  %.1f MiB/s\n", engineMedian, mib / engineMedian);
  std::printf("tolvane -j %d         median %.3f s  %.1f MiB/s\n", Threads, cliMedian,
              mib / cliMedian);
  std::printf("ratio engine/tolvane %.3f\n", engineMedian / cliMedian);
  return 0;
}
