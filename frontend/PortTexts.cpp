#include "frontend/PortTexts.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <set>

#include "frontend/ProgressText.h"
#include "records/UntrustedText.h"
#include "serial/SerPort.h"

namespace galt {

namespace {

// The system's code stays beside the words, to be quoted or looked up.
std::string CodeText(int Code) { return Code != 0 ? " (ошибка " + std::to_string(Code) + ")" : ""; }

// The device opened but refused a terminal's settings (a file, /dev/null).
bool NotASerialPort(int Code) {
#ifdef _WIN32
  (void)Code;
  return false;
#else
  return Code == ENOTTY;
#endif
}

}  // namespace

std::string BusyText(const TSerPortEntry& Entry) {
  if (Entry.Holders.empty()) return texts::kPortBusyUnknown;
  std::string text = texts::kPortBusy;
  for (std::size_t i = 0; i < Entry.Holders.size(); ++i) {
    if (i > 0) text += "; ";
    // A process names itself: its name is its own text, not ours.
    text += PrintableText(Entry.Holders[i].Command) + ", PID " + std::to_string(Entry.Holders[i].Pid);
  }
  return text;
}

std::string EntryNote(const TSerPortEntry& Entry) {
  if (Entry.Busy) return BusyText(Entry);
  // The description comes from the adapter's own strings.
  const std::string description = PrintableText(Entry.Description);
  const std::string latency = LatencyTimerNote(Entry.LatencyTimerMs);
  if (latency.empty() || description.empty()) return description + latency;
  return description + ", " + latency;
}

std::string LatencyTimerNote(std::uint32_t Ms) {
  // 2 ms and less cost an install well under a second.
  if (Ms <= 2) return {};
  return "время ожидания (Latency Timer) " + std::to_string(Ms) + " мс, лучше 1 мс";
}

std::string PortOpeningTitle(const std::string& Name) {
  return "Подключение к " + Name + " (Bluetooth)…" + texts::kTitleSuffix;
}

std::string CloseProgramsText(std::size_t Programs, const std::string& Then) {
  return (Programs == 1 ? "Закройте эту программу " : "Закройте эти программы ") + Then;
}

std::string OpenFailureText(const std::string& Shown, const PortOpening& Opening, const std::string& BusyHint) {
  // A name typed or found under /dev is shown, never obeyed, by a terminal.
  const std::string port = "Порт " + PrintableText(Shown);
  const std::string code = CodeText(Opening.Code);
  if (Opening.Busy) {
    TSerPortEntry held;
    held.Holders = Opening.Holders;
    // One holder we may not see is "another program", one too.
    const std::size_t programs = std::max<std::size_t>(held.Holders.size(), 1);
    return port + " " + BusyText(held) + code + ". " + CloseProgramsText(programs, BusyHint);
  }
  if (Opening.NotFound) {
    return port + " не найден: такого устройства нет" + code + ". Проверьте, что адаптер подключён, и имя порта.";
  }
  if (Opening.Denied) return "Нет доступа к порту " + PrintableText(Shown) + code + ". " + texts::kPortsDeniedHint;
  if (Opening.NotSerial || NotASerialPort(Opening.Code)) {
    return port + " не открывается: это не последовательный порт" + code +
           ". Укажите порт, к которому подключено устройство.";
  }
  if (Opening.Code != 0) {
    return port + " не открывается: ошибка системы " + std::to_string(Opening.Code) + " (" +
           SerSystemErrorText(Opening.Code) + ").";
  }
  return port + " не открывается: " + PrintableText(Opening.Error);
}

std::string NoUsablePortReport(const TSerPortScan& Scan, const std::string& BusyHint) {
  std::string text;
  if (Scan.FirstFree() == nullptr) {
    std::string busy;
    // Programs named: each process once, and each port held unseen.
    std::set<int> pids;
    std::size_t unseen = 0;
    for (const TSerPortEntry& e : Scan.Listed) {
      if (!e.Busy) continue;
      busy += e.Name + " — " + BusyText(e) + "\n";
      for (const TSerPortHolder& h : e.Holders) pids.insert(h.Pid);
      unseen += e.Holders.empty();
    }
    if (!busy.empty()) text = texts::kPortsBusy + "\n" + busy + CloseProgramsText(pids.size() + unseen, BusyHint);
  }
  // The access hint only names nodes with hardware behind them.
  if (!Scan.Denied.empty()) {
    if (!text.empty()) text += "\n\n";
    text += texts::kPortsDenied + "\n";
    for (const std::string& path : Scan.Denied) text += path + "\n";
    text += texts::kPortsDeniedHint;
  }
  if (text.empty() && Scan.Listed.empty()) text = texts::kNoPorts;
  return text;
}

}  // namespace galt
