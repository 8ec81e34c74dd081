#pragma once
// Timers of the window, behind an interface so that the sequences run in
// virtual time under test and on Qt timers in the program.
//
// Semantics the sequences rely on: a timer ticks only while enabled; enabling
// an enabled timer changes nothing (its countdown goes on); changing the
// interval of an enabled timer restarts its countdown.

#include <functional>
#include <memory>

namespace galt {

class Timer {
 public:
  virtual ~Timer() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual int Interval() const = 0;
  virtual void SetInterval(int ms) = 0;
  // Called on every tick.
  std::function<void()> OnTimer;
};

class TimerSource {
 public:
  virtual ~TimerSource() = default;
  // A new timer, disabled, with the given interval in milliseconds.
  virtual std::unique_ptr<Timer> CreateTimer(int interval_ms) = 0;
};

}  // namespace galt
