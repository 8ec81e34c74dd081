#pragma once
// The loader's line, as the window and the command line set it up: 14400
// baud, 8N1, no flow control, DTR off, RTS on.

#include "serial/SerComm.h"

namespace galt {

inline void UseLoaderLine(TSerCustomComm& comm) {
  comm.SetBaudrate(TSerBaudrate::br14400);
  comm.FlowControl().SetControlDtr(TSerControlDtr::dtrDisabled);
  comm.FlowControl().SetControlRts(TSerControlRts::rtsEnabled);
}

}  // namespace galt
