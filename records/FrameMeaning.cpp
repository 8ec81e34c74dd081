#include "records/FrameMeaning.h"

#include <cstdio>

#include "link/Frame.h"

namespace galt {

namespace {

int BlockOf(const std::uint8_t* frame) { return frame[6] * 256 + frame[7]; }

std::string CommandCode(std::uint8_t command) {
  char code[8];
  std::snprintf(code, sizeof code, "0x%02X", command);
  return code;
}

// A complete reply of L + 8 bytes.
std::string ReplyMeaning(const std::vector<std::uint8_t>& f) {
  const std::size_t length = f[5];
  const bool two = length >= 2;
  std::string text;
  switch (f[4]) {
    case cmdQuery:
      text = "ответ: модель " + std::to_string(f[1]) + ", серийный " + std::to_string(f[2] * 256 + f[3]);
      break;
    case cmdActivate:
      text = length == 1 && f[6] == 0xAA ? "подтверждение активизации" : "ответ на активизацию";
      break;
    case cmdReadBlock:
      text = two ? "блок " + std::to_string(BlockOf(f.data())) + " прочитан" : "ответ на чтение без блока";
      break;
    case cmdWriteBlock:
      text = two ? "эхо блока " + std::to_string(BlockOf(f.data())) : "эхо без номера блока";
      break;
    case cmdDeactivate: {
      const bool echoed = length == 2 && f[6] == 0xA5 && f[7] == 0x5A;
      const bool shortAck = length == 1 && f[6] == 0xAA;
      text = echoed || shortAck ? "подтверждение деактивизации" : "ответ на деактивизацию без подтверждения";
      break;
    }
    default:
      text = "ответ с командой " + CommandCode(f[4]);
  }
  if (f[4] != cmdQuery && f[1] != DeviceModel) text += ", модель " + std::to_string(f[1]);
  const unsigned sum = FrameSum(f.data(), length + 6);
  if (sum != f[length + 6] * 256u + f[length + 7]) text += ", неверная сумма";
  return text;
}

}  // namespace

std::string ByteCount(std::size_t count) {
  const std::size_t tens = count % 100, ones = count % 10;
  const bool few = ones >= 2 && ones <= 4 && !(tens >= 12 && tens <= 14);
  return std::to_string(count) + (few ? " байта" : " байт");
}

std::string SentMeaning(std::string_view frame) {
  const auto* f = reinterpret_cast<const std::uint8_t*>(frame.data());
  if (frame.size() < kFrameOverhead || frame.size() != f[5] + kFrameOverhead) {
    return "неполный кадр, " + ByteCount(frame.size());
  }
  switch (f[4]) {
    case cmdQuery: return "запрос";
    case cmdActivate: return "активизация";
    case cmdDeactivate: return "деактивизация";
    case cmdReadBlock: return "чтение блока " + std::to_string(BlockOf(f));
    case cmdWriteBlock: return "блок " + std::to_string(BlockOf(f));
  }
  return "кадр с командой " + CommandCode(f[4]);
}

std::string ReplyHunter::Feed(std::string_view piece) {
  std::string text;
  const auto say = [&text](const std::string& part) {
    if (!text.empty()) text += "; ";
    text += part;
  };
  std::size_t garbage = 0;
  for (const char c : piece) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (frame_.empty()) {
      if (byte != kFrameStart) {
        ++garbage;
        continue;
      }
      if (garbage) say("мусор " + ByteCount(garbage));
      garbage = 0;
    }
    frame_.push_back(byte);
    if (frame_.size() > 5 && frame_.size() == frame_[5] + kFrameOverhead) {
      say(ReplyMeaning(frame_));
      frame_.clear();
    }
  }
  if (garbage) say("мусор " + ByteCount(garbage));
  if (!frame_.empty()) say(PartText());
  return text;
}

std::string ReplyHunter::PartText() const {
  // The whole frame's size is known from its sixth byte on.
  if (frame_.size() <= 5) return "часть ответа, " + ByteCount(frame_.size());
  return "часть ответа, " + std::to_string(frame_.size()) + " из " + std::to_string(frame_[5] + kFrameOverhead) + " байт";
}

std::size_t ReplyHunter::Abandon() {
  const std::size_t collected = frame_.size();
  frame_.clear();
  return collected;
}

}  // namespace galt
