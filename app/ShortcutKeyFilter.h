// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QWidget;

// Key presses with Alt or Ctrl reach the watched edits as shortcuts only
// (select all, paste, undo ...), never as typed text: Alt+letter would
// otherwise put the letter into a password edit unseen. Characters typed
// with AltGr (€, @) still arrive: it is no Alt on X11 and Wayland, and on
// Windows, where it comes as Ctrl+Alt, KeyTypesText lets its text through.
class TShortcutKeyFilter final : public QObject {
 public:
  using QObject::QObject;
  void Watch(QWidget& edit);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
