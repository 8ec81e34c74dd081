// Image and link hot paths: the blank image at start-up, one write-block
// frame cut from the image, and the receive assembler's throughput.

#include <benchmark/benchmark.h>

#include "image/BlockBytes.h"
#include "image/ImageBuffer.h"
#include "link/Link.h"
#include "tests/support/RecordingHost.h"

namespace {

void BM_FillBlankImage7937(benchmark::State& state) {
  galt::ImageBuffer image;
  for (auto _ : state) {
    galt::FillBlankImage(image, 7937);
    benchmark::DoNotOptimize(image.Count());
  }
}
BENCHMARK(BM_FillBlankImage7937)->Unit(benchmark::kMillisecond);

void BM_WriteBlockFrame(benchmark::State& state) {
  galt::testing::RecordingHost host;
  galt::Link link(host);
  host.link = &link;
  host.record = false;
  host.block = 17;
  for (int i = 0; i < 2411; ++i)
    host.image.Append(" 0C 94 5D 00 0C 94 7A 00 0C 94 7A 00 0C 94 7A 00");
  link.CurrentCommand = galt::cmdWriteBlock;
  for (auto _ : state) {
    link.SendCommand();
    benchmark::DoNotOptimize(link.TxFrame[137]);
  }
}
BENCHMARK(BM_WriteBlockFrame)->Unit(benchmark::kMicrosecond);

void BM_AssemblerThroughput(benchmark::State& state) {
  galt::testing::RecordingHost host;
  galt::Link link(host);
  host.link = &link;
  host.record = false;
  // As reply handling does: the next command resets the receiver.
  host.onReply = [&link] {
    link.CurrentCommand = galt::cmdReadBlock;
    link.SendCommand();
  };
  galt::FrameBuffer buf{};
  galt::PutHeader(buf, 100, galt::cmdWriteBlock, 130);
  for (int i = 6; i < 136; ++i) buf[i] = static_cast<std::uint8_t>(i * 7);
  const std::size_t n = galt::PutSum(buf);
  const std::string reply(reinterpret_cast<const char*>(buf.data()), n);
  host.readsAfter = reply;
  for (auto _ : state) link.cp1RxChar(static_cast<int>(n));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
  if (host.repliesHandled != static_cast<std::size_t>(state.iterations())) state.SkipWithError("reply lost");
}
BENCHMARK(BM_AssemblerThroughput);

}  // namespace

BENCHMARK_MAIN();
