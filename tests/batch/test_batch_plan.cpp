// SPDX-License-Identifier: GPL-3.0-or-later
// Which files a batch takes, where each result goes, what it leaves out and
// which batches it refuses, on real folders.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch/BatchPlan.h"
#include "cli/BatchWording.h"
#include "batch/BatchWorkers.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"

namespace {

using TPairs = std::vector<std::pair<std::string, std::string>>;

// Runs inside its temporary folder so that names read as a user types them.
class BatchPlan : public testing::Test {
 protected:
  BatchPlan() : FSaved(std::filesystem::current_path()) {
    std::filesystem::current_path(FDir.Path());
  }
  ~BatchPlan() override { std::filesystem::current_path(FSaved); }

  // "a/b/c.txt" makes a and a/b; a name ending in '/' is an empty folder.
  static void Make(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      const std::filesystem::path path(name);
      if (name.back() == '/') {
        std::filesystem::create_directories(path);
        continue;
      }
      if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
      WriteFileBytes(name, name);
    }
  }

  static TBatchPlan Plan(TDirection direction, std::vector<std::string> operands,
                         bool recursive = false,
                         std::optional<std::string> outputDir = std::nullopt) {
    TBatchOrder order;
    order.Direction = direction;
    order.Operands = std::move(operands);
    order.Recursive = recursive;
    order.OutputDir = std::move(outputDir);
    return PlanBatch(order);
  }

  static TPairs Pairs(const TBatchPlan& plan) {
    TPairs pairs;
    for (const TBatchItem& item : plan.Items) pairs.emplace_back(item.Source, item.Target);
    return pairs;
  }

  static TPairs Notes(const std::vector<TBatchNote>& notes) {
    TPairs pairs;
    for (const TBatchNote& note : notes) pairs.emplace_back(note.Name, NoteWhy(note));
    return pairs;
  }

  static std::vector<std::string> Conflicts(const TBatchPlan& plan) {
    std::vector<std::string> lines;
    for (const TPlanConflict& conflict : plan.Conflicts) lines.push_back(ConflictLine(conflict));
    return lines;
  }

 private:
  TTempDir FDir;
  std::filesystem::path FSaved;
};

constexpr TDirection Encrypt = TDirection::Encrypt;
constexpr TDirection Decrypt = TDirection::Decrypt;

TEST_F(BatchPlan, TargetsBesideOrInTheOutputFolderKeepingTheTreeBelowTheNamedFolder) {
  Make({"a.txt", "docs/b.pdf", "photos/b.jpg", "photos/Z.png", "photos/2024/a.jpg",
        "photos/2024/deep/c", "x.tvn", "old/y.TVN", "old/2023/z.tvn"});
  struct TCase {
    TDirection Direction;
    std::vector<std::string> Operands;
    bool Recursive;
    std::optional<std::string> OutputDir;
    TPairs Expected;
  };
  const TCase cases[] = {
      {Encrypt, {"a.txt", "docs/b.pdf"}, false, {}, {{"a.txt", "a.tvn"}, {"docs/b.pdf", "docs/b.tvn"}}},
      {Encrypt, {"docs/b.pdf"}, false, "out", {{"docs/b.pdf", "out/b.tvn"}}},
      {Encrypt, {"docs/b.pdf"}, false, "out/", {{"docs/b.pdf", "out/b.tvn"}}},
      // Depth first, each folder in byte order: upper case before lower.
      {Encrypt,
       {"photos/"},
       true,
       {},
       {{"photos/2024/a.jpg", "photos/2024/a.tvn"},
        {"photos/2024/deep/c", "photos/2024/deep/c.tvn"},
        {"photos/Z.png", "photos/Z.tvn"},
        {"photos/b.jpg", "photos/b.tvn"}}},
      {Encrypt,
       {"photos", "a.txt"},
       true,
       "out",
       {{"photos/2024/a.jpg", "out/2024/a.tvn"},
        {"photos/2024/deep/c", "out/2024/deep/c.tvn"},
        {"photos/Z.png", "out/Z.tvn"},
        {"photos/b.jpg", "out/b.tvn"},
        {"a.txt", "out/a.tvn"}}},
      {Decrypt, {"x.tvn"}, false, {}, {{"x.tvn", "x"}}},
      {Decrypt, {"x.tvn"}, false, "out", {{"x.tvn", "out/x"}}},
      {Decrypt, {"old"}, true, {}, {{"old/2023/z.tvn", "old/2023/z"}, {"old/y.TVN", "old/y"}}},
      {Decrypt, {"old"}, true, "/tmp/o", {{"old/2023/z.tvn", "/tmp/o/2023/z"}, {"old/y.TVN", "/tmp/o/y"}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Operands) + " -O " + c.OutputDir.value_or("-"));
    const TBatchPlan plan = Plan(c.Direction, c.Operands, c.Recursive, c.OutputDir);
    EXPECT_EQ(Pairs(plan), c.Expected);
    EXPECT_TRUE(plan.Failed.empty() && plan.Conflicts.empty());
  }
}

