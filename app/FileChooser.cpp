// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FileChooser.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QFileDialog>
#include <QSettings>
#include <QTimer>

#include "window/Messages.h"
#include "window/WindowModel.h"

namespace {

// The name field's completion list can open again after the dialog has
// closed (the folder it lists finishes loading, or the Return that accepted
// the name reached the list first): it would then cover the window and take
// its next click. It is put away whenever it shows without its dialog.
class TCompletionGuard final : public QObject {
 public:
  explicit TCompletionGuard(QFileDialog& dialog) : QObject(&dialog), FDialog(dialog) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && !FDialog.isVisible())
      // Hidden from within its own showing it would still be mapped.
      QTimer::singleShot(0, static_cast<QWidget*>(watched), &QWidget::hide);
    return false;
  }

 private:
  QFileDialog& FDialog;
};

// Qt's dialog keeps its folder history, last folder, places and layout in
// the user's QtProject.conf, which every Qt program shares: it reads them
// when it is made and writes them, with the folders visited, when it goes.
// This program keeps no settings and leaves no trace of where its user
// looked, so Qt's user settings of this process point where nothing can be
// read or written (not even by root).
std::unique_ptr<QFileDialog> MakeDialogWithoutSettings(QWidget* owner) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
  return std::make_unique<QFileDialog>(owner, QString::fromUtf8(msg::OpenDialogTitle));
}

}  // namespace

TOpenDialog::TOpenDialog(QWidget* owner) : FDialog(MakeDialogWithoutSettings(owner)) {
  FDialog->setOption(QFileDialog::DontUseNativeDialog);
  FDialog->setFileMode(QFileDialog::AnyFile);
  FDialog->setAcceptMode(QFileDialog::AcceptOpen);
  // No default suffix for Qt: it appends one even to a name that exists as
  // typed, which then names a file that does not (WithDefaultExtension).
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
  auto* guard = new TCompletionGuard(*FDialog);
  for (QCompleter* completer : FDialog->findChildren<QCompleter*>())
    if (QAbstractItemView* popup = completer->popup()) popup->installEventFilter(guard);
}

TOpenDialog::~TOpenDialog() = default;

void TOpenDialog::HideCompletions() {
  for (QCompleter* completer : FDialog->findChildren<QCompleter*>())
    if (QAbstractItemView* popup = completer->popup()) popup->hide();
}

std::optional<QString> TOpenDialog::ChooseFile() {
  if (!FLastChosen.isEmpty()) FDialog->selectFile(FLastChosen);
  const int result = FDialog->exec();
  HideCompletions();
  if (result != QDialog::Accepted) return std::nullopt;
  const QStringList files = FDialog->selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  FLastChosen = QString::fromStdString(WithDefaultExtension(files.first().toStdString()));
  return FLastChosen;
}
