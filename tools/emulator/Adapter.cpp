#include "tools/emulator/Adapter.h"

#include <algorithm>

namespace galt::emu {

namespace {

using namespace std::chrono_literals;

// Full-speed USB schedules its transfers in 1 ms frames.
constexpr auto kUsbFrame = 1000us;

}  // namespace

const std::vector<AdapterModel>& Adapters() {
  static const std::vector<AdapterModel> adapters = {
      {"ftdi", 62, 16000us, true, kUsbFrame, 0us,
       "FTDI FT232R/FT232B: 64-byte USB packets whose first 2 bytes are modem\n"
       "status, so 62 data bytes; a packet goes when full, a short one when the\n"
       "latency timer runs out, 16 ms by default, counted from the last packet\n"
       "sent (FTDI's AN232B-04). Windows' driver keeps 16 ms unless LatencyTimer\n"
       "is lowered in the Device Manager; so does Linux's ftdi_sio (it reads the\n"
       "chip's timer at probe) unless a program sets ASYNC_LOW_LATENCY"},
      {"ftdi-low-latency", 62, 1000us, true, kUsbFrame, 0us,
       "the same bridge with its timer at 1 ms: what ftdi_sio writes to the chip\n"
       "for ASYNC_LOW_LATENCY (drivers/usb/serial/ftdi_sio.c), which galt-loader\n"
       "asks for on Linux; on Windows, LatencyTimer 1. A pty cannot tell the\n"
       "emulator what the loader asked for, so the two are separate models"},
      {"ch340", 32, 1000us, false, kUsbFrame, 0us,
       "WCH CH340/CH341: 32-byte bulk packets (the chip's endpoint descriptors);\n"
       "Linux's ch341 driver sets the chip to pass on short packets instead of\n"
       "waiting for 32 bytes (drivers/usb/serial/ch341.c, prescaler bit 7); how\n"
       "soon it then sends one is not documented: the next 1 ms frame"},
      {"cp210x", 64, 1000us, false, kUsbFrame, 0us,
       "Silicon Labs CP2102/CP2104: 64-byte bulk packets at full speed (its data\n"
       "sheet); it documents no latency timer: a short packet is modelled at the\n"
       "next 1 ms frame"},
      {"cdc", 64, 1000us, false, kUsbFrame, 0us,
       "a microcontroller's own CDC-ACM port at full speed: 64-byte bulk packets,\n"
       "sent at the next 1 ms frame (firmware that hands its bytes to the endpoint\n"
       "each frame)"},
      {"bluetooth", 127, 10000us, false, 10000us, 10000us,
       "a Bluetooth SPP (RFCOMM) link: RFCOMM's default 127-byte frames; no fixed\n"
       "figure exists (module, host stack and radio poll decide), and round trips\n"
       "of SPP modules are measured in tens of ms: assumed here, bytes gathered\n"
       "per 10 ms poll and 10 ms more each way, about 30 ms an exchange"},
  };
  return adapters;
}

const AdapterModel* FindAdapter(std::string_view name) {
  for (const auto& a : Adapters())
    if (name == a.name) return &a;
  return nullptr;
}

std::string AdapterNames() {
  std::string names;
  for (const auto& a : Adapters()) names += (names.empty() ? "" : ", ") + std::string(a.name);
  return names;
}

AdapterLine::AdapterLine(const AdapterModel& model, AdapterTime poweredOn)
    : model_(model), poweredOn_(poweredOn), lastPacket_(poweredOn) {}

// The first of the ticks from + period, from + 2 * period, ... not before `after`.
AdapterTime AdapterLine::NextTick(AdapterTime after, AdapterTime from, std::chrono::microseconds period) const {
  if (period <= AdapterDuration::zero()) return std::max(after, from);
  const auto ticks = after <= from ? 1 : (after - from + period - AdapterDuration(1)) / period;
  return from + std::max<decltype(ticks)>(ticks, 1) * period;
}

AdapterTime AdapterLine::ToLine(AdapterTime written, bool lineIdle) {
  const AdapterTime start = NextTick(written, poweredOn_, model_.outTick) + model_.linkDelay;
  if (lineIdle) added_ += start - written;
  return start;
}

void AdapterLine::FromLine(AdapterTime at, char byte, bool endsReply) { line_.push_back({at, byte, endsReply}); }

AdapterTime AdapterLine::PendingTick() const {
  // A latency timer that ran out with nothing to send sends the modem status
  // alone and starts again, so its ticks stay in step with the last packet.
  const AdapterTime from = model_.tickFromLastPacket ? lastPacket_ : poweredOn_;
  return NextTick(pending_.front().at, from, model_.tick);
}

void AdapterLine::Send(AdapterTime at) {
  Packet packet{at + model_.linkDelay, {}};
  for (const auto& b : pending_) {
    packet.bytes.push_back(b.byte);
    if (b.endsReply) added_ += packet.due - b.at;
  }
  pending_.clear();
  packets_.push_back(std::move(packet));
  lastPacket_ = at;
}

void AdapterLine::Advance(AdapterTime now) {
  for (;;) {
    const bool arrival = !line_.empty() && line_.front().at <= now;
    if (!pending_.empty()) {
      const AdapterTime tick = PendingTick();
      if (tick <= now && (!arrival || tick < line_.front().at)) {
        Send(tick);
        continue;
      }
    }
    if (!arrival) return;
    pending_.push_back(line_.front());
    line_.pop_front();
    if (static_cast<int>(pending_.size()) >= model_.packetBytes) Send(pending_.back().at);
  }
}

std::optional<AdapterTime> AdapterLine::NextDue() const {
  std::optional<AdapterTime> due;
  const auto earliest = [&due](AdapterTime t) { due = due ? std::min(*due, t) : t; };
  if (!packets_.empty()) earliest(packets_.front().due);
  if (!pending_.empty()) earliest(PendingTick());
  if (!line_.empty()) earliest(line_.front().at);
  return due;
}

std::string AdapterLine::Take(AdapterTime now) {
  Advance(now);
  std::string out;
  while (!packets_.empty() && packets_.front().due <= now) {
    out += packets_.front().bytes;
    packets_.pop_front();
  }
  return out;
}

}  // namespace galt::emu
