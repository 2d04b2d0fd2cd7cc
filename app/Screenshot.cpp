// Renders the main window into a PNG without showing it on a screen:
//   QT_QPA_PLATFORM=offscreen tolvane-screenshot docs/window.png
#include <QApplication>
#include <QPixmap>
#include <QStringList>
#include <cstdio>

#include "app/Translations.h"
#include "app/uMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);  // takes Qt's own options (-style ...) out of argv
  const QStringList args = QApplication::arguments();
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: tolvane-screenshot [Qt options] FILE.png\n");
    return 2;
  }
  InstallGermanTranslations(app);

  TfrmMain frmMain;
  frmMain.show();
  QApplication::processEvents();
  const QPixmap shot = frmMain.grab();
  const QByteArray file = args[1].toLocal8Bit();
  if (!shot.save(args[1], "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", file.constData());
    return 1;
  }
  std::printf("%s: %dx%d pixels\n", file.constData(), shot.width(), shot.height());
  return 0;
}
