#pragma once
// Another program holding a port: a child that opens the node (and may lock
// it), then becomes `sleep`, so it shows up as "sleep" with its PID.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace galt::testing {

class Holder {
 public:
  explicit Holder(const std::string& path, bool lock = false)
      : Holder({"/bin/sh", "sh", "-c",
                "exec 3<>\"$1\" || exit 1; if [ \"$2\" = lock ]; then flock -n 3 || exit 1; fi; exec sleep 60", "sh",
                path, lock ? "lock" : "open"}) {}
  // Any program that ends up as sleep holding what it opened: {file, argv0, args...}.
  explicit Holder(const std::vector<std::string>& program) {
    std::vector<char*> argv;
    for (std::size_t i = 1; i < program.size(); ++i) argv.push_back(const_cast<char*>(program[i].c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      // Nothing but exec in the child of a threaded process.
      ::execv(program[0].c_str(), argv.data());
      _exit(1);
    }
    // The descriptor must be in sleep before anyone looks.
    for (int i = 0; pid_ > 0 && i < 400 && Command() != "sleep"; ++i) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;  // the shell could not open or lock it
        return;
      }
      ::usleep(5000);
    }
    held_ = pid_ > 0 && Command() == "sleep";
  }
  ~Holder() { Release(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;

  bool Held() const { return held_ && Command() == "sleep"; }
  int Pid() const { return pid_; }
  void Release() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string Command() const {
    char buf[64] = {};
    const std::string path = "/proc/" + std::to_string(pid_) + "/comm";
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return {};
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    std::string s(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }

  int pid_ = -1;
  bool held_ = false;
};

}  // namespace galt::testing
