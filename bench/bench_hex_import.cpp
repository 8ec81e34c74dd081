// Importing a HEX file that fills the whole flash, 7936 sixteen-byte records
// (target: under 20 ms), from text and from a file on disk.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "image/HexImport.h"

namespace {

std::string FullFlashHex() {
  std::string text;
  char buf[64];
  for (unsigned address = 0; address < galt::kFlashSize; address += 16) {
    if (address % 0x10000 == 0) {
      const unsigned upper = address >> 16;
      std::snprintf(buf, sizeof buf, ":02000004%04X%02X\r\n", upper, (0x100u - ((6 + upper) & 0xFFu)) & 0xFFu);
      text += buf;
    }
    unsigned sum = 16 + (address >> 8 & 0xFF) + (address & 0xFF);
    std::snprintf(buf, sizeof buf, ":10%04X00", address & 0xFFFF);
    text += buf;
    for (unsigned k = 0; k < 16; ++k) {
      const unsigned byte = (address / 16 * 7 + k * 13) & 0xFF;
      sum += byte;
      std::snprintf(buf, sizeof buf, "%02X", byte);
      text += buf;
    }
    std::snprintf(buf, sizeof buf, "%02X\r\n", (0x100u - (sum & 0xFFu)) & 0xFFu);
    text += buf;
  }
  return text + ":00000001FF\r\n";
}

void BM_ImportHexTextFullFlash(benchmark::State& state) {
  const std::string text = FullFlashHex();
  for (auto _ : state) {
    galt::HexImportResult result = galt::ImportHexText(text);
    benchmark::DoNotOptimize(result.lines.data());
    if (result.error || result.lines.size() != static_cast<std::size_t>(galt::kFullImageLines)) state.SkipWithError("import failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ImportHexTextFullFlash)->Unit(benchmark::kMillisecond);

void BM_ImportHexFileFullFlash(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "galt_bench_full_flash.hex";
  std::ofstream(path, std::ios::binary) << FullFlashHex();
  galt::ImageBuffer image;
  int blockLimit = 233;
  for (auto _ : state) {
    if (galt::ImportHexFile(path.string(), image, blockLimit)) state.SkipWithError("import failed");
    benchmark::DoNotOptimize(image.Line(7935).data());
  }
  std::filesystem::remove(path);
  if (image.Count() != static_cast<std::size_t>(galt::kFullImageLines) || blockLimit != 994) state.SkipWithError("unexpected image");
}
BENCHMARK(BM_ImportHexFileFullFlash)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
