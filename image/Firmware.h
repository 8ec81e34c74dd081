#pragma once
// The firmware image the loader carries and writes on the install button:
// 1899 data lines (flash 0x0000..0x76AF) built into the program, held as
// eight segments that are loaded in order.

#include <span>
#include <string_view>

#include "image/ImageBuffer.h"

namespace galt {

constexpr int kFirmwareLineCount = 1899;

// Erased flash as a data line: sixteen FF bytes. The install sequence appends
// kInstallFillLineCount of them after the carried image (2411 lines in all).
constexpr std::string_view kErasedDataLine = " FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";
constexpr int kInstallFillLineCount = 512;

struct FirmwareSegment {
  int firstLine;
  int lineCount;
};

// The segments of the carried image, in load order.
std::span<const FirmwareSegment> FirmwareSegments();

// Clears the buffer and appends the carried image, segment 1 first.
void LoadEmbeddedFirmware(ImageBuffer& image);

// Appends `count` erased data lines.
void AppendErasedDataLines(ImageBuffer& image, int count);

}  // namespace galt
