#include "EmulatorProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

extern char** environ;

namespace galt::emucli::testing {

namespace {

using Clock = std::chrono::steady_clock;

int PollMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

EmulatorProcess::EmulatorProcess(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  char stderrTemplate[] = "/tmp/galt-emulator-stderr-XXXXXX";
  const int errFd = mkstemp(stderrTemplate);
  if (errFd < 0) throw std::runtime_error("mkstemp");
  close(errFd);
  stderrPath_ = stderrTemplate;

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrPath_.c_str(), O_WRONLY | O_TRUNC, 0);

  std::vector<std::string> argvStrings{GALT_EMULATOR_PATH};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argvStrings) argv.push_back(s.data());
  argv.push_back(nullptr);
  // An outer sudo must not make every emulator hand its terminal over.
  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e)
    if (std::string_view(*e).rfind("SUDO_", 0) != 0) envStrings.emplace_back(*e);
  envStrings.insert(envStrings.end(), env.begin(), env.end());
  std::vector<char*> envp;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  const int rc = posix_spawn(&pid_, GALT_EMULATOR_PATH, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  stdout_ = out[0];
  if (rc != 0) throw std::runtime_error("posix_spawn failed");
}

EmulatorProcess::~EmulatorProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close(stdout_);
  unlink(stderrPath_.c_str());
}

std::string EmulatorProcess::ReadLine(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (const auto nl = stdoutBuffer_.find('\n'); nl != std::string::npos) {
      std::string line = stdoutBuffer_.substr(0, nl);
      stdoutBuffer_.erase(0, nl + 1);
      return line;
    }
    pollfd pfd{stdout_, POLLIN, 0};
    if (poll(&pfd, 1, PollMs(deadline)) <= 0) return {};
    char buf[256];
    const ssize_t n = read(stdout_, buf, sizeof buf);
    if (n <= 0) return {};
    stdoutBuffer_.append(buf, static_cast<std::size_t>(n));
  }
}

std::string EmulatorProcess::ReadRest(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    pollfd pfd{stdout_, POLLIN, 0};
    if (poll(&pfd, 1, PollMs(deadline)) <= 0) break;
    char buf[1024];
    const ssize_t n = read(stdout_, buf, sizeof buf);
    if (n <= 0) break;
    stdoutBuffer_.append(buf, static_cast<std::size_t>(n));
  }
  return std::exchange(stdoutBuffer_, {});
}

int EmulatorProcess::Stop(int sig) {
  if (pid_ > 0) kill(pid_, sig);
  return Wait();
}

int EmulatorProcess::Wait(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (pid_ > 0) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return -1;
}

std::string EmulatorProcess::Stderr() const {
  std::ifstream in(stderrPath_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

long EmulatorProcess::CpuTicks() const {
  std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
  std::string text;
  std::getline(in, text);
  // Fields after the command name, which is in parentheses: state is field 3,
  // utime and stime are fields 14 and 15.
  std::istringstream rest(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

Port::Port(const std::string& path) {
  fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot open " + path);
  termios tio{};
  tcgetattr(fd_, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd_, TCSANOW, &tio);
}

Port::~Port() { close(fd_); }

void Port::Send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) throw std::runtime_error("write to port");
    done += static_cast<std::size_t>(n);
  }
}

std::string Port::Receive(std::size_t count, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::string got;
  while (got.size() < count) {
    pollfd pfd{fd_, POLLIN, 0};
    if (poll(&pfd, 1, PollMs(deadline)) <= 0) break;
    char buf[512];
    const ssize_t n = read(fd_, buf, std::min(sizeof buf, count - got.size()));
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

std::string MakeFrame(int serial, std::uint8_t command, const std::vector<std::uint8_t>& payload) {
  std::string f;
  for (int b : {0xAA, 0x06, serial >> 8, serial & 0xFF, int{command}, static_cast<int>(payload.size())})
    f.push_back(static_cast<char>(b));
  for (auto b : payload) f.push_back(static_cast<char>(b));
  unsigned sum = 0;
  for (char c : f) sum += static_cast<unsigned char>(c);
  f.push_back(static_cast<char>(sum >> 8));
  f.push_back(static_cast<char>(sum & 0xFF));
  return f;
}

std::string Bytes(const std::vector<int>& values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X ", c);
    out += b;
  }
  return out;
}

}  // namespace galt::emucli::testing
