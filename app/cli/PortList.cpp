#include "app/cli/PortList.h"

#include "app/PortTexts.h"
#include "app/cli/CliOptions.h"
#include "sequences/MessageBoxes.h"

namespace galt::cli {

std::string PortLine(const TSerPortEntry& entry) {
  const std::string com = "COM" + std::to_string(entry.PortNum);
  // On Windows the path is the COM name itself (\\.\COMn): one name says it.
  std::string line = entry.Path == "\\\\.\\" + com ? com : entry.Name + "  " + entry.Path + "  " + com;
  const std::string note = EntryNote(entry);
  if (!note.empty()) line += "  " + note;
  return line;
}

int PrintPortList(const TSerPortScan& scan, ConsoleOutput& console) {
  using Stream = ConsoleOutput::Stream;
  for (const TSerPortEntry& entry : scan.Listed) console.Line(Stream::Out, PortLine(entry));
  if (scan.FirstFree() == nullptr && !scan.Listed.empty()) {
    console.Line(Stream::Err, texts::kPortsBusy);
    console.Line(Stream::Err, texts::kPortsBusyHint);
  }
  if (!scan.Denied.empty()) {
    console.Line(Stream::Err, texts::kPortsDenied);
    for (const std::string& path : scan.Denied) console.Line(Stream::Err, path);
    console.Line(Stream::Err, texts::kPortsDeniedHint);
  } else if (scan.Listed.empty()) {
    console.Line(Stream::Err, texts::kNoPorts);
  }
  return scan.Listed.empty() ? kExitPort : kExitOk;
}

}  // namespace galt::cli
