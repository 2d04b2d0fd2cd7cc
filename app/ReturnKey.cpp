// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ReturnKey.h"

#include <QKeyEvent>
#include <QPushButton>

bool PressReturn(const QKeyEvent& event, QWidget* focus, QPushButton& start, bool running) {
  const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
  if (!enter || (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  if (auto* button = qobject_cast<QPushButton*>(focus); button && button->isEnabled())
    button->click();
  else if (!running)
    start.click();
  return true;
}
