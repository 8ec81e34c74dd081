#include "tools/galt-emulator/DeviceServer.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

namespace galt::emucli {

namespace {

using namespace std::chrono_literals;

// The pause between the pieces of a split reply, so the loader really gets
// them in separate reads.
constexpr auto kPieceGap = 5ms;
// Bytes we read ahead of the paced line; beyond that the terminal's own
// buffer holds them back, as a real line would the sender.
constexpr std::size_t kReadAhead = 4096;
// Replies queued for a loader that does not read are dropped past this.
constexpr std::size_t kMaxBacklog = 64 * 1024;
// How long to stay off the terminal after it reported a hang-up: until the
// loader opens the port (again), the master reads as hung up; a
// short pause keeps the first frame after the open waiting little.
constexpr auto kHangupPause = 20ms;

}  // namespace

DeviceServer::DeviceServer(int fd, emu::DeviceEmulator& device, bool pace, LogFn log,
                           const emu::AdapterModel* adapter)
    : fd_(fd),
      device_(device),
      pace_(pace),
      log_(std::move(log)),
      adapter_(adapter ? std::make_unique<emu::AdapterLine>(*adapter, Clock::now()) : nullptr) {}

void DeviceServer::Note(const std::string& line) const {
  if (log_) log_(line);
}

void DeviceServer::ReadInput(Clock::time_point now) {
  char buf[1024];
  const ssize_t n = read(fd_, buf, sizeof buf);
  if (n < 0) {
    if (errno == EAGAIN || errno == EINTR) return;
    if (errno == EIO) {
      hangupUntil_ = now + kHangupPause;
      return;
    }
    throw std::system_error(errno, std::generic_category(), "read from pseudo-terminal");
  }
  const Clock::time_point start = adapter_ ? adapter_->ToLine(now, inClock_.FreeAt() <= now) : now;
  for (ssize_t i = 0; i < n; ++i) input_.push_back({pace_ ? inClock_.Take(start) : start, buf[i]});
}

void DeviceServer::FeedDueInput(Clock::time_point now) {
  std::string arrived;
  while (!input_.empty() && input_.front().due <= now) {
    arrived.push_back(input_.front().byte);
    input_.pop_front();
  }
  if (!arrived.empty()) Schedule(device_.Receive(arrived), now);
}

void DeviceServer::Schedule(const std::vector<std::string>& pieces, Clock::time_point now) {
  std::size_t total = 0;
  for (const auto& p : pieces) total += p.size();
  if (output_.size() + total > kMaxBacklog) {
    Note("   (reply dropped: the other side reads nothing)");
    return;
  }
  Clock::time_point start = now;
  Clock::time_point last = output_.empty() ? now : output_.back().due;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) start = last + kPieceGap;
    for (std::size_t k = 0; k < pieces[i].size(); ++k) {
      const Clock::time_point due = pace_ ? outClock_.Take(start) : std::max(start, last);
      last = due;
      // Through an adapter, the byte is in the bridge at `due`; the bridge
      // decides when the loader gets it.
      if (adapter_) adapter_->FromLine(due, pieces[i][k], i + 1 == pieces.size() && k + 1 == pieces[i].size());
      else output_.push_back({due, pieces[i][k]});
    }
  }
}

void DeviceServer::WriteDueOutput(Clock::time_point now) {
  if (adapter_)
    for (char byte : adapter_->Take(now)) output_.push_back({now, byte});
  while (!writeBlocked_ && !output_.empty() && output_.front().due <= now) {
    char buf[1024];
    std::size_t n = 0;
    while (n < sizeof buf && n < output_.size() && output_[n].due <= now) {
      buf[n] = output_[n].byte;
      ++n;
    }
    const ssize_t written = write(fd_, buf, n);
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        writeBlocked_ = true;
        return;
      }
      if (errno == EIO) {  // no one on the other side: the bytes are lost, as on a line
        output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(n));
        hangupUntil_ = now + kHangupPause;
        return;
      }
      throw std::system_error(errno, std::generic_category(), "write to pseudo-terminal");
    }
    output_.erase(output_.begin(), output_.begin() + written);
  }
}

void DeviceServer::Run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask) {
  Serve([&stop] { return stop != 0; }, &waitMask, std::nullopt);
}

void DeviceServer::Run(const std::atomic<bool>& stop) {
  Serve([&stop] { return stop.load(); }, nullptr, std::chrono::milliseconds(5));
}

void DeviceServer::Serve(const std::function<bool()>& stopped, const sigset_t* waitMask,
                         std::optional<Clock::duration> maxWait) {
  while (!stopped()) {
    Clock::time_point now = Clock::now();
    FeedDueInput(now);
    if (device_.unplugged) return;  // nothing more goes out: the line is gone
    WriteDueOutput(now);

    // Sleep until the next byte is due, the terminal has something for us,
    // or a signal comes.
    std::optional<Clock::time_point> wake;
    if (!input_.empty()) wake = input_.front().due;
    if (!output_.empty() && !writeBlocked_) wake = wake ? std::min(*wake, output_.front().due) : output_.front().due;
    if (const auto due = adapter_ ? adapter_->NextDue() : std::nullopt; due && !writeBlocked_)
      wake = wake ? std::min(*wake, *due) : *due;
    pollfd pfd{fd_, 0, 0};
    // While the terminal reports a hang-up, leave it out of the wait
    // altogether: it would report the hang-up again at once.
    const bool offTerminal = now < hangupUntil_;
    if (offTerminal) {
      wake = wake ? std::min(*wake, hangupUntil_) : hangupUntil_;
    } else {
      if (input_.size() < kReadAhead) pfd.events |= POLLIN;
      if (writeBlocked_) pfd.events |= POLLOUT;
    }
    if (maxWait) wake = wake ? std::min(*wake, now + *maxWait) : now + *maxWait;
    timespec timeout{};
    if (wake) {
      const auto left = std::max(Clock::duration::zero(), *wake - now);
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
      timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    const int rc = ppoll(&pfd, offTerminal ? 0 : 1, wake ? &timeout : nullptr, waitMask);
    if (rc < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "ppoll");
    }
    if (rc > 0 && waitMask) {
      // ppoll lets no signal in when the terminal is ready at once; a stream
      // of input must not hold off a stop request, so let pending ones in.
      sigset_t held;
      pthread_sigmask(SIG_SETMASK, waitMask, &held);
      pthread_sigmask(SIG_SETMASK, &held, nullptr);
    }
    now = Clock::now();
    if (pfd.revents & POLLOUT) writeBlocked_ = false;
    if (pfd.revents & POLLIN) ReadInput(now);
    if ((pfd.revents & (POLLHUP | POLLERR)) && !(pfd.revents & POLLIN)) hangupUntil_ = now + kHangupPause;
  }
}

}  // namespace galt::emucli
