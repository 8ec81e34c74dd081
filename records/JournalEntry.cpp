#include "records/JournalEntry.h"

#include <algorithm>
#include <iterator>
#include <cstdio>
#include <ctime>

namespace galt {

namespace {

constexpr std::string_view kColumns[] = {
    "время",  "программа", "компьютер", "пользователь", "порт", "адаптер",  "операция",
    "серийный номер", "версия", "итог",    "сообщение",   "секунды", "блоков записано",
};
constexpr std::size_t kColumnCount = std::size(kColumns);

void AppendField(std::string& line, std::string_view field) {
  if (field.find_first_of(";\"\r\n") == std::string_view::npos) {
    line += field;
    return;
  }
  line += '"';
  for (const char c : field) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

std::string LineOf(const std::string_view* fields, std::size_t count) {
  std::string line;
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) line += ';';
    AppendField(line, fields[i]);
  }
  line += "\r\n";
  return line;
}

}  // namespace

std::string_view JournalOperationName(JournalOperation operation) {
  switch (operation) {
    case JournalOperation::Install: return "установка";
    case JournalOperation::Read: return "чтение";
    case JournalOperation::Verify: return "проверка";
  }
  return "";
}

const std::string& JournalHead() {
  static const std::string head = std::string(kJournalBom) + LineOf(kColumns, kColumnCount);
  return head;
}

std::string JournalLine(const JournalEntry& e) {
  const std::string_view fields[] = {e.time,      e.program, e.computer, e.user,    e.port,    e.adapter, e.operation,
                                     e.serial,    e.version, e.outcome,  e.message, e.seconds, e.blocks};
  static_assert(std::size(fields) == kColumnCount);
  return LineOf(fields, kColumnCount);
}

void ForEachJournalRecord(std::string_view body, const std::function<bool(std::vector<std::string>&)>& row) {
  // The fields' strings are kept from record to record: a lookup in a long
  // journal allocates next to nothing.
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::size_t n = body.size();
  while (i < n) {
    std::size_t count = 0;
    bool ended = false;
    while (!ended) {
      if (count == fields.size()) fields.emplace_back();
      std::string& field = fields[count++];
      field.clear();
      if (i < n && body[i] == '"') {
        ++i;
        for (;;) {
          const std::size_t quote = body.find('"', i);
          if (quote == std::string_view::npos) return;  // cut off inside quotes
          field.append(body.substr(i, quote - i));
          i = quote + 1;
          if (i < n && body[i] == '"') {
            field += '"';
            ++i;
          } else {
            break;
          }
        }
      }
      const std::size_t stop = body.find_first_of(";\r\n", i);
      if (stop == std::string_view::npos) return;  // no line end: still being written
      field.append(body.substr(i, stop - i));
      i = stop + 1;
      if (body[stop] != ';') {
        if (body[stop] == '\r' && i < n && body[i] == '\n') ++i;
        ended = true;
      }
    }
    if (count == 1 && fields[0].empty()) continue;  // an empty line
    fields.resize(count);
    if (!row(fields)) return;
  }
}

JournalEntry EntryOfRecord(std::vector<std::string>& f) {
  f.resize(std::max(f.size(), kColumnCount));
  return JournalEntry{std::move(f[0]),  std::move(f[1]),  std::move(f[2]), std::move(f[3]),  std::move(f[4]),
                      std::move(f[5]),  std::move(f[6]),  std::move(f[7]), std::move(f[8]),  std::move(f[9]),
                      std::move(f[10]), std::move(f[11]), std::move(f[12])};
}

std::string ShortTimeText(const std::string& iso) {
  // 0123456789012345
  // 2026-12-01T14:02
  if (iso.size() < 16 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T') return iso;
  return iso.substr(8, 2) + "." + iso.substr(5, 2) + "." + iso.substr(0, 4) + " " + iso.substr(11, 5);
}

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::max(0.0, seconds));
  std::string shown = text;
  for (char& c : shown)
    if (c == '.') c = ',';
  return shown;
}

}  // namespace galt
