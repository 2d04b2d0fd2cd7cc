// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLine.h"

#include <charconv>

#include "TolvaneVersion.h"
#include "cli/Printable.h"
#include "job/TargetName.h"

namespace {

std::optional<int> ParseDescriptor(const std::string& text) {
  int fd = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, fd);
  if (ec != std::errc{} || ptr != end || fd < 0) return std::nullopt;
  return fd;
}

std::optional<int> ParseThreadCount(const std::string& text) {
  int count = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, count);
  if (ec != std::errc{} || ptr != end || count < 1) return std::nullopt;
  return count;
}

TParseResult Fail(std::string error) { return {std::nullopt, std::move(error)}; }

// The long and the short name of each option, so that both take one path.
std::string LongName(const std::string& name) {
  static const std::pair<const char*, const char*> Names[] = {
      {"-f", "--force"},     {"-q", "--quiet"},      {"-v", "--verbose"},
      {"-r", "--recursive"}, {"-O", "--output-dir"}, {"-j", "--threads"},
  };
  for (const auto& [shortName, longName] : Names) {
    if (name == shortName) return longName;
  }
  return name;
}

bool TakesValue(const std::string& name) {
  return name == "--mode" || name == "--password-file" || name == "--password-fd" ||
         name == "--threads" || name == "--output-dir";
}

// Sets a flag option; false when there is none of that name.
bool SetFlag(TCliOptions& options, const std::string& name) {
  if (name == "--no-hash") {
    options.UseHashes = false;
  } else if (name == "--force") {
    options.Force = true;
  } else if (name == "--quiet") {
    options.Quiet = true;
  } else if (name == "--verbose") {
    options.Verbose = true;
  } else if (name == "--recursive") {
    options.Recursive = true;
  } else if (name == "--each") {
    options.Each = true;
  } else if (name == "--allow-empty-password") {
    options.AllowEmptyPassword = true;
  } else if (name == "--legacy-padding") {
    options.LegacyPadding = true;
  } else {
    return false;
  }
  return true;
}

// Sets an option with a value; the error when the value is wrong or missing.
// shown: the name as the user gave it.
std::optional<std::string> SetValue(TCliOptions& options, const std::string& name,
                                    const std::string& shown,
                                    const std::optional<std::string>& value) {
  if (name == "--mode") {
    if (!value) return "option --mode needs a value (cbc or ecb)";
    if (*value == "cbc") {
      options.Mode = TChainMode::CBC;
    } else if (*value == "ecb") {
      options.Mode = TChainMode::ECB;
    } else {
      return "unknown mode '" + Printable(*value) + "' (expected cbc or ecb)";
    }
  } else if (name == "--threads") {
    const auto count = value ? ParseThreadCount(*value) : std::nullopt;
    if (!count) return "option " + shown + " needs a number of threads, 1 or more";
    options.Threads = *count;
  } else if (name == "--password-file") {
    if (!value || value->empty()) return "option --password-file needs a file name";
    options.PasswordFile = *value;
  } else if (name == "--password-fd") {
    const auto fd = value ? ParseDescriptor(*value) : std::nullopt;
    if (!fd) return "option --password-fd needs a file descriptor number";
    options.PasswordFd = *fd;
  } else if (name == "--output-dir") {
    if (!value || value->empty()) return "option " + shown + " needs a folder name";
    options.OutputDir = *value;
  }
  return std::nullopt;
}

// What the operands mean once every option is known.
TParseResult Finish(TCliOptions options, std::vector<std::string> operands) {
  const bool encrypt = options.Command == TCliCommand::Encrypt;
  if (operands.empty()) return Fail("no source file given");
  // A glob that happens to match two files must not turn the second into a
  // target: --each, -r and -O make every operand a source.
  options.Batch = options.Each || options.Recursive || options.OutputDir || operands.size() > 2;
  if (options.Batch) {
    for (const std::string& operand : operands) {
      if (operand == StandardStream) {
        return Fail(
            "'-' (standard input or output) cannot be part of a batch; "
            "give a file named - as ./-");
      }
    }
    options.Sources = std::move(operands);
    return {std::move(options), {}};
  }
  options.Source = operands[0];
  if (operands.size() == 2) options.Target = operands[1];
  if (options.Source == StandardStream) {
    // No name to derive one from.
    if (!options.Target)
      return Fail("reading standard input needs a TARGET ('-' for standard output)");
    if (options.PasswordFd == 0) {
      return Fail(
          "--password-fd 0 cannot be used when SOURCE is '-': standard input carries the data");
    }
  }
  if (!encrypt && !options.Target) {
    options.Target = DecryptedTargetName(options.Source);
    if (!options.Target) {
      return Fail("decrypt needs a TARGET: '" + Printable(options.Source) +
                  "' does not end in .tvn, so there is no name to decrypt it to");
    }
  }
  return {std::move(options), {}};
}

}  // namespace

