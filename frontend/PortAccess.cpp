#include "frontend/PortAccess.h"

namespace galt {

PortOpening OpenUnlessHeld(TSerCustomComm& Comm) {
  PortOpening result;
  if (const auto path = Comm.PortTable().Resolve(Comm.FormattedDeviceName())) {
    result.Holders = PortHoldersOf(*path);
    result.Busy = !result.Holders.empty();
    if (result.Busy) return result;
  }
  try {
    Comm.Open();
    result.Opened = true;
  } catch (const ESerCommError& e) {
    result.Error = e.what();
    result.Busy = SerIsHeldElsewhere(e.Code());
    result.NotFound = e.DeviceNotFound();
    result.Denied = SerIsAccessDenied(e.Code());
  } catch (const std::exception& e) {
    result.Error = e.what();
  }
  if (!result.Opened && Comm.IsOpen()) Comm.Close();
  return result;
}

TSerPortScan CommPortAccess::Scan(const std::string& OwnPath) {
  TSerScanOptions options;
  options.OwnPath = OwnPath;
  return ScanPortTable(table_, options);
}

PortOpening CommPortAccess::Open(const TSerPortEntry& Entry) {
  try {
    comm_.SetPortNum(Entry.PortNum);
  } catch (const std::exception& e) {
    PortOpening refused;
    refused.Error = e.what();
    return refused;
  }
  return OpenUnlessHeld(comm_);
}

std::string CommPortAccess::OpenPath() const {
  return table_.Resolve(comm_.FormattedDeviceName()).value_or("");
}

void CommPortAccess::Close() {
  if (comm_.IsOpen()) comm_.Close();
}

}  // namespace galt
