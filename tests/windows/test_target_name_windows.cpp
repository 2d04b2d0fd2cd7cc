// SPDX-License-Identifier: GPL-3.0-or-later
// Target names on Windows: '\\', '/' and ':' all end the folder part, so a
// dot before any of them starts no extension.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "job/TargetName.h"
#include "platform/FileSystem.h"

namespace {

TEST(TargetNameWindows, EveryWindowsSeparatorEndsTheFolderPart) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Briefe\\brief.txt", "C:\\Briefe\\brief.tvn"},
      {"C:\\Briefe.alt\\brief", "C:\\Briefe.alt\\brief.tvn"},
      {"C:/Briefe.alt/brief", "C:/Briefe.alt/brief.tvn"},
      {"\\\\server\\ablage.2024\\brief", "\\\\server\\ablage.2024\\brief.tvn"},
      // A drive-relative name: the colon ends the drive, not the name.
      {"C:brief.txt", "C:brief.tvn"},
      {"D:.profil", "D:.profil.tvn"},
      {"C:\\x.y\\.profil.alt", "C:\\x.y\\.profil.tvn"},
  };
  for (const auto& [source, expected] : cases) {
    EXPECT_EQ(ReplaceExtension(source), expected) << source;
  }
}

TEST(TargetNameWindows, FileNamePartFollowsTheLastSeparatorOfAnyKind) {
  EXPECT_EQ(FileNamePart("C:\\Briefe\\brief.txt"), "brief.txt");
  EXPECT_EQ(FileNamePart("C:brief.txt"), "brief.txt");
  EXPECT_EQ(FileNamePart("a/b\\c:d.txt"), "d.txt");
  EXPECT_EQ(FileNamePart("brief.txt"), "brief.txt");
  EXPECT_EQ(FileNamePart("C:\\Briefe\\"), "");
}

}  // namespace
