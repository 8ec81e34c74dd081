// galt-loader-cli's install over a pseudo-terminal, with the device emulator
// pacing its line as a 14400-baud line does (10 bits a byte, both
// directions), on a bare line or through modelled adapters, without and with
// the line trace, side by side. The time from the start of the run to its
// exit is set against the wire's own time plus the waits the adapter puts on
// every exchange, which no loader can avoid (BenchInstall.h); the traced
// install's trace must stay under 300 KB. Then the event thread's cost of
// tracing a frame: a written block and its echo, traced into a file, many
// times over.
//   bench_cli_install [RUNS] [--adapter NAME|all]
//   (RUNS installs of each kind, 1 by default; the bare line by default)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchInstall.h"
#include "bench/BenchJournal.h"
#include "app/cli/CommandLine.h"
#include "records/LineTrace.h"
#include "tests/support/Frames.h"
#include "tests/support/VirtualDevice.h"

namespace {

// A person reads it: one line per frame and per reply, whatever the pieces.
constexpr int kTraceTargetKb = 300;

// The ratio of one install to its bound; negative when it failed.
double InstallRatio(const galt::emu::AdapterModel* adapter, const std::string& trace) {
  galt::testing::VirtualDevice device(/*pace=*/true, adapter);
  device.Start();
  std::FILE* sink = std::tmpfile();
  galt::cli::ConsoleOutput console(sink, stderr, false);
  std::vector<std::string> args{"--port", device.Path(), "--serial", "237"};
  if (!trace.empty()) args.insert(args.end(), {"--trace", trace});

  const auto start = std::chrono::steady_clock::now();
  const int code = galt::cli::RunCommandLine("galt-loader-cli", args, console, galt::TSerPortTable::System());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  device.Stop();
  std::fclose(sink);

  if (code != 0 || device.emulator.SerialFromFlash() != 237) {
    std::fprintf(stderr, "the install did not succeed (exit %d)\n", code);
    return -1;
  }
  if (!trace.empty()) {
    std::ifstream in(trace);
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    const double kb = static_cast<double>(std::filesystem::file_size(trace)) / 1024.0;
    std::printf("trace of the paced install: %.1f KB, %d lines (target under %d KB)\n", kb, lines, kTraceTargetKb);
    if (kb >= kTraceTargetKb) return -1;
  }
  const auto& c = device.emulator.counters;
  const double wire = galt::bench::WireSeconds(c);
  const double waits = std::chrono::duration<double>(device.AdapterAdded()).count();
  std::printf("%-17s %-7s %.3f s, wire %.3f s + adapter %.3f s, ratio %.4f; frames: %d deactivation, %d write, "
              "%d activation, %d query\n",
              galt::bench::LineName(adapter), trace.empty() ? "plain" : "traced", seconds, wire, waits,
              seconds / (wire + waits), c.deactivations, c.writes, c.activations, c.queries);
  std::fflush(stdout);
  return seconds / (wire + waits);
}

// Microseconds the event thread spends on one traced block and its echo.
double TracedFrameMicroseconds(const std::filesystem::path& file) {
  std::vector<std::uint8_t> payload{0x00, 0x39};
  payload.resize(130, 0x5A);
  const std::string frame = galt::testing::MakeFrame(0xF3, payload, 237);
  constexpr int kFrames = 20000;
  galt::LineTrace trace(file, "bench", galt::SteadyClock::Instance());
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kFrames; ++i) {
    trace.Sent(frame);
    trace.Received(frame);
  }
  const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  return us / kFrames;
}

}  // namespace

int main(int argc, char** argv) {
  const galt::bench::JournalAside journal;
  const auto lines = galt::bench::TakeAdapters(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
  const std::filesystem::path trace = std::filesystem::temp_directory_path() / "bench_cli_install.trace";
  double worst[2] = {0, 0};
  std::printf("galt-loader-cli install over a paced pty, target ratio <= 1.01\n");
  for (int i = 0; i < runs; ++i) {
    for (const auto* adapter : lines) {
      for (const int traced : {0, 1}) {
        std::filesystem::remove(trace);
        const double ratio = InstallRatio(adapter, traced ? trace.string() : std::string());
        if (ratio < 0) return 1;
        worst[traced] = std::max(worst[traced], ratio);
      }
    }
  }
  std::filesystem::remove(trace);
  const double us = TracedFrameMicroseconds(trace);
  std::printf("worst ratio of %d: plain %.4f, traced %.4f\n", runs, worst[0], worst[1]);
  std::printf("tracing a 138-byte block and its echo: %.2f us on the event thread\n", us);
  std::filesystem::remove(trace);
  return worst[0] <= 1.01 && worst[1] <= 1.01 ? 0 : 2;
}
