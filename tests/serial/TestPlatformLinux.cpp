#include <dirent.h>
#include <time.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "TestPlatform.h"

namespace galt::test {

namespace {

int CountEntries(const char* Dir) {
  DIR* d = ::opendir(Dir);
  if (d == nullptr) return -1;
  int n = 0;
  while (const dirent* e = ::readdir(d)) {
    if (e->d_name[0] != '.') ++n;
  }
  ::closedir(d);
  return n;
}

}  // namespace

int CountOpenHandles() { return CountEntries("/proc/self/fd") - 1; }  // minus the listing's own
// A thread just joined may stay listed for a moment (the kernel wakes the
// joiner before it has let the task go): count until two looks agree.
int CountThreads() {
  int n = CountEntries("/proc/self/task");
  for (int look = 0; look < 50; ++look) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const int again = CountEntries("/proc/self/task");
    if (again == n) break;
    n = again;
  }
  return n;
}

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

bool UnderWine() { return false; }

int InvalidArgumentCode() { return EINVAL; }

}  // namespace galt::test
