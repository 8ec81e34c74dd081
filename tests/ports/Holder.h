#pragma once
// Another program holding a port: a child that opens the node (and may lock
// it), then becomes `sleep`, so it shows up as "sleep" with its PID.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace galt::testing {

class Holder {
 public:
  explicit Holder(const std::string& path, bool lock = false) {
    pid_ = ::fork();
    if (pid_ == 0) {
      // Nothing but exec in the child of a threaded process: the shell opens
      // the node (and locks it) and becomes sleep, descriptor and all.
      ::execl("/bin/sh", "sh", "-c",
              "exec 3<>\"$1\" || exit 1; if [ \"$2\" = lock ]; then flock -n 3 || exit 1; fi; exec sleep 60",
              "sh", path.c_str(), lock ? "lock" : "open", static_cast<char*>(nullptr));
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
