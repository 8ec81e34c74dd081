#pragma once
// The command line of galt-loader-cli: which operation, on which port, with
// which serial number and file. Parsing only checks the form and the ranges;
// the port and the file are tried when the operation runs.

#include <optional>
#include <string>
#include <vector>

namespace galt::cli {

// Exit codes; the usage text and the manual page list them too.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,       // the device or the sequence failed
  kExitUsage = 2,        // the command line was not understood
  kExitPort = 3,         // the port cannot be opened, or no port is found
  kExitFile = 4,         // the file cannot be read, imported or written
  kExitStopped = 130,    // stopped by Ctrl+C or a termination request
};

enum class Action { Install, Read, Verify, List, Journal, Help, Version };

struct CliOptions {
  Action action = Action::Install;
  std::string port;
  std::optional<int> serial;
  std::string file;           // --read and --verify
  std::optional<int> blocks;  // --read and --verify: blocks from 0 on
  std::optional<std::string> trace;  // --trace: the line trace's file
  std::string journalFile;    // --journal-file: the journal written and shown
};

struct CliParse {
  CliOptions options;
  std::string error;  // empty when the command line was understood
};

// `args` without the program name. Accepts "--name value" and "--name=value".
// A second --port or --serial is an error (which device gets which number
// must not hang on the order of words); of other repeated options the last
// wins. --help, then --version, win over everything else.
CliParse ParseCliArguments(const std::vector<std::string>& args);

// The --help text, laid out like a manual page.
std::string CliUsage(const std::string& program);


}  // namespace galt::cli
