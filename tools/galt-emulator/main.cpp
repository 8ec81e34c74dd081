// galt-emulator: a virtual GALT-5R on a pseudo-terminal, for trying the
// loader without a device. See --help.

#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/emulator/DeviceEmulator.h"
#include "tools/galt-emulator/DeviceServer.h"
#include "tools/galt-emulator/LinkName.h"
#include "tools/galt-emulator/Options.h"
#include "tools/galt-emulator/PtyDevice.h"
#include "tools/galt-emulator/SudoHandOver.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int) { g_stop = 1; }

// Stop signals are blocked except while the server waits, so one that comes
// while a frame is being handled ends the wait that follows.
sigset_t SetUpSignals() {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, s);
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigdelset(&waitMask, s);

  struct sigaction sa{};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a closed stdout must not kill us before cleanup
  return waitMask;
}

// `adapterWaits`: the adapter's own waits (DeviceServer::AdapterAdded), none
// on a bare line.
std::string Summary(const galt::emu::DeviceEmulator& device, std::optional<galt::emucli::Clock::duration> adapterWaits) {
  const auto& c = device.counters;
  const int serial = device.SerialFromFlash();
  return "galt-emulator stopped: queries " + std::to_string(c.queries) + ", deactivations " +
         std::to_string(c.deactivations) + ", writes " + std::to_string(c.writes) + ", reads " +
         std::to_string(c.reads) + ", activations " + std::to_string(c.activations) + ", bad frames " +
         std::to_string(c.badFrames) +
         (adapterWaits ? ", adapter waits " +
                             std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(*adapterWaits).count()) +
                             " ms"
                       : std::string()) +
         ", serial in flash " +
         (serial == 0xFFFF ? std::string("none") : std::to_string(serial));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace galt::emucli;
  const std::string program = argc > 0 ? argv[0] : "galt-emulator";
  const ParseResult parsed = ParseOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "%s: %s\n\n%s", program.c_str(), parsed.error.c_str(), Usage(program).c_str());
    return 2;
  }
  const Options& options = parsed.options;
  if (options.help) {
    std::fputs(Usage(program).c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("galt-emulator %s\n", GALT_VERSION);
    return 0;
  }

  const sigset_t waitMask = SetUpSignals();
  const auto start = Clock::now();
  const auto log = [&](const std::string& line) {
    if (options.quiet) return;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::fprintf(stderr, "%10.1f ms  %s\n", ms, line.c_str());
  };

  galt::emu::DeviceEmulator device;
  device.faults = options.faults;
  if (options.serial) device.StampSerial(*options.serial);
  device.Log = log;

  std::optional<Clock::duration> adapterWaits;
  try {
    PtyDevice pty;
    // Handed over before its name is printed: whoever reads it can open it.
    const auto user = SudoUserOfThisProcess();
    if (user) HandOverTerminal(pty.slavePath(), *user);
    std::unique_ptr<LinkName> link;
    if (!options.link.empty()) link = std::make_unique<LinkName>(options.link, pty.slavePath());
    if (link && user && !UserCanOpen(options.link, *user))
      std::fprintf(stderr, "%s: warning: user %u cannot reach %s (is a directory on the way closed?)\n",
                   program.c_str(), static_cast<unsigned>(user->uid), options.link.c_str());

    std::printf("%s\n", pty.slavePath().c_str());
    std::fflush(stdout);
    if (user)
      log("terminal handed to user " + std::to_string(user->uid) + ", group " + std::to_string(user->terminalGroup) +
          ", mode 0660");
    if (link) log("linked " + options.link + " -> " + pty.slavePath());
    log(std::string(options.pace ? "serving, paced as 14400 baud" : "serving, unpaced") +
        (options.adapter ? std::string(", through adapter ") + options.adapter->name : std::string()));

    DeviceServer server(pty.master(), device, options.pace, log, options.adapter);
    server.Run(g_stop, waitMask);
    if (options.adapter) adapterWaits = server.AdapterAdded();
    // The terminal and the link go as this block ends: the loader's port hangs up.
    if (device.unplugged) log("unplugged at block " + std::to_string(options.faults.unplugAtBlock));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
    return 1;
  }
  std::printf("%s\n", Summary(device, adapterWaits).c_str());
  std::fflush(stdout);
  return 0;
}
