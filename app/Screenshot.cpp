// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the main window into PNGs without showing it on a screen: Idle,
// and, given a second file, in the middle of a real run:
//   QT_QPA_PLATFORM=offscreen tolvane-screenshot docs/window.png docs/window-running.png
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <memory>

#include "app/CryptThread.h"
#include "app/Translations.h"
#include "app/uMain.h"
#include "window/UserPrompt.h"

namespace {

constexpr int ShownPercent = 40;

// The run's own messages are not part of the picture.
class TSilentPrompt final : public IUserPrompt {
 public:
  int ShowMessage(const std::string&, const std::string&, unsigned flags) override {
    return (flags & mb::ButtonMask) == mb::YESNO ? idYes : idOK;
  }
};

// Holds the worker just past ShownPercent, so that the bar has taken that
// value and keeps it while the window is drawn. Shared with the worker.
struct THold {
  QSemaphore Held;
  QSemaphore Resume;
  std::atomic<bool> Used{false};
};

bool Save(const QPixmap& shot, const QString& name) {
  const QByteArray file = name.toUtf8();
  if (!shot.save(name, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", file.constData());
    return false;
  }
  std::printf("%s: %dx%d pixels\n", file.constData(), shot.width(), shot.height());
  return true;
}

// Encrypts a scratch file from the window, with the names and password a
// user would have typed, and draws the window while the bar reads
// ShownPercent.
QPixmap RenderRunning(TfrmMain& frmMain) {
  QTemporaryDir scratch;
  const QString home = QDir::currentPath();
  // Short names in the edits, as after a pick in the folder itself.
  QDir::setCurrent(scratch.path());
  QFile source(QStringLiteral("Jahresbericht.pdf"));
  if (!source.open(QIODevice::WriteOnly) || !source.resize(4 * 1024 * 1024)) return {};
  source.close();

  TSilentPrompt silent;
  frmMain.SetJobPrompt(&silent);
  auto hold = std::make_shared<THold>();
  frmMain.SetJobObserver([hold](const TCryptRequest&, TCryptThread& job) {
    QObject::connect(
        &job, &TCryptThread::ProgressChanged, &job,
        [hold](int percent) {
          // Runs on the worker before the window hears of this percentage.
          if (percent <= ShownPercent || hold->Used.exchange(true)) return;
          hold->Held.release();
          hold->Resume.acquire();
        },
        Qt::DirectConnection);
  });
  frmMain.TakeSourceFile(source.fileName());
  for (const char* edit : {"edPassword1", "edPassword2"})
    frmMain.findChild<QLineEdit*>(edit)->setText(QStringLiteral("geheim"));
  frmMain.findChild<QPushButton*>("btnStart")->click();

  const auto* bar = frmMain.findChild<QProgressBar*>("pbProgress");
  while (!hold->Held.tryAcquire(1, 10)) QApplication::processEvents();
  while (bar->value() != ShownPercent) QApplication::processEvents();
  const QPixmap shot = frmMain.grab();

  hold->Resume.release();
  while (frmMain.Running()) QApplication::processEvents(QEventLoop::AllEvents, 10);
  QDir::setCurrent(home);
  return shot;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);  // takes Qt's own options (-style ...) out of argv
  const QStringList args = QApplication::arguments();
  if (args.size() != 2 && args.size() != 3) {
    std::fprintf(stderr, "usage: tolvane-screenshot [Qt options] IDLE.png [RUNNING.png]\n");
    return 2;
  }
  InstallGermanTranslations(app);
  // Relative names are taken from where the tool was started.
  const QString idle = QDir::current().absoluteFilePath(args[1]);
  const QString running = args.size() == 3 ? QDir::current().absoluteFilePath(args[2]) : QString();

  TfrmMain frmMain;
  frmMain.show();
  QApplication::processEvents();
  if (!Save(frmMain.grab(), idle)) return 1;
  if (running.isEmpty()) return 0;
  const QPixmap shot = RenderRunning(frmMain);
  if (shot.isNull()) {
    std::fprintf(stderr, "cannot prepare the run\n");
    return 1;
  }
  return Save(shot, running) ? 0 : 1;
}
