#pragma once
// The set-up of a window under test: virtual time, recorded boxes, the
// test's port, and no serial ports of the machine looked at.

#include <map>
#include <string>

#include "frontend/WindowSetup.h"
#include "tests/support/RecordingBoxes.h"
#include "tests/support/VirtualClock.h"

namespace galt::testing {

inline WindowSetup OfflineWindow(VirtualClock& clock, RecordingBoxes& boxes, SerialText& port) {
  WindowSetup setup;
  setup.timers = &clock;
  setup.boxes = &boxes;
  setup.port = &port;
  setup.clock = &clock;
  setup.ports = TSerPortTable(std::map<int, std::string>{});
  setup.scanPorts = false;
  return setup;
}

}  // namespace galt::testing
