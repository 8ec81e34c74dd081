#pragma once
// A numeric field with spin buttons editing a SpinValue. Only digits, signs
// and the decimal separator can be typed; a text that is not an integer reads
// as the minimum. A keystroke that would take the value above the maximum is
// refused. The arrow keys, the wheel and the spin buttons step by 1 within the
// range, with or without Ctrl. A typed value below the range stays while the
// field has the focus and is brought to the minimum when the focus moves to
// another control.

#include <QAbstractSpinBox>

#include "sequences/Controls.h"

namespace galt {

class TSpinEdit : public QAbstractSpinBox {
 public:
  explicit TSpinEdit(SpinValue& value, QWidget* parent = nullptr);
  ~TSpinEdit() override;

  SpinValue& Value() { return value_; }
  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString&) const override {}  // a typed text stays as typed
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ShowValueText();
  SpinValue& value_;
};

}  // namespace galt
