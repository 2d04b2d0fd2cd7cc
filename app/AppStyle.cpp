// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <QWidget>

int TAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
  switch (hint) {
    case SH_ToolTip_WakeUpDelay: return HintDelayMs;
    case SH_LineEdit_PasswordCharacter: return '*';
    default: return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
}

void TAppStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
  const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
  // The "Windows" style draws a bar inside a 2-pixel frame in chunks with
  // margins: in the window's 4-pixel band nothing of it is left. A bar
  // without text is drawn flat instead: the done part in the highlight
  // colour on a darker track than the window.
  if (element != CE_ProgressBar || bar == nullptr || bar->textVisible ||
      !(bar->state & State_Horizontal) || bar->maximum <= bar->minimum) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  const QRect track = bar->rect;
  const qint64 span = qint64(bar->maximum) - bar->minimum;
  const qint64 done = qBound(qint64(0), qint64(bar->progress) - bar->minimum, span);
  const int filled = int(track.width() * done / span);
  const bool fromRight = (bar->direction == Qt::RightToLeft) != bar->invertedAppearance;
  QRect part = track;
  part.setWidth(filled);
  if (fromRight) part.moveRight(track.right());
  painter->fillRect(track, bar->palette.color(QPalette::Mid));
  painter->fillRect(part, bar->palette.color(QPalette::Highlight));
}

void InstallAppStyle(QApplication& app) {
  // The layout is fixed in pixels; Qt's "Windows" style draws controls with
  // the metrics it was laid out for (Fusion's larger indicators clip the
  // radio captions), and it looks the same on every desktop. The proxy owns
  // its base style, the application the proxy.
  app.setStyle(new TAppStyle(QStringLiteral("Windows")));
}

void ApplyHintDisplayTime(QWidget& root) {
  if (!root.toolTip().isEmpty()) root.setToolTipDuration(HintDisplayMs);
  for (QWidget* child : root.findChildren<QWidget*>())
    if (!child->toolTip().isEmpty()) child->setToolTipDuration(HintDisplayMs);
}
