// The long soak: 100 installs back to back through the real window
// (offscreen) and the real serial component, each with a fault drawn from a
// seeded mix. Prints every run, then the memory, descriptors and threads
// after the first run and at the end (target: RSS growth under 1 MB).
//
//   bench_soak [runs] [seed]     (default 100, 20261207)

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "bench/BenchJournal.h"
#include "tests/soak/Soak.h"

int main(int argc, char** argv) {
  const galt::bench::JournalAside journal;
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  const auto seed = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20261207u);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int toolkitArgc = 1;
  QApplication application(toolkitArgc, argv);

  using namespace galt::testing;
  Soak soak;
  const auto plan = SoakPlan(seed, runs);
  SoakSample first;
  int failed = 0;
  double total = 0;
  std::map<std::string, int> counts;
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const SoakOutcome out = soak.Run(plan[i]);
    total += out.seconds;
    ++counts[FaultName(plan[i].fault)];
    if (!out.passed) ++failed;
    std::printf("%3zu %-18s %4d  %6.2f s  %s%s\n", i + 1, FaultName(plan[i].fault), plan[i].value, out.seconds,
                out.passed ? "ok: " : "FAILED: ", out.got.c_str());
    std::fflush(stdout);
    if (i == 0) first = SampleProcess();
  }
  const SoakSample end = SampleProcess();
  std::printf("\n%d runs (seed %u) in %.1f s, %d failed\n", runs, seed, total, failed);
  for (const auto& [name, n] : counts) std::printf("  %-18s %d\n", name.c_str(), n);
  const long growth = end.rssKb - first.rssKb;
  std::printf("after run 1 -> after run %d: RSS %ld -> %ld kB (%+ld kB, target < 1024), descriptors %d -> %d, "
              "threads %d -> %d\n",
              runs, first.rssKb, end.rssKb, growth, first.fds, end.fds, first.threads, end.threads);
  const bool flat = growth < 1024 && end.fds == first.fds && end.threads == first.threads;
  return failed == 0 && flat ? 0 : 1;
}
