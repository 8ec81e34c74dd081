#pragma once
// A front end's line trace: the file its option names, or GALT_TRACE; the
// core's frames pass through it (Line()), and the component's events and the
// operation's end are told to it. Without a file every call does nothing. A
// file that cannot be opened or written never changes the operation: the
// front end asks TakeFailure() and says it once.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "frontend/TracingSerial.h"
#include "records/JournalEntry.h"
#include "records/LineTrace.h"
#include "records/Outcome.h"
#include "sequences/MonotonicClock.h"
#include "sequences/SerialText.h"
#include "serial/SerComm.h"

namespace galt {

// The trace file: `given` (a program's option) wins over GALT_TRACE; none
// when neither names one.
std::optional<std::filesystem::path> TraceFileOf(const std::optional<std::filesystem::path>& given);

class LineTracing {
 public:
  LineTracing(SerialText& line, const std::optional<std::filesystem::path>& file, const std::string& program,
              const MonotonicClock& clock = SteadyClock::Instance());

  // What the core is given as its line.
  SerialText& Line() { return serial_; }
  bool Active() const { return trace_ != nullptr; }

  // An operation starts: the trace's header of it names the operation, the
  // serial number (when one was given) and the port as the user sees it.
  void Began(JournalOperation operation, std::optional<int> serial, const std::string& port);
  void Opened(TSerCustomComm& comm);
  void LineErrors(std::uint32_t errors);
  void PortError(const std::string& message);
  void DeviceLost();
  void Closed();
  void Ended(Outcome outcome);
  // Waits until the trace so far is in the file: at the end of a run.
  void Drain();
  // The failure to say, the first time it is asked after one.
  std::optional<std::string> TakeFailure();

 private:
  std::unique_ptr<LineTrace> trace_;
  TracingSerial serial_;
};

}  // namespace galt
