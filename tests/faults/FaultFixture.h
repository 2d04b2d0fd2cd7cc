// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/faults/FaultProcess.h"
#include "tests/support/TempDir.h"

// What the password files hold: the right password and a wrong one.
inline constexpr const char* RightPasswordLine = "Lindenblatt 7\n";
inline constexpr const char* WrongPasswordLine = "Lindenblatt 8\n";

// A directory holding only the files under test (Work) and one beside it for
// everything else: passwords, the child's standard error, references.
class FaultTest : public ::testing::Test {
 protected:
  FaultTest();
  std::string Path(const std::string& name) const { return FWork.File(name); }
  std::string Aside(const std::string& name) const { return FAside.File(name); }
  const std::string& Work() const { return FWork.Path(); }
  const std::string& AsideDir() const { return FAside.Path(); }

  TFaultRun Run(const std::vector<std::string>& args, const TChildSetup& setup = {},
                std::chrono::milliseconds timeout = std::chrono::seconds(120)) {
    return RunTolvaneIn(FAside.Path(), args, setup, timeout);
  }
  // Encrypts or decrypts with the right password; expects success.
  void Encrypt(const std::string& source, const std::string& target);
  void Decrypt(const std::string& source, const std::string& target);

  TTempDir FWork;
  TTempDir FAside;
  const std::string Pw;     // password file: the right password
  const std::string Wrong;  // password file: a wrong one
};

// --- Files, compared and listed without holding them in memory ---------------

// Pseudo-random content of the given size, written in large pieces.
void WriteRandomFile(const std::string& name, std::uint64_t size, std::mt19937_64& random);
// Both exist as regular files with equal bytes.
bool SameContent(const std::string& a, const std::string& b);
void CopyContent(const std::string& from, const std::string& to);
// The names in a folder (no "." and "..").
std::set<std::string> Names(const std::string& folder);
// Temporary results left in a folder.
std::vector<std::string> Leftovers(const std::string& folder);

struct TStatus {
  bool Exists = false;
  bool Link = false;
  unsigned Mode = 0;  // permission bits
  uid_t Owner = 0;
  gid_t Group = 0;
  std::uint64_t Size = 0;
  std::uint64_t Blocks = 0;
};
TStatus StatusOf(const std::string& name);  // of the name itself, links not followed

// Waits for the run while noting every name that appears in the folder
// meanwhile, to see that a refused run never created anything.
TFaultRun WaitWatchingFolder(TTolvaneProcess& child, const std::string& folder,
                             std::set<std::string>& seen, std::chrono::milliseconds timeout);

bool Contains(const std::string& text, const std::string& part);
