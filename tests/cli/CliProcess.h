#pragma once
// Runs the built galt-loader-cli as a child process, its output in files, as
// a script on a production line would run it.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace galt::cli::testing {

struct CliResult {
  int code = -1;  // exit code; -1 when killed or still running at the timeout
  std::string out;
  std::string err;
};

class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args);
  ~CliProcess();  // kills the child if it still runs
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  void Signal(int sig);
  // Waits for the end; the result with everything the child printed.
  CliResult Wait(std::chrono::milliseconds timeout = std::chrono::seconds(90));

 private:
  pid_t pid_ = -1;
  int code_ = -1;
  std::string outPath_, errPath_;
};

inline CliResult RunCli(const std::vector<std::string>& args) { return CliProcess(args).Wait(); }

}  // namespace galt::cli::testing
