#pragma once
// What the bytes on the line mean, in words for support: a frame the loader
// sent, named by its command, and the device's side as it arrived, piece by
// piece. The received side has a frame hunter of its own: the link drops
// bytes by its rules (after a held reply, after a frame's end), and the
// trace must still show what they were.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace galt {

// "деактивизация", "блок 57" (a write), "чтение блока 57", "активизация",
// "запрос".
std::string SentMeaning(std::string_view frame);

// "4 байта", "1 байт", "11 байт".
std::string ByteCount(std::size_t count);

class ReplyHunter {
 public:
  // The meaning of one received piece: the frames it completes, named; the
  // frame it starts or continues, as a part with its count; bytes outside
  // any frame, as garbage. Several, in order, joined by "; ".
  std::string Feed(std::string_view piece);
  // A new command went out: a reply still being collected will never be
  // completed. Answers how many of its bytes were collected (0: none).
  std::size_t Abandon();

 private:
  std::string PartText() const;

  std::vector<std::uint8_t> frame_;  // empty while hunting for 0xAA
};

}  // namespace galt
