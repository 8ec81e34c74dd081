#pragma once
// How the window and the command line name a port's state in words: who
// holds a busy port, or what the system knows of it.

#include <string>

#include "sequences/MessageBoxes.h"
#include "serial/PortDiscovery.h"

namespace galt {

// "занят: picocom, PID 1234"; holders we may not see leave a plainer text.
inline std::string BusyText(const TSerPortEntry& Entry) {
  if (Entry.Holders.empty()) return texts::kPortBusyUnknown;
  std::string text = texts::kPortBusy;
  for (std::size_t i = 0; i < Entry.Holders.size(); ++i) {
    if (i > 0) text += "; ";
    text += Entry.Holders[i].Command + ", PID " + std::to_string(Entry.Holders[i].Pid);
  }
  return text;
}

// The words beside a port's name: who holds it, or its description.
inline std::string EntryNote(const TSerPortEntry& Entry) { return Entry.Busy ? BusyText(Entry) : Entry.Description; }

}  // namespace galt
