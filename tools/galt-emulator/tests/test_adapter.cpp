// How the modelled adapters hand the device's bytes on, in virtual time.

#include <gtest/gtest.h>

#include "tools/emulator/Adapter.h"

namespace galt::emu {
namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;

const AdapterTime kOn{};
const auto kByte = microseconds(694);  // one byte at 14400 baud, 10 bits

// Each delivery to the host, as (microseconds after kOn, bytes so far), of
// `count` bytes coming off the line from `first` on, `gap` apart.
std::vector<std::pair<long, std::size_t>> Deliveries(AdapterLine& line, AdapterTime first, std::size_t count,
                                                     microseconds gap) {
  for (std::size_t i = 0; i < count; ++i) line.FromLine(first + gap * static_cast<int>(i + 1), 'x', i + 1 == count);
  std::vector<std::pair<long, std::size_t>> got;
  std::size_t total = 0;
  while (const auto due = line.NextDue()) {
    if (const std::size_t n = line.Take(*due).size()) {
      total += n;
      got.emplace_back(std::chrono::duration_cast<microseconds>(*due - kOn).count(), total);
    }
  }
  return got;
}

TEST(AdapterModel, FullPacketsGoAtOnceAndTheShortLastOneWaitsForItsTick) {
  // A 138-byte echo through FTDI's bridge, all at once: 62 + 62 at once,
  // the last 14 when the latency timer runs out, 16 ms after the last packet.
  AdapterLine ftdi(*FindAdapter("ftdi"), kOn);
  EXPECT_EQ(Deliveries(ftdi, kOn + 300us, 138, microseconds(0)),
            (std::vector<std::pair<long, std::size_t>>{{300, 124}, {16300, 138}}));
  EXPECT_EQ(ftdi.Added(), 16ms);
  // Paced, 16 ms hold no more than 23 bytes: the timer sends what it has
  // every 16 ms, and the last byte (at 100.772 ms) waits for the next.
  AdapterLine paced(*FindAdapter("ftdi"), kOn);
  const auto slow = Deliveries(paced, kOn + 5ms, 138, kByte);
  EXPECT_EQ(slow.front(), (std::pair<long, std::size_t>{16000, 15}));
  EXPECT_EQ(slow.back(), (std::pair<long, std::size_t>{112000, 138}));
  AdapterLine low(*FindAdapter("ftdi-low-latency"), kOn);
  EXPECT_EQ(Deliveries(low, kOn + 5ms, 138, kByte).back(), (std::pair<long, std::size_t>{101000, 138}));
  EXPECT_EQ(low.Added(), 228us);

  // All at once through CH340's 32-byte packets: four at once, the last ten
  // with the next 1 ms frame.
  AdapterLine ch340(*FindAdapter("ch340"), kOn);
  EXPECT_EQ(Deliveries(ch340, kOn + 300us, 138, microseconds(0)),
            (std::vector<std::pair<long, std::size_t>>{{300, 128}, {1000, 138}}));
}

TEST(AdapterModel, TheLoadersBytesWaitForTheNextTickAndTheLinkEachWay) {
  AdapterLine usb(*FindAdapter("cdc"), kOn);
  EXPECT_EQ(usb.ToLine(kOn + 2300us, true) - kOn, microseconds(3000));
  EXPECT_EQ(usb.ToLine(kOn + 4000us, false) - kOn, microseconds(4000));
  EXPECT_EQ(usb.Added(), microseconds(700)) << "only a wait on an idle line holds the exchange up";

  AdapterLine radio(*FindAdapter("bluetooth"), kOn);
  EXPECT_EQ(radio.ToLine(kOn + 2ms, true) - kOn, microseconds(20000));
  // 10 bytes, the last at 6.94 ms: gathered until the 10 ms poll, then 10 ms on the way.
  EXPECT_EQ(Deliveries(radio, kOn, 10, kByte), (std::vector<std::pair<long, std::size_t>>{{20000, 10}}));
  EXPECT_EQ(radio.Added(), microseconds(18000 + 20000 - 6940));
}

}  // namespace
}  // namespace galt::emu
