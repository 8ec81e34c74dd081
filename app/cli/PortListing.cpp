#include "app/cli/PortListing.h"

#include "app/cli/CliOptions.h"
#include "frontend/PortTexts.h"
#include "serial/PortName.h"

namespace galt::cli {

std::string PortLine(const TSerPortEntry& entry) {
  const std::string com = ComName(entry.PortNum);
  // On Windows the path is the COM name itself (\\.\COMn): one name says it.
  std::string line = entry.Path == ComDeviceName(entry.PortNum) ? com : entry.Name + "  " + entry.Path + "  " + com;
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
