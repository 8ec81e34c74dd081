// How the modelled adapters hand the device's bytes on, in virtual time.

#include <gtest/gtest.h>

#include "tools/emulator/Adapter.h"

namespace galt::emu {
namespace {

using namespace std::chrono_literals;
using Got = std::vector<std::pair<long, std::size_t>>;  // (µs after power-on, bytes the host has)

const AdapterTime kOn{};

// What the host gets of `count` bytes off the line from `first` on, `gap` apart.
Got Deliveries(const char* adapter, AdapterTime first, std::size_t count, std::chrono::microseconds gap,
               AdapterDuration* added = nullptr) {
  AdapterLine line(*FindAdapter(adapter), kOn);
  for (std::size_t i = 1; i <= count; ++i) line.FromLine(first + gap * static_cast<int>(i), 'x', i == count);
  Got got;
  while (const auto due = line.NextDue())
    if (const std::size_t n = line.Take(*due).size())
      got.emplace_back(std::chrono::duration_cast<std::chrono::microseconds>(*due - kOn).count(),
                       n + (got.empty() ? 0 : got.back().second));
  if (added) *added = line.Added();
  return got;
}

TEST(AdapterModel, FullPacketsGoAtOnceAShortOneAtTheNextTickAndTheLoadersBytesAtTheNextFrame) {
  // FTDI, a 138-byte echo all at once: 62 + 62 at once, the last 14 when the
  // latency timer runs out, 16 ms after the last packet.
  AdapterDuration added{};
  EXPECT_EQ(Deliveries("ftdi", kOn + 300us, 138, 0us, &added), (Got{{300, 124}, {16300, 138}}));
  EXPECT_EQ(added, 16ms);
  // Paced (694 µs a byte), 16 ms hold 23 bytes at most: the timer sends what
  // it has each time, and the last byte (at 100.772 ms) waits for the next.
  EXPECT_EQ(Deliveries("ftdi", kOn + 5ms, 138, 694us),
            (Got{{16000, 15}, {32000, 38}, {48000, 61}, {64000, 85}, {80000, 108}, {96000, 131}, {112000, 138}}));
  EXPECT_EQ(Deliveries("ftdi-low-latency", kOn + 5ms, 138, 694us).back(), (std::pair<long, std::size_t>{101000, 138}));
  // CH340's 32-byte packets; the last ten with the next 1 ms frame.
  EXPECT_EQ(Deliveries("ch340", kOn + 300us, 138, 0us), (Got{{300, 128}, {1000, 138}}));
  // The loader's bytes at the next frame; only a wait on an idle line holds the exchange up.
  AdapterLine usb(*FindAdapter("cdc"), kOn);
  EXPECT_EQ(usb.ToLine(kOn + 2300us, true), kOn + 3000us);
  EXPECT_EQ(usb.ToLine(kOn + 4000us, false) + usb.Added(), kOn + 4700us);
}

}  // namespace
}  // namespace galt::emu
