// Image and link hot paths: the blank image at start-up, one write-block
// frame cut from the image, and the receive assembler's throughput.

#include <benchmark/benchmark.h>

#include "image/BlockBytes.h"
#include "image/ImageBuffer.h"
#include "link/Link.h"

namespace {

class Host : public galt::LinkHost {
 public:
  galt::ImageBuffer image;
  galt::Link* link = nullptr;
  std::string next;
  std::size_t replies = 0;
  int SerialNumber() override { return 100; }
  int BlockNumber() override { return 17; }
  const galt::ImageBuffer& Image() override { return image; }
  void ArmWriteWatchdog() override {}
  bool WriteText(const std::string& bytes) override {
    benchmark::DoNotOptimize(bytes.data());
    return true;
  }
  void FrameSent() override {}
  std::string ReadText() override { return next; }
  void HandleReply() override {
    ++replies;
    // As reply handling does: the next command resets the receiver.
    link->CurrentCommand = galt::cmdReadBlock;
    link->SendCommand();
  }
};

void BM_FillBlankImage7937(benchmark::State& state) {
  galt::ImageBuffer image;
  for (auto _ : state) {
    galt::FillBlankImage(image, 7937);
    benchmark::DoNotOptimize(image.Count());
  }
}
BENCHMARK(BM_FillBlankImage7937)->Unit(benchmark::kMillisecond);

void BM_WriteBlockFrame(benchmark::State& state) {
  Host host;
  galt::Link link(host);
  host.link = &link;
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
  Host host;
  galt::Link link(host);
  host.link = &link;
  galt::FrameBuffer buf{};
  galt::PutHeader(buf, 100, galt::cmdWriteBlock, 130);
  for (int i = 6; i < 136; ++i) buf[i] = static_cast<std::uint8_t>(i * 7);
  const std::size_t n = galt::PutSum(buf);
  const std::string reply(reinterpret_cast<const char*>(buf.data()), n);
  host.next = reply;
  for (auto _ : state) link.cp1RxChar(static_cast<int>(n));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
  if (host.replies != static_cast<std::size_t>(state.iterations())) state.SkipWithError("reply lost");
}
BENCHMARK(BM_AssemblerThroughput);

}  // namespace

BENCHMARK_MAIN();
