#include <QApplication>

#include "app/Messages.h"
#include "app/Translations.h"
#include "app/uMain.h"
#include "twofish/Twofish.h"

int main(int argc, char* argv[]) {
  BuildMdsTables();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(msg::AppTitle));
  // Message boxes carry their own captions, without the application's name
  // appended by the desktop.
  QApplication::setApplicationDisplayName(QString());
  InstallGermanTranslations(app);

  TfrmMain frmMain;
  frmMain.show();
  return QApplication::exec();
}
