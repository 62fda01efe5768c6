// The widget style of the password field: the toolkit's own look, except that
// typed characters are masked with "*" (the style's own mask is a dot).
#pragma once

#include <QProxyStyle>

class QLineEdit;

namespace lobbyfind::qt {

class StarPasswordStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                QStyleHintReturn* returned = nullptr) const override;
};

// Masks `edit`'s characters with "*"; the style lives as long as the field.
void UseStarPasswordMask(QLineEdit& edit);

}  // namespace lobbyfind::qt
