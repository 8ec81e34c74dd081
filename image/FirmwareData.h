#pragma once
// The carried firmware image as the build embeds it (generated from
// image/firmware/carried_image.txt by image/firmware/EmbedFirmware.cmake,
// which refuses a file of the wrong shape). Read it through Firmware.h.

#include "image/Firmware.h"

namespace galt::firmware_data {

constexpr int kSegmentCount = 8;
constexpr int kLineCount = kFirmwareLineCount;

extern const FirmwareSegment kSegments[kSegmentCount];
// Each a 48-character data line.
extern const char* const kLines[kLineCount];

}  // namespace galt::firmware_data
