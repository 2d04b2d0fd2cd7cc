// SPDX-License-Identifier: GPL-3.0-or-later
// The ".tvn" name proposed for a source, and when the source is processed in
// place instead.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "job/TargetName.h"

namespace {

TEST(TargetName, ExtensionIsReplacedOrAppended) {
  const std::pair<std::string, std::string> cases[] = {
      {"brief.txt", "brief.tvn"},
      {"brief.tvn", "brief.tvn"},
      {"brief", "brief.tvn"},
      {"/home/ana/brief.txt", "/home/ana/brief.tvn"},
      {"archive.tar.gz", "archive.tar.tvn"},
      // A dot in a folder name is not an extension.
      {"/x/a.b/brief", "/x/a.b/brief.tvn"},
      {"./brief", "./brief.tvn"},
      // A trailing dot is an empty extension.
      {"brief.", "brief.tvn"},
      // A leading dot names a hidden file; it does not start an extension.
      {".bashrc", ".bashrc.tvn"},
      {"/home/ana/.bashrc", "/home/ana/.bashrc.tvn"},
      {"/home/ana/.config.old", "/home/ana/.config.tvn"},
  };
  for (const auto& [source, expected] : cases) {
    EXPECT_EQ(ReplaceExtension(source), expected) << source;
  }
}

class TargetProposal : public ::testing::Test {
 protected:
  std::string Propose(const std::string& source) {
    return ProposeTargetName(source, [this](const std::string& name) {
      Asked.insert(name);
      return Existing.count(name) != 0;
    });
  }
  std::set<std::string> Existing;
  std::set<std::string> Asked;
};

TEST_F(TargetProposal, FreeNameIsProposed) {
  EXPECT_EQ(Propose("/d/brief.txt"), "/d/brief.tvn");
  EXPECT_EQ(Asked, std::set<std::string>{"/d/brief.tvn"});
}

TEST_F(TargetProposal, ExistingEncryptedNameMeansInPlace) {
  Existing = {"/d/brief.txt", "/d/brief.tvn"};
  EXPECT_EQ(Propose("/d/brief.txt"), "/d/brief.txt");
  // A source that already ends in ".tvn" is its own candidate.
  EXPECT_EQ(Propose("/d/brief.tvn"), "/d/brief.tvn");
}

}  // namespace

// A ".tvn" file decrypts beside itself to its name without ".tvn", never
// over itself.
TEST(TargetName, DecryptedTargetDropsTheExtension) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"brief.txt.tvn", "brief.txt"},
      {"/home/ana/brief.tvn", "/home/ana/brief"},
      {"ALT.TVN", "ALT"},
      {"Alt.Tvn", "Alt"},
      {".bashrc.tvn", ".bashrc"},
      // Nothing is left of the file-name part, or it is no ".tvn" file.
      {".tvn", std::nullopt},
      {"/home/ana/.tvn", std::nullopt},
      {"brief.txt", std::nullopt},
      {"brief.tvnx", std::nullopt},
      {"/x/a.tvn/brief", std::nullopt},
  };
  for (const auto& [source, expected] : cases) {
    EXPECT_EQ(DecryptedTargetName(source), expected) << source;
    EXPECT_EQ(HasEncryptedExtension(source), expected.has_value() || source.ends_with("/.tvn") ||
                                                 source == ".tvn")
        << source;
  }
}
