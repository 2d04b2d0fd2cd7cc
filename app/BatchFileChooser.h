// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "app/FileChooser.h"

class QWidget;

// The batch window's file choices: several files for "Hinzufügen...", one
// folder for the results. Nothing when the user cancels.
class IBatchChooser {
 public:
  virtual ~IBatchChooser() = default;
  virtual QStringList ChooseFiles() = 0;
  virtual std::optional<QString> ChooseFolder() = 0;
};

// Both through the main window's one dialog, so that they keep its German
// labels and leave no settings behind, in the mode each needs.
class TBatchDialogs final : public IBatchChooser {
 public:
  explicit TBatchDialogs(QWidget* owner) : FDialog(owner) {}

  QStringList ChooseFiles() override;
  std::optional<QString> ChooseFolder() override;

 private:
  TOpenDialog FDialog;
};
