// Arbitrary bytes as the device's side of the line, cut into pieces at
// arbitrary points, through the trace's reply hunter; and arbitrary frames
// as the loader's side. No crash or out-of-bounds read, and the pieces tell
// the same story as the whole: the same replies completed, in order, and the
// same number of garbage bytes, wherever the line cut them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "records/FrameMeaning.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using galt::fuzz::Check;

struct Story {
  std::vector<std::string> replies;  // completed frames: in words, then their bytes
  std::size_t garbage = 0;
  std::string held;  // the abandoned reply's bytes, piece after piece

  // A garbage count adds up; a completed reply is kept without its "(N
  // частей)", which depends on the cut.
  galt::ReplyHunter::Say Hear(std::int64_t expectedAt) {
    return [this, expectedAt](std::int64_t at, const std::string& meaning, std::string_view bytes) {
      Check(at == expectedAt);
      Check(!bytes.empty());
      constexpr std::string_view kGarbage = "мусор ";
      if (meaning.rfind(kGarbage, 0) == 0) {
        Check(std::strtoul(meaning.c_str() + kGarbage.size(), nullptr, 10) == bytes.size());
        garbage += bytes.size();
      } else if (meaning.rfind("часть ответа, ", 0) == 0) {
        held.append(bytes);
      } else {
        const std::size_t counted = meaning.rfind(" (");
        Check(counted != std::string::npos);
        replies.push_back(meaning.substr(0, counted));
        replies.emplace_back(bytes);
      }
    };
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  Check(!galt::SentMeaning(bytes).empty());

  galt::ReplyHunter whole;
  Story once;
  whole.Feed(bytes, 0, once.Hear(0));

  // Cut after every byte whose low bits match the first byte's; each piece
  // has its own time.
  galt::ReplyHunter cut;
  Story pieces;
  std::size_t from = 0;
  std::int64_t at = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if ((static_cast<std::uint8_t>(bytes[i]) & 7) != (data[0] & 7) && i + 1 < bytes.size()) continue;
    cut.Feed(bytes.substr(from, i + 1 - from), at, pieces.Hear(at));
    from = i + 1;
    ++at;
  }
  Check(once.replies == pieces.replies);
  Check(once.garbage == pieces.garbage);
  const std::size_t heldWhole = whole.Abandon([&](std::int64_t, const std::string&, std::string_view b) { once.held.append(b); });
  const std::size_t heldCut = cut.Abandon([&](std::int64_t, const std::string&, std::string_view b) { pieces.held.append(b); });
  Check(heldWhole == heldCut && once.held == pieces.held && once.held.size() == heldWhole);
  Check(whole.Abandon([](std::int64_t, const std::string&, std::string_view) { std::abort(); }) == 0);
  return 0;
}
