#pragma once
// The loader core wired to the device emulator through the in-memory link,
// in virtual time.

#include <gtest/gtest.h>

#include "sequences/LoaderCore.h"
#include "tests/support/Frames.h"
#include "tests/support/MemoryLink.h"
#include "tests/support/RecordingBoxes.h"
#include "tests/support/VirtualClock.h"
#include "tools/emulator/DeviceEmulator.h"

namespace galt::testing {

struct Harness {
  Harness() {
    link.OnRxChar = [this](int count) { core.cp1RxChar(count); };
    core.FormCreateImage();
  }

  // Frames the loader sent with the given command byte.
  int SentCount(std::uint8_t command) const {
    int n = 0;
    for (const auto& f : link.sent) n += static_cast<std::uint8_t>(f[4]) == command;
    return n;
  }
  bool Done() const { return !boxes.boxes.empty(); }
  // Runs until the first box or the limit; true if a box came.
  bool RunToBox(std::int64_t limit_ms = 60000) {
    return clock.RunUntil([this] { return Done(); }, limit_ms);
  }
  const RecordedBox& LastBox() const { return boxes.boxes.back(); }

  VirtualClock clock;
  RecordingBoxes boxes;
  emu::DeviceEmulator device;
  MemoryLink link{clock, device};
  LoaderCore core{clock, boxes, link, clock};
};

// Flash bytes the install writes: the data lines of the image, lines 0..n-1.
inline std::vector<std::uint8_t> ImageBytes(const ImageBuffer& image, int lines) {
  std::vector<std::uint8_t> out;
  for (int i = 0; i < lines; ++i) {
    const std::string_view body = LineBody(image, i);
    for (int k = 0; k < 16; ++k) {
      const std::size_t p = 3 * static_cast<std::size_t>(k);
      out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(body.substr(p, 2)), nullptr, 16)));
    }
  }
  return out;
}

}  // namespace galt::testing
