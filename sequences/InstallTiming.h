#pragma once
// The loader's numbers: the version it installs, the serial number's range,
// the block limits, and the timing of the install (deactivation retries, the
// write watchdog, the confirmation ladder) and of the service passes. The
// sequences, their progress estimate and every front end take them from here.

#include <string_view>

#include "image/ImageBuffer.h"

namespace galt {

// The version of the firmware the loader carries and installs.
constexpr std::string_view kFirmwareVersion = "0211";

constexpr int kSerialMin = 100;
constexpr int kSerialMax = 350;

// The block limit SPBLH starts at the carried image's blocks (its range is
// the image's, ImageBuffer.h).
constexpr int kBlockLimitDefault = 233;
// The load gauge Gauge2: each block echoed moves it to its number; the
// last block's echo moves it to kLoadAllWritten, the confirmation to its
// end, kLoadConfirmed.
constexpr int kLoadAllWritten = 235;
constexpr int kLoadConfirmed = 240;
// Blocks the flash holds (0 to 991).
constexpr int kFlashBlocks = kFullImageLines / kBlockLines;

constexpr int kDeactivateRetries = 200;
constexpr int kDeactivateIntervalMs = 50;
constexpr int kWriteWatchdogMs = 1000;
constexpr int kLadderFirstStepMs = 1500;
// A read or verify pass: a block's reply comes within a fraction of this on a
// 14400-baud line.
constexpr int kBlockReplyWaitMs = kWriteWatchdogMs;

// How long deactivation may take until its failure is reported: the first
// frame and its retries, one interval each.
constexpr int kDeactivationBoundMs = (kDeactivateRetries + 1) * kDeactivateIntervalMs;

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

// The longest an install of blocks 0 to `blockLimit` - 1 may take until the
// sequence's own timers end it, when the device answers each block just in
// time.
constexpr int InstallBoundMs(int blockLimit) {
  return kDeactivationBoundMs + blockLimit * kWriteWatchdogMs + LadderBoundMs(kLadderFirstStepMs);
}

}  // namespace galt
