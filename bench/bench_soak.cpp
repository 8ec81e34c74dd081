// The long soak: installs back to back, each with a fault drawn from a seeded
// mix (unplug, silent device, another model, echoes stopping or corrupt,
// noise and split replies, late or missing answers), through two front ends,
// with the journal and the line trace on, in a private folder:
//  - the Qt window (offscreen) and the real serial component, ONE process
//    doing every install in a row, against the emulator on a pseudo-terminal,
//    so that what an install leaves behind adds up and shows;
//  - galt-loader-cli, one process per install, against a galt-emulator
//    process per install (the command line's own switches set the fault).
// Every install must end in the box its fault calls for (the command line:
// its exit code and last words) and a journal line with the outcome and text
// of that end; the command line's trace must end with the same outcome.
// Resident memory, descriptors and threads of the long-lived process (the
// window's; for the command line the harness's, with the peak memory of each
// loader run) are sampled every 100 installs, and must stay flat from the
// first sample to the last: RSS within 2 MB or 5 %, whichever is more,
// descriptors and threads equal. Exits 1 on any mismatch or growth.
//
//   bench_soak [--installs N] [--seed S] [--front window|cli|both]
//   (1000 installs, seed 20261207, both fronts; both run side by side, the
//   command line's in a child process of its own)

#include <QApplication>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "records/JournalEntry.h"
#include "tests/soak/Soak.h"
#include "tests/support/FileBytes.h"
#include "tests/support/PrivateFolder.h"
#include "tests/support/QtWait.h"
#include "tools/galt-emulator/tests/EmulatorProcess.h"

extern char** environ;

namespace {

using namespace galt;
using namespace galt::testing;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kDefaultSeed = 20261207;
// Longer than any install's own bound, for a loader that hangs.
constexpr auto kCliLimit = std::chrono::seconds(60);

struct Settings {
  int installs = 1000;
  std::uint32_t seed = kDefaultSeed;
  std::string front = "both";
};

std::optional<Settings> Parse(int argc, char** argv) {
  Settings s;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return std::nullopt;
    const std::string value = argv[++i];
    if (arg == "--installs") s.installs = std::max(1, std::atoi(value.c_str()));
    else if (arg == "--seed") s.seed = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    else if (arg == "--front" && (value == "window" || value == "cli" || value == "both")) s.front = value;
    else return std::nullopt;
  }
  return s;
}

struct JournalState {
  std::size_t records = 0;
  JournalEntry last;
};

JournalState ReadJournal(const std::string& path) {
  JournalState state;
  JournalReader reader([&](const JournalRecord& record) {
    ++state.records;
    state.last = record.Entry();
    return true;
  });
  reader.Feed(galt::testing::FileBytes(path));
  reader.Finish();
  return state;
}

// What is wrong with the journal's newest line (empty: nothing); `count` is
// how many lines it must have by now.
std::string JournalMismatch(const JournalState& j, std::size_t count, const SoakEnd& end) {
  if (j.records != count)
    return "journal has " + std::to_string(j.records) + " lines, not " + std::to_string(count);
  if (j.last.outcome != OutcomeName(end.outcome) || j.last.message != end.text)
    return "journal line: " + j.last.outcome + " \"" + j.last.message + "\"";
  return {};
}

std::string LastLine(const std::string& text) {
  std::string line, last;
  std::istringstream in(text);
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return last;
}

// The samples every `step` installs, and the peak memory of the command
// line's runs since the sample before.
struct Row {
  int install = 0;
  SoakSample self;
  long cliPeakKb = 0;
};

bool Flat(long fromKb, long toKb) {
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer keeps freed memory in quarantine: resident memory grows
  // by design there; its leak check at exit covers it instead.
  (void)fromKb;
  (void)toKb;
  return true;
#else
  constexpr long kSlackKb = 2048;
  constexpr double kSlackShare = 0.05;
  return toKb - fromKb <= std::max(kSlackKb, static_cast<long>(static_cast<double>(fromKb) * kSlackShare));
#endif
}

