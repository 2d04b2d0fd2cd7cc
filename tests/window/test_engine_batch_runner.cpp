// SPDX-License-Identifier: GPL-3.0-or-later
// The batch window's port over the real engine, on real files: what the
// plan shows, a run whose results decrypt back, and a stop that leaves no
// result half written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "job/CryptJob.h"
#include "tests/support/FileBytes.h"
#include "tests/support/JobRequests.h"
#include "tests/support/RecordingListener.h"
#include "tests/support/TempDir.h"
#include "window/EngineBatchRunner.h"

namespace {

const std::string Password = "Kennwort 1";

// Built by appending: GCC 12 warns falsely about "literal" + string here.
std::string Numbered(const char* prefix, std::size_t i) {
  return std::string(prefix).append(std::to_string(i));
}

std::vector<TBatchRunItem> RunItems(const TBatchListing& listing) {
  std::vector<TBatchRunItem> items;
  for (const TBatchListItem& item : listing.Items)
    items.push_back({item.Source, item.Target, item.Size, false});
  return items;
}

std::vector<TBatchItemEnd> RunToTheEnd(TEngineBatchRunner& runner) {
  std::vector<TBatchItemEnd> ends;
  for (;;) {
    TBatchNews news = runner.TakeNews();
    ends.insert(ends.end(), news.Ended.begin(), news.Ended.end());
    if (news.Finished) return ends;
    usleep(10'000);
  }
}

std::string Decrypted(const std::string& source, const std::string& target) {
  TRecordingListener listener;
  TCryptRequest request = Decrypting(source, target, Ask, Password);
  request.Hashing = TPasswordHashing::UseHashes;
  TCryptJob job(listener, std::move(request));
  job.RunJob();
  EXPECT_EQ(job.Outcome(), TJobOutcome::Succeeded) << source;
  return ReadFileBytes(target);
}

TEST(EngineBatchRunner, PlansFilesAndWalkedFoldersWithTheWindowsCauses) {
  TTempDir dir;
  WriteFileBytes(dir.File("a.txt"), "a");
  WriteFileBytes(dir.File("old.tvn"), "0123456789abcdef");
  std::filesystem::create_directories(PathOf(dir.File("in/sub")));
  WriteFileBytes(dir.File("in/sub/b.txt"), "bb");
  std::filesystem::create_symlink(PathOf(dir.File("a.txt")), PathOf(dir.File("in/link")));

  TEngineBatchRunner runner(1);
  const TBatchListing listing = runner.Plan(
      {TDirection::Encrypt, {dir.File("a.txt"), dir.File("old.tvn"), dir.File("in")}, {}});

  ASSERT_EQ(listing.Items.size(), 2u);
  EXPECT_EQ(listing.Items[0].Target, dir.File("a.tvn"));
  EXPECT_EQ(listing.Items[1].Target, dir.File("in/sub/b.tvn"));
  EXPECT_EQ(listing.Items[1].Size, 2u);
  struct TCase {
    std::string Name;
    TBatchCause Cause;
  };
  for (const TCase& c : {TCase{dir.File("old.tvn"), TBatchCause::AlreadyEncrypted},
                         TCase{dir.File("in/link"), TBatchCause::SymbolicLink}}) {
    const auto found = std::find_if(listing.Skipped.begin(), listing.Skipped.end(),
                                    [&](const TBatchListNote& n) { return n.Name == c.Name; });
    ASSERT_NE(found, listing.Skipped.end()) << c.Name;
    EXPECT_EQ(found->Cause, c.Cause) << c.Name;
  }
  EXPECT_TRUE(listing.Failed.empty());
  EXPECT_TRUE(listing.Conflicts.empty());
}

TEST(EngineBatchRunner, RunsEveryItemAndTheResultsDecryptBack) {
  TTempDir dir;
  std::vector<std::string> contents;
  for (int i = 0; i < 5; ++i) {
    contents.push_back(
        std::string(static_cast<std::size_t>(i) * 70'001 + 3, static_cast<char>('a' + i)));
    WriteFileBytes(dir.File(Numbered("f", static_cast<std::size_t>(i))), contents.back());
  }
  WriteFileBytes(dir.File("f4.tvn"), "stays");  // replaced as the window was told

  TEngineBatchRunner runner(2);
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i) paths.push_back(dir.File(Numbered("f", static_cast<std::size_t>(i))));
  const TBatchListing listing = runner.Plan({TDirection::Encrypt, paths, {}});
  std::vector<TBatchRunItem> items = RunItems(listing);
  ASSERT_EQ(items.size(), 5u);
  items[4].Replace = true;
  runner.Launch(items, {}, TSecret(Password));
  const std::vector<TBatchItemEnd> ends = RunToTheEnd(runner);

  ASSERT_EQ(ends.size(), 5u);
  for (const TBatchItemEnd& end : ends) EXPECT_EQ(end.Outcome, TBatchOutcome::Done) << end.Index;
  for (std::size_t i = 0; i < 5; ++i)
    EXPECT_EQ(Decrypted(items[i].Target, dir.File(Numbered("back", i))), contents[i]);
}

TEST(EngineBatchRunner, ACancelledRunLeavesNothingAtTheNamesOfUnfinishedResults) {
  TTempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 6; ++i) {
    paths.push_back(dir.File(Numbered("big", static_cast<std::size_t>(i))));
    WriteFileBytes(paths.back(), std::string(32u << 20, 'x'));
  }
  TEngineBatchRunner runner(2);
  const std::vector<TBatchRunItem> items = RunItems(runner.Plan({TDirection::Encrypt, paths, {}}));
  runner.Launch(items, {}, TSecret(Password));
  while (runner.TakeNews().Started.empty()) usleep(1'000);
  runner.Cancel();
  runner.WaitForStopped();
  const TBatchNews news = runner.TakeNews();

  EXPECT_TRUE(news.Finished);
  std::vector<bool> done(items.size(), false);
  for (const TBatchItemEnd& end : news.Ended) done[end.Index] = end.Outcome == TBatchOutcome::Done;
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(std::filesystem::exists(PathOf(items[i].Target)), done[i]) << items[i].Target;
  }
  // No temporary file is left beside them either.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(PathOf(dir.Path())))
    ++files;
  EXPECT_EQ(files,
            items.size() + static_cast<std::size_t>(std::count(done.begin(), done.end(), true)));
}

TEST(EngineBatchRunner, ARunItemTheLastPlanDidNotHoldIsPlannedAgain) {
  TTempDir dir;
  WriteFileBytes(dir.File("x.txt"), "xyz");
  TEngineBatchRunner runner(1);
  runner.Launch({{dir.File("x.txt"), dir.File("x.tvn"), 3, false}}, {}, TSecret(Password));
  const std::vector<TBatchItemEnd> ends = RunToTheEnd(runner);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].Outcome, TBatchOutcome::Done);
  EXPECT_EQ(Decrypted(dir.File("x.tvn"), dir.File("x.back")), "xyz");
}

}  // namespace
