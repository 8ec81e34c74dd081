#pragma once
// The device's end of a pseudo-terminal pair. The master side is ours, raw
// and non-blocking; the slave side is what the loader opens as a serial port.
// We hold no descriptor of the slave: a program holding a port is what the
// loader calls busy. While no one has the port open the master reads as hung
// up, which the server sits out.

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
  std::string slavePath_;
};

}  // namespace galt::emucli