class Tally {
 public:
  Tally(const char* front, int installs) : front_(front), step_(std::max(1, std::min(100, installs / 4))) {}

  // After install `i` (from 1): prints it, samples on the step.
  void After(int i, const SoakRun& run, const std::string& problem, double seconds, long cliPeakKb = 0) {
    ++counts_[FaultName(run.fault)];
    if (!problem.empty()) ++mismatches_;
    peak_ = std::max(peak_, cliPeakKb);
    std::printf("%-6s %4d %-18s %4d  %5.2f s  %s\n", front_, i, FaultName(run.fault), run.value, seconds,
                problem.empty() ? "ok" : ("MISMATCH: " + problem).c_str());
    std::fflush(stdout);
    if (i % step_ != 0) return;
    // Said as it is taken: a run cut short still leaves its figures.
    rows_.push_back({i, SampleProcess(), std::exchange(peak_, 0)});
    const Row& r = rows_.back();
    std::printf("%-6s sample at %d: RSS %ld kB, %d descriptors, %d threads", front_, i, r.self.rssKb, r.self.fds,
                r.self.threads);
    if (r.cliPeakKb > 0) std::printf(", loader peak RSS %ld kB", r.cliPeakKb);
    std::printf("\n");
    std::fflush(stdout);
  }

  // The table and the verdict: true when every install matched and nothing grew.
  bool Report(std::uint32_t seed, double seconds) const {
    std::printf("\n%s: %d installs (seed %u) in %.1f s, %d mismatches\n", front_, Installs(), seed, seconds,
                mismatches_);
    for (const auto& [name, n] : counts_) std::printf("  %-18s %d\n", name.c_str(), n);
    const bool cli = std::string(front_) == "cli";
    std::printf("  %7s %10s %5s %7s%s\n", "install", "RSS kB", "fds", "threads", cli ? "  loader peak RSS kB" : "");
    for (const Row& r : rows_) {
      std::printf("  %7d %10ld %5d %7d", r.install, r.self.rssKb, r.self.fds, r.self.threads);
      if (cli) std::printf("  %10ld", r.cliPeakKb);
      std::printf("\n");
    }
    if (rows_.size() < 2) return mismatches_ == 0;
    const Row& a = rows_.front();
    const Row& b = rows_.back();
    const bool rss = Flat(a.self.rssKb, b.self.rssKb) && (!cli || Flat(a.cliPeakKb, b.cliPeakKb));
    const bool same = a.self.fds == b.self.fds && a.self.threads == b.self.threads;
    std::printf("  install %d -> %d: RSS %+ld kB%s, descriptors %+d, threads %+d: %s\n", a.install, b.install,
                b.self.rssKb - a.self.rssKb,
                cli ? (", loader peak " + std::to_string(b.cliPeakKb - a.cliPeakKb) + " kB").c_str() : "",
                b.self.fds - a.self.fds, b.self.threads - a.self.threads,
                rss && same ? "flat" : "GROWS");
    return mismatches_ == 0 && rss && same;
  }

 private:
  int Installs() const {
    int n = 0;
    for (const auto& [name, count] : counts_) n += count;
    return n;
  }

  const char* front_;
  int step_;
  int mismatches_ = 0;
  long peak_ = 0;
  std::map<std::string, int> counts_;
  std::vector<Row> rows_;
};

