#include "app/cli/PortListing.h"

#include "app/cli/CliOptions.h"
#include "frontend/PortTexts.h"
#include "serial/PortName.h"

namespace galt::cli {

std::string PortLine(const TSerPortEntry& entry) {
  // On Windows the path is the COM name itself (\\.\COMn): one name says it.
  // Elsewhere the port numbers stay inside: the name and the path say it.
  std::string line = entry.Path == ComDeviceName(entry.PortNum) ? entry.Name : entry.Name + "  " + entry.Path;
  const std::string note = EntryNote(entry);
  if (!note.empty()) line += "  " + note;
  return line;
}

int PrintPortList(const TSerPortScan& scan, ConsoleOutput& console) {
  using Stream = ConsoleOutput::Stream;
  for (const TSerPortEntry& entry : scan.Listed) console.Line(Stream::Out, PortLine(entry));
  if (const std::string report = NoUsablePortReport(scan, kPortsBusyHintCli); !report.empty()) {
    console.Line(Stream::Err, report);
  }
  return scan.Listed.empty() ? kExitPort : kExitOk;
}

}  // namespace galt::cli
