// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line parser on any argument list (the input split at NUL
// bytes). A parse either fails with a message or gives options that keep
// the parser's promises, and those options, written out again in one
// canonical order, parse back to the same options.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "cli/CommandLine.h"
#include "job/TargetName.h"

namespace {

constexpr std::size_t MaxArguments = 16;

std::vector<std::string> SplitArguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  if (size == 0) return args;
  std::string current;
  for (std::size_t i = 0; i < size && args.size() < MaxArguments; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (args.size() < MaxArguments) args.push_back(current);
  return args;
}

bool IsArgument(const std::vector<std::string>& args, const std::string& text) {
  for (const std::string& arg : args) {
    if (arg == text) return true;
  }
  return false;
}

// Options first, each with its value after '=', then "--" and the files.
std::vector<std::string> Canonical(const TCliOptions& options) {
  std::vector<std::string> args;
  args.push_back(options.Command == TCliCommand::Encrypt ? "encrypt" : "decrypt");
  args.push_back(options.Mode == TChainMode::ECB ? "--mode=ecb" : "--mode=cbc");
  if (!options.UseHashes) args.push_back("--no-hash");
  if (options.Force) args.push_back("--force");
  if (options.Quiet) args.push_back("--quiet");
  if (options.AllowEmptyPassword) args.push_back("--allow-empty-password");
  if (options.LegacyPadding) args.push_back("--legacy-padding");
  if (options.PasswordFile) args.push_back("--password-file=" + *options.PasswordFile);
  if (options.PasswordFd) args.push_back("--password-fd=" + std::to_string(*options.PasswordFd));
  if (options.Verbose) args.push_back("--verbose");
  if (options.Threads > 0) args.push_back("--threads=" + std::to_string(options.Threads));
  if (options.Batch) {
    // --each keeps two sources a batch.
    args.push_back("--each");
    if (options.Recursive) args.push_back("--recursive");
    if (options.OutputDir) args.push_back("--output-dir=" + *options.OutputDir);
    args.push_back("--");
    args.insert(args.end(), options.Sources.begin(), options.Sources.end());
    return args;
  }
  args.push_back("--");
  args.push_back(options.Source);
  if (options.Target) args.push_back(*options.Target);
  return args;
}

bool SameOptions(const TCliOptions& a, const TCliOptions& b) {
  return a.Command == b.Command && a.Mode == b.Mode && a.UseHashes == b.UseHashes &&
         a.Force == b.Force && a.Quiet == b.Quiet && a.AllowEmptyPassword == b.AllowEmptyPassword &&
         a.PasswordFile == b.PasswordFile && a.PasswordFd == b.PasswordFd &&
         a.Verbose == b.Verbose && a.Threads == b.Threads && a.LegacyPadding == b.LegacyPadding &&
         a.Batch == b.Batch && a.Recursive == b.Recursive && a.OutputDir == b.OutputDir &&
         a.Sources == b.Sources && a.Source == b.Source && a.Target == b.Target;
}

void CheckOptions(const std::vector<std::string>& args, const TCliOptions& options) {
  if (options.Command == TCliCommand::Help || options.Command == TCliCommand::Version) return;
  Require(options.Command == TCliCommand::Encrypt || options.Command == TCliCommand::Decrypt,
          "unknown command");
  Require(options.Mode == TChainMode::CBC || options.Mode == TChainMode::ECB,
          "a mode the command line does not offer");
  Require(!(options.PasswordFile && options.PasswordFd), "two password sources");
  Require(!options.PasswordFile || !options.PasswordFile->empty(), "empty password file name");
  Require(!options.PasswordFd || *options.PasswordFd >= 0, "negative password descriptor");
  Require(!options.LegacyPadding || options.Command == TCliCommand::Decrypt,
          "the older padding rule when encrypting");
  if (options.Batch) {
    Require(!options.Sources.empty(), "a batch without sources");
    Require(options.Source.empty() && !options.Target, "a batch with a single source or target");
    for (const std::string& source : options.Sources) {
      Require(source != StandardStream, "a standard stream in a batch");
      Require(IsArgument(args, source), "a batch source that is not one of the arguments");
    }
  } else {
    Require(options.Command == TCliCommand::Encrypt || options.Target.has_value(),
            "decrypt without a target");
    Require(IsArgument(args, options.Source), "a source that is not one of the arguments");
    // decrypt X.tvn alone: X, which is no argument.
    Require(!options.Target || IsArgument(args, *options.Target) ||
                options.Target == DecryptedTargetName(options.Source),
            "a target that is not one of the arguments");
  }

  const TParseResult again = ParseCommandLine(Canonical(options));
  Require(again.Options.has_value(), "the canonical form is refused: " + again.Error);
  Require(SameOptions(*again.Options, options), "the canonical form parses differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> args = SplitArguments(data, size);
  const TParseResult parsed = ParseCommandLine(args);
  if (!parsed.Options) {
    Require(!parsed.Error.empty(), "a refusal without a message");
    return 0;
  }
  Require(parsed.Error.empty(), "options together with an error");
  CheckOptions(args, *parsed.Options);
  return 0;
}
