#include "qt/text_spin_box.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "app/spin_box.h"

namespace lobbyfind::qt {

TextSpinBox::TextSpinBox(int minimum, int maximum, int initial, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum) {
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setKeyboardTracking(true);
  lineEdit()->setText(QString::number(initial));
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] { emit edited(); });
}

QString TextSpinBox::shownText() const { return lineEdit()->text(); }

void TextSpinBox::setShownText(const QString& text) {
  const QSignalBlocker quiet(lineEdit());
  lineEdit()->setText(text);
}

void TextSpinBox::stepBy(int steps) {
  const app::SpinRange range{minimum_, maximum_, minimum_};
  setShownText(QString::number(app::SpinBoxStep(shownText().toStdString(), range, steps)));
  emit edited();
}

QAbstractSpinBox::StepEnabled TextSpinBox::stepEnabled() const {
  return isReadOnly() ? StepNone : (StepUpEnabled | StepDownEnabled);
}

void TextSpinBox::focusOutEvent(QFocusEvent* event) {
  QAbstractSpinBox::focusOutEvent(event);
  emit exited();
}

}  // namespace lobbyfind::qt
