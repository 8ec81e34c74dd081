#pragma once
// The window's timers on Windows' own (SetTimer on the window's thread),
// keeping the semantics of galt::Timer: a timer ticks only while enabled,
// enabling an enabled timer leaves its countdown running, and a new interval
// restarts the countdown of an enabled timer. Ticks come through the
// thread's message loop, a message box's modal loop included.

#include <map>
#include <memory>

#include "app/win32/MessageWindow.h"
#include "sequences/Timer.h"

namespace galt::win32 {

class Win32TimerSource : public TimerSource {
 public:
  Win32TimerSource();
  ~Win32TimerSource() override;
  std::unique_ptr<Timer> CreateTimer(int interval_ms) override;

 private:
  class WinTimer;
  void Tick(UINT_PTR Id);

  MessageWindow window_;
  // Each countdown has an id of its own, so a tick left in the queue by a
  // stopped or restarted countdown is told apart and dropped.
  std::map<UINT_PTR, WinTimer*> running_;
  UINT_PTR nextId_ = 1;
};

}  // namespace galt::win32
