#pragma once
// Frames written out by hand in tests.

#include <string>
#include <vector>

#include "link/Frame.h"

namespace galt::testing {

// Bytes from "AA 06 00 64".
inline std::string Bytes(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size() + 1; i += 3)
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// A valid frame with the given command and payload, as the device sends it.
inline std::string MakeFrame(std::uint8_t command, const std::vector<std::uint8_t>& payload, int serial = 100,
                             std::uint8_t model = 6) {
  FrameBuffer buf{};
  PutHeader(buf, serial, command, static_cast<std::uint8_t>(payload.size()));
  buf[1] = model;
  std::copy(payload.begin(), payload.end(), buf.begin() + 6);
  const std::size_t n = PutSum(buf);
  return std::string(reinterpret_cast<const char*>(buf.data()), n);
}

}  // namespace galt::testing
