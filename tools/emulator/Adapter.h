#pragma once
// The bridge between the device's serial line and the host: how a USB-serial
// adapter or a Bluetooth serial link hands the device's bytes on. A bridge
// gathers what comes off the line into packets; a full packet goes at once, a
// short one waits for a tick (the USB frame, FTDI's latency timer, the radio's
// poll); the host's bytes reach the line at the next tick as well. The model
// is free of clocks of its own: times are handed in, so the emulator serves it
// in real time and tests step it in virtual time.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace galt::emu {

using AdapterClock = std::chrono::steady_clock;
using AdapterTime = AdapterClock::time_point;
using AdapterDuration = AdapterClock::duration;

struct AdapterModel {
  const char* name;           // as --adapter takes it
  int packetBytes;            // device bytes one packet to the host carries
  std::chrono::microseconds tick;  // a short packet leaves at the next tick
  bool tickFromLastPacket;    // the tick counts from the last packet sent (a latency timer), not from power-on
  std::chrono::microseconds outTick;    // the host's bytes reach the line at the next such tick
  std::chrono::microseconds linkDelay;  // each way, on top (a radio link)
  const char* figures;        // what is modelled and where the figures come from
};

// Every modelled bridge, in the order --help lists them.
const std::vector<AdapterModel>& Adapters();
// The bridge of that name, or nullptr.
const AdapterModel* FindAdapter(std::string_view name);
// "ftdi, ftdi-low-latency, ..." for messages.
std::string AdapterNames();

// One bridge at work. Bytes from the line are handed in as they come through
// it, times never decreasing; the host takes what has reached it.
class AdapterLine {
 public:
  AdapterLine(const AdapterModel& model, AdapterTime poweredOn);

  // Bytes the host wrote at `written` may start on the line from the moment
  // this answers. `lineIdle`: nothing is on the line before them, so the wait
  // is the bridge's alone.
  AdapterTime ToLine(AdapterTime written, bool lineIdle);
  // A byte has come off the line into the bridge at `at`; `endsReply`: the
  // device sends nothing after it for now, so the host waits for it.
  void FromLine(AdapterTime at, char byte, bool endsReply);
  // When the host gets something next; none while nothing is under way.
  std::optional<AdapterTime> NextDue() const;
  // What the host has got by `now`, in order.
  std::string Take(AdapterTime now);

  // The waits the bridge has put on the exchange's way so far: each write's
  // wait for the line, and each reply's last byte's wait in the bridge. No
  // loader can avoid them; an install's own time is set against the wire
  // time plus this.
  AdapterDuration Added() const { return added_; }
  const AdapterModel& Model() const { return model_; }

 private:
  struct LineByte {
    AdapterTime at;
    char byte;
    bool endsReply;
  };
  struct Packet {
    AdapterTime due;
    std::string bytes;
  };

  // Packs what came off the line by `now` and sends what is due by then.
  void Advance(AdapterTime now);
  AdapterTime NextTick(AdapterTime after, AdapterTime from, std::chrono::microseconds period) const;
  AdapterTime PendingTick() const;
  void Send(AdapterTime at);

  AdapterModel model_;
  AdapterTime poweredOn_;
  AdapterTime lastPacket_;
  std::deque<LineByte> line_;     // handed in, not yet in a packet
  std::vector<LineByte> pending_;  // the packet being filled
  std::deque<Packet> packets_;    // on their way to the host
  AdapterDuration added_{};
};

}  // namespace galt::emu
