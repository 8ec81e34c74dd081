#include "tools/galt-emulator/PtyDevice.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace galt::emucli {

namespace {

[[noreturn]] void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

PtyDevice::PtyDevice() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) Fail("posix_openpt");
  try {
    if (grantpt(master_) != 0) Fail("grantpt");
    if (unlockpt(master_) != 0) Fail("unlockpt");
    char name[128];
    if (const int rc = ptsname_r(master_, name, sizeof name); rc != 0) {
      errno = rc;
      Fail("ptsname_r");
    }
    slavePath_ = name;

    // Raw, so the line discipline neither echoes nor translates a byte.
    termios tio{};
    if (tcgetattr(master_, &tio) != 0) Fail("tcgetattr");
    cfmakeraw(&tio);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(master_, TCSANOW, &tio) != 0) Fail("tcsetattr");

    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl O_NONBLOCK");
  } catch (...) {
    close(master_);
    throw;
  }
}

PtyDevice::~PtyDevice() { close(master_); }

}  // namespace galt::emucli
