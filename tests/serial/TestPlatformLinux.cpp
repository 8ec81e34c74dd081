#include <dirent.h>
#include <time.h>

#include <cerrno>

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
int CountThreads() { return CountEntries("/proc/self/task"); }

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

bool UnderWine() { return false; }

int InvalidArgumentCode() { return EINVAL; }

}  // namespace galt::test
