#pragma once
// The window's timers on QTimer, keeping the semantics of galt::Timer:
// enabling an enabled timer leaves its countdown running (QTimer::start would
// restart it), and a new interval restarts the countdown of an enabled timer.

#include <memory>

#include "sequences/Timer.h"

namespace galt {

class QtTimerSource : public TimerSource {
 public:
  std::unique_ptr<Timer> CreateTimer(int interval_ms) override;
};

}  // namespace galt
