#pragma once
// A LinkHost that records what the link does with it.

#include <deque>
#include <string>
#include <vector>

#include "link/Link.h"

namespace galt::testing {

class RecordingHost : public LinkHost {
 public:
  int serial = 100;
  int block = 0;
  ImageBuffer image;
  std::vector<std::string> written;
  std::deque<std::string> reads;  // what each ReadText returns
  int watchdogArms = 0;
  int framesSent = 0;
  std::vector<std::vector<std::uint8_t>> replies;  // RxFrame at each HandleReply
  Link* link = nullptr;
  std::function<void()> onReply;

  int SerialNumber() override { return serial; }
  int BlockNumber() override { return block; }
  const ImageBuffer& Image() override { return image; }
  void ArmWriteWatchdog() override { ++watchdogArms; }
  bool WriteText(const std::string& bytes) override {
    written.push_back(bytes);
    return true;
  }
  void FrameSent() override { ++framesSent; }
  std::string ReadText() override {
    if (reads.empty()) return {};
    std::string s = reads.front();
    reads.pop_front();
    return s;
  }
  void HandleReply() override {
    const std::size_t n = link->RxFrame[5] + 8u;
    replies.emplace_back(link->RxFrame.begin(), link->RxFrame.begin() + static_cast<std::ptrdiff_t>(n));
    if (onReply) onReply();
  }
};

// Bytes from "AA 06 00 64".
inline std::string Bytes(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size() + 1; i += 3) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// A valid frame with the given command and payload.
inline std::string MakeFrame(std::uint8_t command, const std::vector<std::uint8_t>& payload,
                             int serial = 100, std::uint8_t model = 6) {
  FrameBuffer buf{};
  PutHeader(buf, serial, command, static_cast<std::uint8_t>(payload.size()));
  buf[1] = model;
  std::copy(payload.begin(), payload.end(), buf.begin() + 6);
  const std::size_t n = PutSum(buf);
  return std::string(reinterpret_cast<const char*>(buf.data()), n);
}

}  // namespace galt::testing
