// The far side on Linux: a pseudo-terminal pair of the test's own.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <thread>

#include "FarSide.h"
#include "PtyPair.h"

namespace galt::test {

struct FarSide::TImpl {
  PtyPair Pty;
};

FarSide::FarSide() : Impl_(std::make_unique<TImpl>()) {}
FarSide::~FarSide() = default;

std::string FarSide::Unavailable() { return {}; }

const std::string& FarSide::Path() const { return Impl_->Pty.Path(); }

void FarSide::Write(const std::string& Bytes) { Impl_->Pty.WriteFar(Bytes); }

std::string FarSide::Read(std::size_t Count, std::chrono::milliseconds Timeout) {
  return Impl_->Pty.ReadFar(Count, Timeout);
}

std::string FarSide::Drain(std::chrono::milliseconds Quiet) { return Impl_->Pty.DrainFar(Quiet); }

void FarSide::HangUp() { Impl_->Pty.HangUp(); }

std::size_t FarSide::Fill() {
  // Through the test's own slave descriptor, until the buffers stay full:
  // the kernel moves bytes between its buffers in the background, so one
  // refused write does not prove it.
  const int slave = Impl_->Pty.Slave();
  ::fcntl(slave, F_SETFL, ::fcntl(slave, F_GETFL) | O_NONBLOCK);
  const std::string block(512, 'p');
  std::size_t written = 0;
  int refusals = 0;
  while (refusals < 3) {
    const ssize_t n = ::write(slave, block.data(), block.size());
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      refusals = 0;
    } else {
      ++refusals;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  return written;
}

int FarSide::Waiting() {
  int waiting = 0;
  ::ioctl(Impl_->Pty.Slave(), FIONREAD, &waiting);
  return waiting;
}

int FarSide::Slave() const { return Impl_->Pty.Slave(); }

}  // namespace galt::test
