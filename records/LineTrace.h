#pragma once
// The line trace: what crossed the serial line during a run, one line per
// event, for support. Each line holds the milliseconds since the port was
// opened, the direction ("->" sent, "<-" received, "--" the port's own
// events), what the bytes mean in words and the bytes in hex: one line per
// frame sent and per reply completed, however many pieces the reply came
// in; the pieces themselves only of a reply left incomplete. Lines are
// formatted on the event thread (a few microseconds a frame) and written by
// the TraceFile's own thread.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "records/FrameMeaning.h"
#include "records/Outcome.h"
#include "records/TraceFile.h"
#include "sequences/MonotonicClock.h"

namespace galt {

// The port's settings as they were at its open, already in words.
struct TracedLineSettings {
  std::string port;
  std::uint32_t baud = 0;
  int dataBits = 8;
  std::string parity;    // "нет", "чёт", ...
  std::string stopBits;  // "1", "1,5", "2"
  std::string dtr, rts;  // "выкл", "вкл", ...
  std::string flow;      // "нет", "RTS/CTS", ...
  std::string lowLatency;  // "включена", "драйвер не поддерживает"; empty where it is not asked for
  std::string adapter;   // what the adapter costs, in words; empty for nothing
};

class LineTrace {
 public:
  // `program` names the front end and its version in the first line.
  LineTrace(const std::filesystem::path& path, const std::string& program, const MonotonicClock& clock,
            std::uintmax_t fileLimit = kTraceFileLimit);

  // An operation starts: its header line, in words ("установка, серийный
  // номер 237").
  void Began(const std::string& operation);
  void Opened(const TracedLineSettings& settings);
  // A frame handed to the port; `accepted` false when the port refused it.
  void Sent(std::string_view frame, bool accepted = true);
  void Received(std::string_view piece);
  void LineErrors(const std::string& words);
  void PortError(const std::string& message);
  void DeviceLost();
  void Closed();
  // The operation's end, by its stable name.
  void Ended(Outcome outcome);

  TraceFile& File() { return file_; }

 private:
  void Line(const char* direction, const std::string& meaning, std::string_view bytes = {});
  void Line(std::int64_t at, const char* direction, const std::string& meaning, std::string_view bytes);
  // The pieces of a reply that stays incomplete; how many bytes it had.
  std::size_t Abandon();

  const MonotonicClock& clock_;
  std::int64_t origin_;
  ReplyHunter hunter_;
  ReplyHunter::Say heard_;
  std::string line_;  // reused: no allocation per line once it has grown
  TraceFile file_;
};

}  // namespace galt
