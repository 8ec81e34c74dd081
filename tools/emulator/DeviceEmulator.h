#pragma once
// A virtual GALT-5R: answers the loader's frames as the device does, from a
// flash of its own, with knobs that make it misbehave in the ways the loader
// has to survive.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace galt::emu {

constexpr std::size_t kFlashSize = 0x1F000;

struct Faults {
  bool silent = false;              // answer nothing at all
  int ackDeactivationFrom = 1;      // acknowledge deactivation frames from the Nth on
  bool shortDeactivationAck = false;  // acknowledge with L=1, 0xAA instead of the echo
  bool shortActivationAck = false;    // acknowledge activation with L=1, 0xAA (the form the
                                      // loader reports) instead of echoing its payload
  int stopEchoAtBlock = -1;         // no write echo for this block and every later one
  int corruptEchoAtBlock = -1;      // the echo of this block has one byte changed
  int answerQueryNumber = 1;        // answer queries from the Nth on (0: never)
  std::uint8_t model = 6;           // model byte of every reply
  bool wrongSum = false;            // every reply carries a wrong sum
  int noiseBytes = 0;               // noise bytes sent before every reply
  int splitPieces = 1;              // every reply arrives in this many pieces
  bool glueSecondReply = false;     // a second copy of each reply follows in the same piece
  int unplugAtBlock = -1;           // the write of this block pulls the device out (see unplugged)
};

struct Counters {
  int deactivations = 0;
  int writes = 0;
  int reads = 0;
  int activations = 0;
  int queries = 0;
  int badFrames = 0;
};

class DeviceEmulator {
 public:
  DeviceEmulator();

  // Takes bytes from the line; returns what the device sends back, as the
  // pieces in which it arrives at the other end.
  std::vector<std::string> Receive(std::string_view bytes);

  // The serial number the device's program carries: the immediates of the
  // load-immediate words the loader stamps; 0xFFFF when the two copies
  // disagree.
  int SerialFromFlash() const;
  // Writes `serial` (0-0xFFFF) into those four words as "LDI r16, K", so a
  // device can start out carrying a serial number of its own.
  void StampSerial(int serial);

  std::vector<std::uint8_t> flash;
  Faults faults;
  Counters counters;
  bool activated = false;
  // Set by the write unplugAtBlock names, which gets no echo: whoever serves
  // the device then takes its terminal away, as a pulled adapter does.
  bool unplugged = false;
  // Every frame received and sent, as "<- F3 blk 17" style lines.
  std::function<void(const std::string&)> Log;

 private:
  std::vector<std::string> Answer(const std::vector<std::uint8_t>& frame);
  std::string Reply(std::uint8_t command, int serial, const std::vector<std::uint8_t>& payload) const;
  void Note(const std::string& line) const;

  std::vector<std::uint8_t> pending_;
};

// "AA 06 00 64 ..." for logs and test messages.
std::string HexDump(std::string_view bytes, std::size_t limit = 16);

}  // namespace galt::emu
