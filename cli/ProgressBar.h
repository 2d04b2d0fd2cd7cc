// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// One line of progress: percentage, bar, throughput and time left, fitted
// into `columns` characters.
std::string FormatProgress(std::uint64_t done, std::uint64_t total, double seconds, int columns);

// The same line after a label (the file in progress). The figures come
// first: a label too long for the rest is shortened from its start, where
// its folders are, and left out on a narrow terminal.
std::string FormatProgress(std::uint64_t done, std::uint64_t total, double seconds, int columns,
                           const std::string& label);

// Redraws the progress line on standard error at most a few times a second.
// Terminals without escapes (an old Windows console) get the same line,
// overwritten with blanks.
class TProgressBar {
 public:
  // Files below this size finish before a bar would help.
  static constexpr std::uint64_t MinimumSize = 4u << 20;

  TProgressBar();
  void Show(std::uint64_t done, std::uint64_t total, const std::string& label = {});
  // Removes the line, so that a message can take its place.
  void Clear();

 private:
  using TClock = std::chrono::steady_clock;
  TClock::time_point FStart;
  TClock::time_point FLastDrawn{};
  bool FDrawn = false;
  bool FEscapes;  // the line is cleared by an escape, else overwritten with blanks
};
