#pragma once
// How the front ends name a port's state in words (who holds a busy port,
// or what the system knows of it), and what they say when no port can be
// used.

#include <cstdint>
#include <string>

#include "frontend/PortAccess.h"
#include "ports/PortDiscovery.h"

namespace galt {

// What the windows and the command line say of ports (UTF-8).
namespace texts {
inline const std::string kPortOpenErrorAtStart = "Ошибка открыти порта !";
inline const std::string kPortOpenError = "Ошибка открытия порта !";
inline const std::string kNoPorts = "Не найдено ни одного последовательного порта !";
// Followed by the ports that could not be opened, one a line.
inline const std::string kPortsDenied = "Нет доступа к последовательным портам:";
inline const std::string kPortsDeniedHint =
    "Учётной записи нужен доступ к последовательным портам (в Debian — членство в группе dialout).";
// Followed by the busy ports, one a line, and the hint.
inline const std::string kPortsBusy = "Все найденные последовательные порты заняты другими программами:";
// What to do besides closing the programs that hold the ports (the window's;
// the command line's is its own), after CloseProgramsText.
inline const std::string kPortsBusyHint = "и выберите порт в списке.";
// A busy port in the port list: "занят: picocom, PID 1234".
inline const std::string kPortBusy = "занят: ";
inline const std::string kPortBusyUnknown = "занят другой программой";
}  // namespace texts

// "занят: picocom, PID 1234"; holders we may not see leave a plainer text.
std::string BusyText(const TSerPortEntry& Entry);

// The words beside a port's name: who holds it, or its description and
// what its adapter costs (LatencyTimerNote).
std::string EntryNote(const TSerPortEntry& Entry);

// An FTDI adapter holds the last bytes of each reply this long (its latency
// timer, Windows): above 2 ms, what it is and what it should be, in words;
// otherwise empty.
std::string LatencyTimerNote(std::uint32_t Ms);

// The window's title while the Bluetooth port Name is being opened.
std::string PortOpeningTitle(const std::string& Name);

// "Закройте эту программу " or "Закройте эти программы ", as many as were
// named, then `Then`.
std::string CloseProgramsText(std::size_t Programs, const std::string& Then);

// Why the port the user named (as Shown) did not open, in one line of words
// with the system's code: who holds it and what to do (BusyHint: after
// CloseProgramsText), that there is
// no such device, that this account may not open it, that it is no serial
// port, or else the system's code and text (the component's own message
// when it gave no code).
std::string OpenFailureText(const std::string& Shown, const PortOpening& Opening, const std::string& BusyHint);

// What to tell the user after a scan that found no free port, or ports our
// account may not open: the busy ports with their holders and what to do
// (`BusyHint`, as above), the ports we may not open with the access hint, or that no
// port was found at all; several of these on separate paragraphs. Empty when
// a free port was found and none was refused.
std::string NoUsablePortReport(const TSerPortScan& Scan, const std::string& BusyHint);

}  // namespace galt
