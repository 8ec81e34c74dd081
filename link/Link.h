#pragma once
// Command transmission and the receive assembler.
//
// Every frame leaves through SendCommand, which sends the command held in
// CurrentCommand. cp1RxChar collects one reply in RxFrame from whatever the
// port delivers, tests its sum once at the end of each read, and hands a valid
// reply to the host's HandleReply. A held reply makes the assembler discard
// all input until the next SendCommand resets it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/Frame.h"
#include "link/LinkHost.h"

namespace galt {

class Link {
 public:
  explicit Link(LinkHost& host) : host_(host) {}

  FrameBuffer TxFrame{};
  FrameBuffer RxFrame{};
  std::uint8_t RxCount = 0;
  std::uint8_t RxFlags = 0;
  std::uint8_t CurrentCommand = 0;

  // Builds the frame of CurrentCommand in TxFrame, resets the receiver and
  // writes it. A write block with an empty line sends nothing at all.
  void SendCommand();

  // The received-data event: reads everything waiting and feeds it.
  void cp1RxChar(int count);

  // Feeds one read's bytes; exposed for tests and benchmarks.
  void FeedRead(std::string_view bytes);

  // Empties the receiver: no reply held, hunting for the next frame start.
  void ResetReceiver();

  // From HandleReply: the reply held is not the one awaited (a late answer
  // to an earlier frame). The receiver hunts again, starting with the bytes
  // that followed that reply in the same read: they may be the awaited one.
  void SetReplyAside();

 private:
  // Feeds bytes until a frame is complete; answers how many it took (all of
  // them when none completed). The rest of the read is dropped by the rules.
  std::size_t Collect(std::string_view bytes);
  // The sum test at the end of a read and the hand-over of a valid frame;
  // true when the host set the reply aside.
  bool TestFrame();

  LinkHost& host_;
  bool setAside_ = false;
};

}  // namespace galt
