// SPDX-License-Identifier: GPL-3.0-or-later
// Two runs at once on one file. Into one target, the target ends up holding
// one complete result, never a mix; on one file in place, the second run is
// refused while the first holds the file, or runs after it on its complete
// result, so that decrypting as often as runs succeeded gives the original.
#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/faults/FaultFixture.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestSeed.h"

namespace {

using namespace std::chrono_literals;

using ConcurrentRuns = FaultTest;

constexpr std::uint64_t SourceSize = 16 << 20;
constexpr int Rounds = 4;

// Starts both; the second a random moment later, well within the first's run.
std::pair<TFaultRun, TFaultRun> RunBoth(const std::string& logDir,
                                        const std::vector<std::string>& first,
                                        const std::vector<std::string>& second,
                                        std::mt19937_64& random) {
  TTolvaneProcess a(logDir, first);
  std::this_thread::sleep_for(std::chrono::microseconds(RandomInt(random, 0, 30000)));
  TTolvaneProcess b(logDir, second);
  TFaultRun ra = a.Wait();
  TFaultRun rb = b.Wait();
  return {std::move(ra), std::move(rb)};
}

TEST_F(ConcurrentRuns, IntoOneTargetLeaveOneCompleteResult) {
  std::mt19937_64 random = SeededRandom(41);
  WriteRandomFile(Path("a.bin"), SourceSize, random);
  WriteRandomFile(Path("b.bin"), SourceSize + 4099, random);
  const std::string target = Path("shared.tvn");

  for (int round = 0; round < 2 * Rounds; ++round) {
    // Even rounds replace an agreed target, odd ones race for a free name.
    const bool replace = round % 2 == 0;
    SCOPED_TRACE("round " + std::to_string(round) + (replace ? ", --force" : ", new target"));
    std::remove(target.c_str());
    if (replace) WriteFileBytes(target, "old");
    auto args = [&](const char* source) {
      std::vector<std::string> a{"encrypt", "--password-file", Pw, Path(source), target};
      if (replace) a.insert(a.begin() + 1, "--force");
      return a;
    };

    const auto [a, b] = RunBoth(AsideDir(), args("a.bin"), args("b.bin"), random);

    if (replace) {
      EXPECT_TRUE(a.Exited(0)) << a.Err;
      EXPECT_TRUE(b.Exited(0)) << b.Err;
    } else {
      // The name was free for both: the one that comes second must not
      // replace the first's result.
      EXPECT_TRUE(a.Exited(0) != b.Exited(0)) << a.Err << b.Err;
      const std::string& loser = a.Exited(0) ? b.Err : a.Err;
      EXPECT_TRUE(Contains(loser, "created by someone else") || Contains(loser, "exists"))
          << loser;
    }
    Decrypt(target, Aside("back"));
    EXPECT_TRUE(SameContent(Aside("back"), Path("a.bin")) ||
                SameContent(Aside("back"), Path("b.bin")));
    EXPECT_EQ(Leftovers(Work()), std::vector<std::string>{});
  }
}

TEST_F(ConcurrentRuns, InPlaceOnOneFileNeverMix) {
  std::mt19937_64 random = SeededRandom(43);
  WriteRandomFile(Aside("original"), SourceSize, random);
  const std::string file = Path("data.bin");
  const std::vector<std::string> args{"encrypt", "--force", "--password-file", Pw, file, file};
  int refused = 0;

  for (int round = 0; round < Rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    CopyContent(Aside("original"), file);

    const auto [a, b] = RunBoth(AsideDir(), args, args, random);

    int succeeded = 0;
    for (const TFaultRun* run : {&a, &b}) {
      if (run->Exited(0)) {
        ++succeeded;
      } else {
        ++refused;
        EXPECT_TRUE(run->Exited(1)) << run->Err;
        EXPECT_TRUE(Contains(run->Err, "is being processed by another run")) << run->Err;
      }
    }
    EXPECT_GE(succeeded, 1);
    for (int i = 0; i < succeeded; ++i) {
      const TFaultRun back = Run({"decrypt", "--force", "--password-file", Pw, file, file});
      ASSERT_TRUE(back.Exited(0)) << back.Err;
    }
    EXPECT_TRUE(SameContent(file, Aside("original")));
    EXPECT_EQ(Names(Work()), std::set<std::string>{"data.bin"});
  }
  std::printf("%d of %d second in-place runs were refused\n", refused, Rounds);
}

}  // namespace
