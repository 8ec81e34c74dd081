#pragma once
// One run of galt-loader-cli's install, read or verify on the loader's core:
// the port is opened with the window's line settings, the operation starts
// through the core's start calls, and the event loop runs replies and timer
// ticks on this thread until the core says how the operation ended.

#include <filesystem>
#include <functional>
#include <memory>
#include <chrono>
#include <optional>
#include <set>
#include <string>

#include "app/cli/CliOptions.h"
#include "app/cli/ConsoleBoxes.h"
#include "app/cli/ConsoleOutput.h"
#include "app/cli/LoopTimers.h"
#include "frontend/CoreBinding.h"
#include "frontend/LineTracing.h"
#include "frontend/LoaderLine.h"
#include "frontend/OperationJournal.h"
#include "sequences/LoaderCore.h"
#include "serial/PortTable.h"
#include "serial/SerComm.h"
#include "serial/SerEventLoop.h"

namespace galt::cli {

class Session {
 public:
  // `stopRequested` is polled while the operation runs; when it answers true
  // the run ends with kExitStopped.
  // `consoles`: the kernel's console terminals, the system's when not given.
  Session(const CliOptions& options, ConsoleOutput& console, const TSerPortTable& ports,
          std::function<bool()> stopRequested = {}, std::optional<std::set<std::string>> consoles = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs the operation to its end; answers the exit code.
  int Run();

 private:
  // Empty when the port opened, else why not.
  std::string OpenPort();
  // The journal's entry begins; an install first says when its serial
  // number was written before.
  void BeginJournal();
  // Waits for the journal's entry as long as the end may: its problem, if
  // any, is said.
  void SettleJournal();
  // --verify: the file is read and imported; the exit code when it is not.
  std::optional<int> ImportFileToVerify();
  bool Stopping() const;
  // --read: the file is known writable before the first frame; the image
  // goes into a file beside it, which takes its name only when complete.
  bool PrepareOutput();
  void Start();
  // Runs a handler of the core, reports an error it lets escape, then shows
  // the progress.
  void Dispatch(const std::function<void()>& handler);
  void ShowProgress();
  std::string StoppedText() const;
  void Ended(const OperationEnding& ending);
  void SaveReadImage();
  void Finish(int code, const std::string& message = {});
  // A trace file that cannot be written is said once, on stderr.
  void SayTraceFailure();
  int GuardMs() const;

  CliOptions options_;
  ConsoleOutput& console_;
  std::function<bool()> stopRequested_;
  TSerEventLoop loop_;  // before cp1_: its worker threads post here
  LoopTimers timers_;
  ConsoleBoxes boxes_{console_};
  OperationJournal journal_;  // the core's boxes go through it
  TSerComm cp1_{&loop_};
  CommSerial port_{cp1_};
  LineTracing tracing_;  // --trace or GALT_TRACE; the core's frames pass through it
  LoaderCore core_{timers_, journal_, tracing_.Line()};
  std::unique_ptr<CoreBinding> binding_;
  std::unique_ptr<Timer> stopCheck_;
  std::optional<std::set<std::string>> consoles_;
  std::string portShown_;
  std::filesystem::path partFile_;  // --read: where the image goes until it is whole
  std::chrono::steady_clock::time_point started_;
  bool loading_ = false;  // the install is past its deactivation
  std::optional<int> exit_;
  std::optional<Outcome> outcome_;  // the trace's last line, once the port is closed
};

}  // namespace galt::cli
