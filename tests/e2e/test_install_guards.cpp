// A running install over the real window and serial component is not
// restarted by a second press, and the title follows it.

#include <gtest/gtest.h>

#include "tests/e2e/Rig.h"

namespace galt {
namespace {

using testing::Rig;
using testing::RunEventsUntil;
using testing::WaitForBox;

TEST(InstallGuards, ASecondPressAtBlock50IsIgnoredAndEveryBlockIsWrittenOnce) {
  Rig r;
  r.Start();
  r.core().zn.SetValue(200);
  r.PressInstall();
  ASSERT_TRUE(RunEventsUntil([&] { return r.core().Gauge2.Progress() >= 50; }, 20000));
  EXPECT_TRUE(r.form->windowTitle().contains(QStringLiteral("№ 200 · "))) << r.form->windowTitle().toStdString();
  r.PressInstall();
  ASSERT_TRUE(WaitForBox(r.boxes, 30000));
  QTest::qWait(100);  // nothing else follows
  r.device.Stop();
  ASSERT_EQ(r.boxes.boxes.size(), 1u) << r.boxes.boxes.back().text;
  EXPECT_EQ(r.boxes.boxes[0].text, "Активизация программы выполнена");
  // The number just written stays in the field: the title says so.
  EXPECT_TRUE(r.form->windowTitle().startsWith(QStringLiteral("Серийный номер 200 уже записан ")))
      << r.form->windowTitle().toStdString();

  EXPECT_EQ(r.device.emulator.counters.deactivations, 1);
  EXPECT_EQ(r.device.emulator.counters.writes, 233);
  EXPECT_EQ(r.device.emulator.SerialFromFlash(), 200);
}

}  // namespace
}  // namespace galt
