// A whole install against the in-memory device emulator in virtual time. The
// figure per block covers the loader's frame build, reply handling and next
// send, plus the emulator's own work and the virtual clock, so it is an upper
// bound of the loader's share.

#include <benchmark/benchmark.h>

#include "sequences/LoaderCore.h"
#include "tests/support/MemoryLink.h"
#include "tests/support/RecordingBoxes.h"
#include "tests/support/VirtualClock.h"

namespace {

void BM_InstallPerBlock(benchmark::State& state) {
  std::int64_t blocks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    galt::testing::VirtualClock clock;
    galt::testing::RecordingBoxes boxes;
    galt::emu::DeviceEmulator device;
    galt::testing::MemoryLink link(clock, device);
    galt::LoaderCore core(clock, boxes, link);
    link.OnRxChar = [&](int n) { core.cp1RxChar(n); };
    state.ResumeTiming();
    core.Button4Click();
    clock.RunUntil([&] { return !boxes.boxes.empty(); }, 60000);
    state.PauseTiming();
    if (boxes.boxes.size() != 1 || core.Gauge2.Progress() != 240) state.SkipWithError("install failed");
    blocks += device.counters.writes;
    state.ResumeTiming();
  }
  // Seconds per written block (printed with an SI suffix: "u" is microseconds).
  state.counters["per_block"] = benchmark::Counter(
      static_cast<double>(blocks), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_InstallPerBlock)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
