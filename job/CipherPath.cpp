// SPDX-License-Identifier: GPL-3.0-or-later
#include "job/CipherPath.h"

#include "twofish/BlockPath.h"
#include "twofish/CipherChoice.h"

std::string CipherPathInUse() { return BlockPathName(ActiveBlockPath()); }

std::optional<std::string> CipherChoiceProblem() {
  const TCipherChoice choice = CipherChoiceFromEnvironment();
  const std::string variable = std::string(kCipherChoiceVariable) + "=" + choice.Value;
  switch (choice.Status) {
    case TCipherChoice::TStatus::Unset:
    case TCipherChoice::TStatus::Chosen: return std::nullopt;
    case TCipherChoice::TStatus::Unknown:
      return variable + " names no cipher path; use portable, avx2 or avx512, or unset it";
    case TCipherChoice::TStatus::Unavailable:
      return variable + ": this CPU or build cannot run the " + BlockPathName(choice.Path) +
             " cipher path; unset it to let the CPU choose";
  }
  return std::nullopt;
}
