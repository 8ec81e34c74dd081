#include "frontend/LoaderLine.h"

#include "serial/PortName.h"

namespace galt {

void UseLoaderLine(TSerCustomComm& comm) {
  comm.SetBaudrate(TSerBaudrate::br14400);
  comm.FlowControl().SetControlDtr(TSerControlDtr::dtrDisabled);
  comm.FlowControl().SetControlRts(TSerControlRts::rtsEnabled);
  if (!comm.IsOpen()) comm.SetDeviceName(std::string(kComDevicePattern));
}

}  // namespace galt
