// Start-up benchmark: the loader against a Qt Widgets window with one line of
// text, and against an empty one.
//
// Runs the start-up probes (built next to this program) in turn on the
// offscreen platform, one of each per round, and compares the time from
// launch to the window's first paint (wall clock, taken here as the probe's
// "shown" line arrives), the processor time the probe had used by then (all
// its threads; it reports it on that line) and the peak resident memory of
// the whole process (ru_maxrss from wait4). The ratios are taken round by
// round and their median quoted, so that a machine whose speed drifts (other
// builds) weighs on both sides of each ratio alike.
//
// Targets: at most 1.1 times the window with text, and at most 10 MB above
// the empty window's memory; exit status 0 when both are met. The empty
// window shows what the text's font loading costs any Qt window.
//
//   bench_startup [runs] [label=probe ...]   (default 31 rounds)
//
// Each label=probe adds another program to the comparison, for instance the
// loader's probe built from an earlier commit, so before and after are
// measured in the same run.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Run {
  double shown_ms = 0;  // launch to "shown"
  double cpu_ms = NAN;  // the probe's processor time at "shown"; a probe that does not say: NAN
  long maxrss_kb = 0;
};

struct Probe {
  std::string label;
  std::string path;
  std::vector<Run> runs;
};

bool RunOnce(const std::string& path, Run& out) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return false;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    dup2(pipe_fds[1], STDOUT_FILENO);
    const int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) dup2(null_fd, STDERR_FILENO);  // Qt's start-up chatter
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  std::string output;
  char buffer[64];
  bool shown = false;
  ssize_t n = 0;
  while (!shown && (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) {
    output.append(buffer, static_cast<std::size_t>(n));
    const auto at = output.find("shown");
    if (at != std::string::npos && output.find('\n', at) != std::string::npos) {
      shown = true;
      out.shown_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      double cpu = 0;
      if (std::sscanf(output.c_str() + at, "shown %lf", &cpu) == 1) out.cpu_ms = cpu;
    }
  }
  while (read(pipe_fds[0], buffer, sizeof buffer) > 0) {
  }
  close(pipe_fds[0]);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  out.maxrss_kb = usage.ru_maxrss;
  return shown && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> v) {
  std::erase_if(v, [](double x) { return std::isnan(x); });
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Round by round, a's figure over b's.
template <typename Figure>
double MedianRatio(const Probe& a, const Probe& b, Figure figure) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < a.runs.size(); ++i) ratios.push_back(figure(a.runs[i]) / figure(b.runs[i]));
  return Median(ratios);
}

double RssMb(const Run& r) { return static_cast<double>(r.maxrss_kb) / 1024.0; }

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
  const auto here = std::filesystem::canonical("/proc/self/exe").parent_path();
  std::vector<Probe> probes{{"empty window", (here / "startup_probe_empty").string(), {}},
                            {"window + text", (here / "startup_probe_text").string(), {}},
                            {"loader window", (here / "startup_probe_loader").string(), {}}};
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
      std::fprintf(stderr, "expected label=probe, got %s\n", argv[i]);
      return 2;
    }
    probes.push_back({arg.substr(0, eq), arg.substr(eq + 1), {}});
  }
  for (const Probe& p : probes) {
    Run warm;
    if (!RunOnce(p.path, warm)) {
      std::fprintf(stderr, "%s did not start and show its window (build it next to this program)\n", p.path.c_str());
      return 2;
    }
  }
  for (int i = 0; i < runs; ++i) {
    for (Probe& p : probes) {
      Run r;
      if (!RunOnce(p.path, r)) {
        std::fprintf(stderr, "%s failed in run %d\n", p.path.c_str(), i);
        return 2;
      }
      p.runs.push_back(r);
    }
  }

  std::printf("%d rounds, one run of each probe a round, offscreen platform\n", runs);
  std::printf("%-20s %10s %10s %10s %10s %12s\n", "program", "median ms", "min ms", "max ms", "CPU ms", "peak RSS MB");
  for (const Probe& p : probes) {
    std::vector<double> ms, cpu, rss;
    for (const Run& r : p.runs) {
      ms.push_back(r.shown_ms);
      cpu.push_back(r.cpu_ms);
      rss.push_back(RssMb(r));
    }
    std::printf("%-20s %10.1f %10.1f %10.1f %10.1f %12.1f\n", p.label.c_str(), Median(ms),
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()), Median(cpu),
                Median(rss));
  }
  const Probe& empty = probes[0];
  const Probe& text = probes[1];
  const Probe& loader = probes[2];
  const auto wall = [](const Run& r) { return r.shown_ms; };
  const auto cpu = [](const Run& r) { return r.cpu_ms; };
  const auto rss = [](const Run& r) { return RssMb(r); };
  const auto extra = [&](const Probe& a, const Probe& b) {
    std::vector<double> mb;
    for (std::size_t i = 0; i < a.runs.size(); ++i) mb.push_back(rss(a.runs[i]) - rss(b.runs[i]));
    return Median(mb);
  };
  const double ratio = MedianRatio(loader, text, wall);
  const double extra_mb = extra(loader, empty);
  const bool time_ok = ratio <= 1.1;
  const bool memory_ok = extra_mb <= 10.0;
  std::printf("start-up time: %.2f x the window with text (target <= 1.1)  %s; processor time %.2f x\n", ratio,
              time_ok ? "met" : "MISSED", MedianRatio(loader, text, cpu));
  std::printf("peak memory:   %+.1f MB over the empty window (target <= +10 MB)  %s; %+.1f MB over the window with text\n",
              extra_mb, memory_ok ? "met" : "MISSED", extra(loader, text));
  std::printf("against the empty window: %.2f x its time, processor time %.2f x\n", MedianRatio(loader, empty, wall),
              MedianRatio(loader, empty, cpu));
  for (std::size_t i = 3; i < probes.size(); ++i) {
    std::printf("loader window against %s: %.2f x its time, processor time %.2f x, %+.1f MB\n",
                probes[i].label.c_str(), MedianRatio(loader, probes[i], wall), MedianRatio(loader, probes[i], cpu),
                extra(loader, probes[i]));
  }
  return time_ok && memory_ok ? 0 : 1;
}
