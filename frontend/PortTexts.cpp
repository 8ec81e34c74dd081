#include "frontend/PortTexts.h"

#include <cctype>

#include "sequences/MessageBoxes.h"

namespace galt {

std::string BusyText(const TSerPortEntry& Entry) {
  if (Entry.Holders.empty()) return texts::kPortBusyUnknown;
  std::string text = texts::kPortBusy;
  for (std::size_t i = 0; i < Entry.Holders.size(); ++i) {
    if (i > 0) text += "; ";
    text += Entry.Holders[i].Command + ", PID " + std::to_string(Entry.Holders[i].Pid);
  }
  return text;
}

std::string FieldPortName(const std::string& Name) {
  const bool tty = Name.size() > 3 && Name.compare(0, 3, "tty") == 0 &&
                   std::isalpha(static_cast<unsigned char>(Name[3]));
  return tty ? Name.substr(3) : Name;
}

std::string EntryNote(const TSerPortEntry& Entry) { return Entry.Busy ? BusyText(Entry) : Entry.Description; }

std::string PortOpeningTitle(const std::string& Name) { return "Подключение к " + Name + " (Bluetooth)… — GALT-5R"; }

std::string OpenFailureText(const std::string& Shown, const PortOpening& Opening, const std::string& BusyHint) {
  const std::string port = "Порт " + Shown;
  if (Opening.Busy) {
    TSerPortEntry held;
    held.Holders = Opening.Holders;
    return port + " " + BusyText(held) + ". " + BusyHint;
  }
  if (Opening.NotFound) return port + " не найден: такого устройства нет. Проверьте, что адаптер подключён, и имя порта.";
  if (Opening.Denied) return "Нет доступа к порту " + Shown + ". " + texts::kPortsDeniedHint;
  return port + " не открывается: " + Opening.Error;
}

std::string NoUsablePortReport(const TSerPortScan& Scan, const std::string& BusyHint) {
  std::string text;
  if (Scan.FirstFree() == nullptr) {
    std::string busy;
    for (const TSerPortEntry& e : Scan.Listed)
      if (e.Busy) busy += e.Name + " — " + BusyText(e) + "\n";
    if (!busy.empty()) text = texts::kPortsBusy + "\n" + busy + BusyHint;
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
