// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartArguments.h"

#include <QDir>

namespace {

TStartArguments Refuse(const QString& problem) {
  return {TStartArguments::TAction::Refuse, QString(), problem};
}

}  // namespace

TStartArguments ParseStartArguments(const QStringList& arguments) {
  QStringList names;
  bool optionsEnded = false;
  for (const QString& argument : arguments) {
    if (!optionsEnded && argument == QLatin1String("--")) {
      optionsEnded = true;
    } else if (!optionsEnded &&
               (argument == QLatin1String("-h") || argument == QLatin1String("--help"))) {
      return {TStartArguments::TAction::Help, QString(), QString()};
    } else if (!optionsEnded && argument.startsWith(u'-')) {
      return Refuse(QStringLiteral("unknown option '%1'").arg(argument));
    } else {
      names << argument;
    }
  }
  if (names.size() > 1)
    return Refuse(QStringLiteral("one file at most ('%1' is one too many)").arg(names[1]));
  if (names.isEmpty()) return {};
  if (names[0].isEmpty()) return Refuse(QStringLiteral("empty file name"));
  // As the file dialog hands names to the window: absolute.
  return {TStartArguments::TAction::Run,
          QDir::cleanPath(QDir::current().absoluteFilePath(names[0])), QString()};
}

QString StartUsageText() {
  return QStringLiteral(
      "Usage: tolvane-crypter [FILE]\n"
      "\n"
      "Opens the Tolvane Crypter window. FILE becomes the source file, with the\n"
      "target proposed as for a file chosen with \"...\"; a .tvn file is set up\n"
      "for decryption. A FILE that begins with '-' follows '--'.\n");
}