TParseResult ParseCommandLine(const std::vector<std::string>& args) {
  TCliOptions options;
  std::vector<std::string> operands;
  bool haveCommand = false;
  bool optionsEnded = false;

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      if (!haveCommand) {
        if (arg == "encrypt") {
          options.Command = TCliCommand::Encrypt;
        } else if (arg == "decrypt") {
          options.Command = TCliCommand::Decrypt;
        } else {
          return Fail("unknown command '" + Printable(arg) + "' (expected encrypt or decrypt)");
        }
        haveCommand = true;
      } else {
        operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help") {
      options.Command = TCliCommand::Help;
      return {options, {}};
    }
    if (arg == "--version") {
      options.Command = TCliCommand::Version;
      return {options, {}};
    }
    const auto nextArgument = [&]() -> std::optional<std::string> {
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };

    if (arg.rfind("--", 0) == 0) {
      // A long option's value is the next argument or follows '='.
      std::string name = arg;
      std::optional<std::string> value;
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
      }
      if (TakesValue(name)) {
        if (!value) value = nextArgument();
        if (auto error = SetValue(options, name, name, value)) return Fail(std::move(*error));
      } else if (value && SetFlag(options, name)) {
        return Fail("option " + name + " takes no value");
      } else if (!SetFlag(options, name)) {
        return Fail("unknown option '" + Printable(arg) + "'");
      }
      continue;
    }

    // Short options, bundled or not; one that takes a value takes the rest
    // of the argument (-j4, -Oout) or else the next one.
    for (std::size_t k = 1; k < arg.size(); ++k) {
      const std::string shown = std::string("-") + arg[k];
      if (shown == "-h") {
        options.Command = TCliCommand::Help;
        return {options, {}};
      }
      const std::string name = LongName(shown);
      if (TakesValue(name) && name != shown) {
        std::optional<std::string> value;
        if (k + 1 < arg.size()) {
          value = arg.substr(k + 1);
        } else {
          value = nextArgument();
        }
        if (auto error = SetValue(options, name, shown, value)) return Fail(std::move(*error));
        break;
      }
      if (name == shown || !SetFlag(options, name)) {
        return Fail("unknown option '" + Printable(shown) + "'");
      }
    }
  }

  if (!haveCommand) return Fail("no command given (encrypt or decrypt)");
  if (options.PasswordFile && options.PasswordFd) {
    return Fail("give either --password-file or --password-fd, not both");
  }
  if (options.LegacyPadding && options.Command == TCliCommand::Encrypt) {
    return Fail("option --legacy-padding is for decrypt only");
  }
  return Finish(std::move(options), std::move(operands));
}

std::string UsageText() {
  return "Usage: tolvane encrypt [options] SOURCE [TARGET]\n"
         "       tolvane decrypt [options] SOURCE [TARGET]\n"
         "       tolvane encrypt|decrypt [options] SOURCE... (a batch)\n"
         "\n"
         "Encrypts or decrypts files with 256-bit Twofish under a password;\n"
         "files are interchangeable with the Tolvane Crypter window.\n"
         "\n"
         "Options:\n"
         "  --mode cbc|ecb        chaining mode (default cbc)\n"
         "  --no-hash             key with the password itself, not its SHA-1 digest text\n"
         "  -f, --force           replace existing targets without asking\n"
         "  --password-file FILE  read the password from the first line of FILE\n"
         "  --password-fd N       read the password from the first line of descriptor N\n"
         "  --allow-empty-password\n"
         "                        accept an empty password from a file or descriptor\n"
         "                        (the built-in key then protects nothing)\n"
         "  --legacy-padding      decrypt only: remove the padding by the last byte alone,\n"
         "                        as older versions did, for their files that strict\n"
         "                        padding refuses; it accepts a wrong password silently\n"
         "                        and gives garbage; never in place\n"
         "  -j, --threads N       threads (default: one per core): cipher threads for ECB\n"
         "                        and CBC decryption; in a batch, files at once (up to 8)\n"
         "  -q, --quiet           no progress display; in a batch no notes of skipped\n"
         "                        files and no summary unless something failed\n"
         "  -v, --verbose         one line per file processed\n"
         "  -h, --help            show this help\n"
         "      --version         show the version and the cipher path in use\n"
         "\n"
         "Batches (three or more names, or one of these options):\n"
         "  -r, --recursive       a folder stands for every file below it\n"
         "  -O, --output-dir DIR  write the results under DIR (files of a folder keep\n"
         "                        their path below it) instead of beside their sources\n"
         "      --each            every name is a SOURCE, also when there are two\n"
         "\n"
         "Without TARGET, encrypt writes SOURCE with its extension replaced by .tvn, and\n"
         "decrypt writes NAME.tvn to NAME; an existing target is replaced only after a\n"
         "yes or with --force. A file is processed in place only when TARGET names\n"
         "SOURCE itself. In a batch each file goes to its default name (or under DIR);\n"
         "two sources with one target refuse the whole batch; .tvn files are skipped\n"
         "when encrypting, other files of a folder when decrypting; existing targets\n"
         "are asked about first on a terminal (yes, no, all, none) and skipped without\n"
         "one. The password is asked once for the whole batch.\n"
         "The result reaches TARGET only complete: a failure, Ctrl-C or a kill leaves\n"
         "TARGET as it was.\n"
         "'-' as SOURCE reads standard input, as TARGET writes standard output. Standard\n"
         "output cannot be atomic: a decryption holds its last block back until the\n"
         "padding is checked, and a wrong password still fails (status 1, a message),\n"
         "but the blocks before are already written. Ciphertext is not written to a\n"
         "terminal. With SOURCE '-' the password is asked on the controlling terminal\n"
         "unless --password-file or --password-fd (not 0) gives it.\n"
         "Exit status: 0 success (in a batch: every file done or skipped on purpose),\n"
         "1 a file was not processed, 2 wrong usage.\n"
         "What the file format protects and what it does not: man tolvane, or README.md.\n";
}

std::string VersionText() { return "tolvane (Tolvane Crypter) " TOLVANE_VERSION "\n"; }
