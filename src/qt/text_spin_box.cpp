#include "qt/text_spin_box.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>

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
  // Arrows step from the typed number (the minimum when there is none) and
  // stay inside the range, as the arrows of any spin box do.
  bool ok = false;
  const long long current = shownText().trimmed().toLongLong(&ok);
  const long long next = std::clamp<long long>((ok ? current : minimum_) + steps, minimum_, maximum_);
  setShownText(QString::number(next));
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
