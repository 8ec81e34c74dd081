// Arbitrary command lines (NUL-separated words) through galt-loader-cli's
// options and the windows' own: no crash, and what is understood is whole.
// An operation has what it needs within its ranges, and the options written
// back as a command line parse to the same options.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli/CliOptions.h"
#include "frontend/WindowOptions.h"
#include "sequences/InstallTiming.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using galt::fuzz::Check;

using galt::cli::Action;
using galt::cli::CliOptions;

bool Same(const CliOptions& a, const CliOptions& b) {
  return a.action == b.action && a.port == b.port && a.serial == b.serial && a.file == b.file &&
         a.blocks == b.blocks && a.trace == b.trace && a.journalFile == b.journalFile;
}

// The options as a command line, each value after '=' so that none is taken
// for an option.
std::vector<std::string> Written(const CliOptions& o) {
  std::vector<std::string> args;
  if (o.action == Action::List) args.push_back("--list");
  if (o.action == Action::Journal) args.push_back("--journal");
  if (!o.port.empty()) args.push_back("--port=" + o.port);
  if (o.serial) args.push_back("--serial=" + std::to_string(*o.serial));
  if (o.action == Action::Read) args.push_back("--read=" + o.file);
  if (o.action == Action::Verify) args.push_back("--verify=" + o.file);
  if (o.blocks) args.push_back("--blocks=" + std::to_string(*o.blocks));
  if (o.trace) args.push_back("--trace=" + *o.trace);
  if (!o.journalFile.empty()) args.push_back("--journal-file=" + o.journalFile);
  return args;
}

void CheckCli(const std::vector<std::string>& args) {
  const galt::cli::CliParse parsed = galt::cli::ParseCliArguments(args);
  if (!parsed.error.empty()) return;
  const CliOptions& o = parsed.options;
  const bool operation = o.action == Action::Install || o.action == Action::Read || o.action == Action::Verify;
  if (operation) {
    Check(!o.port.empty());
    Check(o.action == Action::Read || o.serial.has_value());
    Check(o.action == Action::Install ? o.file.empty() && !o.blocks : !o.file.empty());
  } else {
    Check(o.port.empty() && !o.serial && !o.blocks && o.file.empty());
  }
  if (o.serial) Check(*o.serial >= galt::kSerialMin && *o.serial <= galt::kSerialMax);
  if (o.blocks) Check(*o.blocks >= galt::kBlockLimitMin && *o.blocks <= galt::kFlashBlocks);
  if (o.trace) Check(!o.trace->empty());
  if (o.action == Action::Help || o.action == Action::Version) return;
  const galt::cli::CliParse again = galt::cli::ParseCliArguments(Written(o));
  Check(again.error.empty());
  Check(Same(again.options, o));
}

void CheckWindow(const std::vector<std::string>& args) {
  const galt::WindowOptions o = galt::ParseWindowOptions(args);
  Check((o.action == galt::WindowAction::Usage) == !o.error.empty());
  if (o.action == galt::WindowAction::Usage) Check(!galt::WindowUsageError("galt-loader", o.error).empty());
  if (o.trace) {
    bool named = false;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) named = named || (args[i] == "--trace" && args[i + 1] == *o.trace);
    Check(named);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  if (size == 0) args.clear();
  CheckCli(args);
  CheckWindow(args);
  return 0;
}
