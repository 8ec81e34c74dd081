// The install journal read back:
// - the "written before" lookup before an install: the newest confirmed line
//   of a serial number in a journal of 10,000 entries (target: under 20 ms),
//   read from the file each time as the command line does; and the window's
//   index, read again only when the file changed;
// - a journal of 200 MB: `galt-loader-cli --journal` on it, run as its own
//   process, its peak memory (target: under 50 MB) and time; and the lookup
//   in it.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "records/JournalFile.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Years of a busy bench: every number installed many times over, one in
// five failing with its box's text, the number looked for confirmed early.
fs::path Journal(const std::string& name, long lines) {
  const fs::path path = fs::temp_directory_path() / name;
  fs::remove(path);
  const galt::JournalLayout& layout = galt::JournalLayout::Current();
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  std::string text(layout.Head());
  for (long i = 0; i < lines; ++i) {
    galt::JournalEntry e;
    e.SetTime("2026-12-01T14:02:05+03:00");
    e.program = "window 2.11.0";
    e.computer = "НОУТБУК-СЕРВИС";
    e.user = "инженер";
    e.port = "COM" + std::to_string(3 + i % 7);
    e.adapter = "FT232R USB UART, FTDI, A10K3ZQ1";
    e.operation = "установка";
    e.serial = std::to_string(i == 100 ? 237 : 238 + i % 112);
    e.version = "0211";
    e.outcome = i % 5 == 4 ? "echo-missing" : "confirmed";
    e.message = i % 5 == 4 ? "Ошибка загрузки программы!" : "Активизация программы выполнена";
    e.seconds = "46,4";
    e.blocks = "233";
    text += layout.Line(e);
    if (text.size() > (1 << 20)) {
      std::fwrite(text.data(), 1, text.size(), file);
      text.clear();
    }
  }
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return path;
}

void BM_WrittenBeforeIn10000Lines(benchmark::State& state) {
  const fs::path path = Journal("galt_bench_journal.csv", 10000);
  for (auto _ : state) {
    const auto found = galt::FindWrittenBefore(path, 237);
    if (!found || found->port != "COM5") state.SkipWithError("the confirmed line was not found");
    benchmark::DoNotOptimize(found);
  }
  state.SetLabel(std::to_string(fs::file_size(path) / 1024) + " KiB");
  fs::remove(path);
}
BENCHMARK(BM_WrittenBeforeIn10000Lines)->Unit(benchmark::kMillisecond);

// The window's lookups after the first: the file is looked at, not read.
void BM_WindowsIndexIn10000LinesUnchanged(benchmark::State& state) {
  const fs::path path = Journal("galt_bench_journal_index.csv", 10000);
  galt::WrittenBeforeIndex index(path);
  index.Find(237);
  for (auto _ : state) {
    const auto found = index.Find(237);
    if (!found) state.SkipWithError("the confirmed line was not found");
    benchmark::DoNotOptimize(found);
  }
  fs::remove(path);
}
BENCHMARK(BM_WindowsIndexIn10000LinesUnchanged)->Unit(benchmark::kMicrosecond);

// 200 MB: about 900,000 entries.
constexpr long kBigJournalLines = 200L * 1024 * 1024 / 236;

// `galt-loader-cli --journal` as its own process: its time and peak memory.
void BM_ListingOf200MB(benchmark::State& state) {
  const fs::path path = Journal("galt_bench_journal_200mb.csv", kBigJournalLines);
  const std::string file = path.string();
  for (auto _ : state) {
    char* argv[] = {const_cast<char*>(GALT_CLI_PATH), const_cast<char*>("--journal"),
                    const_cast<char*>("--journal-file"), const_cast<char*>(file.c_str()), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, GALT_CLI_PATH, &quiet, nullptr, argv, environ) != 0) {
      state.SkipWithError("galt-loader-cli did not start");
      break;
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    posix_spawn_file_actions_destroy(&quiet);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the listing failed");
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
  }
  state.SetLabel(std::to_string(fs::file_size(path) / (1024 * 1024)) + " MiB");
  fs::remove(path);
}
BENCHMARK(BM_ListingOf200MB)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_WrittenBeforeIn200MB(benchmark::State& state) {
  const fs::path path = Journal("galt_bench_journal_200mb_lookup.csv", kBigJournalLines);
  for (auto _ : state) {
    const auto found = galt::FindWrittenBefore(path, 237);
    if (!found) state.SkipWithError("the confirmed line was not found");
    benchmark::DoNotOptimize(found);
  }
  fs::remove(path);
}
BENCHMARK(BM_WrittenBeforeIn200MB)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
