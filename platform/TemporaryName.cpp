// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TemporaryName.h"

#include "platform/FileSystem.h"

std::string TemporaryStem(const std::string& finalName) {
  constexpr std::size_t MaxStem = 200;
  std::string stem = FileNamePart(finalName);
  if (stem.size() > MaxStem) {
    std::size_t cut = MaxStem;
    while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
    stem.resize(cut);
  }
  return "." + stem + ".";
}

bool IsTemporaryOf(const std::string& entryName, const std::string& stem) {
  const std::string suffix = TemporarySuffix;
  return entryName.size() == stem.size() + TemporaryRandomChars + suffix.size() &&
         entryName.compare(0, stem.size(), stem) == 0 &&
         entryName.compare(entryName.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool IsTemporaryName(const std::string& entryName) {
  const std::string suffix = TemporarySuffix;
  // ".", at least one character of the final name, ".", the random part.
  const std::size_t least = 3 + TemporaryRandomChars + suffix.size();
  return entryName.size() >= least && entryName.front() == '.' &&
         entryName[entryName.size() - suffix.size() - TemporaryRandomChars - 1] == '.' &&
         entryName.compare(entryName.size() - suffix.size(), suffix.size(), suffix) == 0;
}
