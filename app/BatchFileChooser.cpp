// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BatchFileChooser.h"

#include <QFileDialog>

#include "window/BatchTexts.h"

QStringList TBatchDialogs::ChooseFiles() {
  QFileDialog& dialog = FDialog.Dialog();
  dialog.setWindowTitle(QString::fromUtf8(BatchText::AddDialogTitle));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setOption(QFileDialog::ShowDirsOnly, false);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

std::optional<QString> TBatchDialogs::ChooseFolder() {
  QFileDialog& dialog = FDialog.Dialog();
  dialog.setWindowTitle(QString::fromUtf8(BatchText::FolderDialogTitle));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}
