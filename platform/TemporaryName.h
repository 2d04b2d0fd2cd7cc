// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

// How a result's temporary file is named beside its final name, the same on
// every platform: ".<final name>.<random>.tolvane-tmp", so that a person
// recognises it and a later run finds the leftovers of its own target.

inline constexpr const char* TemporarySuffix = ".tolvane-tmp";
inline constexpr std::size_t TemporaryRandomChars = 6;

// ".<final name>." with the name cut so that the whole temporary name stays
// within the usual 255-byte limit, never inside a UTF-8 sequence.
std::string TemporaryStem(const std::string& finalName);

// Whether a folder entry is a temporary file of the final name whose stem
// this is.
bool IsTemporaryOf(const std::string& entryName, const std::string& stem);

// Whether a folder entry has the shape of any result's temporary file, a
// live run's or a leftover, whatever its final name.
bool IsTemporaryName(const std::string& entryName);
