// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QButtonGroup>
#include <QObject>

class QRadioButton;

// Two radio buttons that make one choice, as in a Windows dialog: exactly
// one of them is checked at all times (a click or Space on the checked one
// changes nothing), Tab stops once, at the checked one, and the arrow keys
// move the choice, and the focus with it, to the other one.
//
// Qt's automatic exclusivity alone is not enough: it counts every radio
// button below the parent, so a pair that contains a second pair (the
// direction around the cipher mode) lets its checked button be unchecked.
class TRadioPair final : public QObject {
 public:
  TRadioPair(QRadioButton& first, QRadioButton& second, QObject* parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateTabStop();
  QRadioButton& Other(const QObject* button) const;

  QRadioButton& FFirst;
  QRadioButton& FSecond;
  QButtonGroup FGroup;
};
