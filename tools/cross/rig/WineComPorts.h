#pragma once
// Wine's COM ports as the serial component would find a driver's: the
// system's calls, but GetCommState reads back the rate SetCommState was given.
// Wine 8 has terminal speeds for the rates Linux names only; any other
// (14400, the loader's) it keeps as 38400 and reads back so, which would make
// the component refuse every port (a driver gives back the rate it took).
// Linked into a program (galt_wine_com_ports, WineComPorts.cmake), it puts
// itself below the component at start-up when Wine runs the program: the
// tests' programs, and the Wine checks' builds of the loader's programs
// (galt_wine_build). The Windows side of the rig, as ptyshim.c is its Linux
// side. Include after the component's headers.

#include <map>
#include <mutex>

#include "serial/win32/SerWinApi.h"

namespace galt::test {

class WineComPorts : public TSerWinApi {
 public:
  BOOL SetCommState(HANDLE Device, DCB* Dcb) override;
  BOOL GetCommState(HANDLE Device, DCB* Dcb) override;
  BOOL CloseHandle(HANDLE Device) override;

 private:
  std::mutex Lock_;
  std::map<HANDLE, DWORD> Asked_;  // the rate each open port was given
};

}  // namespace galt::test
