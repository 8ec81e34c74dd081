// What the front ends say of a port, in the words the user reads (the
// reports of a scan: test_port_chooser.cpp).

#include <gtest/gtest.h>

#include "frontend/PortTexts.h"

namespace galt::testing {
namespace {

TEST(PortTexts, WhyAPortDidNotOpen) {
  PortOpening refused;
  refused.NotFound = true;
  EXPECT_EQ(OpenFailureText("ttyUSB3", refused, "hint"),
            "Порт ttyUSB3 не найден: такого устройства нет. Проверьте, что адаптер подключён, и имя порта.");
  refused = {};
  refused.Busy = true;
  refused.Holders = {{4321, "picocom"}, {99, "sleep"}};
  EXPECT_EQ(OpenFailureText("ttyUSB3", refused, "hint"), "Порт ttyUSB3 занят: picocom, PID 4321; sleep, PID 99. hint");
}

}  // namespace
}  // namespace galt::testing
