#pragma once
// A window over virtual time, recorded boxes and a port that records every
// frame, shown and active on the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/qt/Unit1.h"
#include "tests/support/RecordingBoxes.h"
#include "tests/support/RecordingPort.h"
#include "tests/support/VirtualClock.h"

namespace galt::testing {

class FormTest : public ::testing::Test {
 protected:
  void ShowActive() {
    form.ShowCentred();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }

  VirtualClock clock;
  RecordingBoxes boxes;
  RecordingPort port;
  TForm1 form{clock, boxes, port, &clock};
};

}  // namespace galt::testing
