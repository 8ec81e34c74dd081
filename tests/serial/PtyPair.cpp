#include "PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace galt::test {

PtyPair::PtyPair() {
  char name[128];
  termios raw{};
  cfmakeraw(&raw);
  if (::openpty(&Master_, &Slave_, name, &raw, nullptr) != 0) {
    throw std::system_error(errno, std::generic_category(), "openpty");
  }
  Path_ = name;
  ::fcntl(Master_, F_SETFL, ::fcntl(Master_, F_GETFL) | O_NONBLOCK);
  ::fcntl(Master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(Slave_, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() { HangUp(); }

void PtyPair::WriteFar(const std::string& Bytes) {
  std::size_t done = 0;
  while (done < Bytes.size()) {
    const ssize_t n = ::write(Master_, Bytes.data() + done, Bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{Master_, POLLOUT, 0};
      ::poll(&p, 1, 100);
    } else if (!(n < 0 && errno == EINTR)) {
      throw std::system_error(errno, std::generic_category(), "write to pty master");
    }
  }
}

std::string PtyPair::ReadFar(std::size_t Count, std::chrono::milliseconds Timeout) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + Timeout;
  char buf[4096];
  while (out.size() < Count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{Master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    const std::size_t want = std::min(sizeof buf, Count - out.size());
    const ssize_t n = ::read(Master_, buf, want);
    if (n > 0) out.append(buf, static_cast<std::size_t>(n));
    else if (n == 0 || (errno != EAGAIN && errno != EINTR)) break;
  }
  return out;
}

std::string PtyPair::DrainFar(std::chrono::milliseconds Quiet) {
  std::string out;
  char buf[4096];
  for (;;) {
    pollfd p{Master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(Quiet.count())) <= 0) return out;
    const ssize_t n = ::read(Master_, buf, sizeof buf);
    if (n > 0) out.append(buf, static_cast<std::size_t>(n));
    else if (n == 0 || (errno != EAGAIN && errno != EINTR)) return out;
  }
}

void PtyPair::HangUp() {
  if (Master_ >= 0) ::close(Master_);
  if (Slave_ >= 0) ::close(Slave_);
  Master_ = Slave_ = -1;
}

}  // namespace galt::test
