#include "records/JournalEntry.h"

#include <algorithm>
#include <cstdio>

#include "records/UntrustedText.h"

namespace galt {

namespace {

// The version as the install button names it ("GALT-5R.0211"): Excel keeps
// it as text, where "0211" alone becomes the number 211.
constexpr std::string_view kVersionPrefix = "GALT-5R.";
// Before the zone's offset in its own column: Excel takes "+03:00" for a
// formula.
constexpr std::string_view kZonePrefix = "UTC";

// A line longer than this is no record of ours, and is skipped unread.
constexpr std::size_t kLongestLine = 64 * 1024;
// A record of the first journals over several lines (a box's text with its
// line breaks) spans at most this many.
constexpr int kMostLinesOfARecord = 16;

std::string JournalEntry::* const kFields[] = {
    &JournalEntry::time,    &JournalEntry::zone,    &JournalEntry::program, &JournalEntry::computer,
    &JournalEntry::user,    &JournalEntry::port,    &JournalEntry::adapter, &JournalEntry::operation,
    &JournalEntry::serial,  &JournalEntry::version, &JournalEntry::outcome, &JournalEntry::message,
    &JournalEntry::seconds, &JournalEntry::blocks,  &JournalEntry::file,
};
static_assert(std::size(kFields) == kJournalColumns.size());

constexpr bool ColumnsInOrder() {
  for (std::size_t i = 0; i < kJournalColumns.size(); ++i)
    if (static_cast<std::size_t>(kJournalColumns[i].column) != i) return false;
  return true;
}
static_assert(ColumnsInOrder(), "kJournalColumns follows JournalColumn");

std::string_view NameOf(JournalColumn column) { return kJournalColumns[static_cast<std::size_t>(column)].name; }

// What Excel would evaluate: the formula's first characters, after any
// apostrophes written before them already.
bool LooksLikeFormula(std::string_view text) {
  const std::size_t first = text.find_first_not_of('\'');
  return first != std::string_view::npos && std::string_view("=+-@\t\r").find(text[first]) != std::string_view::npos;
}

void AppendField(std::string& line, std::string_view raw) {
  std::string field = PrintableText(raw, LineBreaks::Marked, true);
  if (LooksLikeFormula(field)) field.insert(0, 1, '\'');
  if (field.find_first_of(";\"") == std::string::npos) {
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

// How a record's text ended where the parser stopped.
enum class Parsed { Whole, InQuotes };

// Splits the record at `text[from]` into `fields` (reused, `count` set).
// Without `overLines` the text is one line without its end, and the record
// is all of it; with it, quoted fields may run over line ends and the record
// ends at the first line end outside quotes, `end` past it (text.size()
// when there is none).
Parsed SplitRecord(std::string_view text, std::size_t from, bool overLines, std::vector<std::string>& fields,
                   std::size_t& count, std::size_t& end) {
  count = 0;
  std::size_t i = from;
  const std::size_t n = text.size();
  end = n;
  for (;;) {
    if (count == fields.size()) fields.emplace_back();
    std::string& field = fields[count++];
    field.clear();
    if (i < n && text[i] == '"') {
      ++i;
      for (;;) {
        const std::size_t quote = text.find('"', i);
        if (quote == std::string_view::npos) return Parsed::InQuotes;
        field.append(text.substr(i, quote - i));
        i = quote + 1;
        if (i < n && text[i] == '"') {
          field += '"';
          ++i;
        } else {
          break;
        }
      }
    }
    const std::size_t stop = overLines ? text.find_first_of(";\r\n", i) : text.find(';', i);
    if (stop == std::string_view::npos) {
      field.append(text.substr(i));
      return Parsed::Whole;
    }
    field.append(text.substr(i, stop - i));
    i = stop + 1;
    if (text[stop] == ';') continue;
    if (text[stop] == '\r' && i < n && text[i] == '\n') ++i;
    end = i;
    return Parsed::Whole;
  }
}

// Whether a line begins as every record does, with its time: a line a
// record's field runs onto never does (box texts never begin so), so a cut
// line is never glued to the record after it.
bool BeginsARecord(std::string_view line) {
  constexpr std::string_view kForm = "0000-00-00T00:00:00";
  if (line.size() < kForm.size()) return false;
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    const char c = line[i];
    const bool digit = c >= '0' && c <= '9';
    if (kForm[i] == '0' ? !digit : kForm[i] == 'T' ? (c != 'T' && c != ' ') : c != kForm[i]) return false;
  }
  return true;
}

// A record of the first journals over several lines is one only when none
// of the lines it runs onto begins a record itself.
bool RunsOntoNoRecord(std::string_view record) {
  for (std::size_t at = record.find('\n'); at != std::string_view::npos && at + 1 < record.size();
       at = record.find('\n', at + 1)) {
    if (BeginsARecord(record.substr(at + 1))) return false;
  }
  return true;
}

// A field as written, back as it was given: the formula guard's apostrophe
// comes off.
void Unguard(std::string& field) {
  if (!field.empty() && field[0] == '\'' && LooksLikeFormula(std::string_view(field).substr(1))) field.erase(0, 1);
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

void JournalEntry::SetTime(std::string_view iso) {
  // 0123456789012345678
  // 2026-12-01T14:02:05+03:00
  if (iso.size() >= 19 && iso[10] == 'T') {
    time = std::string(iso.substr(0, 19));
    time[10] = ' ';
    zone = std::string(iso.substr(19));
  } else {
    time = std::string(iso);
    zone.clear();
  }
}

std::string& JournalEntry::operator[](JournalColumn column) { return this->*kFields[static_cast<std::size_t>(column)]; }

const std::string& JournalEntry::operator[](JournalColumn column) const {
  return this->*kFields[static_cast<std::size_t>(column)];
}

const JournalLayout& JournalLayout::Current() {
  static const JournalLayout current = [] {
    JournalLayout layout;
    for (const JournalColumnName& c : kJournalColumns) layout.Add(c.column);
    return layout;
  }();
  return current;
}

std::optional<JournalLayout> JournalLayout::OfHead(std::string_view line) {
  if (line.rfind(kJournalBom, 0) == 0) line.remove_prefix(kJournalBom.size());
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  JournalLayout layout;
  std::size_t from = 0;
  for (;;) {
    const std::size_t stop = line.find(';', from);
    const std::string_view name = line.substr(from, stop - from);
    const auto known = std::find_if(kJournalColumns.begin(), kJournalColumns.end(),
                                    [&](const JournalColumnName& c) { return c.name == name; });
    if (known == kJournalColumns.end() || layout.IndexOf(known->column)) return std::nullopt;
    layout.Add(known->column);
    if (stop == std::string_view::npos) break;
    from = stop + 1;
  }
  if (!layout.IndexOf(JournalColumn::Time) || !layout.IndexOf(JournalColumn::Outcome)) return std::nullopt;
  layout.joinedTime_ = !layout.IndexOf(JournalColumn::Zone);
  return layout;
}

std::string JournalLayout::Head() const {
  std::string head(kJournalBom);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (i != 0) head += ';';
    head += NameOf(columns_[i]);
  }
  head += "\r\n";
  return head;
}

std::string JournalLayout::Line(const JournalEntry& e) const {
  std::string line;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (i != 0) line += ';';
    const JournalColumn column = columns_[i];
    if (column == JournalColumn::Time && joinedTime_) {
      std::string iso = e.time;
      if (iso.size() == 19 && iso[10] == ' ') iso[10] = 'T';
      AppendField(line, iso + e.zone);
    } else if (column == JournalColumn::Zone) {
      AppendField(line, e.zone.empty() ? std::string() : std::string(kZonePrefix) + e.zone);
    } else if (column == JournalColumn::Version) {
      AppendField(line, e.version.empty() ? std::string() : std::string(kVersionPrefix) + e.version);
    } else {
      AppendField(line, e[column]);
    }
  }
  line += "\r\n";
  return line;
}

void JournalLayout::Add(JournalColumn column) {
  at_[static_cast<std::size_t>(column)] = static_cast<int>(columns_.size());
  columns_.push_back(column);
}

std::string_view JournalRecord::View(JournalColumn column) const {
  const std::optional<std::size_t> at = layout_->IndexOf(column);
  std::string_view field = at ? std::string_view((*fields_)[*at]) : std::string_view();
  if (column == JournalColumn::Zone && field.rfind(kZonePrefix, 0) == 0) field.remove_prefix(kZonePrefix.size());
  if (column == JournalColumn::Version && field.rfind(kVersionPrefix, 0) == 0) {
    field.remove_prefix(kVersionPrefix.size());
  }
  return field;
}

std::string JournalRecord::Field(JournalColumn column) const {
  if (layout_->BreaksInFields() && (column == JournalColumn::Time || column == JournalColumn::Zone)) {
    JournalEntry split;
    split.SetTime(View(JournalColumn::Time));
    return column == JournalColumn::Time ? split.time : split.zone;
  }
  return std::string(View(column));
}

JournalEntry JournalRecord::Entry() const {
  JournalEntry entry;
  for (const JournalColumnName& c : kJournalColumns) entry[c.column] = Field(c.column);
  return entry;
}

JournalReader::JournalReader(std::function<bool(const JournalRecord&)> each) : each_(std::move(each)) {}

bool JournalReader::Feed(std::string_view bytes) {
  if (stopped_) return false;
  if (skipping_) {
    // The rest of a line too long to be a record.
    const std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) return true;
    skipping_ = false;
    bytes.remove_prefix(end + 1);
  }
  text_.append(bytes);
  Parse(false);
  text_.erase(0, at_);
  at_ = 0;
  if (!stopped_ && text_.size() > kLongestLine && text_.find('\n') == std::string::npos) {
    text_.clear();
    skipping_ = true;
    ++damaged_;
  }
  return !stopped_;
}

void JournalReader::Finish() {
  if (stopped_) return;
  Parse(true);
  text_.clear();
  at_ = 0;
}

void JournalReader::Emit() {
  if (count_ != layout_->Count()) {
    ++damaged_;
    return;
  }
  for (std::size_t i = 0; i < count_; ++i) Unguard(fields_[i]);
  JournalRecord record;
  record.layout_ = &*layout_;
  record.fields_ = &fields_;
  if (!each_(record)) stopped_ = true;
}

void JournalReader::Parse(bool atEnd) {
  const std::string_view text = text_;
  while (!stopped_ && at_ < text.size()) {
    std::size_t lineEnd = text.find('\n', at_);
    if (lineEnd == std::string_view::npos) {
      // A last line without its end is still being written, or was cut off
      // and will be followed by a line end before the next record.
      if (!atEnd || layout_) return;
      lineEnd = text.size();  // a head alone
    }
    std::string_view line = text.substr(at_, lineEnd - at_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!layout_) {
      layout_ = JournalLayout::OfHead(line);
      if (!layout_) {
        foreign_ = stopped_ = true;
        return;
      }
      at_ = std::min(lineEnd + 1, text.size());
      continue;
    }
    std::size_t end = 0;
    if (line.empty()) {
      at_ = lineEnd + 1;
      continue;
    }
    if (SplitRecord(line, 0, false, fields_, count_, end) == Parsed::Whole) {
      at_ = lineEnd + 1;
      Emit();
      continue;
    }
    // Cut inside quotes, or in the first journals a field over several lines.
    if (layout_->BreaksInFields()) {
      std::size_t reach = lineEnd;
      for (int lines = 1; lines < kMostLinesOfARecord && reach != std::string_view::npos; ++lines)
        reach = text.find('\n', reach + 1);
      const std::string_view span = text.substr(0, reach == std::string_view::npos ? text.size() : reach + 1);
      if (SplitRecord(span, at_, true, fields_, count_, end) == Parsed::Whole && span[end - 1] == '\n' &&
          count_ == layout_->Count() && RunsOntoNoRecord(span.substr(at_, end - at_))) {
        at_ = end;
        Emit();
        continue;
      }
      // Perhaps whole once more has come.
      if (!atEnd && reach == std::string_view::npos && text.size() - at_ < kLongestLine) return;
    }
    ++damaged_;
    at_ = lineEnd + 1;
  }
}

std::string ShortTimeText(const std::string& time) {
  // 0123456789012345
  // 2026-12-01 14:02
  if (time.size() < 16 || time[4] != '-' || time[7] != '-' || (time[10] != ' ' && time[10] != 'T')) return time;
  return time.substr(8, 2) + "." + time.substr(5, 2) + "." + time.substr(0, 4) + " " + time.substr(11, 5);
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
