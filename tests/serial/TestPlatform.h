#pragma once
// What the serial tests need of the system they run on: what they watch of
// their own process (open handles, descriptors on Linux; threads; processor
// time), and the few facts that differ between systems.

namespace galt::test {

int CountOpenHandles();
int CountThreads();
double ProcessCpuSeconds();
// The tests run under Wine (which lacks some of a real serial port).
bool UnderWine();
// The system's error code for an invalid argument (EINVAL,
// ERROR_INVALID_PARAMETER).
int InvalidArgumentCode();

}  // namespace galt::test
