#include "tools/emulator/DeviceEmulator.h"

#include <cstdio>

namespace galt::emu {

namespace {

constexpr std::uint8_t kStart = 0xAA;

unsigned Sum(const std::uint8_t* p, std::size_t n) {
  unsigned s = 0;
  for (std::size_t i = 0; i < n; ++i) s += p[i];
  return s;
}

// The immediate of an AVR load-immediate word whose two bytes are at `at`:
// low nibble of the first byte is bits 0-3, low nibble of the second bits 4-7.
int Immediate(const std::vector<std::uint8_t>& flash, std::size_t at) {
  return (flash[at] & 0x0F) | ((flash[at + 1] & 0x0F) << 4);
}

std::string CommandName(std::uint8_t c) {
  switch (c) {
    case 0x00: return "query";
    case 0xF1: return "activate";
    case 0xF2: return "read";
    case 0xF3: return "write";
    case 0xF4: return "deactivate";
    default: {
      char b[8];
      std::snprintf(b, sizeof b, "0x%02X", c);
      return b;
    }
  }
}

}  // namespace

std::string HexDump(std::string_view bytes, std::size_t limit) {
  std::string out;
  char b[4];
  for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
    std::snprintf(b, sizeof b, "%02X", static_cast<unsigned char>(bytes[i]));
    if (!out.empty()) out.push_back(' ');
    out += b;
  }
  if (bytes.size() > limit) out += " ...";
  return out;
}

DeviceEmulator::DeviceEmulator() : flash(kFlashSize, 0xFF) {}

int DeviceEmulator::SerialFromFlash() const {
  const int high = Immediate(flash, 0x6C8C);
  const int low = Immediate(flash, 0x6C94);
  if (Immediate(flash, 0x6E72) != high || Immediate(flash, 0x6E7A) != low) return 0xFFFF;
  return high * 256 + low;
}

void DeviceEmulator::StampSerial(int serial) {
  const auto put = [this](std::size_t at, int value) {
    flash[at] = static_cast<std::uint8_t>(value & 0x0F);
    flash[at + 1] = static_cast<std::uint8_t>(0xE0 | ((value >> 4) & 0x0F));
  };
  const int high = (serial >> 8) & 0xFF;
  const int low = serial & 0xFF;
  put(0x6C8C, high);
  put(0x6E72, high);
  put(0x6C94, low);
  put(0x6E7A, low);
}

void DeviceEmulator::Note(const std::string& line) const {
  if (Log) Log(line);
}

