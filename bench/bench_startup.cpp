// Start-up benchmark: the loader against an empty Qt Widgets window.
//
// Runs the start-up probes (built next to this program) in turn on the
// offscreen platform and compares the time from launch to the window being
// shown, and the peak resident memory of the whole process (ru_maxrss from
// wait4). Targets, against the empty window: at most 1.3 times its time and at
// most 10 MB above its memory; exit status 0 when both are met. The window
// with one line of text is reported as well: it shows what loading the fonts
// costs any Qt window that draws text.
//
//   bench_startup [runs] [label=probe ...]   (default 21 runs of each)
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
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Run {
  double shown_ms = 0;  // launch to "shown"
  long maxrss_kb = 0;
};

struct Probe {
  const char* label;
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
    if (output.find("shown\n") != std::string::npos) {
      shown = true;
      out.shown_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
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
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  const auto here = std::filesystem::canonical("/proc/self/exe").parent_path();
  std::vector<Probe> probes{{"empty window", (here / "startup_probe_empty").string(), {}},
                            {"window + text", (here / "startup_probe_text").string(), {}},
                            {"loader window", (here / "startup_probe_loader").string(), {}}};
  std::vector<std::string> extraLabels;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
      std::fprintf(stderr, "expected label=probe, got %s\n", argv[i]);
      return 2;
    }
    extraLabels.push_back(arg.substr(0, eq));
  }
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    probes.push_back({extraLabels[static_cast<std::size_t>(i - 2)].c_str(), arg.substr(arg.find('=') + 1), {}});
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

  std::printf("%d runs each, offscreen platform\n", runs);
  std::printf("%-20s %12s %12s %12s %14s\n", "program", "median ms", "min ms", "max ms", "peak RSS MB");
  std::vector<double> shown_median, rss_median;
  for (const Probe& p : probes) {
    std::vector<double> ms, rss;
    for (const Run& r : p.runs) {
      ms.push_back(r.shown_ms);
      rss.push_back(static_cast<double>(r.maxrss_kb) / 1024.0);
    }
    shown_median.push_back(Median(ms));
    rss_median.push_back(Median(rss));
    std::printf("%-20s %12.1f %12.1f %12.1f %14.1f\n", p.label, Median(ms), *std::min_element(ms.begin(), ms.end()),
                *std::max_element(ms.begin(), ms.end()), Median(rss));
  }
  const double ratio = shown_median[2] / shown_median[0];
  const double extra_mb = rss_median[2] - rss_median[0];
  const bool time_ok = ratio <= 1.3;
  const bool memory_ok = extra_mb <= 10.0;
  std::printf("start-up time: %.2f x the empty window (target <= 1.3)  %s\n", ratio, time_ok ? "met" : "MISSED");
  std::printf("peak memory:   %+.1f MB over the empty window (target <= +10 MB)  %s\n", extra_mb,
              memory_ok ? "met" : "MISSED");
  std::printf("against the window with text: %.2f x its time, %+.1f MB\n", shown_median[2] / shown_median[1],
              rss_median[2] - rss_median[1]);
  for (std::size_t i = 3; i < probes.size(); ++i) {
    std::printf("loader window against %s: %+.1f ms, %+.1f MB\n", probes[i].label, shown_median[2] - shown_median[i],
                rss_median[2] - rss_median[i]);
  }
  return time_ok && memory_ok ? 0 : 1;
}
