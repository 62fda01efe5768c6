// A spin box that keeps whatever the user types. QSpinBox refuses text out of
// its range; the program's own value rules need the typed text as it is, so
// this box only shows text, and reports edits, steps and focus loss.
#pragma once

#include <QAbstractSpinBox>

namespace lobbyfind::qt {

class TextSpinBox final : public QAbstractSpinBox {
  Q_OBJECT

 public:
  TextSpinBox(int minimum, int maximum, int initial, QWidget* parent);

  [[nodiscard]] int minimum() const { return minimum_; }
  [[nodiscard]] int maximum() const { return maximum_; }
  // The shown text (QAbstractSpinBox::text() without prefix handling).
  [[nodiscard]] QString shownText() const;
  // Sets the shown text without raising `edited`.
  void setShownText(const QString& text);

  void stepBy(int steps) override;

 signals:
  // The user changed the text: typed, pasted, or stepped with the arrows.
  void edited();
  // The box lost the keyboard focus.
  void exited();

 protected:
  [[nodiscard]] StepEnabled stepEnabled() const override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int minimum_;
  int maximum_;
};

}  // namespace lobbyfind::qt
