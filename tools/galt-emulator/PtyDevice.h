#pragma once
// The device's end of a pseudo-terminal pair. The master side is ours, raw
// and non-blocking; the slave side is what the loader opens as a serial port.
// We keep a descriptor of the slave open ourselves, so the master never sees
// a hang-up while no one else has the port open and the loader can open and
// close it as often as it likes.

#include <string>

namespace galt::emucli {

class PtyDevice {
 public:
  // Throws std::system_error when the pair cannot be made.
  PtyDevice();
  ~PtyDevice();
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace galt::emucli
