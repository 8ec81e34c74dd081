// Arbitrary bytes as a journal file, given whole and in pieces: the reader
// must take the same records either way and never fail; and the same bytes
// as an entry's fields: the line written must be one line the reader gives
// back as written (the text made harmless, and nothing else changed).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/JournalEntry.h"
#include "records/UntrustedText.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using galt::fuzz::Check;

struct Seen {
  std::vector<galt::JournalEntry> entries;
  std::size_t damaged = 0;
  bool foreign = false;
};

Seen ReadInPieces(std::string_view text, std::size_t piece) {
  Seen seen;
  galt::JournalReader reader([&](const galt::JournalRecord& record) {
    seen.entries.push_back(record.Entry());
    return true;
  });
  for (std::size_t at = 0; at < text.size(); at += piece) reader.Feed(text.substr(at, piece));
  reader.Finish();
  seen.damaged = reader.Damaged();
  seen.foreign = reader.Foreign();
  return seen;
}

bool Same(const galt::JournalEntry& a, const galt::JournalEntry& b) {
  for (const galt::JournalColumnName& c : galt::kJournalColumns)
    if (a[c.column] != b[c.column]) return false;
  return true;
}

void ReadsAlike(std::string_view text, std::size_t piece) {
  const Seen whole = ReadInPieces(text, text.size() + 1), pieces = ReadInPieces(text, piece);
  Check(whole.foreign == pieces.foreign && whole.damaged == pieces.damaged);
  Check(whole.entries.size() == pieces.entries.size());
  for (std::size_t i = 0; i < whole.entries.size(); ++i) Check(Same(whole.entries[i], pieces.entries[i]));
}

void RoundTrips(std::string_view bytes) {
  // Fields cut from the bytes at each 0x00.
  galt::JournalEntry given;
  std::size_t from = 0;
  for (const galt::JournalColumnName& c : galt::kJournalColumns) {
    const std::size_t end = std::min(bytes.find('\0', from), bytes.size());
    given[c.column] = std::string(bytes.substr(std::min(from, bytes.size()), end - std::min(from, bytes.size())));
    from = end + 1;
  }
  const galt::JournalLayout& layout = galt::JournalLayout::Current();
  const std::string line = layout.Line(given);
  Check(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0);
  Check(line.find_first_of("\r\n") == line.size() - 2);  // one physical line
  Check(galt::ValidUtf8(line) == line);
  const Seen seen = ReadInPieces(layout.Head() + line, 7);
  Check(seen.entries.size() == 1 && seen.damaged == 0);
  for (const galt::JournalColumnName& c : galt::kJournalColumns) {
    Check(seen.entries[0][c.column] == galt::PrintableText(given[c.column], galt::LineBreaks::Marked, true));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t piece = size > 0 ? 1 + data[0] % 17 : 1;
  ReadsAlike(bytes, piece);
  // As the lines of a journal with a head of either form.
  ReadsAlike(galt::JournalLayout::Current().Head() + std::string(bytes), piece);
  const std::optional<galt::JournalLayout> first = galt::JournalLayout::OfHead(
      "время;программа;компьютер;пользователь;порт;адаптер;операция;серийный номер;версия;итог;сообщение;секунды;"
      "блоков записано");
  Check(first.has_value() && first->BreaksInFields());
  ReadsAlike(first->Head() + std::string(bytes), piece);
  RoundTrips(bytes);
  return 0;
}
