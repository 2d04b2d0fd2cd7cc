// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether a key press may type its text into one of the window's edits.
// Alt and Ctrl with a key are shortcuts, never text: Alt+letter would put
// the letter unseen into a password edit. Windows reports AltGr as Ctrl and
// Alt together and gives the character AltGr types (@, €, \ on a German
// keyboard); it must arrive, or a password typed with it would key the file
// differently in the window than the user typed it. A real Ctrl+Alt+letter
// without an AltGr meaning produces no printable text, so it still types
// nothing.
struct TKeyPress {
  bool Ctrl = false;
  bool Alt = false;
  bool Printable = false;  // the key produces a printable character
};

constexpr bool KeyTypesText(TKeyPress key) {
  if (!key.Ctrl && !key.Alt) return true;
  return key.Ctrl && key.Alt && key.Printable;
}
