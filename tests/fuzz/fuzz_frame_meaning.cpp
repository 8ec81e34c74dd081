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

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Story {
  std::vector<std::string> replies;  // completed frames, in words
  std::size_t garbage = 0;
};

// Splits a Feed text into its "; "-joined parts: a garbage count adds up,
// a part of a reply is left out (where it ends depends on the cut), the rest
// are completed replies.
void Tell(const std::string& text, Story& story) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("; ", start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    start = end + 2;
    constexpr std::string_view kGarbage = "мусор ";
    if (part.rfind(kGarbage, 0) == 0) {
      story.garbage += std::strtoul(part.c_str() + kGarbage.size(), nullptr, 10);
    } else if (part.rfind("часть ответа, ", 0) != 0) {
      story.replies.push_back(part);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  Check(!galt::SentMeaning(bytes).empty());

  galt::ReplyHunter whole;
  Story once;
  Tell(whole.Feed(bytes), once);

  // Cut after every byte whose low bits match the first byte's.
  galt::ReplyHunter cut;
  Story pieces;
  std::size_t from = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if ((static_cast<std::uint8_t>(bytes[i]) & 7) != (data[0] & 7) && i + 1 < bytes.size()) continue;
    const std::string text = cut.Feed(bytes.substr(from, i + 1 - from));
    Check(!text.empty());
    Tell(text, pieces);
    from = i + 1;
  }
  Check(once.replies == pieces.replies);
  Check(once.garbage == pieces.garbage);
  Check(whole.Abandon() == cut.Abandon());
  Check(whole.Abandon() == 0);
  return 0;
}
