#include "app/FileChooser.h"

#include <QFileDialog>

#include "app/Messages.h"

TOpenDialog::TOpenDialog(QWidget* owner)
    : FDialog(std::make_unique<QFileDialog>(owner, QString::fromUtf8(msg::OpenDialogTitle))) {
  FDialog->setOption(QFileDialog::DontUseNativeDialog);
  FDialog->setFileMode(QFileDialog::AnyFile);
  FDialog->setAcceptMode(QFileDialog::AcceptOpen);
  FDialog->setDefaultSuffix(QString::fromUtf8(msg::OpenDialogSuffix));
  // The last parenthesised group is the pattern Qt filters with; with the
  // details hidden the list shows "Alle Dateien (*.*)" yet lists every file,
  // names without a dot included (Qt's "*.*" wants a dot).
  FDialog->setOption(QFileDialog::HideNameFilterDetails);
  FDialog->setNameFilter(QString::fromUtf8(msg::OpenDialogFilter) + QStringLiteral(" (*)"));
  // German even where Qt's translation is missing; the rest of the dialog
  // (headers, context menu) follows the installed translation.
  FDialog->setLabelText(QFileDialog::LookIn, QString::fromUtf8(msg::OpenDialogLookIn));
  FDialog->setLabelText(QFileDialog::FileName, QString::fromUtf8(msg::OpenDialogFileName));
  FDialog->setLabelText(QFileDialog::FileType, QString::fromUtf8(msg::OpenDialogFileType));
  FDialog->setLabelText(QFileDialog::Accept, QString::fromUtf8(msg::OpenDialogAccept));
  FDialog->setLabelText(QFileDialog::Reject, QString::fromUtf8(msg::OpenDialogReject));
}

TOpenDialog::~TOpenDialog() = default;

std::optional<QString> TOpenDialog::ChooseFile() {
  if (!FLastChosen.isEmpty()) FDialog->selectFile(FLastChosen);
  if (FDialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = FDialog->selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  FLastChosen = files.first();
  return FLastChosen;
}
