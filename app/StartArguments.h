// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The window's command line: nothing, or one file to start with. Qt's own
// options (-platform, -style, -reverse ...) are not among them: the window
// is the same however it is started.
struct TStartArguments {
  enum class TAction { Run, Help, Refuse };
  TAction Action = TAction::Run;
  QString File;     // absolute; empty when none was given
  QString Problem;  // why the arguments were refused
};

// arguments: the command line without the program name. A name that begins
// with "-" follows "--".
TStartArguments ParseStartArguments(const QStringList& arguments);

QString StartUsageText();
