// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the batch window into a PNG without showing it on a screen, after
// a real run over a few scratch files, one of them left out:
//   QT_QPA_PLATFORM=offscreen tolvane-batch-screenshot docs/batch-window.png
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Translations.h"
#include "app/uBatch.h"
#include "window/EngineBatchRunner.h"
#include "window/UserPrompt.h"

namespace {

// The summary box is not part of the picture.
class TSilentPrompt final : public IUserPrompt {
 public:
  int ShowMessage(const std::string&, const std::string&, unsigned) override { return idOK; }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: tolvane-batch-screenshot [Qt options] BATCH.png\n");
    return 2;
  }
  InstallGermanTranslations(app);
  const QString name = QDir::current().absoluteFilePath(args[1]);

  QTemporaryDir scratch(QDir::tempPath() + "/Urlaub-XXXXXX");
  std::vector<std::string> files;
  const std::pair<const char*, int> made[] = {{"Strand.jpg", 3 << 20},
                                              {"Hafen.jpg", 2 << 20},
                                              {"Reiseplan.pdf", 180 << 10},
                                              {"Notizen.txt", 4 << 10},
                                              {"Vertrag.tvn", 96 << 10}};
  for (const auto& [file, size] : made) {
    QFile source(scratch.filePath(file));
    if (!source.open(QIODevice::WriteOnly) || !source.resize(size)) return 1;
    files.push_back(QFile::encodeName(source.fileName()).toStdString());
  }

  TEngineBatchRunner runner;
  TSilentPrompt silent;
  TfrmBatch frmBatch(runner);
  frmBatch.SetPrompt(&silent);
  frmBatch.resize(760, 480);
  frmBatch.StartWithFiles(files, std::nullopt);
  frmBatch.show();
  for (const char* edit : {"edPassword1", "edPassword2"})
    frmBatch.findChild<QLineEdit*>(edit)->setText(QStringLiteral("geheim"));
  frmBatch.findChild<QPushButton*>("btnStart")->click();
  while (frmBatch.Running()) QApplication::processEvents(QEventLoop::AllEvents, 10);
  QApplication::processEvents();

  const QPixmap shot = frmBatch.grab();
  const QByteArray file = name.toUtf8();
  if (!shot.save(name, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", file.constData());
    return 1;
  }
  std::printf("%s: %dx%d pixels\n", file.constData(), shot.width(), shot.height());
  return 0;
}