bool RunWindow(const Settings& settings, int argc, char** argv) {
  const PrivateFolder folder;
  const std::string journal = folder / "journal.csv";
  ::setenv("GALT_JOURNAL", journal.c_str(), 1);
  ::setenv("GALT_TRACE", (folder / "trace.txt").c_str(), 1);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int toolkitArgc = std::min(argc, 1);
  QApplication application(toolkitArgc, argv);

  const auto plan = SoakPlan(settings.seed, settings.installs);
  Tally tally("window", settings.installs);
  const auto start = Clock::now();
  {
    Soak soak;
    std::size_t lines = 0;  // in the journal before the install
    for (std::size_t i = 0; i < plan.size(); ++i) {
      const SoakOutcome out = soak.Run(plan[i]);
      // The window writes its journal on a worker of its own: its line comes soon after the box.
      JournalState j;
      RunEventsUntil([&] { return (j = ReadJournal(journal)).records > lines; }, 3000);
      std::string problem = out.passed ? JournalMismatch(j, lines + 1, ExpectedEnd(plan[i], "USB0"))
                                       : "box \"" + out.got + "\", not \"" + out.expected + "\"";
      lines = j.records;
      tally.After(static_cast<int>(i + 1), plan[i], problem, out.seconds);
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  // The trace, rotated or not, has the end of every install.
  int ends = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder / ""))
    if (entry.path().filename().string().rfind("trace.txt", 0) == 0) {
      std::istringstream in(galt::testing::FileBytes(entry.path().string()));
      for (std::string line; std::getline(in, line);) ends += line.find("итог: ") != std::string::npos;
    }
  std::printf("window trace: %d install ends for %d installs\n", ends, settings.installs);
  return tally.Report(settings.seed, seconds) && ends == settings.installs;
}

// The galt-emulator switches that set `f` (the defaults need none).
std::vector<std::string> EmulatorArgs(const emu::Faults& f) {
  const emu::Faults plain;
  std::vector<std::string> args{"--quiet"};
  const auto add = [&](bool on, const char* name, int value) {
    if (on) args.insert(args.end(), {name, std::to_string(value)});
  };
  if (f.silent) args.push_back("--silent");
  add(f.ackDeactivationFrom != plain.ackDeactivationFrom, "--ack-deactivation-from", f.ackDeactivationFrom);
  add(f.stopEchoAtBlock != plain.stopEchoAtBlock, "--stop-echo-at", f.stopEchoAtBlock);
  add(f.corruptEchoAtBlock != plain.corruptEchoAtBlock, "--corrupt-echo-at", f.corruptEchoAtBlock);
  add(f.unplugAtBlock != plain.unplugAtBlock, "--unplug-at", f.unplugAtBlock);
  add(f.answerQueryNumber != plain.answerQueryNumber, "--answer-query", f.answerQueryNumber);
  add(f.model != plain.model, "--model", f.model);
  add(f.noiseBytes != plain.noiseBytes, "--noise", f.noiseBytes);
  add(f.splitPieces != plain.splitPieces, "--split", f.splitPieces);
  return args;
}

struct CliExit {
  int code = -1;  // -1: killed, or did not end in time
  long peakKb = 0;
};

CliExit RunLoader(const std::vector<std::string>& args, const std::string& out, const std::string& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> argvStrings{GALT_CLI_PATH};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argvPtrs;
  for (auto& s : argvStrings) argvPtrs.push_back(s.data());
  argvPtrs.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, GALT_CLI_PATH, &actions, nullptr, argvPtrs.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  CliExit ended;
  if (rc != 0) return ended;
  const auto deadline = Clock::now() + kCliLimit;
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
    if (Clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &status, 0, &usage);
      return ended;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ended.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ended.peakKb = usage.ru_maxrss;
  return ended;
}

