#include "app/AppStyle.h"

#include <QApplication>
#include <QWidget>

int TAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
  switch (hint) {
    case SH_ToolTip_WakeUpDelay: return HintDelayMs;
    case SH_LineEdit_PasswordCharacter: return '*';
    default: return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
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
