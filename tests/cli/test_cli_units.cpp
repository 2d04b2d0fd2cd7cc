// SPDX-License-Identifier: GPL-3.0-or-later
// Pieces of the command that need no process: the argument parser and the
// progress line.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "cli/ProgressBar.h"

namespace {

TEST(CliCommandLine, DefaultsFollowTheWindow) {
  const TParseResult parsed = ParseCommandLine({"encrypt", "brief.txt"});
  ASSERT_TRUE(parsed.Options) << parsed.Error;
  EXPECT_EQ(parsed.Options->Command, TCliCommand::Encrypt);
  EXPECT_EQ(parsed.Options->Mode, TChainMode::CBC);
  EXPECT_TRUE(parsed.Options->UseHashes);
  EXPECT_FALSE(parsed.Options->Force);
  EXPECT_EQ(parsed.Options->Source, "brief.txt");
  EXPECT_FALSE(parsed.Options->Target);
}

TEST(CliCommandLine, OptionsMayFollowTheFilesAndDashDashEndsThem) {
  const TParseResult parsed =
      ParseCommandLine({"decrypt", "in.tvn", "--mode=ecb", "--no-hash", "-q", "--", "--out"});
  ASSERT_TRUE(parsed.Options) << parsed.Error;
  EXPECT_EQ(parsed.Options->Mode, TChainMode::ECB);
  EXPECT_FALSE(parsed.Options->UseHashes);
  EXPECT_TRUE(parsed.Options->Quiet);
  EXPECT_EQ(parsed.Options->Target, "--out");
}

TEST(CliCommandLine, ThreadsTakeACountOfOneOrMore) {
  struct TCase {
    std::vector<std::string> Args;
    int Threads;  // 0: one per core; -1: refused
  };
  const TCase cases[] = {
      {{"decrypt", "a", "b"}, 0},
      {{"decrypt", "a", "b", "--threads", "3"}, 3},
      {{"decrypt", "a", "b", "--threads=1"}, 1},
      {{"decrypt", "-j", "2", "a", "b"}, 2},
      {{"decrypt", "-j4", "a", "b"}, 4},
      {{"decrypt", "a", "b", "--threads", "0"}, -1},
      {{"decrypt", "a", "b", "-j", "-2"}, -1},
      {{"decrypt", "a", "b", "--threads=viele"}, -1},
      {{"decrypt", "a", "b", "--threads"}, -1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Args));
    const TParseResult parsed = ParseCommandLine(c.Args);
    if (c.Threads < 0) {
      EXPECT_FALSE(parsed.Options);
      EXPECT_NE(parsed.Error.find("threads"), std::string::npos) << parsed.Error;
    } else {
      ASSERT_TRUE(parsed.Options) << parsed.Error;
      EXPECT_EQ(parsed.Options->Threads, c.Threads);
    }
  }
}

TEST(CliProgress, LineShowsPercentRateAndTimeLeft) {
  const std::string line = FormatProgress(50u << 20, 100u << 20, 1.0, 80);
  EXPECT_EQ(line.rfind(" 50% [", 0), 0u) << line;
  EXPECT_NE(line.find("50.0 MiB/s"), std::string::npos) << line;
  EXPECT_NE(line.find("0:01 left"), std::string::npos) << line;
  EXPECT_LT(line.size(), 80u);
}

TEST(CliProgress, NarrowTerminalsDropTheBarNotTheFigures) {
  const std::string line = FormatProgress(1, 3, 0.0, 30);
  EXPECT_EQ(line.find('['), std::string::npos) << line;
  EXPECT_EQ(line.rfind(" 33%", 0), 0u) << line;
  EXPECT_LT(line.size(), 30u);
  EXPECT_EQ(FormatProgress(5, 5, 2.0, 4).size(), 3u);
}

}  // namespace
