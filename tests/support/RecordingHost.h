#pragma once
// A LinkHost for driving the link alone (tests, the fuzz target and the
// benchmark): fixed serial and block numbers, an image of its own, what each
// ReadText returns, and what the link wrote and handed on recorded unless
// told not to (a benchmark's loop would only grow them).

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/Link.h"

namespace galt::testing {

class RecordingHost : public LinkHost {
 public:
  int serial = 100;
  int block = 0;
  ImageBuffer image;
  std::deque<std::string> reads;  // what each ReadText returns, in turn
  std::string readsAfter;         // what ReadText returns once `reads` is used up
  bool record = true;
  std::vector<std::string> written;
  std::vector<std::vector<std::uint8_t>> replies;  // RxFrame at each HandleReply
  int watchdogArms = 0;
  int framesSent = 0;
  std::size_t repliesHandled = 0;
  Link* link = nullptr;
  std::function<void()> onReply;  // runs at each HandleReply, after the record

  int SerialNumber() override { return serial; }
  int BlockNumber() override { return block; }
  const ImageBuffer& Image() override { return image; }
  void ArmWriteWatchdog() override { ++watchdogArms; }
  bool WriteText(const std::string& bytes) override {
    if (record) written.push_back(bytes);
    return true;
  }
  void FrameSent() override { ++framesSent; }
  std::string ReadText() override {
    if (reads.empty()) return readsAfter;
    std::string s = reads.front();
    reads.pop_front();
    return s;
  }
  void HandleReply() override {
    ++repliesHandled;
    if (record) {
      const std::size_t n = link->RxFrame[5] + 8u;
      replies.emplace_back(link->RxFrame.begin(), link->RxFrame.begin() + static_cast<std::ptrdiff_t>(n));
    }
    if (onReply) onReply();
  }
};

}  // namespace galt::testing
