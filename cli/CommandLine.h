// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/CryptRequest.h"

enum class TCliCommand { Encrypt, Decrypt, Help, Version };

struct TCliOptions {
  TCliCommand Command = TCliCommand::Help;
  TChainMode Mode = TChainMode::CBC;
  bool UseHashes = true;
  bool Force = false;
  bool Quiet = false;
  bool Verbose = false;                  // one line per file processed
  bool Recursive = false;                // a folder operand stands for the files below it
  bool Each = false;                     // every operand is a source, however many
  std::optional<std::string> OutputDir;  // results go under this folder
  bool AllowEmptyPassword = false;       // an empty password from a file or descriptor
  std::optional<std::string> PasswordFile;
  std::optional<int> PasswordFd;
  bool LegacyPadding = false;         // decrypt only: the older versions' padding rule
  int Threads = 0;                    // cipher threads; 0: one per core
  std::string Source;                 // StandardStream: the standard input
  std::optional<std::string> Target;  // always set when decrypting; StandardStream: stdout
  // Three or more operands, or one of --recursive, --output-dir, --each:
  // every operand is in Sources, and Source and Target are unused.
  bool Batch = false;
  std::vector<std::string> Sources;  // never StandardStream
};

// The name that stands for the standard input as SOURCE and the standard
// output as TARGET; a file of that name is given as ./-.
inline constexpr const char* StandardStream = "-";

struct TParseResult {
  std::optional<TCliOptions> Options;
  std::string Error;  // one line, when Options is empty
};

// Reads the arguments after the program name. Options may come before or
// after the file names; "--" ends them. Short flags may be bundled (-rf),
// and a short option's value may follow it directly (-j4, -Oout).
TParseResult ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();
std::string VersionText();
