#pragma once
// What the bytes on the line mean, in words for support: a frame the loader
// sent, named by its command, and the device's side as it arrived. The
// frames are read by link/'s own decoders; the received side has a frame
// hunter of its own all the same: the link drops bytes by its rules (after a
// held reply, after a frame's end), and the trace must still show what they
// were.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace galt {

// "деактивизация", "блок 57" (a write), "чтение блока 57", "активизация",
// "запрос".
std::string SentMeaning(std::string_view frame);

// "4 байта", "1 байт", "11 байт".
std::string ByteCount(std::size_t count);

class ReplyHunter {
 public:
  // What was heard: when (the time of the piece given to Feed), in words,
  // and its bytes.
  using Say = std::function<void(std::int64_t at, const std::string& meaning, std::string_view bytes)>;

  // One received piece, come at `at`: each run of bytes outside any frame is
  // said as garbage, each reply the piece completes as one, named, with how
  // many pieces it came in. A reply begun and not complete is held.
  void Feed(std::string_view piece, std::int64_t at, const Say& say);
  // The reply held will never be completed (a new command went out, the line
  // closed or was lost, the operation ended): each of its pieces is said as
  // it came, with its time and the reply's bytes so far. Answers how many
  // bytes it had (0: none).
  std::size_t Abandon(const Say& say);

 private:
  std::string frame_;  // the reply collected so far; empty while hunting for 0xAA
  // When each piece of it came, and where that piece ends in frame_.
  std::vector<std::pair<std::int64_t, std::size_t>> pieces_;
};

}  // namespace galt
