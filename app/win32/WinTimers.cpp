#include "app/win32/WinTimers.h"

#include <algorithm>

namespace galt::win32 {

class Win32TimerSource::WinTimer : public Timer {
 public:
  WinTimer(Win32TimerSource& owner, int interval) : owner_(owner), interval_(interval) {}
  ~WinTimer() override { Stop(); }

  bool Enabled() const override { return enabled_; }

  void SetEnabled(bool enabled) override {
    if (enabled == enabled_) return;  // an enabled timer keeps its countdown
    enabled_ = enabled;
    if (enabled_) {
      Start();
    } else {
      Stop();
    }
  }

  int Interval() const override { return interval_; }

  void SetInterval(int ms) override {
    interval_ = ms;
    if (!enabled_) return;
    Stop();  // a new countdown from now
    Start();
  }

 private:
  void Start() {
    id_ = owner_.nextId_++;
    owner_.running_[id_] = this;
    // Windows raises anything below USER_TIMER_MINIMUM (10 ms) to it.
    ::SetTimer(owner_.window_.Handle(), id_, static_cast<UINT>(std::max(interval_, 1)), nullptr);
  }

  void Stop() {
    if (id_ == 0) return;
    ::KillTimer(owner_.window_.Handle(), id_);
    owner_.running_.erase(id_);
    id_ = 0;
  }

  Win32TimerSource& owner_;
  int interval_;
  bool enabled_ = false;
  UINT_PTR id_ = 0;
};

Win32TimerSource::Win32TimerSource()
    : window_([this](UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_TIMER) Tick(static_cast<UINT_PTR>(wParam));
      }) {}

Win32TimerSource::~Win32TimerSource() = default;

std::unique_ptr<Timer> Win32TimerSource::CreateTimer(int interval_ms) {
  return std::make_unique<WinTimer>(*this, interval_ms);
}

void Win32TimerSource::Tick(UINT_PTR Id) {
  const auto it = running_.find(Id);
  if (it == running_.end()) return;
  WinTimer* timer = it->second;
  if (timer->OnTimer) timer->OnTimer();
}

}  // namespace galt::win32
