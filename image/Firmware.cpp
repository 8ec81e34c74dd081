#include "image/Firmware.h"

#include "image/FirmwareData.h"

namespace galt {

std::span<const FirmwareSegment> FirmwareSegments() { return firmware_data::kSegments; }

void LoadEmbeddedFirmware(ImageBuffer& image) {
  image.Clear();
  image.Reserve(kFirmwareLineCount + kInstallFillLineCount);
  for (const FirmwareSegment& segment : FirmwareSegments()) {
    for (int i = 0; i < segment.lineCount; ++i) image.Append(firmware_data::kLines[segment.firstLine + i]);
  }
}

void AppendErasedDataLines(ImageBuffer& image, int count) {
  for (int i = 0; i < count; ++i) image.Append(std::string(kErasedDataLine));
}

}  // namespace galt
