// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "twofish/TwofishErrors.h"

// A broken property ends the run with its description and an abort, which
// libFuzzer records as a crash together with the input that caused it.
[[noreturn]] inline void FuzzFailure(const std::string& what) {
  std::fprintf(stderr, "\n*** property broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

inline void Require(bool holds, const std::string& what) {
  if (!holds) FuzzFailure(what);
}

inline void RequireEqual(const std::string& actual, const std::string& expected,
                         const std::string& what) {
  if (actual != expected) {
    FuzzFailure(what + ": got \"" + actual + "\", expected \"" + expected + "\"");
  }
}

// How a call of the cipher component ended: "" when it returned, else the
// exception's type and text. Any other exception escapes and, uncaught,
// ends the run as a crash: the component raises no other kind.
template <typename Call>
std::string CallOutcome(Call call) {
  try {
    call();
  } catch (const EKeyError& error) {
    return std::string("EKeyError: ") + error.what();
  } catch (const EFileError& error) {
    return std::string("EFileError: ") + error.what();
  } catch (const std::out_of_range&) {
    return "out_of_range";
  }
  return "";
}
