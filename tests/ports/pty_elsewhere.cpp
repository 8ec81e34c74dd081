// Holds terminal N of a pseudo-terminal instance of its own, for the port
// tests: containers and private /dev set-ups mount their own instances, whose
// terminals carry the same device numbers as ours.
//
//   pty_elsewhere N     becomes `sleep 60` with that terminal as its input; exits 2
//                       when no instance can be made here (needs root)

#include <fcntl.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int wanted = std::atoi(argv[1]);
  if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("devpts", "/dev/pts", "devpts", 0, "newinstance,ptmxmode=0666,mode=0600") != 0) {
    std::perror("pty_elsewhere");
    return 2;
  }
  // Numbers are handed out from 0; the masters are kept so none is reused.
  for (int n = 0; n <= wanted; ++n) {
    const int master = ::open("/dev/pts/ptmx", O_RDWR | O_NOCTTY);
    int unlock = 0, number = -1;
    if (master < 0 || ::ioctl(master, TIOCSPTLCK, &unlock) != 0 || ::ioctl(master, TIOCGPTN, &number) != 0) return 1;
    if (number != wanted) continue;
    const int slave = ::open(("/dev/pts/" + std::to_string(number)).c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0 || ::dup2(slave, 0) != 0) return 1;  // held as standard input
    ::execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
    return 1;
  }
  return 1;
}
