#include "qt/star_password_style.h"

#include <QLineEdit>

namespace lobbyfind::qt {

int StarPasswordStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                 QStyleHintReturn* returned) const {
  if (hint == SH_LineEdit_PasswordCharacter) return '*';
  return QProxyStyle::styleHint(hint, option, widget, returned);
}

void UseStarPasswordMask(QLineEdit& edit) {
  // A style sheet would say the same in one line, but the first one set in a
  // program builds the whole style-sheet machinery, a noticeable part of the
  // time to the first window; a proxy of the toolkit's style costs nothing.
  auto* style = new StarPasswordStyle;
  style->setParent(&edit);
  edit.setStyle(style);
}

}  // namespace lobbyfind::qt
