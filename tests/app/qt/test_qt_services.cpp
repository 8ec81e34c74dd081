// The program's timers and message boxes on Qt: the timers keep the
// contract every timer keeps, and what a box looks like while it is open.
// Real-time waits here check order of events only and leave wide margins.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <thread>

#include "app/qt/QtMessageBoxes.h"
#include "app/qt/QtTimers.h"
#include "tests/support/TimerContract.h"

namespace galt::testing {
namespace {

struct QtTime {
  TimerSource& Source() { return source; }
  void Run(int ms) { QTest::qWait(ms); }
  bool RunUntil(const std::function<bool()>& done, int ms) { return QTest::qWaitFor(done, ms); }
  void Stall(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  QtTimerSource source;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, TimerContract, QtTime);

}  // namespace galt::testing

namespace galt {
namespace {

struct TickingTimer {
  explicit TickingTimer(int interval_ms) : timer(source.CreateTimer(interval_ms)) {
    timer->OnTimer = [this] { ++ticks; };
  }
  QtTimerSource source;
  std::unique_ptr<Timer> timer;
  int ticks = 0;
};

struct OpenBox {
  QMessageBox::Icon icon{};
  QString title, text;
  int buttons = 0;
  bool ok_button = false;
  Qt::WindowModality modality{};
};

// Shows a box, notes what is on screen, presses OK.
OpenBox ShowAndRead(BoxIcon icon, const std::string& caption, const std::string& text, int* ticks_while_open = nullptr) {
  OpenBox seen;
  TickingTimer background(10);
  background.timer->SetEnabled(true);
  QTimer reader;
  reader.setInterval(150);
  QObject::connect(&reader, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    reader.stop();
    seen = {box->icon(), box->windowTitle(), box->text(), static_cast<int>(box->buttons().size()),
            box->button(QMessageBox::Ok) != nullptr, box->windowModality()};
    if (ticks_while_open) *ticks_while_open = background.ticks;
    box->button(QMessageBox::Ok)->click();
  });
  reader.start();
  QtMessageBoxes().Show(icon, caption, text);
  return seen;
}

TEST(QtMessageBoxes, ShowAnApplicationModalBoxWithOneOkButton) {
  int ticks = 0;
  const OpenBox error = ShowAndRead(BoxIcon::Error, "  Tornel Ltd", "Ошибка записи FLASH!", &ticks);
  EXPECT_EQ(error.icon, QMessageBox::Critical);
  EXPECT_EQ(error.title, QStringLiteral("  Tornel Ltd"));
  EXPECT_EQ(error.text, QStringLiteral("Ошибка записи FLASH!"));
  EXPECT_EQ(error.buttons, 1);
  EXPECT_TRUE(error.ok_button);
  EXPECT_EQ(error.modality, Qt::ApplicationModal);
  EXPECT_GT(ticks, 3) << "timers go on ticking while a box is open";

  const OpenBox done = ShowAndRead(BoxIcon::Information, "Активизация программы", "Активизация программы выполнена");
  EXPECT_EQ(done.icon, QMessageBox::Information);
  EXPECT_EQ(done.title, QStringLiteral("Активизация программы"));

  const OpenBox warning = ShowAndRead(BoxIcon::Error, "", "Устройство не соответствует модификации!");
  EXPECT_EQ(warning.icon, QMessageBox::Critical);
  EXPECT_TRUE(warning.title.trimmed().isEmpty()) << "the model warning has no caption";
  EXPECT_EQ(warning.text, QStringLiteral("Устройство не соответствует модификации!"));
}

}  // namespace
}  // namespace galt
