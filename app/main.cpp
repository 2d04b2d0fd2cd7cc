// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QFile>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Translations.h"
#include "app/uMain.h"
#include "platform/Process.h"
#include "platform/StandardStreams.h"
#include "window/Messages.h"
#include "window/StartArguments.h"

int main(int argc, char* argv[]) {
  SecureStandardStreams();
  DisableCoreDumps();
  // File names reach the core as UTF-8, as the file dialog gives them.
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(QFile::decodeName(argv[i]).toStdString());
  const TStartArguments start = ParseStartArguments(arguments);
  if (start.Action == TStartArguments::TAction::Help) {
    std::fputs(StartUsageText().c_str(), stdout);
    return 0;
  }
  if (start.Action == TStartArguments::TAction::Refuse) {
    std::fprintf(stderr, "tolvane-crypter: %s\n%s", start.Problem.c_str(),
                 StartUsageText().c_str());
    return 2;
  }

  // Qt sees no argument of its own: only the environment (QT_QPA_PLATFORM
  // ...) reaches it.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  // Not the display name: Qt would append that to every window title, and
  // the message boxes carry captions of their own.
  QApplication::setApplicationName(QString::fromUtf8(msg::AppTitle));
  QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
  // Ties the windows to tolvane-crypter.desktop (icon, grouping in the task bar).
  QGuiApplication::setDesktopFileName(QStringLiteral("tolvane-crypter"));
  InstallGermanTranslations(app);

  TfrmMain frmMain;
  if (!start.File.empty())
    frmMain.StartWithFile(QString::fromStdString(start.File), start.Direction);
  frmMain.show();
  return QApplication::exec();
}
