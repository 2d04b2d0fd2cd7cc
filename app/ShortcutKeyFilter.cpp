// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShortcutKeyFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

void TShortcutKeyFilter::Watch(QWidget& edit) { edit.installEventFilter(this); }

bool TShortcutKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (!(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) || key->text().isEmpty())
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
