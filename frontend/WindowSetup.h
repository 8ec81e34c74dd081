#pragma once
// What a loader window may be given instead of its own services, on any
// toolkit: anything left empty is the program's own (its toolkit's timers
// and message boxes, the frames going through cp1, the system's serial
// ports). Tests give virtual time, recorded boxes and a port of their own.

#include <filesystem>
#include <optional>

#include "sequences/MessageBoxes.h"
#include "sequences/MonotonicClock.h"
#include "sequences/SerialText.h"
#include "sequences/Timer.h"
#include "serial/PortTable.h"

namespace galt {

struct WindowSetup {
  TimerSource* timers = nullptr;
  MessageBoxes* boxes = nullptr;
  SerialText* port = nullptr;
  const MonotonicClock* clock = nullptr;  // times the progress in the title
  TSerPortTable ports = TSerPortTable::System();
  bool scanPorts = true;  // false: no port discovery and no hot-plug watch
  // The line trace's file (the window's --trace); GALT_TRACE when not given.
  std::optional<std::filesystem::path> trace;
  // The install journal (the window's --journal-file); GALT_JOURNAL or the
  // system's place when not given.
  std::optional<std::filesystem::path> journal;
};

}  // namespace galt
