// SPDX-License-Identifier: GPL-3.0-or-later
#include "twofish/CipherChoice.h"

#include <cstdlib>

const char* BlockPathName(TBlockPath path) noexcept {
  switch (path) {
    case TBlockPath::Portable: return "portable";
    case TBlockPath::Avx2: return "avx2";
    case TBlockPath::Avx512: return "avx512-gfni";
  }
  return "unknown";
}

std::optional<TBlockPath> ParseBlockPath(std::string_view name) noexcept {
  if (name == "portable") return TBlockPath::Portable;
  if (name == "avx2") return TBlockPath::Avx2;
  if (name == "avx512") return TBlockPath::Avx512;
  return std::nullopt;
}

TCipherChoice CipherChoiceFromEnvironment() {
  TCipherChoice choice;
  const char* value = std::getenv(kCipherChoiceVariable);
  if (!value || !*value) return choice;
  choice.Value = value;
  const std::optional<TBlockPath> path = ParseBlockPath(choice.Value);
  if (!path) {
    choice.Status = TCipherChoice::TStatus::Unknown;
    return choice;
  }
  choice.Path = *path;
  choice.Status = BlockPathAvailable(*path) ? TCipherChoice::TStatus::Chosen
                                            : TCipherChoice::TStatus::Unavailable;
  return choice;
}
