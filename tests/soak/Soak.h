#pragma once
// Installs back to back through the real window (offscreen) and the real
// serial component, against a virtual device given a fault drawn from a
// seeded mix for each run. Every run must end in the box its fault calls
// for, within its own time limit; the process's memory, descriptors and
// threads are sampled along the way.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "records/Outcome.h"
#include "tools/emulator/DeviceEmulator.h"

namespace galt::testing {

enum class SoakFault {
  None,
  Silent,
  LateAck,
  EchoStops,
  CorruptEcho,
  NoiseAndSplit,
  LateQuery,
  MissingQuery,
  OtherModel,
  Unplug,
};

struct SoakRun {
  SoakFault fault = SoakFault::None;
  int value = 0;   // the fault's knob: a frame, a block, a count
  int serial = 100;
};

struct SoakSample {
  long rssKb = 0;
  int fds = 0;
  int threads = 0;
};

struct SoakOutcome {
  bool passed = false;
  std::string expected;  // the box the fault calls for
  std::string got;       // the last box of the run, or what went wrong
  double seconds = 0;
};

const char* FaultName(SoakFault fault);

// How a run must end: the text of its last box (what the command line says
// last) and its journal line's outcome. `port` is the name the loader shows.
struct SoakEnd {
  std::string text;
  Outcome outcome = Outcome::Confirmed;
};
SoakEnd ExpectedEnd(const SoakRun& run, const std::string& port);

// The device's knobs for a run. An unplug is the harness's to do (the
// window's adapter comes back), so it sets no knob here.
emu::Faults FaultsOf(const SoakRun& run);

// The runs of a soak: the same seed gives the same runs.
std::vector<SoakRun> SoakPlan(std::uint32_t seed, int runs);

SoakSample SampleProcess();

class Soak {
 public:
  Soak();
  ~Soak();
  Soak(const Soak&) = delete;
  Soak& operator=(const Soak&) = delete;

  // One install with the run's fault; leaves the loader ready for the next.
  SoakOutcome Run(const SoakRun& run);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace galt::testing
