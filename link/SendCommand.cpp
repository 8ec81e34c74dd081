#include <string>

#include "image/BlockBytes.h"
#include "link/Link.h"

namespace galt {

void Link::ResetReceiver() {
  RxFrame.fill(0);
  RxFlags = 0;
  RxCount = 0;
}

void Link::SetReplyAside() {
  ResetReceiver();
  setAside_ = true;
}

void Link::SendCommand() {
  const int serial = host_.SerialNumber();
  switch (CurrentCommand) {
    case cmdQuery:
      PutHeader(TxFrame, serial, CurrentCommand, 0);
      break;
    case cmdActivate:
      PutHeader(TxFrame, serial, CurrentCommand, 2);
      TxFrame[6] = kActivatePayload[0];
      TxFrame[7] = kActivatePayload[1];
      break;
    case cmdDeactivate:
      PutHeader(TxFrame, serial, CurrentCommand, 2);
      TxFrame[6] = kDeactivatePayload[0];
      TxFrame[7] = kDeactivatePayload[1];
      break;
    case cmdReadBlock:
    case cmdWriteBlock: {
      const int block = host_.BlockNumber();
      const bool write = CurrentCommand == cmdWriteBlock;
      PutHeader(TxFrame, serial, CurrentCommand, write ? kWritePayload : 2);
      TxFrame[6] = static_cast<std::uint8_t>((block / 256) & 0xFF);
      TxFrame[7] = static_cast<std::uint8_t>(block % 256);
      if (write) {
        const auto data = ExtractBlockBytes(host_.Image(), block);
        if (!data) return;  // a block with an empty line is silently not sent
        std::copy(data->begin(), data->end(), TxFrame.begin() + 8);
        host_.ArmWriteWatchdog();
      }
      break;
    }
    default:
      return;  // no other code is ever sent
  }
  const std::size_t length = PutSum(TxFrame);
  const std::string bytes(reinterpret_cast<const char*>(TxFrame.data()), length);
  // Reset before the write so the reply is always collected into an empty
  // receiver.
  ResetReceiver();
  host_.WriteText(bytes);
  host_.FrameSent();
}

}  // namespace galt
