// SPDX-License-Identifier: GPL-3.0-or-later
// Which key presses type into the window's edits: AltGr (Ctrl+Alt on
// Windows) types its character, every other Alt or Ctrl combination nothing.
#include <gtest/gtest.h>

#include "window/KeyRule.h"

TEST(KeyRule, OnlyPlainKeysAndAltGrType) {
  struct TCase {
    bool Ctrl, Alt, Printable, Types;
  };
  const TCase cases[] = {
      {false, false, true, true},   // a, A, €
      {false, false, false, true},  // Backspace, Tab: the edit's own
      {true, true, true, true},     // AltGr+Q: @
      {true, true, false, false},   // Ctrl+Alt+Z without an AltGr meaning
      {false, true, true, false},   // Alt+X
      {false, true, false, false}, {true, false, true, false},  // Ctrl with a character
      {true, false, false, false},                              // Ctrl+A: select all, no text
  };
  for (const TCase& c : cases)
    EXPECT_EQ(KeyTypesText({c.Ctrl, c.Alt, c.Printable}), c.Types)
        << "ctrl " << c.Ctrl << " alt " << c.Alt << " printable " << c.Printable;
}
