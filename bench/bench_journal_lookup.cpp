// The "written before" lookup before an install: the newest confirmed line
// of a serial number in a journal of 10,000 entries (target: under 20 ms),
// read from the file each time as the command line and the window do.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "records/JournalFile.h"

namespace {

namespace fs = std::filesystem;

// Years of a busy bench: every number installed many times over, one in
// five failing with its box's text, the number looked for confirmed early.
fs::path TenThousandLines() {
  const fs::path path = fs::temp_directory_path() / "galt_bench_journal.csv";
  fs::remove(path);
  std::string text(galt::JournalLayout::Current().Head());
  for (int i = 0; i < 10000; ++i) {
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
    text += galt::JournalLayout::Current().Line(e);
  }
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return path;
}

void BM_WrittenBeforeIn10000Lines(benchmark::State& state) {
  const fs::path path = TenThousandLines();
  for (auto _ : state) {
    const auto found = galt::FindWrittenBefore(path, 237);
    if (!found || found->port != "COM5") state.SkipWithError("the confirmed line was not found");
    benchmark::DoNotOptimize(found);
  }
  state.SetLabel(std::to_string(fs::file_size(path) / 1024) + " KiB");
  fs::remove(path);
}
BENCHMARK(BM_WrittenBeforeIn10000Lines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