TEST_F(BatchPlan, SizeAndAnExistingTargetAreTakenWhenPlanned) {
  Make({"a.txt", "a.tvn/", "b.txt"});
  const TBatchPlan plan = Plan(Encrypt, {"a.txt", "b.txt"});
  ASSERT_EQ(plan.Items.size(), 2u);
  EXPECT_EQ(plan.Items[0].Size, 5u);
  EXPECT_TRUE(plan.Items[0].TargetExists);  // a folder in the way counts
  EXPECT_FALSE(plan.Items[1].TargetExists);
}

TEST_F(BatchPlan, FilesLeftOutAreNotedNamedOrFound) {
  Make({"n.TvN", "plain", "in/a.tvn", "in/B.TVN", "in/c.Tvn", "in/d.txt", "in/.tvn",
        "in/.d.txt.Xy12zQ.tolvane-tmp", "in/.e.tvn.abcdef.tolvane-tmp"});
  ASSERT_EQ(::mkfifo("in/pipe", 0600), 0);
  std::filesystem::create_symlink("d.txt", "in/link");
  std::filesystem::create_symlink("..", "in/up");    // a loop through the parent
  std::filesystem::create_symlink("self", "in/self");  // a loop of its own
  struct TCase {
    TDirection Direction;
    std::vector<std::string> Operands;
    TPairs Items;
    TPairs Skipped;
    TPairs Failed;
  };
  const TCase cases[] = {
      {Encrypt,
       {"n.TvN", "in"},
       {{"in/d.txt", "in/d.tvn"}},
       {{"n.TvN", "already has the extension .tvn"},
        {"in/.tvn", "already has the extension .tvn"},
        {"in/B.TVN", "already has the extension .tvn"},
        {"in/a.tvn", "already has the extension .tvn"},
        {"in/c.Tvn", "already has the extension .tvn"},
        {"in/link", "is a symbolic link; not followed"},
        {"in/pipe", "is not a regular file"},
        {"in/self", "is a symbolic link; not followed"},
        {"in/up", "is a symbolic link; not followed"}},
       {}},
      {Decrypt,
       {"plain", "in"},
       {{"in/B.TVN", "in/B"}, {"in/a.tvn", "in/a"}, {"in/c.Tvn", "in/c"}},
       {{"in/.tvn", "has no name without the extension .tvn"},
        {"in/d.txt", "is not a .tvn file"},
        {"in/link", "is a symbolic link; not followed"},
        {"in/pipe", "is not a regular file"},
        {"in/self", "is a symbolic link; not followed"},
        {"in/up", "is a symbolic link; not followed"}},
       {{"plain", "has no .tvn extension; decrypt it alone with a TARGET"}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Operands));
    const TBatchPlan plan = Plan(c.Direction, c.Operands, true);
    EXPECT_EQ(Pairs(plan), c.Items);
    EXPECT_EQ(Notes(plan.Skipped), c.Skipped);
    EXPECT_EQ(Notes(plan.Failed), c.Failed);
  }
}

TEST_F(BatchPlan, OperandsThatCannotBeTakenFailAndTheOthersStillRun) {
  Make({"a.txt", "dir/b.txt"});
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  // A hard link in the target's place: encrypting would replace the source.
  std::filesystem::create_hard_link("a.txt", "a.tvn");
  const TBatchPlan plan = Plan(Encrypt, {"gone", "dir", "pipe", "a.txt", "dir/b.txt"});
  EXPECT_EQ(Pairs(plan), (TPairs{{"dir/b.txt", "dir/b.tvn"}}));
  EXPECT_EQ(Notes(plan.Failed),
            (TPairs{{"gone", "no such file"},
                    {"dir", "is a folder; give -r to process the files in it"},
                    {"pipe", "is not a regular file"},
                    {"a.txt", "would be its own target"}}));
}

