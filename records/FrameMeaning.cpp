#include "records/FrameMeaning.h"

#include <cstdio>

#include "link/Frame.h"

namespace galt {

namespace {

const std::uint8_t* Bytes(std::string_view frame) { return reinterpret_cast<const std::uint8_t*>(frame.data()); }

std::string CommandCode(std::uint8_t command) {
  char code[8];
  std::snprintf(code, sizeof code, "0x%02X", command);
  return code;
}

// "1 часть", "3 байта", "11 частей": the count with the word's form for it.
std::string Counted(std::size_t count, const char* one, const char* few, const char* many) {
  const std::size_t tens = count % 100, ones = count % 10;
  const char* word = many;
  if (!(tens >= 11 && tens <= 14)) word = ones == 1 ? one : ones >= 2 && ones <= 4 ? few : many;
  return std::to_string(count) + " " + word;
}

// A complete reply.
std::string ReplyMeaning(std::string_view frame) {
  const std::uint8_t* f = Bytes(frame);
  const bool hasBlock = f[5] >= 2;
  std::string text;
  switch (f[4]) {
    case cmdQuery:
      text = "ответ: модель " + std::to_string(f[1]) + ", серийный " + std::to_string(SerialOfFrame(f));
      break;
    case cmdActivate:
      text = IsActivationAck(f) ? "подтверждение активизации" : "ответ на активизацию";
      break;
    case cmdReadBlock:
      text = hasBlock ? "блок " + std::to_string(BlockOfFrame(f)) + " прочитан" : "ответ на чтение без блока";
      break;
    case cmdWriteBlock:
      text = hasBlock ? "эхо блока " + std::to_string(BlockOfFrame(f)) : "эхо без номера блока";
      break;
    case cmdDeactivate:
      text = IsDeactivationAck(f) ? "подтверждение деактивизации" : "ответ на деактивизацию без подтверждения";
      break;
    default:
      text = "ответ с командой " + CommandCode(f[4]);
  }
  if (f[4] != cmdQuery && f[1] != DeviceModel) text += ", модель " + std::to_string(f[1]);
  if (!FrameSumHolds(f)) text += ", неверная сумма";
  return text;
}

std::string PartText(std::string_view collected) {
  if (collected.size() <= 5) return "часть ответа, " + ByteCount(collected.size());
  return "часть ответа, " + std::to_string(collected.size()) + " из " + std::to_string(FrameSize(Bytes(collected))) +
         " байт";
}

}  // namespace

std::string ByteCount(std::size_t count) { return Counted(count, "байт", "байта", "байт"); }

std::string SentMeaning(std::string_view frame) {
  const std::uint8_t* f = Bytes(frame);
  if (frame.size() < kFrameOverhead || frame.size() != FrameSize(f)) return "неполный кадр, " + ByteCount(frame.size());
  switch (f[4]) {
    case cmdQuery: return "запрос";
    case cmdActivate: return "активизация";
    case cmdDeactivate: return "деактивизация";
    case cmdReadBlock: return "чтение блока " + std::to_string(BlockOfFrame(f));
    case cmdWriteBlock: return "блок " + std::to_string(BlockOfFrame(f));
  }
  return "кадр с командой " + CommandCode(f[4]);
}

void ReplyHunter::Feed(std::string_view piece, std::int64_t at, const Say& say) {
  std::size_t garbage = 0;  // the run of bytes outside any frame, ending at i
  const auto sayGarbage = [&](std::size_t end) {
    if (garbage) say(at, "мусор " + ByteCount(garbage), piece.substr(end - garbage, garbage));
    garbage = 0;
  };
  for (std::size_t i = 0; i < piece.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(piece[i]);
    if (frame_.empty()) {
      if (byte != kFrameStart) {
        ++garbage;
        continue;
      }
      sayGarbage(i);
    }
    frame_.push_back(piece[i]);
    if (frame_.size() > 5 && frame_.size() == FrameSize(Bytes(frame_))) {
      say(at, ReplyMeaning(frame_) + " (" + Counted(pieces_.size() + 1, "часть", "части", "частей") + ")", frame_);
      frame_.clear();
      pieces_.clear();
    }
  }
  sayGarbage(piece.size());
  if (!frame_.empty()) pieces_.emplace_back(at, frame_.size());
}

std::size_t ReplyHunter::Abandon(const Say& say) {
  std::size_t begin = 0;
  for (const auto& [at, end] : pieces_) {
    say(at, PartText(std::string_view(frame_).substr(0, end)), std::string_view(frame_).substr(begin, end - begin));
    begin = end;
  }
  const std::size_t collected = frame_.size();
  frame_.clear();
  pieces_.clear();
  return collected;
}

}  // namespace galt
