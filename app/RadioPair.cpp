// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RadioPair.h"

#include <QKeyEvent>
#include <QRadioButton>

TRadioPair::TRadioPair(QRadioButton& first, QRadioButton& second, QObject* parent)
    : QObject(parent), FFirst(first), FSecond(second), FGroup(this) {
  FGroup.setExclusive(true);
  FGroup.addButton(&FFirst);
  FGroup.addButton(&FSecond);
  connect(&FGroup, &QButtonGroup::buttonToggled, this, [this] { UpdateTabStop(); });
  for (QRadioButton* button : {&FFirst, &FSecond}) button->installEventFilter(this);
  UpdateTabStop();
}

void TRadioPair::UpdateTabStop() {
  // Qt hands the tab stop to whichever button of a group gains the focus,
  // checked or not; this gives it back to the checked one.
  for (QRadioButton* button : {&FFirst, &FSecond})
    button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

QRadioButton& TRadioPair::Other(const QObject* button) const {
  return button == &FFirst ? FSecond : FFirst;
}

bool TRadioPair::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    UpdateTabStop();
  } else if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool arrow = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
                       key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
    if (arrow && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      // With two buttons every direction leads to the other one; Windows
      // wraps round a group the same way.
      QRadioButton& next = Other(watched);
      if (next.isEnabled()) {
        next.click();
        next.setFocus(Qt::TabFocusReason);
      }
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}