TEST_F(BatchPlan, AnUnreadableFolderFailsWithTheSystemsText) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  Make({"in/a.txt", "in/locked/b.txt"});
  ::chmod("in/locked", 0);
  const TBatchPlan plan = Plan(Encrypt, {"in"}, true);
  ::chmod("in/locked", 0700);
  EXPECT_EQ(Pairs(plan), (TPairs{{"in/a.txt", "in/a.tvn"}}));
  EXPECT_EQ(Notes(plan.Failed), (TPairs{{"in/locked", "Permission denied"}}));
}

TEST_F(BatchPlan, TheSameFileTwiceIsPlannedOnce) {
  Make({"a.txt", "photos/b.jpg"});
  std::filesystem::create_symlink("a.txt", "link");
  const TBatchPlan plan = Plan(Encrypt, {"a.txt", "./a.txt", "link", "photos/b.jpg", "photos",
                                         "photos/", std::filesystem::absolute("a.txt").string()},
                               true);
  EXPECT_EQ(Pairs(plan), (TPairs{{"a.txt", "a.tvn"}, {"photos/b.jpg", "photos/b.tvn"}}));
  EXPECT_TRUE(plan.Skipped.empty() && plan.Failed.empty() && plan.Conflicts.empty());
}

TEST_F(BatchPlan, ClashingTargetsRefuseTheBatchNamingBothSources) {
  Make({"a.txt", "a.pdf", "photos/a.jpg", "x.tvn", "x.tvn.tvn", "b.txt"});
  std::filesystem::create_symlink("b.tvn", "c.tvn");  // a link to a target yet to be made
  Make({"b.tvn"});
  struct TCase {
    TDirection Direction;
    std::vector<std::string> Operands;
    std::optional<std::string> OutputDir;
    std::vector<std::string> Conflicts;
  };
  const TCase cases[] = {
      {Encrypt, {"a.txt", "a.pdf"}, {}, {"a.txt and a.pdf both go to a.tvn"}},
      {Encrypt, {"photos", "./a.pdf"}, "out", {"photos/a.jpg and ./a.pdf both go to out/a.tvn"}},
      {Encrypt,
       {"a.txt", "photos/../a.pdf"},
       {},
       {"a.txt goes to a.tvn and photos/../a.pdf to photos/../a.tvn, which are one file"}},
      {Decrypt, {"x.tvn.tvn", "x.tvn"}, {}, {"x.tvn.tvn goes to x.tvn, which is the source x.tvn"}},
      {Encrypt, {"b.txt", "c.txt"}, {}, {"b.txt goes to b.tvn and c.txt to c.tvn, which are one file"}},
  };
  Make({"c.txt"});
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Operands));
    const TBatchPlan plan = Plan(c.Direction, c.Operands, true, c.OutputDir);
    EXPECT_EQ(Conflicts(plan), c.Conflicts);
  }
}

}  // namespace

