#pragma once
// One run of galt-loader-cli's install, read or verify on the loader's core:
// the port is opened with the window's line settings, the operation starts
// as the window's button or service handler starts it, and the event loop
// runs replies and timer ticks on this thread until the outcome is known.
// The outcome is read from what the core shows: the install succeeds only
// when the device confirms the serial number (Gauge2 at its end), a service
// pass when its completion box comes; any error box of the sequence fails.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/CommSerial.h"
#include "app/cli/CliOptions.h"
#include "app/cli/ConsoleBoxes.h"
#include "app/cli/ConsoleOutput.h"
#include "app/cli/LoopTimers.h"
#include "sequences/LoaderCore.h"
#include "serial/PortTable.h"
#include "serial/SerComm.h"
#include "serial/SerEventLoop.h"

namespace galt::cli {

class Session {
 public:
  // `stopRequested` is polled while the operation runs; when it answers true
  // the run ends with kExitStopped.
  Session(const CliOptions& options, ConsoleOutput& console, const TSerPortTable& ports,
          std::function<bool()> stopRequested = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs the operation to its end; answers the exit code.
  int Run();

 private:
  bool LoadVerifyImage();
  bool OpenPort();
  void Start();
  // Runs a handler of the core, reports an error it lets escape, then looks
  // at what it changed.
  void Dispatch(const std::function<void()>& handler);
  void Observe();
  void BoxShown(BoxIcon icon, const std::string& caption, const std::string& text);
  void SaveReadImage();
  void Finish(int code, const std::string& message = {});
  int GuardMs() const;

  CliOptions options_;
  ConsoleOutput& console_;
  std::function<bool()> stopRequested_;
  TSerEventLoop loop_;  // before cp1_: its worker threads post here
  LoopTimers timers_;
  ConsoleBoxes boxes_{console_};
  TSerComm cp1_{&loop_};
  CommSerial port_{cp1_};
  LoaderCore core_{timers_, boxes_, port_};
  std::unique_ptr<Timer> replyGuard_;  // read and verify: no reply within a block's time
  std::unique_ptr<Timer> stopCheck_;
  std::string portShown_;
  bool loading_ = false;  // the install is past its deactivation
  std::string lastBlock_;
  std::string lastSerialError_;
  std::optional<int> exit_;
};

}  // namespace galt::cli
