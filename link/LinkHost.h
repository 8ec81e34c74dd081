#pragma once
// What the link needs from the window that owns it: the serial number, the
// block number text, the image, the write watchdog, the frame counter, the
// port, and reply handling.

#include <string>

#include "image/ImageBuffer.h"

namespace galt {

class LinkHost {
 public:
  virtual ~LinkHost() = default;
  virtual int SerialNumber() = 0;             // the value of zn
  virtual int BlockNumber() = 0;              // the integer in St_blk
  virtual const ImageBuffer& Image() = 0;     // Memo1
  virtual void ArmWriteWatchdog() = 0;        // Timer4 enabled (not restarted)
  virtual bool WriteText(const std::string& bytes) = 0;  // cp1.WriteText
  virtual void FrameSent() = 0;               // st_txd + 1
  virtual std::string ReadText() = 0;         // cp1.ReadText
  virtual void HandleReply() = 0;             // a valid reply is held in RxFrame
};

}  // namespace galt
