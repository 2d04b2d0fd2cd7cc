// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QWidget;

// Key presses with Alt or Ctrl reach the watched edits as shortcuts only
// (select all, paste, undo ...), never as typed text: Alt+letter would
// otherwise put the letter into a password edit unseen. AltGr is no Alt on
// X11 and Wayland, so characters typed with it (€, @) still arrive.
class TShortcutKeyFilter final : public QObject {
 public:
  using QObject::QObject;
  void Watch(QWidget& edit);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
