// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "ProcessRunner.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSeed.h"
#include "job/CryptRequest.h"
#include "twofish/Twofish.h"

// A fresh directory per test, removed afterwards.
class CliTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return FDir.File(name); }
  // A password file holding the line.
  std::string PasswordFile(const std::string& line, const std::string& name = "pw");
  TRunResult Run(const std::vector<std::string>& args, const TRunOptions& options = {}) {
    return RunTolvane(Dir, args, options);
  }

  TTempDir FDir;
  const std::string& Dir = FDir.Path();
};

// The window's way through the library: its cipher settings, its password
// conversion and key derivation, and a crypt job whose questions are
// answered Yes.
void ProcessLikeTheWindow(bool encrypt, const std::string& source, const std::string& target,
                          const std::string& utf8Password, TChainMode mode, bool useHashes);

// The names in a directory: a refusal or a stop leaves nothing new there.
std::set<std::string> Listing(const std::string& dir);
