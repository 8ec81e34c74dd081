#include "app/qt/TSpinEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProxyStyle>
#include <algorithm>

namespace galt {

namespace {

// Spin boxes step by 10 while Ctrl is held (arrow keys, wheel, spin buttons);
// this field steps by 1 whatever is held.
class StepByOneStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_SpinBox_StepModifier) return Qt::NoModifier;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

}  // namespace

TSpinEdit::TSpinEdit(SpinValue& value, QWidget* parent) : QAbstractSpinBox(parent), value_(value) {
  // The value is read from the text on demand, never interpreted while typing.
  setKeyboardTracking(false);
  // A child, so it outlives the widget's own destruction.
  auto* style = new StepByOneStyle;
  style->setParent(this);
  setStyle(style);
  ShowValueText();
  value_.OnChange = [this] { ShowValueText(); };
  connect(lineEdit(), &QLineEdit::textChanged, this,
          [this](const QString& text) { value_.SetText(text.toStdString()); });
}

TSpinEdit::~TSpinEdit() { value_.OnChange = nullptr; }

void TSpinEdit::ShowValueText() {
  const QString text = QString::fromStdString(value_.Text());
  if (lineEdit()->text() != text) lineEdit()->setText(text);
}

void TSpinEdit::stepBy(int steps) {
  // In 64 bits: a typed value near the int limits must not overflow.
  const long long next = static_cast<long long>(value_.Value()) + steps;
  value_.SetValue(static_cast<int>(std::clamp<long long>(next, value_.MinValue(), value_.MaxValue())));
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  return StepUpEnabled | StepDownEnabled;
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
  const QString decimal = locale().decimalPoint();
  for (const QChar c : input) {
    const bool allowed = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || decimal.contains(c);
    if (!allowed) return QValidator::Invalid;
  }
  // Refused as it is typed: a slip such as "2370" for 237 would otherwise be
  // brought to the maximum on leaving, another serial number.
  if (!value_.Admits(input.toStdString())) return QValidator::Invalid;
  return QValidator::Acceptable;
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
  // Page keys would step by 10; this field steps by 1 only.
  if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
    event->ignore();
    return;
  }
  QAbstractSpinBox::keyPressEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
  QAbstractSpinBox::focusOutEvent(event);
  // A popup or another application taking the focus leaves the field the
  // focused control of its window; only a move to another control ends the edit.
  if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
    value_.Normalize();
  }
}

}  // namespace galt
