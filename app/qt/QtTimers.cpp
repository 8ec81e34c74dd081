#include "app/qt/QtTimers.h"

#include <QTimer>

namespace galt {

namespace {

class QtTimer : public CountdownTimer {
 public:
  explicit QtTimer(int interval_ms) : CountdownTimer(interval_ms) {
    // The device's timing is bounded by these intervals (50 ms retries, the
    // 1000 ms watchdog, the query ladder): no coarse-timer slack.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (OnTimer) OnTimer();
    });
  }

 private:
  // QTimer::start restarts a running timer: only a new countdown calls it.
  void StartCountdown() override { timer_.start(Interval()); }
  void StopCountdown() override { timer_.stop(); }

  QTimer timer_;
};

}  // namespace

std::unique_ptr<Timer> QtTimerSource::CreateTimer(int interval_ms) {
  return std::make_unique<QtTimer>(interval_ms);
}

}  // namespace galt
