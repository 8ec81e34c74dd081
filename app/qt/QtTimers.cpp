#include "app/qt/QtTimers.h"

#include <QTimer>

namespace galt {

namespace {

class QtTimer : public Timer {
 public:
  explicit QtTimer(int interval_ms) {
    timer_.setInterval(interval_ms);
    // The device's timing is bounded by these intervals (50 ms retries, the
    // 1000 ms watchdog, the query ladder): no coarse-timer slack.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (OnTimer) OnTimer();
    });
  }

  bool Enabled() const override { return timer_.isActive(); }

  void SetEnabled(bool enabled) override {
    if (!enabled) {
      timer_.stop();
    } else if (!timer_.isActive()) {
      timer_.start();
    }
  }

  int Interval() const override { return timer_.interval(); }

  void SetInterval(int ms) override {
    timer_.setInterval(ms);
    if (timer_.isActive()) timer_.start();  // a new countdown from now
  }

 private:
  QTimer timer_;
};

}  // namespace

std::unique_ptr<Timer> QtTimerSource::CreateTimer(int interval_ms) {
  return std::make_unique<QtTimer>(interval_ms);
}

}  // namespace galt
