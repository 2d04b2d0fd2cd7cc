// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/BatchStart.h"
#include "app/Translations.h"
#include "app/uMain.h"
#include "job/CipherPath.h"
#include "platform/Process.h"
#include "platform/StandardStreams.h"
#include "window/Messages.h"
#include "window/StartArguments.h"

int main(int argc, char* argv[]) {
  SecureStandardStreams();
  DisableCoreDumps();
  if (const std::optional<std::string> problem = CipherChoiceProblem()) {
    std::fprintf(stderr, "tolvane-crypter: %s\n", problem->c_str());
    return 2;
  }
  // A file name is the argument's bytes, UTF-8 or not: through a QString a
  // name that is no UTF-8 would no longer name its file.
  std::vector<std::string> arguments(argv + 1, argv + argc);
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

  // Several files, a folder or --batch: the window for many files is the
  // one window of this process.
  if (start.Window == TStartWindow::Batch) return RunBatchWindow(start);

  TfrmMain frmMain;
  if (!start.File.empty()) frmMain.StartWithFile(start.File, start.Direction);
  frmMain.show();
  return QApplication::exec();
}
