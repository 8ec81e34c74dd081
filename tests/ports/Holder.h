#pragma once
// Another program holding a port: a child that opens the node (and may lock
// it), then becomes `sleep`, so it shows up as "sleep" with its PID.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace galt::testing {

class Holder {
 public:
  explicit Holder(const std::string& path, bool lock = false) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      if (fd < 0 || (lock && ::flock(fd, LOCK_EX | LOCK_NB) != 0)) _exit(1);
      // The descriptor, and its lock, live on in sleep.
      if (::write(ready[1], "k", 1) != 1) _exit(1);
      ::close(ready[1]);
      ::execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
      _exit(1);
    }
    ::close(ready[1]);
    char c = 0;
    held_ = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    // The descriptor must be in sleep before anyone looks.
    for (int i = 0; held_ && i < 200 && Command() != "sleep"; ++i) ::usleep(5000);
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
