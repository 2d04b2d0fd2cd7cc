// SPDX-License-Identifier: GPL-3.0-or-later
// A batch over folders on Windows: names outside the ANSI code page listed
// as UTF-8, '\' between the parts of every name made, ".TVN" in any case,
// targets that differ only in letter case, and output folders made with
// their parents.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "batch/BatchPlan.h"
#include "cli/BatchWording.h"
#include "platform/FileSystem.h"
#include "platform/FolderWalk.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"

namespace {

using namespace wintest;

TEST(Win32BatchPlan, WalksWideNamesAndKeepsTheTreeInTheOutputFolder) {
  TTempDir dir;
  const std::string photos = dir.File("Fotos");
  std::filesystem::create_directories(PathOf(photos + "\\2024"));
  WriteFileBytes(photos + "\\2024\\b.doc", "1234");
  WriteFileBytes(photos + "\\2024\\a.TVN", "x");
  WriteFileBytes(photos + "\\\xCE\xA9.txt", "x");               // Ω
  WriteFileBytes(photos + "\\\xF0\x9F\x98\x80 Bild.jpg", "x");  // an emoji: two UTF-16 units
  WriteFileBytes(dir.File("Gr\xC3\xBC\xC3\x9F"
                          "e.txt"),
                 "x");
  // A link in the folder is left alone, where the system lets a test make one.
  // (Wine reports success and makes nothing.)
  ::CreateSymbolicLinkW(
      Wide(photos + "\\zu-2024").c_str(), L"2024",
      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const bool linked = Attributes(photos + "\\zu-2024") != INVALID_FILE_ATTRIBUTES;

  TBatchOrder order;
  order.Operands = {photos, dir.File("Gr\xC3\xBC\xC3\x9F"
                                     "e.txt")};
  order.Recursive = true;
  order.OutputDir = dir.File("aus");
  const TBatchPlan plan = PlanBatch(order);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const TBatchItem& item : plan.Items) pairs.emplace_back(item.Source, item.Target);
  const std::string out = *order.OutputDir;
  EXPECT_EQ(pairs,
            (std::vector<std::pair<std::string, std::string>>{
                {photos + "\\2024\\b.doc", out + "\\2024\\b.tvn"},
                {photos + "\\\xCE\xA9.txt", out + "\\\xCE\xA9.tvn"},
                {photos + "\\\xF0\x9F\x98\x80 Bild.jpg", out + "\\\xF0\x9F\x98\x80 Bild.tvn"},
                {dir.File("Gr\xC3\xBC\xC3\x9F"
                          "e.txt"),
                 out + "\\Gr\xC3\xBC\xC3\x9F"
                       "e.tvn"}}));
  ASSERT_FALSE(plan.Items.empty());
  EXPECT_EQ(plan.Items[0].Size, 4u);
  ASSERT_EQ(plan.Skipped.size(), linked ? 2u : 1u);
  EXPECT_EQ(plan.Skipped[0].Name, photos + "\\2024\\a.TVN");
  if (linked) {
    EXPECT_EQ(NoteWhy(plan.Skipped[1]), "is a symbolic link; not followed");
  }
  EXPECT_TRUE(plan.Failed.empty() && plan.Conflicts.empty());

  EXPECT_FALSE(CreateFolders(out + "\\2024/tief\\"));
  EXPECT_TRUE(DirectoryExists(out + "\\2024\\tief"));
  EXPECT_TRUE(CreateFolders(dir.File("Gr\xC3\xBC\xC3\x9F"
                                     "e.txt") +
                            "\\unter"));
}

TEST(Win32BatchPlan, TargetsThatDifferOnlyInLetterCaseClash) {
  TTempDir dir;
  WriteFileBytes(dir.File("\xC3\xBC"
                          "ber.txt"),
                 "x");  // über
  WriteFileBytes(dir.File("\xC3\x9C"
                          "BER.pdf"),
                 "x");  // ÜBER
  TBatchOrder order;
  order.Operands = {dir.File("\xC3\xBC"
                             "ber.txt"),
                    dir.File("\xC3\x9C"
                             "BER.pdf")};
  const TBatchPlan plan = PlanBatch(order);
  ASSERT_EQ(plan.Conflicts.size(), 1u);
  const std::string line = ConflictLine(plan.Conflicts[0]);
  EXPECT_NE(line.find("\xC3\x9C"
                      "BER.tvn, which are one file"),
            std::string::npos)
      << line;
}

}  // namespace
