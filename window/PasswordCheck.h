// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "util/Secret.h"

class IUserPrompt;

// The checks every window makes of a typed password before a run, in their
// order, each with its message: the repeat must match (when there is one),
// every character must have a Windows-1252 byte, and an empty password
// needs the user's yes.
struct TPasswordCheck {
  std::optional<TSecret> Bytes;  // the Windows-1252 bytes when the run may go on
  bool ClearFields = false;      // the fields were the problem: the user types afresh
};

// repeated: null when the window asks only once (decrypting many files).
TPasswordCheck CheckTypedPassword(const TSecret& typed, const TSecret* repeated,
                                  IUserPrompt& prompt);
