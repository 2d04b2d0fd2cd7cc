// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BatchStart.h"

#include <QApplication>
#include <QStringList>

#include "app/uBatch.h"
#include "window/NullBatchRunner.h"
#include "window/StartArguments.h"

int RunBatchWindow(const TStartArguments& start) {
  TNullBatchRunner runner;
  TfrmBatch frmBatch(runner);
  QStringList names;
  for (const std::string& file : start.Files) names.append(QString::fromStdString(file));
  frmBatch.StartWithFiles(names, start.Direction);
  frmBatch.show();
  return QApplication::exec();
}
