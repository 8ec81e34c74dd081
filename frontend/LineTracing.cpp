#include "frontend/LineTracing.h"

#include <cstdio>

#include "frontend/PortTexts.h"
#include "ports/PortDescription.h"
#include "records/Environment.h"
#include "serial/PortName.h"

namespace galt {

namespace {

const char* ParityWord(TSerParity parity) {
  switch (parity) {
    case paNone: return "нет";
    case paOdd: return "нечёт";
    case paEven: return "чёт";
    case paMark: return "1 (mark)";
    case paSpace: return "0 (space)";
  }
  return "?";
}

const char* DtrWord(TSerControlDtr dtr) {
  switch (dtr) {
    case dtrDisabled: return "выкл";
    case dtrEnabled: return "вкл";
    case dtrHandshake: return "квитирование";
  }
  return "?";
}

const char* RtsWord(TSerControlRts rts) {
  switch (rts) {
    case rtsDisabled: return "выкл";
    case rtsEnabled: return "вкл";
    case rtsHandshake: return "квитирование";
    case rtsToggle: return "при передаче";
  }
  return "?";
}

// Appends `word` to a list said as "a, b, c" when `on`.
void AddWord(std::string& words, bool on, const char* word) {
  if (on) words += (words.empty() ? "" : ", ") + std::string(word);
}

TracedLineSettings SettingsOf(TSerCustomComm& comm) {
  TracedLineSettings s;
  // Named as everywhere else (USB0 for /dev/ttyUSB0), and by its device
  // unless that is only the system's form of the name (\\.\COM5).
  s.port = comm.FormattedDeviceName();
  if (const auto path = comm.PortTable().Resolve(s.port)) {
    s.port = PortUserName(*path);
    if (!path->starts_with(kDevicePrefix)) s.port += " (" + *path + ")";
    s.adapter = LatencyTimerNote(PortFactsOf(*path).LatencyTimerMs);
  }
  s.baud = comm.Baudrate() == brUser ? static_cast<std::uint32_t>(comm.UserBaudrate()) : BaudrateValue(comm.Baudrate());
  s.dataBits = 4 + static_cast<int>(comm.Databits());
  s.parity = ParityWord(comm.Parity());
  s.stopBits = comm.Stopbits() == sb1 ? "1" : comm.Stopbits() == sb15 ? "1,5" : "2";
  const TSerFlowControl& flow = comm.FlowControl();
  s.dtr = DtrWord(flow.ControlDtr());
  s.rts = RtsWord(flow.ControlRts());
  std::string words;
  AddWord(words, flow.OutCtsFlow(), "CTS");
  AddWord(words, flow.OutDsrFlow(), "DSR");
  AddWord(words, flow.XonXoffOut() || flow.XonXoffIn(), "XON/XOFF");
  s.flow = words.empty() ? "нет" : words;
  switch (comm.LowLatency()) {
    case TSerLowLatency::NotAsked: break;
    case TSerLowLatency::Refused: s.lowLatency = "драйвер не поддерживает"; break;
    case TSerLowLatency::Set: s.lowLatency = "включена"; break;
  }
  return s;
}

}  // namespace

std::optional<std::filesystem::path> TraceFileOf(const std::optional<std::filesystem::path>& given) {
  if (given) return given;
  return EnvironmentValue("GALT_TRACE");
}

LineTracing::LineTracing(SerialText& line, const std::optional<std::filesystem::path>& file,
                         const std::string& program, const MonotonicClock& clock)
    : trace_(file ? std::make_unique<LineTrace>(*file, program + " " GALT_VERSION, clock) : nullptr),
      serial_(line, trace_.get()) {}

void LineTracing::Began(JournalOperation operation, std::optional<int> serial, const std::string& port) {
  if (!trace_) return;
  std::string words(JournalOperationName(operation));  // as the journal names it
  if (serial) words += ", серийный номер " + std::to_string(*serial);
  if (!port.empty()) words += ", порт " + port;
  trace_->Began(words);
}

void LineTracing::Opened(TSerCustomComm& comm) {
  if (trace_) trace_->Opened(SettingsOf(comm));
}

void LineTracing::LineErrors(std::uint32_t errors) {
  if (!trace_) return;
  std::string words;
  AddWord(words, errors & CE_RXOVER, "переполнен буфер приёма");
  AddWord(words, errors & CE_OVERRUN, "потерян байт (overrun)");
  AddWord(words, errors & CE_RXPARITY, "чётность");
  AddWord(words, errors & CE_FRAME, "ошибка кадра");
  AddWord(words, errors & CE_BREAK, "break");
  char code[16];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(errors));
  trace_->LineErrors((words.empty() ? std::string() : words + ", ") + code);
}

void LineTracing::PortError(const std::string& message) {
  if (trace_) trace_->PortError(message);
}

void LineTracing::DeviceLost() {
  if (trace_) trace_->DeviceLost();
}

void LineTracing::Closed() {
  if (trace_) trace_->Closed();
}

void LineTracing::Ended(Outcome outcome) {
  if (trace_) trace_->Ended(outcome);
}

void LineTracing::Drain() {
  if (trace_) trace_->File().Drain();
}

std::optional<std::string> LineTracing::TakeFailure() {
  return trace_ ? trace_->File().TakeFailure() : std::nullopt;
}

}  // namespace galt
