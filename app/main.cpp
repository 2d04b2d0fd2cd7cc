#include <QApplication>

#include "app/Messages.h"
#include "app/Translations.h"
#include "app/uMain.h"
#include "platform/Process.h"

int main(int argc, char* argv[]) {
  DisableCoreDumps();
  QApplication app(argc, argv);
  // Not the display name: Qt would append that to every window title, and
  // the message boxes carry captions of their own.
  QApplication::setApplicationName(QString::fromUtf8(msg::AppTitle));
  QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
  InstallGermanTranslations(app);

  TfrmMain frmMain;
  frmMain.show();
  return QApplication::exec();
}
