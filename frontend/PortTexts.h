#pragma once
// How the front ends name a port's state in words (who holds a busy port,
// or what the system knows of it), and what they say when no port can be
// used.

#include <string>

#include "frontend/PortAccess.h"
#include "ports/PortDiscovery.h"

namespace galt {

// "занят: picocom, PID 1234"; holders we may not see leave a plainer text.
std::string BusyText(const TSerPortEntry& Entry);

// The port's name as a narrow port field shows it whole: "USB9" for
// "ttyUSB9", "ACM0", "S0"; other names as they are. The list, the tooltip and
// every message keep the full name.
std::string FieldPortName(const std::string& Name);

// The words beside a port's name: who holds it, or its description.
std::string EntryNote(const TSerPortEntry& Entry);

// The window's title while the Bluetooth port Name is being opened.
std::string PortOpeningTitle(const std::string& Name);

// Why the port the user named (as Shown) did not open, in words: who holds
// it followed by BusyHint, that there is no such device, that this account
// may not open it, or else the component's own message.
std::string OpenFailureText(const std::string& Shown, const PortOpening& Opening, const std::string& BusyHint);

// What to tell the user after a scan that found no free port, or ports our
// account may not open: the busy ports with their holders followed by
// `BusyHint`, the ports we may not open with the access hint, or that no
// port was found at all; several of these on separate paragraphs. Empty when
// a free port was found and none was refused.
std::string NoUsablePortReport(const TSerPortScan& Scan, const std::string& BusyHint);

}  // namespace galt
