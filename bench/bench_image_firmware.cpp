// The install button's image work: load the carried firmware, append the 512
// erased lines and stamp the serial number (target: under 1 ms together).

#include <benchmark/benchmark.h>

#include "image/Firmware.h"
#include "image/Stamp.h"

namespace {

void BM_LoadFirmwareAppendAndStamp(benchmark::State& state) {
  galt::ImageBuffer image;
  for (auto _ : state) {
    galt::LoadEmbeddedFirmware(image);
    galt::AppendErasedDataLines(image, galt::kInstallFillLineCount);
    galt::StampSerialNumber(image, galt::StampLayout::DataLine, 300);
    benchmark::DoNotOptimize(image.Line(1767).data());
  }
  if (image.Count() != 2411u) state.SkipWithError("install image is not 2411 lines");
}
BENCHMARK(BM_LoadFirmwareAppendAndStamp)->Unit(benchmark::kMicrosecond);

void BM_StampOnly(benchmark::State& state) {
  galt::ImageBuffer image;
  galt::LoadEmbeddedFirmware(image);
  galt::AppendErasedDataLines(image, galt::kInstallFillLineCount);
  int serial = 100;
  for (auto _ : state) {
    galt::StampSerialNumber(image, galt::StampLayout::DataLine, serial);
    serial = serial == 350 ? 100 : serial + 1;
    benchmark::DoNotOptimize(image.Line(1736).data());
  }
}
BENCHMARK(BM_StampOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
