#pragma once
// A LinkHost that records what the link does with it.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/Link.h"
#include "tests/support/Frames.h"

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

}  // namespace galt::testing
