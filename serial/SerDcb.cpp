#include "serial/SerDcb.h"

namespace galt {

TSerDcbFields SerDcbFields(const TSerLineConfig& Config) {
  TSerDcbFields d;
  d.BaudRate = Config.Baud;
  d.ByteSize = static_cast<std::uint8_t>(Config.DataBits);
  d.Parity = static_cast<std::uint8_t>(Config.Parity);
  d.StopBits = static_cast<std::uint8_t>(Config.StopBits);
  d.XonChar = Config.XonChar;
  d.XoffChar = Config.XoffChar;
  d.ErrorChar = Config.ErrorChar;
  d.EofChar = Config.EofChar;
  d.EvtChar = Config.EventChar;
  d.XonLim = Config.XonLimit;
  d.XoffLim = Config.XoffLimit;

  std::uint32_t f = kDcbBinary;
  if (Config.OutCtsFlow) f |= kDcbOutxCtsFlow;
  if (Config.OutDsrFlow) f |= kDcbOutxDsrFlow;
  if (Config.XonXoffOut) f |= kDcbOutX;
  if (Config.XonXoffIn) f |= kDcbInX;
  f |= static_cast<std::uint32_t>(Config.DtrControl & 3) << kDcbDtrControlShift;
  f |= static_cast<std::uint32_t>(Config.RtsControl & 3) << kDcbRtsControlShift;
  if (Config.DsrSensitivity) f |= kDcbDsrSensitivity;
  if (Config.TxContinueOnXoff) f |= kDcbTxContinueOnXoff;
  if (Config.ErrorCharReplace) f |= kDcbErrorChar;
  if (Config.NullStrip) f |= kDcbNull;
  if (Config.ParityCheck) f |= kDcbParity;
  d.Flags = f;
  return d;
}

}  // namespace galt
