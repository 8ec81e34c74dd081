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

// The rule above, kept in one place for every timer: a timer built on this
// says only how its countdown starts and stops.
class CountdownTimer : public Timer {
 public:
  explicit CountdownTimer(int interval_ms) : interval_(interval_ms) {}

  bool Enabled() const final { return enabled_; }
  void SetEnabled(bool enabled) final {
    if (enabled == enabled_) return;  // an enabled timer keeps its countdown
    enabled_ = enabled;
    if (enabled_) {
      StartCountdown();
    } else {
      StopCountdown();
    }
  }
  int Interval() const final { return interval_; }
  void SetInterval(int ms) final {
    interval_ = ms;
    if (enabled_) StartCountdown();  // a new countdown from now
  }

 protected:
  // A countdown of the interval from now, in place of any running one.
  virtual void StartCountdown() = 0;
  virtual void StopCountdown() = 0;
  // The interval as a countdown takes it: a timer of 0 ms ticks at most
  // every millisecond.
  int Period() const { return interval_ > 1 ? interval_ : 1; }

 private:
  int interval_;
  bool enabled_ = false;
};

class TimerSource {
 public:
  virtual ~TimerSource() = default;
  // A new timer, disabled, with the given interval in milliseconds.
  virtual std::unique_ptr<Timer> CreateTimer(int interval_ms) = 0;
};

}  // namespace galt