std::vector<std::string> DeviceEmulator::Receive(std::string_view bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  std::vector<std::string> out;
  // Hunt for complete frames; a frame with a wrong sum is skipped byte by byte.
  std::size_t pos = 0;
  while (pos < pending_.size()) {
    if (pending_[pos] != kStart) {
      ++pos;
      continue;
    }
    if (pending_.size() - pos < 6) break;
    const std::size_t total = pending_[pos + 5] + 8u;
    if (pending_.size() - pos < total) break;
    const std::uint8_t* f = pending_.data() + pos;
    const unsigned sum = Sum(f, total - 2);
    if (((sum >> 8) & 0xFF) != f[total - 2] || (sum & 0xFF) != f[total - 1]) {
      ++counters.badFrames;
      Note("<- frame with a wrong sum dropped");
      ++pos;
      continue;
    }
    std::vector<std::uint8_t> frame(f, f + total);
    pos += total;
    for (auto& piece : Answer(frame)) out.push_back(std::move(piece));
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
  return out;
}

std::string DeviceEmulator::Reply(std::uint8_t command, int serial,
                                  const std::vector<std::uint8_t>& payload) const {
  std::string r;
  r.push_back(static_cast<char>(kStart));
  r.push_back(static_cast<char>(faults.model));
  r.push_back(static_cast<char>((serial >> 8) & 0xFF));
  r.push_back(static_cast<char>(serial & 0xFF));
  r.push_back(static_cast<char>(command));
  r.push_back(static_cast<char>(payload.size()));
  for (auto b : payload) r.push_back(static_cast<char>(b));
  unsigned sum = Sum(reinterpret_cast<const std::uint8_t*>(r.data()), r.size());
  if (faults.wrongSum) sum += 1;
  r.push_back(static_cast<char>((sum >> 8) & 0xFF));
  r.push_back(static_cast<char>(sum & 0xFF));
  return r;
}

std::vector<std::string> DeviceEmulator::Answer(const std::vector<std::uint8_t>& frame) {
  const std::uint8_t command = frame[4];
  const std::size_t length = frame[5];
  const int serial = frame[2] * 256 + frame[3];
  const int block = length >= 2 ? frame[6] * 256 + frame[7] : -1;
  std::string reply;
  std::string what = CommandName(command);
  if (block >= 0 && (command == 0xF2 || command == 0xF3)) what += " block " + std::to_string(block);
  Note("<- " + what);

  switch (command) {
    case 0xF4:
      ++counters.deactivations;
      if (length != 2 || frame[6] != 0xA5 || frame[7] != 0x5A) break;
      if (counters.deactivations < faults.ackDeactivationFrom) break;
      activated = false;
      reply = faults.shortDeactivationAck ? Reply(0xF4, serial, {0xAA}) : Reply(0xF4, serial, {0xA5, 0x5A});
      break;
    case 0xF3: {
      ++counters.writes;
      if (length != 130) break;
      const std::size_t at = static_cast<std::size_t>(block) * 128;
      if (at + 128 <= flash.size()) std::copy(frame.begin() + 8, frame.begin() + 136, flash.begin() + static_cast<std::ptrdiff_t>(at));
      if (block == faults.unplugAtBlock) unplugged = true;
      if (unplugged || (faults.stopEchoAtBlock >= 0 && block >= faults.stopEchoAtBlock)) break;
      std::vector<std::uint8_t> payload(frame.begin() + 6, frame.begin() + 136);
      if (block == faults.corruptEchoAtBlock) payload[2] = static_cast<std::uint8_t>(payload[2] + 1);
      reply = Reply(0xF3, serial, payload);
      break;
    }
    case 0xF2: {
      ++counters.reads;
      if (length != 2) break;
      std::vector<std::uint8_t> payload{frame[6], frame[7]};
      const std::size_t at = static_cast<std::size_t>(block) * 128;
      for (std::size_t i = 0; i < 128; ++i) payload.push_back(at + i < flash.size() ? flash[at + i] : 0xFF);
      reply = Reply(0xF2, serial, payload);
      break;
    }
    case 0xF1:
      ++counters.activations;
      if (length != 2 || frame[6] != 0x5A || frame[7] != 0xA5) break;
      activated = true;
      reply = faults.shortActivationAck ? Reply(0xF1, serial, {0xAA}) : Reply(0xF1, serial, {0x5A, 0xA5});
      break;
    case 0x00:
      ++counters.queries;
      if (faults.answerQueryNumber <= 0 || counters.queries < faults.answerQueryNumber) break;
      // The running program answers with the serial number it carries.
      reply = Reply(0x00, activated ? SerialFromFlash() : serial, {0x02, 0x11});
      break;
    default:
      break;
  }
  if (reply.empty() || faults.silent) {
    Note("   (no answer)");
    return {};
  }
  Note("-> " + CommandName(static_cast<std::uint8_t>(reply[4])) + " " + HexDump(reply, 10));

  std::string wire(static_cast<std::size_t>(faults.noiseBytes), '\x13');
  wire += reply;
  if (faults.glueSecondReply) wire += reply;
  const int pieces = faults.splitPieces < 1 ? 1 : faults.splitPieces;
  std::vector<std::string> out;
  const std::size_t step = (wire.size() + static_cast<std::size_t>(pieces) - 1) / static_cast<std::size_t>(pieces);
  for (std::size_t at = 0; at < wire.size(); at += step) out.push_back(wire.substr(at, step));
  return out;
}

}  // namespace galt::emu
