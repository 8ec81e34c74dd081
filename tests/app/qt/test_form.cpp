// The window as created: controls, state, focus cycle, the install click,
// errors escaping a handler, and closing.

#include <QComboBox>
#include <QKeyEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/qt/TGauge.h"
#include "app/qt/TSpinEdit.h"
#include "tests/app/qt/FormFixture.h"
#include "tests/support/MemoryLink.h"

namespace galt::testing {
namespace {

TEST_F(FormTest, InstallPanelStartsWithItsLayoutTextsAndValues) {
  EXPECT_EQ(form.size(), QSize(369, 113));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the window must not be resizable";
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form.windowTitle().contains(QStringLiteral("GALT-5R")));
  EXPECT_TRUE(form.windowTitle().contains(QStringLiteral("0211")));
  EXPECT_FALSE(form.windowIcon().pixmap(32, 32).isNull());

  EXPECT_EQ(form.Panel3->geometry(), QRect(0, 0, 369, 113));
  EXPECT_EQ(form.cmbPorts->pos(), QPoint(9, 9));
  EXPECT_EQ(form.cmbPorts->width(), 73);
  EXPECT_EQ(form.zn->geometry(), QRect(9, 41, 65, 26));
  EXPECT_EQ(form.sized1->pos(), QPoint(8, 2));
  EXPECT_EQ(form.Label1->pos(), QPoint(96, 16));
  EXPECT_EQ(form.Gauge1->geometry(), QRect(200, 16, 153, 17));
  EXPECT_EQ(form.Label2->pos(), QPoint(96, 40));
  EXPECT_EQ(form.Gauge2->geometry(), QRect(160, 40, 193, 17));
  EXPECT_EQ(form.Button4->geometry(), QRect(80, 75, 209, 25));
  // The fallback font is wider than the designed one: captions must still
  // end before their gauges.
  EXPECT_LT(form.Label1->geometry().right(), form.Gauge1->x());
  EXPECT_LT(form.Label2->geometry().right(), form.Gauge2->x());

  EXPECT_TRUE(form.cmbPorts->isEditable());
  EXPECT_EQ(form.cmbPorts->currentText(), QStringLiteral("COM1"));
  EXPECT_EQ(form.cmbPorts->count(), 0) << "no port is listed before port discovery exists";
  EXPECT_EQ(form.zn->text(), QStringLiteral("100"));
  EXPECT_TRUE(form.sized1->text().isEmpty());
  EXPECT_EQ(form.Label1->text(), QStringLiteral("Деактивизация:"));
  EXPECT_EQ(form.Label2->text(), QStringLiteral("Загрузка:"));
  EXPECT_EQ(form.Button4->text(), QStringLiteral("Установить версию GALT-5R.0211"));
  EXPECT_TRUE(form.Button4->isEnabled());

  // The service panel is state only; it starts as the install expects.
  LoaderCore& core = form.Core();
  EXPECT_EQ(core.zn.Value(), 100);
  EXPECT_EQ(core.SPBLL.Value(), 0);
  EXPECT_EQ(core.SPBLH.Value(), 233);
  for (const Timer* timer : {core.Timer2.get(), core.Timer3.get(), core.Timer4.get()}) EXPECT_FALSE(timer->Enabled());
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_TRUE(port.sent.empty()) << "nothing is sent before the user acts";
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
  EXPECT_EQ(form.cmbPorts->width(), 73) << "the field keeps its width";
}

TEST_F(FormTest, CreationBuildsTheBlankImageOf7937Lines) {
  const ImageBuffer& image = form.Core().Memo1;
  ASSERT_EQ(image.Count(), 7937u);
  EXPECT_EQ(image.Line(0), BlankLineText(0));
  EXPECT_EQ(image.Line(7936), BlankLineText(7936));
  EXPECT_EQ(image.Line(7936).substr(0, 7), " 1F000:");
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
  ASSERT_FALSE(port.sent.empty()) << "the click reaches the install";
  EXPECT_EQ(FrameSerial(port.sent.front()), 100);
  EXPECT_TRUE(form.Core().Timer2->Enabled());
}

TEST_F(FormTest, EnterOnTheFocusedInstallButtonPressesItAndTheTitleFollows) {
  ShowActive();
  ASSERT_TRUE(form.Button4->hasFocus());
  const QImage focused = form.Button4->grab().toImage();
  QTest::keyClick(form.Button4, Qt::Key_Return);
  ASSERT_EQ(port.sent.size(), 1u) << "Enter started the install";
  EXPECT_TRUE(form.windowTitle().contains(QStringLiteral("останов 1/201"))) << form.windowTitle().toStdString();
  clock.Advance(201 * 50);  // the port never answers: the deactivation error
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("GALT-5R — загрузчик версии 0211"));

  const std::size_t sent = port.sent.size();
  QTest::keyClick(form.Button4, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(port.sent.size(), sent + 1) << "keypad Enter starts it again";
  QTest::keyClick(form.Button4, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(port.sent.size(), sent + 1) << "a press while it runs is ignored";
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

TEST_F(FormTest, InstallWithNoPortOpenSaysSoAtOnceAndSendsNothing) {
  port.open = false;
  form.Button4->click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "  Tornel Ltd");
  EXPECT_EQ(boxes.boxes[0].text, texts::kNoPortOpen);
  EXPECT_TRUE(port.sent.empty());
  EXPECT_FALSE(form.Core().OperationRunning());
  EXPECT_EQ(form.Core().Gauge1.Progress(), 0);
}

TEST(FormTitle, CountsDownBetweenTheSequencesOwnEvents) {
  VirtualClock clock;
  RecordingBoxes boxes;
  emu::DeviceEmulator device;
  device.faults.answerQueryNumber = 0;
  MemoryLink link(clock, device);
  TForm1 form(clock, boxes, link, &clock);
  link.OnRxChar = [&](int count) { form.cp1RxChar(count); };
  form.Button4->click();
  ASSERT_TRUE(clock.RunUntil([&] { return form.Core().Timer3->Enabled(); }, 60000));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("№ 100 · проверка запуска · 5 с — GALT-5R"));
  clock.Advance(1000);  // the first query goes out at 1.5 s
  EXPECT_EQ(form.windowTitle(), QStringLiteral("№ 100 · проверка запуска · 4 с — GALT-5R"));
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

TEST_F(FormTest, AnErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
  ShowActive();
  port.fail_with = "write failed: device gone";
  QTest::mouseClick(form.Button4, Qt::LeftButton);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].icon, BoxIcon::Error);
  EXPECT_EQ(boxes.boxes[0].text, "write failed: device gone");
  EXPECT_TRUE(form.isVisible());

  port.fail_with.clear();
  QTest::mouseClick(form.Button4, Qt::LeftButton);
  EXPECT_EQ(port.sent.size(), 1u) << "the next click starts the install normally";
  EXPECT_EQ(boxes.boxes.size(), 1u);
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
  EXPECT_TRUE(boxes.boxes.empty());
  const std::size_t sent = port.sent.size();
  clock.Advance(20000);
  EXPECT_EQ(port.sent.size(), sent) << "the abandoned install sends nothing more";
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace galt::testing
