// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The block path by name: as --version shows it, and as the environment
// variable TOLVANE_CIPHER asks for one (for tests and comparisons). Nothing
// here prints or ends the process; the front ends word a refusal.

#include <optional>
#include <string>
#include <string_view>

#include "twofish/BlockPath.h"

inline constexpr const char* kCipherChoiceVariable = "TOLVANE_CIPHER";

// "portable", "avx2", "avx512-gfni": what runs, for people to read.
const char* BlockPathName(TBlockPath path) noexcept;

// The names TOLVANE_CIPHER accepts: "portable", "avx2", "avx512". Anything
// else is no path.
std::optional<TBlockPath> ParseBlockPath(std::string_view name) noexcept;

struct TCipherChoice {
  enum class TStatus {
    Unset,        // the variable is absent or empty: the CPU decides
    Chosen,       // Path runs on this CPU and build
    Unknown,      // Value names no path
    Unavailable,  // Path exists but this CPU or build cannot run it
  };
  TStatus Status = TStatus::Unset;
  TBlockPath Path = TBlockPath::Portable;
  std::string Value;  // the variable's text, for a refusal
};

// Reads TOLVANE_CIPHER.
TCipherChoice CipherChoiceFromEnvironment();
