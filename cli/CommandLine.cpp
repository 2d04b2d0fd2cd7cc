// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLine.h"

#include <charconv>

#include "TolvaneVersion.h"

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
          return Fail("unknown command '" + arg + "' (expected encrypt or decrypt)");
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
    if (arg == "-h" || arg == "--help") {
      options.Command = TCliCommand::Help;
      return {options, {}};
    }
    if (arg == "--version") {
      options.Command = TCliCommand::Version;
      return {options, {}};
    }

    // Options with a value take it as the next argument or after '='.
    std::string name = arg;
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (arg.size() > 2 && arg.rfind("-j", 0) == 0) {  // -j4, as make takes it
      name = "-j";
      value = arg.substr(2);
    }
    const auto takeValue = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    const bool takesValue = name == "--mode" || name == "--password-file" ||
                            name == "--password-fd" || name == "--threads" || name == "-j";
    if (value && !takesValue) return Fail("option " + name + " takes no value");

    if (name == "--mode") {
      const auto mode = takeValue();
      if (!mode) return Fail("option --mode needs a value (cbc or ecb)");
      if (*mode == "cbc") {
        options.Mode = TChainMode::CBC;
      } else if (*mode == "ecb") {
        options.Mode = TChainMode::ECB;
      } else {
        return Fail("unknown mode '" + *mode + "' (expected cbc or ecb)");
      }
    } else if (name == "--threads" || name == "-j") {
      const auto text = takeValue();
      const auto count = text ? ParseThreadCount(*text) : std::nullopt;
      if (!count) return Fail("option " + name + " needs a number of threads, 1 or more");
      options.Threads = *count;
    } else if (name == "--no-hash") {
      options.UseHashes = false;
    } else if (name == "--force") {
      options.Force = true;
    } else if (name == "-q" || name == "--quiet") {
      options.Quiet = true;
    } else if (name == "--allow-empty-password") {
      options.AllowEmptyPassword = true;
    } else if (name == "--password-file") {
      const auto file = takeValue();
      if (!file || file->empty()) return Fail("option --password-file needs a file name");
      options.PasswordFile = *file;
    } else if (name == "--password-fd") {
      const auto text = takeValue();
      const auto fd = text ? ParseDescriptor(*text) : std::nullopt;
      if (!fd) return Fail("option --password-fd needs a file descriptor number");
      options.PasswordFd = *fd;
    } else {
      return Fail("unknown option '" + arg + "'");
    }
  }

  if (!haveCommand) return Fail("no command given (encrypt or decrypt)");
  if (options.PasswordFile && options.PasswordFd) {
    return Fail("give either --password-file or --password-fd, not both");
  }
  const bool encrypt = options.Command == TCliCommand::Encrypt;
  if (operands.empty()) return Fail("no source file given");
  if (!encrypt && operands.size() < 2) return Fail("decrypt needs a source and a target file");
  if (operands.size() > 2) return Fail("too many file names ('" + operands[2] + "')");
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
  return {options, {}};
}

std::string UsageText() {
  return "Usage: tolvane encrypt [options] SOURCE [TARGET]\n"
         "       tolvane decrypt [options] SOURCE TARGET\n"
         "\n"
         "Encrypts or decrypts one file with 256-bit Twofish under a password;\n"
         "files are interchangeable with the Tolvane Crypter window.\n"
         "\n"
         "Options:\n"
         "  --mode cbc|ecb        chaining mode (default cbc)\n"
         "  --no-hash             key with the password itself, not its SHA-1 digest text\n"
         "  --force               replace an existing target without asking\n"
         "  --password-file FILE  read the password from the first line of FILE\n"
         "  --password-fd N       read the password from the first line of descriptor N\n"
         "  --allow-empty-password\n"
         "                        accept an empty password from a file or descriptor\n"
         "                        (the built-in key then protects nothing)\n"
         "  -j, --threads N       cipher threads for ECB and CBC decryption\n"
         "                        (default: one per core; CBC encryption uses one)\n"
         "  -q, --quiet           no progress display\n"
         "  -h, --help            show this help\n"
         "      --version         show the version\n"
         "\n"
         "Without TARGET, encrypt writes SOURCE with its extension replaced by .tvn\n"
         "(an existing one is replaced only after a yes or with --force). A file is\n"
         "processed in place only when TARGET names SOURCE itself.\n"
         "The result reaches TARGET only complete: a failure, Ctrl-C or a kill leaves\n"
         "TARGET as it was.\n"
         "'-' as SOURCE reads standard input, as TARGET writes standard output. Standard\n"
         "output cannot be atomic: a decryption holds its last block back until the\n"
         "padding is checked, and a wrong password still fails (status 1, a message),\n"
         "but the blocks before are already written. Ciphertext is not written to a\n"
         "terminal. With SOURCE '-' the password is asked on the controlling terminal\n"
         "unless --password-file or --password-fd (not 0) gives it.\n"
         "Exit status: 0 success, 1 the file was not processed, 2 wrong usage.\n"
         "What the file format protects and what it does not: man tolvane, or README.md.\n";
}

std::string VersionText() { return "tolvane (Tolvane Crypter) " TOLVANE_VERSION "\n"; }
