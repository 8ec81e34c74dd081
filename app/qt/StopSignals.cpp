#include "app/qt/StopSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>
#endif

namespace galt {

#ifndef _WIN32
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
std::atomic<int> g_writeEnd{-1};
struct sigaction g_before[std::size(kSignals)];

void OnSignal(int signal) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(signal);
  // A full pipe holds enough signals already.
  [[maybe_unused]] const ssize_t written = ::write(g_writeEnd.load(), &byte, 1);
  errno = saved;
}

}  // namespace

TStopSignals::TStopSignals(QWidget& window) : window_(window) {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    pipe_[0] = pipe_[1] = -1;
    return;  // the signals keep their default: the window ends as before
  }
  g_writeEnd = pipe_[1];
  auto* notifier = new QSocketNotifier(static_cast<qintptr>(pipe_[0]), QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] { Readable(); });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &g_before[i]);
}

TStopSignals::~TStopSignals() {
  if (pipe_[0] < 0) return;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &g_before[i], nullptr);
  g_writeEnd = -1;
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void TStopSignals::Readable() {
  unsigned char signal = 0;
  bool any = false;
  while (::read(pipe_[0], &signal, 1) == 1) any = true;
  if (!any) return;
  window_.close();
  QCoreApplication::exit(128 + signal);
}
#else
TStopSignals::TStopSignals(QWidget& window) : window_(window) {}
TStopSignals::~TStopSignals() = default;
void TStopSignals::Readable() {}
#endif

}  // namespace galt
