// SPDX-License-Identifier: GPL-3.0-or-later
// What one start of the window hands over to the start that collects: the
// message's bytes both ways, the messages refused, and the collector's start
// with the files handed over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window/HandOver.h"

namespace {

using namespace std::string_literals;

TEST(HandOver, RoundTripKeepsDirectionAndEveryName) {
  const std::vector<std::string> names = {"C:\\Briefe\\Grüße 日本.txt", "/home/anna/a b.tvn",
                                          "C:\\alt\xED\xA0\x80.txt"};
  for (const std::optional<TDirection> direction :
       {std::optional<TDirection>(), std::optional(TDirection::Encrypt),
        std::optional(TDirection::Decrypt)}) {
    const std::optional<THandOver> back = DecodeHandOver(EncodeHandOver({direction, names}));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Direction, direction);
    EXPECT_EQ(back->Files, names);
  }
}

TEST(HandOver, RefusesWhatIsNoWholeMessage) {
  const std::string whole = EncodeHandOver({TDirection::Encrypt, {"a", "b"}});
  const std::string tag = whole.substr(0, whole.size() - 4);  // through the direction
  std::string otherTag = whole;
  otherTag[0] = 'X';
  std::string otherDirection = tag + "a\0"s;
  otherDirection[tag.size() - 1] = 'x';
  const std::string refused[] = {
      "",
      "Tolvane",
      tag,             // no file
      tag + "a\0b"s,   // cut short
      tag + "a\0\0"s,  // an empty name
      otherTag,
      otherDirection,
  };
  for (const std::string& bytes : refused) EXPECT_FALSE(DecodeHandOver(bytes)) << bytes;
}

TEST(HandOver, CollectorOpensTheBatchWindowForAllFiles) {
  TStartArguments first;
  first.File = "/a.txt";
  first.Direction = TDirection::Encrypt;
  EXPECT_EQ(HandOverOf(first)->Files, std::vector<std::string>{"/a.txt"});
  EXPECT_EQ(WithHandOvers(first, {}).Window, TStartWindow::Main);

  const TStartArguments all = WithHandOvers(
      first, {{TDirection::Encrypt, {"/b.txt"}}, {TDirection::Encrypt, {"/c", "/d"}}});
  EXPECT_EQ(all.Window, TStartWindow::Batch);
  EXPECT_EQ(all.Files, (std::vector<std::string>{"/a.txt", "/b.txt", "/c", "/d"}));
  EXPECT_EQ(all.Direction, TDirection::Encrypt);

  // Only a start that names files has anything to hand over.
  TStartArguments empty;
  empty.Window = TStartWindow::Batch;
  EXPECT_FALSE(HandOverOf(empty));
  EXPECT_FALSE(HandOverOf(TStartArguments{}));
}

}  // namespace