namespace {

// Runs check in a child that, under root, has become nobody first: root
// searches a folder of mode r-- all the same. The folder must be open to
// others. True when check held.
bool HoldsAsAnOrdinaryUser(const std::string& folder, const std::function<bool()>& check) {
  if (::geteuid() != 0) return check();
  std::filesystem::permissions(folder, std::filesystem::perms::all);
  const pid_t child = ::fork();
  if (child == 0) {
    constexpr uid_t Nobody = 65534;
    const bool dropped = ::setgroups(0, nullptr) == 0 && ::setresgid(Nobody, Nobody, Nobody) == 0 &&
                         ::setresuid(Nobody, Nobody, Nobody) == 0;
    ::_exit(dropped && check() ? 0 : 1);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

}  // namespace

// A folder that may be listed but not searched: its files could not be
// examined, which fails them with the system's reason (they are no skips).
TEST_F(BatchPlan, NamesThatCannotBeExaminedFailWithTheSystemsText) {
  Make({"in/ro/f.txt", "in/ok.txt"});
  ::chmod("in", 0777);
  ::chmod("in/ro", 0444);
  const bool held = HoldsAsAnOrdinaryUser(".", [] {
    const TBatchPlan plan = Plan(Encrypt, {"in", "in/ro/f.txt"}, true);
    const TPairs failed{{"in/ro/f.txt", "Permission denied"}};
    const bool ok = Pairs(plan) == TPairs{{"in/ok.txt", "in/ok.tvn"}} && plan.Skipped.empty() &&
                    Notes(plan.Failed) == failed;
    if (!ok) {
      for (const auto& [name, why] : Notes(plan.Failed))
        std::fprintf(stderr, "%s: %s\n", name.c_str(), why.c_str());
    }
    return ok;
  });
  ::chmod("in/ro", 0700);
  EXPECT_TRUE(held);
}

// Each name of a file is one the user asked for; a name given twice is one,
// processed or told about once.
TEST_F(BatchPlan, HardLinksAreEachPlanned) {
  Make({"a.txt", "in/c.txt"});
  std::filesystem::create_hard_link("a.txt", "b.txt");
  std::filesystem::create_hard_link("in/c.txt", "in/d.txt");
  const TBatchPlan plan =
      Plan(Encrypt, {"a.txt", "b.txt", "./b.txt", "in", "gone", "./gone", "in/c.txt"}, true);
  EXPECT_EQ(Pairs(plan), (TPairs{{"a.txt", "a.tvn"},
                                 {"b.txt", "b.tvn"},
                                 {"in/c.txt", "in/c.tvn"},
                                 {"in/d.txt", "in/d.tvn"}}));
  EXPECT_EQ(Notes(plan.Failed), (TPairs{{"gone", "no such file"}}));
}

// Targets yet to be made are one file when their folders are one after
// links are followed, or when a link in one's place leads to the other.
TEST_F(BatchPlan, TargetsThatResolveToOneFileClash) {
  Make({"data/docs/r.txt", "src/a/f.txt", "src/b/f.txt", "b.txt", "c.txt"});
  std::filesystem::create_symlink("data/docs", "docs");
  std::filesystem::create_directory("out");
  std::filesystem::create_symlink("a", "out/b");      // to a folder yet to be made
  std::filesystem::create_symlink("b.tvn", "c.tvn");  // to a target yet to be made
  struct TCase {
    std::vector<std::string> Operands;
    std::optional<std::string> OutputDir;
    std::vector<std::string> Conflicts;
  };
  const TCase cases[] = {
      {{"data/docs/r.txt", "docs/r.pdf"},
       {},
       {"data/docs/r.txt goes to data/docs/r.tvn and docs/r.pdf to docs/r.tvn, which are one "
        "file"}},
      {{"src"},
       "out",
       {"src/a/f.txt goes to out/a/f.tvn and src/b/f.txt to out/b/f.tvn, which are one file"}},
      {{"b.txt", "c.txt"}, {}, {"b.txt goes to b.tvn and c.txt to c.tvn, which are one file"}},
  };
  Make({"docs/r.pdf"});
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Operands));
    EXPECT_EQ(Conflicts(Plan(Encrypt, c.Operands, true, c.OutputDir)), c.Conflicts);
  }
}

// What a batch runs is the file it planned: a name found in a folder is
// opened again without following links, and a swap fails that item alone.
TEST_F(BatchPlan, ASourceSwappedSincePlanningFailsThatItemOnly) {
  Make({"in/a.txt", "in/b.txt", "in/c.txt", "secret", "other"});
  const TBatchPlan plan = Plan(Encrypt, {"in"}, true);
  ASSERT_EQ(plan.Items.size(), 3u);
  // Renamed over the planned names, so no inode number can come back.
  std::filesystem::create_symlink("../secret", "link");
  std::filesystem::rename("link", "in/a.txt");
  std::filesystem::rename("other", "in/b.txt");
  const auto requestFor = [&plan](std::size_t index) {
    TCryptRequest request;
    request.SourceName = plan.Items[index].Source;
    request.TargetName = plan.Items[index].Target;
    request.Threads = 1;
    return request;
  };
  TBatchWorkers workers(plan.Items, requestFor, false, 1);
  workers.Start();
  while (!workers.Wait(std::chrono::milliseconds(50))) {
  }
  std::vector<TItemResult> results = workers.TakeResults();
  ASSERT_EQ(results.size(), 3u);
  std::sort(results.begin(), results.end(),
            [](const TItemResult& x, const TItemResult& y) { return x.Index < y.Index; });
  ASSERT_TRUE(results[0].Refusal && results[1].Refusal);
  EXPECT_EQ(results[0].Refusal->Cause, TRefusalCause::SourceNotExamined);
  EXPECT_EQ(results[0].Refusal->Error, std::error_code(ELOOP, std::system_category()));
  EXPECT_EQ(results[1].Refusal->Cause, TRefusalCause::SourceReplaced);
  EXPECT_EQ(results[2].Outcome, TJobOutcome::Succeeded);
  EXPECT_FALSE(std::filesystem::exists("in/a.tvn") || std::filesystem::exists("in/b.tvn"));
  EXPECT_TRUE(std::filesystem::exists("in/c.tvn"));
}
