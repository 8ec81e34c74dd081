// The Qt window's own part: its controls laid out from the form's design,
// the focus cycle, keys and clicks reaching the binding, and closing. What
// the binding does with them is tested in tests/frontend.

#include <QAccessible>
#include <QComboBox>
#include <QKeyEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/qt/TGauge.h"
#include "app/qt/TSpinEdit.h"
#include "app/qt/WindowFonts.h"
#include "frontend/ProgressText.h"
#include "tests/app/qt/FormFixture.h"

namespace galt::testing {
namespace {

QRect At(const form::Control& design) { return RectOf(design.place); }
QString Caption(const form::Control& design) { return QString::fromUtf8(design.caption); }

TEST_F(FormTest, InstallPanelStartsWithItsLayoutTextsAndValues) {
  EXPECT_EQ(form.size(), At(form::Panel3).size());
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the window must not be resizable";
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(form.windowIcon().pixmap(32, 32).isNull());

  // Where the design places them; a length of 0 is the content's.
  EXPECT_EQ(form.Panel3->geometry(), At(form::Panel3));
  for (const auto& [widget, design] : std::initializer_list<std::pair<QWidget*, const form::Control*>>{
           {form.cmbPorts, &form::cmbPorts}, {form.zn, &form::zn}, {form.sized1, &form::sized1},
           {form.Label1, &form::Label1}, {form.Gauge1, &form::Gauge1}, {form.Label2, &form::Label2},
           {form.Gauge2, &form::Gauge2}, {form.Button4, &form::Button4}}) {
    const form::Place& p = design->place;
    const QRect r = widget->geometry();
    EXPECT_EQ(QRect(r.x(), r.y(), p.width ? r.width() : 0, p.height ? r.height() : 0),
              QRect(p.left, p.top, p.width, p.height)) << design->caption;
    EXPECT_EQ(widget->font().pixelSize(), design->font.px) << design->caption;
    EXPECT_EQ(widget->font().bold(), design->font.bold) << design->caption;
    // The fields have no label on the form: a screen reader says their name
    // or their label's.
    if (design->spokenName) {
      QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(widget);
      QStringList names{spoken->text(QAccessible::Name)};
      for (const auto& [label, relation] : spoken->relations(QAccessible::Label)) {
        names << label->text(QAccessible::Name);
        EXPECT_FALSE(label->object() && static_cast<QWidget*>(label->object())->isVisible());
      }
      EXPECT_TRUE(names.contains(QString::fromUtf8(design->spokenName))) << names.join(", ").toStdString();
    }
  }
  EXPECT_TRUE(form::cmbPorts.spokenName && form::zn.spokenName);
  EXPECT_NE(QGuiApplication::font(), FontOf(form::Panel3.font)) << "boxes and menus keep the system's font";
  EXPECT_EQ(form.Label1->palette().color(QPalette::WindowText), ColourOf(*form::Label1.colour));
  EXPECT_EQ(form.cmbPorts->palette().color(QPalette::Text), ColourOf(*form::cmbPorts.colour));
  // The fallback font is wider than the designed one: captions must still
  // end before their gauges.
  EXPECT_LT(form.Label1->geometry().right(), form.Gauge1->x());
  EXPECT_LT(form.Label2->geometry().right(), form.Gauge2->x());

  EXPECT_TRUE(form.cmbPorts->isEditable());
  EXPECT_EQ(form.cmbPorts->currentText(), Caption(form::cmbPorts));
  EXPECT_EQ(form.cmbPorts->count(), 0) << "no port is listed before port discovery exists";
  EXPECT_EQ(form.zn->text(), QStringLiteral("100"));
  EXPECT_TRUE(form.sized1->text().isEmpty());
  EXPECT_EQ(form.Label1->text(), Caption(form::Label1));
  EXPECT_EQ(form.Label2->text(), Caption(form::Label2));
  EXPECT_EQ(form.Button4->text(), Caption(form::Button4));
  EXPECT_TRUE(form.Button4->isEnabled());
}

TEST_F(FormTest, ThePortFieldShowsTheLongestPortNamesWhole) {
  // Run at 1x and, as its own test, at 2x scaling (QT_SCALE_FACTOR=2).
  ShowActive();
  QLineEdit* edit = form.cmbPorts->lineEdit();
  for (const char* name : {"USB31", "ACM31", "S31", "pts/12"}) {
    TSerPortEntry entry;
    entry.Name = name;
    entry.Path = std::string("/dev/") + name;
    form.cmbPorts->SetEntries({entry}, entry.Path);
    EXPECT_TRUE(form.cmbPorts->toolTip().contains(QString::fromStdString(entry.Path)));
    // The line edit keeps two pixels clear inside each side.
    const int room = edit->contentsRect().width() - 4;
    EXPECT_LE(QFontMetrics(edit->font()).horizontalAdvance(edit->text()), room)
        << edit->text().toStdString() << " at " << form.devicePixelRatio() << "x";
  }
  EXPECT_EQ(edit->text(), QStringLiteral("pts/12"));
  EXPECT_EQ(form.cmbPorts->width(), form::cmbPorts.place.width) << "the field keeps its width";
}

TEST_F(FormTest, FocusCyclesInstallButtonSerialNumberAndPortSelectorOnly) {
  ShowActive();
  EXPECT_TRUE(form.Button4->hasFocus()) << "the install button holds the focus at first";
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(form.zn->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(form.cmbPorts->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(form.Button4->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_TRUE(form.cmbPorts->hasFocus());
}

TEST_F(FormTest, ClickingInstallBringsATypedSerialNumberIntoRangeBeforeTheInstallReadsIt) {
  ShowActive();
  form.zn->setFocus();
  form.zn->selectAll();
  QTest::keyClicks(form.zn, QStringLiteral("50"));
  EXPECT_EQ(form.zn->text(), QStringLiteral("50")) << "the typed value stays while the field has the focus";

  QTest::mouseClick(form.Button4, Qt::LeftButton);
  EXPECT_EQ(form.zn->text(), QStringLiteral("100"));
  EXPECT_EQ(port.sent.size(), 1u) << "the click reaches the install";
}

TEST_F(FormTest, EnterOnTheFocusedInstallButtonPressesIt) {
  ShowActive();
  ASSERT_TRUE(form.Button4->hasFocus());
  const QImage focused = form.Button4->grab().toImage();
  QTest::keyClick(form.Button4, Qt::Key_Return);
  ASSERT_EQ(port.sent.size(), 1u) << "Enter started the install";
  EXPECT_EQ(form.windowTitle().toStdString(), OperationTitle(form.Core())) << "the title follows";
  clock.Advance(201 * 50);  // the port never answers: the deactivation error
  ASSERT_EQ(boxes.boxes.size(), 1u);

  const std::size_t sent = port.sent.size();
  QTest::keyClick(form.Button4, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(port.sent.size(), sent + 1) << "keypad Enter starts it again";
  form.zn->setFocus();
  EXPECT_NE(form.Button4->grab().toImage(), focused) << "the focus is drawn on the button";
}

TEST_F(FormTest, AHeldEnterKeyNeverPressesTheInstallButtonAgain) {
  ShowActive();
  const auto enter = [&](bool repeated) {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), repeated);
    QApplication::sendEvent(form.Button4, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), repeated);
    QApplication::sendEvent(form.Button4, &up);
  };
  enter(false);
  ASSERT_EQ(port.sent.size(), 1u);
  clock.Advance(201 * 50);  // the port never answers: the deactivation error
  ASSERT_EQ(boxes.boxes.size(), 1u);
  const std::size_t sent = port.sent.size();
  for (int i = 0; i < 5; ++i) enter(true);  // the key still held after the box
  EXPECT_EQ(port.sent.size(), sent);
  EXPECT_FALSE(form.Core().OperationRunning());
  enter(false);
  EXPECT_EQ(port.sent.size(), sent + 1) << "a new press still works";
}

TEST_F(FormTest, AnEmptySerialNumberIsReadAsTheMinimum) {
  ShowActive();
  form.zn->setFocus();
  form.zn->selectAll();
  QTest::keyClick(form.zn, Qt::Key_Backspace);
  EXPECT_TRUE(form.zn->text().isEmpty());
  EXPECT_EQ(form.Core().zn.Value(), 100);

  QTest::mouseClick(form.Button4, Qt::LeftButton);
  ASSERT_FALSE(port.sent.empty());
  EXPECT_EQ(FrameSerial(port.sent.front()), 100);
  EXPECT_EQ(form.zn->text(), QStringLiteral("100"));
}

TEST_F(FormTest, TheVerifyCaptionShowsWhatTheHandlerLeftInIt) {
  form.Core().sized1 = "FLASH-память:  00000: FF FF";
  form.cp1RxChar(0);
  EXPECT_EQ(form.sized1->text(), QStringLiteral("FLASH-память:  00000: FF FF"));
  EXPECT_GE(form.sized1->width(), form.sized1->sizeHint().width()) << "the label grows with its text";
}

TEST_F(FormTest, ClosingInTheMiddleOfAnInstallEndsTheProgramWithoutAQuestion) {
  ShowActive();
  QTest::mouseClick(form.Button4, Qt::LeftButton);
  ASSERT_TRUE(form.Core().Timer2->Enabled());

  QApplication::setQuitOnLastWindowClosed(true);
  QTimer::singleShot(0, &form, [this] { form.close(); });
  QTimer guard;  // closing did not end the loop
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  guard.start(10000);
  const int result = QApplication::exec();
  QApplication::setQuitOnLastWindowClosed(false);

  EXPECT_EQ(result, 0);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Core().Timer2->Enabled()) << "the install is abandoned";
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace galt::testing
