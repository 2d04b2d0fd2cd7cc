// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShortcutKeyFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

#include "window/KeyRule.h"

void TShortcutKeyFilter::Watch(QWidget& edit) { edit.installEventFilter(this); }

bool TShortcutKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const QString text = key->text();
  const bool printable =
      !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
  if (text.isEmpty() || KeyTypesText({key->modifiers().testFlag(Qt::ControlModifier),
                                      key->modifiers().testFlag(Qt::AltModifier), printable}))
    return QObject::eventFilter(watched, event);
  // The same key without its text takes the original's place: the edit
  // still sees the shortcut, and what it leaves travels on to the window.
  QKeyEvent bare(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                 key->nativeVirtualKey(), key->nativeModifiers(), QString(), key->isAutoRepeat(),
                 static_cast<quint16>(key->count()), key->device());
  QCoreApplication::sendEvent(watched, &bare);
  key->accept();
  return true;
}
