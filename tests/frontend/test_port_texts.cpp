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
  EXPECT_EQ(OpenFailureText("ttyUSB3", refused, "hint"),
            "Порт ttyUSB3 занят: picocom, PID 4321; sleep, PID 99. Закройте эти программы hint");
  refused.Holders = {{4321, "pico\x1B[2Jcom"}};
  EXPECT_EQ(OpenFailureText("ttyUSB3", refused, "hint"),
            "Порт ttyUSB3 занят: pico\xEF\xBF\xBD[2Jcom, PID 4321. Закройте эту программу hint");
  refused = {};
  refused.NotSerial = true;
  EXPECT_EQ(OpenFailureText("/dev/null", refused, "hint"),
            "Порт /dev/null не открывается: это не последовательный порт. Укажите порт, к которому подключено устройство.");
}

}  // namespace
}  // namespace galt::testing
