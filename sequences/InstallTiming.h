#pragma once
// The install's timing: the deactivation retry limit and the confirmation
// ladder's steps. The sequence and its progress estimate share them.

namespace galt {

constexpr int kDeactivateRetries = 200;

// The interval after a ladder step of `interval` ms; 0 after the last one
// (and for an interval that is no step of the ladder).
constexpr int NextLadderStep(int interval) {
  switch (interval) {
    case 1500: return 1000;
    case 1000: return 900;
    case 900: return 800;
    default: return 0;
  }
}

// How long a ladder that starts at `interval` ms may run until its last step
// reports the failure.
constexpr int LadderBoundMs(int interval) {
  int total = 0;
  for (int step = interval; step > 0; step = NextLadderStep(step)) total += step;
  return total;
}

}  // namespace galt
