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

using FrameBuffer = std::array<std::uint8_t, 256>;

// Plain unsigned sum of bytes [0, count).
inline unsigned FrameSum(const std::uint8_t* bytes, std::size_t count) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return sum;
}

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
