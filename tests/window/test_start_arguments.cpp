// SPDX-License-Identifier: GPL-3.0-or-later
// The window's command line: what it takes and what it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "window/StartArguments.h"

namespace {

std::string Absolute(const std::string& name) {
  const std::u8string cleaned =
      std::filesystem::absolute(std::filesystem::path(std::u8string(name.begin(), name.end())))
          .lexically_normal()
          .u8string();
  return std::string(cleaned.begin(), cleaned.end());
}

TEST(StartArguments, Parse) {
  using A = TStartArguments::TAction;
  struct TCase {
    std::vector<std::string> Arguments;
    A Action;
    std::string File;  // relative to the current folder
    std::optional<TDirection> Direction;
  };
  const TCase cases[] = {
      {{}, A::Run, "", std::nullopt},
      {{"brief.txt"}, A::Run, "brief.txt", std::nullopt},
      {{"./a/../brief.tvn"}, A::Run, "brief.tvn", std::nullopt},
      {{"/tmp/Brief über x"}, A::Run, "/tmp/Brief über x", std::nullopt},
      {{"--", "-notiz"}, A::Run, "-notiz", std::nullopt},
      {{"--", "--"}, A::Run, "--", std::nullopt},
      {{"--encrypt", "brief.tvn"}, A::Run, "brief.tvn", TDirection::Encrypt},
      {{"brief.txt", "--decrypt"}, A::Run, "brief.txt", TDirection::Decrypt},
      {{"--decrypt", "--decrypt", "a"}, A::Run, "a", TDirection::Decrypt},
      {{"--help"}, A::Help, "", std::nullopt},
      {{"a", "-h"}, A::Help, "", std::nullopt},
      {{"-platform", "xcb"}, A::Refuse, "", std::nullopt},
      {{"-style", "fusion"}, A::Refuse, "", std::nullopt},
      {{"--platform", "xcb"}, A::Refuse, "", std::nullopt},
      {{""}, A::Refuse, "", std::nullopt},
      {{"-"}, A::Refuse, "", std::nullopt},
      {{"--encrypt"}, A::Refuse, "", std::nullopt},
      {{"--encrypt", "--decrypt", "a"}, A::Refuse, "", std::nullopt},
  };
  for (const TCase& c : cases) {
    std::string shown;
    for (const std::string& a : c.Arguments) shown += "[" + a + "]";
    SCOPED_TRACE(shown);
    const TStartArguments parsed = ParseStartArguments(c.Arguments);
    EXPECT_EQ(parsed.Action, c.Action);
    EXPECT_EQ(parsed.File, c.File.empty() ? "" : Absolute(c.File));
    EXPECT_EQ(parsed.Direction, c.Direction);
    EXPECT_EQ(parsed.Problem.empty(), c.Action != A::Refuse);
    EXPECT_EQ(parsed.Window, TStartWindow::Main);
  }
}

// Several names, a folder or --batch open the batch window with every name
// given; one file stays the main window's.
TEST(StartArguments, BatchWindow) {
  const std::string folder = std::filesystem::temp_directory_path().string();
  struct TCase {
    std::vector<std::string> Arguments;
    TStartWindow Window;
    std::vector<std::string> Files;  // relative to the current folder
    std::optional<TDirection> Direction;
  };
  const TCase cases[] = {
      {{"a", "b"}, TStartWindow::Batch, {"a", "b"}, std::nullopt},
      {{"--decrypt", "a.tvn", "./x/../b.tvn"},
       TStartWindow::Batch,
       {"a.tvn", "b.tvn"},
       TDirection::Decrypt},
      {{folder}, TStartWindow::Batch, {folder}, std::nullopt},
      {{"--batch"}, TStartWindow::Batch, {}, std::nullopt},
      {{"--batch", "--encrypt"}, TStartWindow::Batch, {}, TDirection::Encrypt},
      {{"--batch", "a"}, TStartWindow::Batch, {"a"}, std::nullopt},
      {{"a"}, TStartWindow::Main, {}, std::nullopt},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Arguments.front());
    const TStartArguments parsed = ParseStartArguments(c.Arguments);
    EXPECT_EQ(parsed.Action, TStartArguments::TAction::Run);
    EXPECT_EQ(parsed.Window, c.Window);
    std::vector<std::string> files;
    for (const std::string& file : c.Files) files.push_back(Absolute(file));
    EXPECT_EQ(parsed.Files, files);
    EXPECT_EQ(parsed.Direction, c.Direction);
  }
  EXPECT_EQ(ParseStartArguments({"a", ""}).Action, TStartArguments::TAction::Refuse);
}

}  // namespace
