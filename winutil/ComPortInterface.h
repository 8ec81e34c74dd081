#pragma once
// The device interface class every COM port announces itself under
// ({86e0d1e0-...}), ports of other setup classes (Bluetooth's, modems',
// virtual ones) included: SetupAPI lists the ports by it, and a window asks
// by it for the arrivals and removals Windows does not broadcast.

#include <guiddef.h>

namespace galt {

inline constexpr GUID kComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

}  // namespace galt
