// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QFileDialog;
class QWidget;

// Asks the user for one file name; nothing when the user cancels.
class IFileChooser {
 public:
  virtual ~IFileChooser() = default;
  virtual std::optional<QString> ChooseFile() = 0;
};

// The window's one file-open dialog, shared by both browse buttons. Qt's own
// dialog (not the desktop's) so that it is German wherever the translation is
// installed. The chosen file need not exist. A name that exists is taken as
// it is; one that does not and has no extension gets ".txt". Each opening
// starts with the name chosen last; nothing of the dialog stays on screen
// once it closes, and nothing of it is kept on disk: no folder history, last
// folder or places, neither read nor written (for the whole process, as Qt
// offers no other way).
class TOpenDialog final : public IFileChooser {
 public:
  explicit TOpenDialog(QWidget* owner);
  ~TOpenDialog() override;

  std::optional<QString> ChooseFile() override;
  QFileDialog& Dialog() { return *FDialog; }

 private:
  void HideCompletions();

  std::unique_ptr<QFileDialog> FDialog;
  QString FLastChosen;
};
