// SPDX-License-Identifier: GPL-3.0-or-later
// Pieces of the command that need no process: the argument parser and the
// progress line.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "cli/Printable.h"
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

// The options that decide what the operands mean, in one line: "a -> b" for
// one file, "batch a b c" with the flags that came with it.
std::string Meaning(const TCliOptions& options) {
  std::string text;
  if (options.Batch) {
    text = "batch";
    for (const std::string& source : options.Sources) text += " " + source;
  } else {
    text = options.Source + " -> " + options.Target.value_or("?");
  }
  if (options.Recursive) text += " -r";
  if (options.Force) text += " -f";
  if (options.Verbose) text += " -v";
  if (options.Quiet) text += " -q";
  if (options.OutputDir) text += " -O " + *options.OutputDir;
  if (options.Threads != 0) text += " -j " + std::to_string(options.Threads);
  return text;
}

TEST(CliCommandLine, OperandsMakeOneFileOrABatch) {
  struct TCase {
    std::vector<std::string> Args;
    std::string Meaning;  // refused: a part of the error
  };
  const TCase cases[] = {
      {{"encrypt", "a", "b"}, "a -> b"},
      {{"decrypt", "x.tvn"}, "x.tvn -> x"},
      {{"decrypt", "dir/x.TVN"}, "dir/x.TVN -> dir/x"},
      {{"encrypt", "a", "b", "c"}, "batch a b c"},
      {{"encrypt", "--each", "a", "b"}, "batch a b"},
      {{"decrypt", "--each", "x.tvn"}, "batch x.tvn"},
      {{"encrypt", "-r", "photos"}, "batch photos -r"},
      {{"encrypt", "-rfv", "photos"}, "batch photos -r -f -v"},
      {{"encrypt", "-qj2", "a", "-Ovault"}, "batch a -q -O vault -j 2"},
      {{"encrypt", "-O", "vault", "a", "b"}, "batch a b -O vault"},
      {{"encrypt", "--output-dir=vault", "--recursive", "--verbose", "a"},
       "batch a -r -v -O vault"},
      {{"decrypt", "a.txt"}, "decrypt needs a TARGET"},
      {{"decrypt", ".tvn"}, "decrypt needs a TARGET"},
      {{"encrypt", "a", "-", "b"}, "'-'"},
      {{"encrypt", "--each", "-"}, "'-'"},
      {{"encrypt", "-o", "x", "a"}, "unknown option '-o'"},
      {{"encrypt", "-rx", "a"}, "unknown option '-x'"},
      {{"encrypt", "a", "-O"}, "-O needs a folder"},
      {{"encrypt", "--output-dir=", "a"}, "--output-dir needs a folder"},
      {{"encrypt", "--each"}, "no source"},
      {{"encrypt", "--recursive=yes", "a"}, "takes no value"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Args));
    const TParseResult parsed = ParseCommandLine(c.Args);
    if (parsed.Options) {
      EXPECT_EQ(Meaning(*parsed.Options), c.Meaning);
    } else {
      EXPECT_NE(parsed.Error.find(c.Meaning), std::string::npos) << parsed.Error;
    }
  }
}

TEST(CliPrintable, ControlsOfBothRangesAreEscapedByteForByte) {
  struct TCase {
    std::string Name;
    std::string Shown;
  };
  const TCase cases[] = {
      {"a\nb\x1b[2J\x7f\\", "a\\x0ab\\x1b[2J\\x7f\\\\"},
      // UTF-8: U+009B is a control, U+00E9 and U+011B (continuation byte
      // 0x9B) are letters.
      {"\xc2\x9b"
       "2J \xc3\xa9 \xc4\x9b",
       "\\xc2\\x9b2J \xc3\xa9 \xc4\x9b"},
      // No UTF-8: every byte of the C1 range is escaped, others are kept.
      {"\x9b"
       "2J \xff\xa9\x80",
       "\\x9b2J \xff\xa9\\x80"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Printable(c.Name), c.Shown);
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

TEST(CliProgress, TheFileNameGivesWayToTheFigures) {
  const std::string label = "[2/9] photos/2026/summer/a-rather-long-name.jpg";
  const std::string line = FormatProgress(50u << 20, 100u << 20, 1.0, 72, label);
  EXPECT_NE(line.find("...rather-long-name.jpg   50% ["), std::string::npos) << line;
  EXPECT_NE(line.find("0:01 left"), std::string::npos) << line;
  EXPECT_LT(line.size(), 72u);
  EXPECT_EQ(FormatProgress(1, 3, 0.0, 50, label), FormatProgress(1, 3, 0.0, 50));
}

}  // namespace
