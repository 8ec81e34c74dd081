// The serial-number field: what can be typed, stepping, and when a value
// outside the range is brought back into it.

#include <QComboBox>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QWheelEvent>

#include "app/qt/TSpinEdit.h"
#include "tests/app/qt/FormFixture.h"

namespace galt::testing {
namespace {

class SpinEditTest : public FormTest {
 protected:
  void SetUp() override {
    form.zn->setLocale(QLocale::c());
    ShowActive();
    form.zn->setFocus();
  }
  void Type(const QString& text) {
    form.zn->selectAll();
    QTest::keyClicks(form.zn, text);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(form.zn, key, modifiers); }
  void Wheel(Qt::KeyboardModifiers modifiers) {  // one notch up
    QWheelEvent wheel(QPointF(5, 5), form.zn->mapToGlobal(QPointF(5, 5)), {}, {0, 120}, Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form.zn, &wheel);
  }
  QString Text() const { return form.zn->text(); }
  SpinValue& value() { return form.Core().zn; }
};

TEST_F(SpinEditTest, OnlyDigitsSignsAndTheDecimalSeparatorCanBeTyped) {
  Type(QStringLiteral("1a2 b"));
  EXPECT_EQ(Text(), QStringLiteral("12"));
  Type(QStringLiteral("-1.5,x+"));
  EXPECT_EQ(Text(), QStringLiteral("-1.5+"));
  EXPECT_EQ(value().Value(), 100) << "a text that is no integer reads as the minimum";
  Type(QStringLiteral("-"));
  EXPECT_EQ(value().Value(), 100);
}

TEST_F(SpinEditTest, ArrowKeysStepByOneWithinTheRange) {
  Key(Qt::Key_Down);
  EXPECT_EQ(Text(), QStringLiteral("100"));
  Key(Qt::Key_Up);
  Key(Qt::Key_Up);
  EXPECT_EQ(Text(), QStringLiteral("102"));
  Key(Qt::Key_PageUp);
  EXPECT_EQ(Text(), QStringLiteral("102")) << "no steps of ten";
  Key(Qt::Key_Up, Qt::ControlModifier);
  Wheel(Qt::ControlModifier);
  Wheel(Qt::NoModifier);
  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(Text(), QStringLiteral("104")) << "Ctrl steps by 1 too";
  Type(QStringLiteral("349"));
  Key(Qt::Key_Up);
  Key(Qt::Key_Up);
  EXPECT_EQ(Text(), QStringLiteral("350"));
  Type(QStringLiteral("50"));
  Key(Qt::Key_Down);
  EXPECT_EQ(Text(), QStringLiteral("100")) << "a step from outside lands inside the range";
  Type(QStringLiteral("-2147483648"));
  Key(Qt::Key_Down);
  EXPECT_EQ(Text(), QStringLiteral("100"));
}

TEST_F(SpinEditTest, SpinButtonsStepByOne) {
  QStyleOptionSpinBox option;
  option.initFrom(form.zn);
  option.subControls = QStyle::SC_All;
  option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
  option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
  option.frame = true;
  const QRect up = form.zn->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, form.zn);
  const QRect down = form.zn->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxDown, form.zn);
  QTest::mouseClick(form.zn, Qt::LeftButton, {}, up.center());
  QTest::mouseClick(form.zn, Qt::LeftButton, Qt::ControlModifier, up.center());
  EXPECT_EQ(Text(), QStringLiteral("102"));
  QTest::mouseClick(form.zn, Qt::LeftButton, {}, down.center());
  EXPECT_EQ(Text(), QStringLiteral("101"));
}

TEST_F(SpinEditTest, AKeystrokeAboveTheRangeIsRefusedAValueBelowStaysUntilTheFocusMovesOn) {
  Type(QStringLiteral("2370"));
  EXPECT_EQ(Text(), QStringLiteral("237"));
  Key(Qt::Key_Backspace);
  QTest::keyClicks(form.zn, QStringLiteral("5"));
  EXPECT_EQ(Text(), QStringLiteral("235"));
  Type(QStringLiteral("400"));
  EXPECT_EQ(Text(), QStringLiteral("40"));
  EXPECT_EQ(value().Value(), 40);
  QTest::keyClick(form.zn, Qt::Key_Tab);
  EXPECT_TRUE(form.cmbPorts->hasFocus());
  EXPECT_EQ(Text(), QStringLiteral("100"));
  EXPECT_EQ(value().Value(), 100);

  form.zn->setFocus();
  Type(QStringLiteral("50"));
  form.cmbPorts->setFocus(Qt::MouseFocusReason);
  EXPECT_EQ(Text(), QStringLiteral("100"));
}

TEST_F(SpinEditTest, AValueSetByTheProgramIsShownWithinTheRange) {
  value().SetValue(500);
  EXPECT_EQ(Text(), QStringLiteral("350"));
  value().SetValue(123);
  EXPECT_EQ(Text(), QStringLiteral("123"));
}

}  // namespace
}  // namespace galt::testing
