// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BatchStart.h"

#include <QApplication>

#include "app/uBatch.h"
#include "window/EngineBatchRunner.h"
#include "window/StartArguments.h"

int RunBatchWindow(const TStartArguments& start) {
  TEngineBatchRunner runner;
  TfrmBatch frmBatch(runner);
  frmBatch.StartWithFiles(start.Files, start.Direction);
  frmBatch.show();
  return QApplication::exec();
}
