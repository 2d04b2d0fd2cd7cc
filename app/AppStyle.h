// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

#include "window/WindowModel.h"

class QApplication;
class QWidget;

inline constexpr int HintDelayMs = TWindowModel::HintPauseMs;
inline constexpr int HintDisplayMs = TWindowModel::HintHideMs;

// The application's style: Qt's "Windows" style, with the hint delay, the
// "*" that masks password edits and a flat progress bar.
class TAppStyle final : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
};

// Makes TAppStyle the application's style.
void InstallAppStyle(QApplication& app);

// Qt keeps a hint's display time per widget: gives every widget below root
// (root included) that has a hint the application's display time.
void ApplyHintDisplayTime(QWidget& root);
