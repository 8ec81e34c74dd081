#pragma once
// Runs galt-emulator as a child process for the tests, and talks to the
// pseudo-terminal it serves like the loader would.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace galt::emucli::testing {

using std::chrono::milliseconds;

class EmulatorProcess {
 public:
  // `env`: "NAME=value" entries added to the inherited environment, which
  // loses its SUDO_ variables.
  explicit EmulatorProcess(const std::vector<std::string>& args, const std::vector<std::string>& env = {});
  ~EmulatorProcess();  // kills the child if it is still running
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  // The next line of the child's stdout, without the newline; empty when
  // none came in time.
  std::string ReadLine(milliseconds timeout = milliseconds(3000));
  // Everything the child writes on stdout until it closes it.
  std::string ReadRest(milliseconds timeout = milliseconds(3000));
  // Sends `sig` and waits for the exit.
  int Stop(int sig);
  // Waits for the child to end by itself; its exit code, or -1 when it was
  // killed by a signal or did not end in time.
  int Wait(milliseconds timeout = milliseconds(3000));
  std::string Stderr() const;
  // User plus system CPU time the child has used, in clock ticks.
  long CpuTicks() const;

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
  std::string stdoutBuffer_;
  std::string stderrPath_;
};

class Port {
 public:
  explicit Port(const std::string& path);  // opens raw, like the loader
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  void Send(const std::string& bytes);
  // Collects up to `count` bytes; returns early with what it has at the timeout.
  std::string Receive(std::size_t count, milliseconds timeout = milliseconds(2000));

 private:
  int fd_ = -1;
};

// A frame as the loader builds it: header with model 6, payload, 16-bit sum.
std::string MakeFrame(int serial, std::uint8_t command, const std::vector<std::uint8_t>& payload);
std::string Bytes(const std::vector<int>& values);
std::string Hex(const std::string& bytes);

}  // namespace galt::emucli::testing
