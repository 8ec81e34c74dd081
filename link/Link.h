#pragma once
// Command transmission and the receive assembler.
//
// Every frame leaves through SendCommand, which sends the command held in
// CurrentCommand. cp1RxChar collects one reply in RxFrame from whatever the
// port delivers, tests its sum once at the end of each read, and hands a valid
// reply to the host's HandleReply. A held reply makes the assembler discard
// all input until the next SendCommand resets it.

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

 private:
  LinkHost& host_;
};

}  // namespace galt
