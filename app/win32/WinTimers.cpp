#include "app/win32/WinTimers.h"

namespace galt::win32 {

class Win32TimerSource::WinTimer : public CountdownTimer {
 public:
  WinTimer(Win32TimerSource& owner, int interval) : CountdownTimer(interval), owner_(owner) {}
  ~WinTimer() override { StopCountdown(); }

 private:
  void StartCountdown() override {
    StopCountdown();
    id_ = owner_.nextId_++;
    owner_.running_[id_] = this;
    // Windows raises anything below USER_TIMER_MINIMUM (10 ms) to it.
    ::SetTimer(owner_.window_.Handle(), id_, static_cast<UINT>(Period()), nullptr);
  }

  void StopCountdown() override {
    if (id_ == 0) return;
    ::KillTimer(owner_.window_.Handle(), id_);
    owner_.running_.erase(id_);
    id_ = 0;
  }

  Win32TimerSource& owner_;
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
