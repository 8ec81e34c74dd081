#pragma once
// The device link frame: 0xAA, model, serial number (high, low), command,
// payload length L, L payload bytes, 16-bit sum of all bytes before it (high
// byte first). L + 8 bytes in all.

#include <array>
#include <cstddef>
#include <cstdint>

namespace galt {

constexpr std::uint8_t kFrameStart = 0xAA;
constexpr std::uint8_t DeviceModel = 6;

constexpr std::uint8_t cmdQuery = 0x00;
constexpr std::uint8_t cmdActivate = 0xF1;
constexpr std::uint8_t cmdReadBlock = 0xF2;
constexpr std::uint8_t cmdWriteBlock = 0xF3;
constexpr std::uint8_t cmdDeactivate = 0xF4;

constexpr std::size_t kFrameOverhead = 8;
constexpr std::size_t kWritePayload = 130;  // block number + 128 data bytes

// The payloads of the deactivation and activation commands; the device
// acknowledges either by echoing its payload or with the one byte kShortAck.
constexpr std::uint8_t kDeactivatePayload[2] = {0xA5, 0x5A};
constexpr std::uint8_t kActivatePayload[2] = {0x5A, 0xA5};
constexpr std::uint8_t kShortAck = 0xAA;

using FrameBuffer = std::array<std::uint8_t, 256>;

// Plain unsigned sum of bytes [0, count).
inline unsigned FrameSum(const std::uint8_t* bytes, std::size_t count) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return sum;
}

// What a frame's bytes say, read the one way for the link, the sequences
// and the line trace. `frame` holds at least the header; the sum and the
// acknowledgements need the whole frame.

// L + 8: the whole frame's size, known from its sixth byte.
inline std::size_t FrameSize(const std::uint8_t* frame) { return frame[5] + kFrameOverhead; }
inline int SerialOfFrame(const std::uint8_t* frame) { return frame[2] * 256 + frame[3]; }
// The block of a read or write frame (or its reply): its first two payload
// bytes, high first.
inline int BlockOfFrame(const std::uint8_t* frame) { return frame[6] * 256 + frame[7]; }
// The sum at the frame's end matches its bytes.
inline bool FrameSumHolds(const std::uint8_t* frame) {
  const std::size_t length = frame[5];
  return FrameSum(frame, length + 6) == frame[length + 6] * 256u + frame[length + 7];
}
// The device took a deactivation: its payload echoed, or the short form.
inline bool IsDeactivationAck(const std::uint8_t* frame) {
  const bool echoed = frame[5] == 2 && frame[6] == kDeactivatePayload[0] && frame[7] == kDeactivatePayload[1];
  return echoed || (frame[5] == 1 && frame[6] == kShortAck);
}
// The device took an activation (only the short form counts).
inline bool IsActivationAck(const std::uint8_t* frame) { return frame[5] == 1 && frame[6] == kShortAck; }

// Writes the header of a frame with payload length L into buf[0..5].
inline void PutHeader(FrameBuffer& buf, int serial, std::uint8_t command, std::uint8_t length) {
  buf[0] = kFrameStart;
  buf[1] = DeviceModel;
  buf[2] = static_cast<std::uint8_t>((serial / 256) & 0xFF);
  buf[3] = static_cast<std::uint8_t>(serial % 256);
  buf[4] = command;
  buf[5] = length;
}

// Appends the sum of bytes 0..5+L at 6+L and 7+L; returns the frame length.
inline std::size_t PutSum(FrameBuffer& buf) {
  const std::size_t length = buf[5];
  const unsigned sum = FrameSum(buf.data(), 6 + length);
  buf[6 + length] = static_cast<std::uint8_t>((sum >> 8) & 0xFF);
  buf[7 + length] = static_cast<std::uint8_t>(sum & 0xFF);
  return length + kFrameOverhead;
}

}  // namespace galt
