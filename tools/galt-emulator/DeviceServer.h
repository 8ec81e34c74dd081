#pragma once
// Serves the virtual device on the master side of a pseudo-terminal: takes
// the loader's bytes, hands them to the emulator as they "arrive" and writes
// the replies back, either at once or paced like a 14400-baud line, and
// through a modelled adapter (emu::AdapterLine) if one is given.

#include <signal.h>

#include <atomic>
#include <csignal>
#include <optional>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/emulator/Adapter.h"
#include "tools/emulator/DeviceEmulator.h"
#include "tools/galt-emulator/LineClock.h"

namespace galt::emucli {

class DeviceServer {
 public:
  using LogFn = std::function<void(const std::string&)>;

  // `fd`: non-blocking master side. The server does not own it. `adapter`:
  // the bridge between the line and the loader, none for a bare line.
  DeviceServer(int fd, emu::DeviceEmulator& device, bool pace, LogFn log,
               const emu::AdapterModel* adapter = nullptr);

  // Serves until `stop` is non-zero or the device is unplugged. Waits with `waitMask` as the signal
  // mask, so signals blocked elsewhere can interrupt the wait (and only the
  // wait). Throws std::system_error when the terminal fails.
  void Run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask);

  // Serves on a thread of a program that has other work: until `stop` is
  // set (or the device unplugged), looking at it at least every few
  // milliseconds.
  void Run(const std::atomic<bool>& stop);

  // The adapter's own waits so far (emu::AdapterLine::Added); zero without
  // one. Read it once the server has stopped.
  Clock::duration AdapterAdded() const { return adapter_ ? adapter_->Added() : Clock::duration::zero(); }

 private:
  struct TimedByte {
    Clock::time_point due;
    char byte;
  };

  void Serve(const std::function<bool()>& stopped, const sigset_t* waitMask,
             std::optional<Clock::duration> maxWait);
  void ReadInput(Clock::time_point now);
  void FeedDueInput(Clock::time_point now);
  void Schedule(const std::vector<std::string>& pieces, Clock::time_point now);
  void WriteDueOutput(Clock::time_point now);
  void Note(const std::string& line) const;

  int fd_;
  emu::DeviceEmulator& device_;
  bool pace_;
  LogFn log_;
  LineClock inClock_;
  LineClock outClock_;
  std::unique_ptr<emu::AdapterLine> adapter_;
  std::deque<TimedByte> input_;   // read from the loader, not yet "arrived"
  std::deque<TimedByte> output_;  // for the loader, each due at its time
  bool writeBlocked_ = false;     // the terminal took no more; wait for POLLOUT
  Clock::time_point hangupUntil_{};
};

}  // namespace galt::emucli
