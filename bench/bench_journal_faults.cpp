// How long a journal that cannot be written holds up the end of an install
// (target: 2 s at most, whatever the journal does). Each journal at its
// path: a plain file, a folder, a FIFO nobody serves, a file whose lock
// another program holds (as a stale lock on a share that stopped answering
// would), and a full disk (the process's file size limit just above the
// journal's size). For each:
// - galt-loader-cli installs against the device emulator (unpaced), and its
//   time to exit is set against the same install with the plain journal;
// - the window (the binding, in virtual time) is closed mid-install, which
//   journals the stopped install: the time its close and end take.
// Every run is a child process of its own, so that the file size limit
// stays its own.
//   bench_journal_faults [RUNS]   (3 by default; medians)

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "frontend/WindowBinding.h"
#include "records/JournalFile.h"
#include "serial/SerEventLoop.h"
#include "tests/support/OfflineWindow.h"
#include "tests/support/RecordingPort.h"
#include "tests/support/VirtualDevice.h"

namespace {

namespace fs = std::filesystem;

struct NoFace : galt::WindowFace {
  void ShowPorts(const std::vector<galt::TSerPortEntry>&, const std::string&) override {}
  void ShowTitle(const std::string&) override {}
  void ShowSized1(const std::string&) override {}
};

// Seconds `run` takes in a child process whose file size limit is `limit`
// bytes (none when 0); negative when it failed.
double InChild(const std::function<bool()>& run, std::uint64_t limit) {
  int pipe[2];
  if (::pipe(pipe) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    if (limit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit fsize{limit, limit};
      ::setrlimit(RLIMIT_FSIZE, &fsize);
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok = run();
    const double seconds = ok ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() : -1;
    if (::write(pipe[1], &seconds, sizeof seconds) != sizeof seconds) _exit(2);
    _exit(0);
  }
  ::close(pipe[1]);
  double seconds = -1;
  if (::read(pipe[0], &seconds, sizeof seconds) != sizeof seconds) seconds = -1;
  ::close(pipe[0]);
  ::waitpid(child, nullptr, 0);
  return seconds;
}

bool CliInstall(const std::string& port, const fs::path& journal) {
  std::FILE* sink = std::fopen("/dev/null", "w");
  galt::cli::ConsoleOutput console(sink, sink, false);
  const int code = galt::cli::RunCommandLine(
      "galt-loader-cli", {"--port", port, "--serial", "237", "--journal-file", journal.string()}, console,
      galt::TSerPortTable::System(), {}, std::set<std::string>{});
  std::fclose(sink);
  return code == 0;
}

bool WindowClosedMidInstall(const fs::path& journal) {
  ::setenv("GALT_JOURNAL", journal.c_str(), 1);
  galt::testing::VirtualClock clock;
  galt::testing::RecordingBoxes boxes;
  galt::testing::RecordingPort port;
  NoFace face;
  galt::TSerEventLoop loop;
  auto window = std::make_unique<galt::WindowBinding>(face, galt::testing::OfflineWindow(clock, boxes, port),
                                                      galt::ToolkitServices{clock, boxes, loop, "galt-loader"});
  window->FormCreate();
  window->Button4Click();
  clock.Advance(120);
  // Timed from here by the caller's clock: the close and the window's end.
  window->FormClose();
  window.reset();
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path dir = fs::temp_directory_path() / ("galt-bench-journal-faults-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "folder");
  ::mkfifo((dir / "fifo").c_str(), 0600);
  galt::testing::VirtualDevice device;
  device.Start();

  struct Condition {
    const char* name;
    fs::path journal;
    bool fullDisk = false;
    bool locked = false;
  };
  const std::vector<Condition> conditions = {
      {"plain file", dir / "plain.csv"},     {"folder", dir / "folder"},
      {"FIFO", dir / "fifo"},                {"lock held elsewhere", dir / "locked.csv", false, true},
      {"full disk", dir / "full.csv", true},
  };
  std::printf("journal condition      cli exit s  delay s   window close+end s   (median of %d)\n", runs);
  double base = 0, worst = 0;
  for (const Condition& c : conditions) {
    std::uint64_t limit = 0;
    if (c.fullDisk) {
      galt::JournalEntry e;
      e.outcome = "confirmed";
      galt::AppendJournalEntry(c.journal, e);
      limit = fs::file_size(c.journal) + 16;
    }
    int held = -1;
    if (c.locked) {
      held = ::open(c.journal.c_str(), O_RDWR | O_CREAT, 0600);
      ::flock(held, LOCK_EX);
    }
    std::vector<double> cli, window;
    for (int i = 0; i < runs; ++i) {
      cli.push_back(InChild([&] { return CliInstall(device.Path(), c.journal); }, limit));
      window.push_back(InChild([&] { return WindowClosedMidInstall(c.journal); }, limit));
    }
    if (held >= 0) ::close(held);
    const double cliSeconds = Median(cli), windowSeconds = Median(window);
    if (cliSeconds < 0 || windowSeconds < 0) {
      std::printf("%-22s failed\n", c.name);
      return 1;
    }
    if (base == 0) base = cliSeconds;
    worst = std::max({worst, cliSeconds - base, windowSeconds});
    std::printf("%-22s %9.3f  %+7.3f   %9.3f\n", c.name, cliSeconds, cliSeconds - base, windowSeconds);
  }
  device.Stop();
  fs::remove_all(dir);
  std::printf("the longest an end was held up: %.3f s (target 2 s)\n", worst);
  return worst <= 2.0 ? 0 : 2;
}
