#include "app/star_password_style.h"

#include <QApplication>
#include <QPointer>
#include <QProxyStyle>

namespace app {

namespace {

class TStarPasswordStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* answer) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, answer);
  }
};

}  // namespace

QStyle* StarPasswordStyle() {
  // Owned by the application, so it outlives every window; a new
  // application (as in tests) gets a new one.
  static QPointer<QStyle> style;
  if (!style) {
    style = new TStarPasswordStyle;
    style->setParent(qApp);
  }
  return style;
}

}  // namespace app