// What is wrong with one command-line install (empty: nothing).
std::string CliInstall(const SoakRun& run, const PrivateFolder& folder, const std::string& journal,
                       std::size_t count, long& peakKb) {
  emu::Faults faults = FaultsOf(run);
  if (run.fault == SoakFault::Unplug) faults.unplugAtBlock = run.value;
  emucli::testing::EmulatorProcess emulator(EmulatorArgs(faults));
  const std::string port = emulator.ReadLine();
  if (port.empty()) return "galt-emulator gave no terminal";
  const std::string trace = folder / "trace.txt";
  const std::string out = folder / "out.txt";
  const std::string err = folder / "err.txt";
  std::filesystem::remove(trace);
  const CliExit ran = RunLoader({"--port", port, "--serial", std::to_string(run.serial), "--journal-file", journal,
                                  "--trace", trace},
                                 out, err);
  peakKb = ran.peakKb;
  emulator.Stop(SIGTERM);
  const std::string summary = emulator.ReadRest();

  const SoakEnd end = ExpectedEnd(run, port);
  const bool confirmed = end.outcome == Outcome::Confirmed;
  const std::string said = LastLine(galt::testing::FileBytes(confirmed ? out : err));
  if (ran.code != (confirmed ? 0 : 1))
    return "exit " + std::to_string(ran.code) + ": " + LastLine(galt::testing::FileBytes(err)) + " / " + LastLine(galt::testing::FileBytes(out));
  const std::string wanted =
      confirmed ? "Серийный номер " + std::to_string(run.serial) + " записан: " + port + ", " : end.text;
  if (said.rfind(wanted, 0) != 0) return "said \"" + said + "\", not \"" + wanted + "\"";
  if (confirmed && summary.find("serial in flash " + std::to_string(run.serial)) == std::string::npos)
    return "device: " + LastLine(summary);
  if (run.fault == SoakFault::OtherModel && summary.find(", writes 0,") == std::string::npos)
    return "a device of another model was written: " + LastLine(summary);
  if (std::string problem = JournalMismatch(ReadJournal(journal), count, end); !problem.empty()) return problem;
  const std::string traced = LastLine(galt::testing::FileBytes(trace));
  if (traced.find("итог: " + std::string(OutcomeName(end.outcome))) == std::string::npos)
    return "trace ends \"" + traced + "\"";
  return {};
}

bool RunCli(const Settings& settings) {
  const PrivateFolder folder;
  const std::string journal = folder / "journal.csv";
  const auto plan = SoakPlan(settings.seed, settings.installs);
  Tally tally("cli", settings.installs);
  const auto start = Clock::now();
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const auto began = Clock::now();
    long peakKb = 0;
    const std::size_t lines = ReadJournal(journal).records;
    const std::string problem = CliInstall(plan[i], folder, journal, lines + 1, peakKb);
    tally.After(static_cast<int>(i + 1), plan[i], problem,
                std::chrono::duration<double>(Clock::now() - began).count(), peakKb);
  }
  return tally.Report(settings.seed, std::chrono::duration<double>(Clock::now() - start).count());
}

// The command line's soak in a child of its own (this program again), so
// that each front's process holds only its own things; its lines go out
// with the window's, each saying its front.
pid_t StartCliChild(const Settings& settings) {
  std::vector<std::string> args{"/proc/self/exe", "--installs", std::to_string(settings.installs), "--seed",
                                std::to_string(settings.seed), "--front", "cli"};
  std::vector<char*> argvPtrs;
  for (auto& s : args) argvPtrs.push_back(s.data());
  argvPtrs.push_back(nullptr);
  pid_t pid = -1;
  return ::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argvPtrs.data(), environ) == 0 ? pid : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const auto settings = Parse(argc, argv);
  if (!settings) {
    std::fprintf(stderr, "usage: %s [--installs N] [--seed S] [--front window|cli|both]\n", argv[0]);
    return 2;
  }
  std::printf("soak: %d installs, seed %u, front %s\n", settings->installs, settings->seed,
              settings->front.c_str());
  std::fflush(stdout);
  if (settings->front == "cli") return RunCli(*settings) ? 0 : 1;
  if (settings->front == "window") return RunWindow(*settings, argc, argv) ? 0 : 1;

  const pid_t child = StartCliChild(*settings);
  const bool window = RunWindow(*settings, argc, argv);
  std::fflush(stdout);
  int status = 0;
  const bool cli = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                   WEXITSTATUS(status) == 0;
  return window && cli ? 0 : 1;
}
