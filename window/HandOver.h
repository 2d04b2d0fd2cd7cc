// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "window/StartArguments.h"

// The file manager starts one process per selected file. The first start
// collects the files of the starts that follow it shortly, which hand them
// over and end; the collector then opens one window for all of them. This
// is what travels between the processes, without the system's plumbing.
//
// A message: the tag, a direction byte ('e' encrypt, 'd' decrypt, '-' none
// given), then each file as UTF-8 followed by a NUL. Only starts that name
// files hand over.
struct THandOver {
  std::optional<TDirection> Direction;
  std::vector<std::string> Files;  // UTF-8, absolute
};

// What a start hands over; nothing for a start that names no file.
std::optional<THandOver> HandOverOf(const TStartArguments& start);

std::string EncodeHandOver(const THandOver& handOver);
// Nothing for bytes that are no whole message: a stranger's, or cut short.
std::optional<THandOver> DecodeHandOver(std::string_view bytes);

// Names the collector among the user's processes: starts with different
// directions (or none) are collected apart, so that each keeps its own.
std::string HandOverKey(std::optional<TDirection> direction);

// The collector's start with the files handed over to it: with any, the
// batch window for all of them.
TStartArguments WithHandOvers(TStartArguments start, const std::vector<THandOver>& handOvers);
