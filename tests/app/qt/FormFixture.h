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
#include "tests/support/VirtualClock.h"

namespace galt::testing {

class RecordingPort : public SerialText {
 public:
  bool WriteText(const std::string& bytes) override {
    if (!fail_with.empty()) throw std::runtime_error(fail_with);
    sent.push_back(bytes);
    return true;
  }
  std::string ReadText() override { return {}; }
  bool IsOpen() const override { return open; }

  bool open = true;
  std::vector<std::string> sent;
  std::string fail_with;  // non-empty: writing throws with this message
};

// Serial number carried by a frame (bytes 2 and 3, high byte first).
inline int FrameSerial(const std::string& frame) {
  return static_cast<unsigned char>(frame.at(2)) * 256 + static_cast<unsigned char>(frame.at(3));
}

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
