// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/StartArguments.h"

#include "platform/FileSystem.h"
#include "window/AbsoluteName.h"

namespace {

TStartArguments Refuse(std::string problem) {
  TStartArguments refused;
  refused.Action = TStartArguments::TAction::Refuse;
  refused.Problem = std::move(problem);
  return refused;
}

}  // namespace

TStartArguments ParseStartArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> names;
  std::optional<TDirection> direction;
  bool batch = false;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (argument == "-h" || argument == "--help")) {
      TStartArguments help;
      help.Action = TStartArguments::TAction::Help;
      return help;
    } else if (!optionsEnded && (argument == "--encrypt" || argument == "--decrypt")) {
      const TDirection given = argument == "--encrypt" ? TDirection::Encrypt : TDirection::Decrypt;
      if (direction && *direction != given)
        return Refuse("--encrypt and --decrypt exclude each other");
      direction = given;
    } else if (!optionsEnded && argument == "--batch") {
      batch = true;
    } else if (!optionsEnded && argument.starts_with('-')) {
      return Refuse("unknown option '" + argument + "'");
    } else {
      names.push_back(argument);
    }
  }
  for (const std::string& name : names)
    if (name.empty()) return Refuse("empty file name");
  // A file manager hands a selection over as one start: several names, or
  // a folder, are a batch.
  if (batch || names.size() > 1 ||
      (names.size() == 1 && KindOf(names[0]) == TFileKind::Directory)) {
    TStartArguments run;
    run.Window = TStartWindow::Batch;
    for (const std::string& name : names) run.Files.push_back(AbsoluteName(name));
    run.Direction = direction;
    return run;
  }
  if (names.empty()) {
    if (direction) return Refuse("--encrypt and --decrypt need a FILE");
    return {};
  }
  TStartArguments run;
  run.File = AbsoluteName(names[0]);
  run.Direction = direction;
  return run;
}

std::string StartUsageText() {
  return "Usage: tolvane-crypter [--encrypt | --decrypt] [FILE]\n"
         "       tolvane-crypter [--encrypt | --decrypt] [--batch] [FILE | FOLDER]...\n"
         "\n"
         "Opens the Tolvane Crypter window. FILE becomes the source file, with the\n"
         "target proposed as for a file chosen with \"...\"; a .tvn file is set up\n"
         "for decryption into its name without .tvn. --encrypt or --decrypt sets\n"
         "FILE up for that direction instead. A FILE that begins with '-' follows\n"
         "'--'.\n"
         "\n"
         "Several files, a folder or --batch open the window for many files instead:\n"
         "the files are listed, a folder with every file below it, and one password\n"
         "processes them all. --batch alone opens it empty, for files dropped on it.\n";
}
