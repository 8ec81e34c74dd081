#pragma once
// One line of the install journal and its form on disk: CSV as a Russian
// Excel opens it with a double-click (UTF-8 with a byte-order mark, ';'
// between fields, quotes where a field holds ';' or '"', CRLF line ends),
// under a head line written once, when the file is new.
//
// Every record is one physical line: a line break in a field is written as a
// visible mark, so a damaged line (cut by a full disk, a crash) damages only
// itself and a reader skips it. Text from devices, adapters, files and the
// environment is made harmless on the way in: valid UTF-8, no control
// characters, and a field Excel would take for a formula (beginning with
// =, +, -, @, a tab or CR) gets a leading apostrophe, taken off again when
// the journal is read back.
//
// The columns are one table (kJournalColumns): the head names them, and a
// journal's own head says which its lines hold in which order, so the
// journals written before the time zone and file columns came still read,
// and are appended to in their own form.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace galt {

// The operations the journal knows, as its `операция` column names them.
enum class JournalOperation { Install, Read, Verify };
std::string_view JournalOperationName(JournalOperation operation);

enum class JournalColumn {
  Time, Zone, Program, Computer, User, Port, Adapter, Operation, Serial, Version, Outcome, Message, Seconds, Blocks,
  File,
};

struct JournalEntry {
  std::string time;       // local time as Excel reads one: 2026-12-01 14:02:05
  std::string zone;       // its offset from UTC: +03:00
  std::string program;    // "window 1.4.0", "cli 1.4.0"
  std::string computer;
  std::string user;
  std::string port;       // as the user names it: COM7, USB0
  std::string adapter;    // the port list's description and the adapter's serial number
  std::string operation;  // JournalOperationName
  std::string serial;     // for an install the number written; else the one given, if any
  std::string version;    // of the firmware: 0211
  std::string outcome;    // OutcomeName
  std::string message;    // the text of the last box the user saw
  std::string seconds;    // "12,4": a decimal comma, as a Russian Excel reads numbers
  std::string blocks;     // blocks written; empty for a read or verify
  std::string file;       // a read's or verify's file

  // Sets time and zone from ISO 8601 local time with its offset
  // (2026-12-01T14:02:05+03:00, as LocalTimeText gives it).
  void SetTime(std::string_view iso);
  std::string& operator[](JournalColumn column);
  const std::string& operator[](JournalColumn column) const;
};

struct JournalColumnName {
  JournalColumn column;
  std::string_view name;  // in the head
};
// Every column, in the order a new journal has them.
inline constexpr std::array<JournalColumnName, 15> kJournalColumns{{
    {JournalColumn::Time, "время"},
    {JournalColumn::Zone, "часовой пояс"},
    {JournalColumn::Program, "программа"},
    {JournalColumn::Computer, "компьютер"},
    {JournalColumn::User, "пользователь"},
    {JournalColumn::Port, "порт"},
    {JournalColumn::Adapter, "адаптер"},
    {JournalColumn::Operation, "операция"},
    {JournalColumn::Serial, "серийный номер"},
    {JournalColumn::Version, "версия"},
    {JournalColumn::Outcome, "итог"},
    {JournalColumn::Message, "сообщение"},
    {JournalColumn::Seconds, "секунды"},
    {JournalColumn::Blocks, "блоков записано"},
    {JournalColumn::File, "файл"},
}};

inline constexpr std::string_view kJournalBom = "\xEF\xBB\xBF";

// Which columns a journal's lines hold, in their order, as its head says.
class JournalLayout {
 public:
  // What a new journal is written in: every column.
  static const JournalLayout& Current();
  // The layout a head line names (without its line end; a BOM before it is
  // allowed); nothing when the line is no journal's head.
  static std::optional<JournalLayout> OfHead(std::string_view line);

  // The BOM, the head and its CRLF: what a new journal begins with.
  std::string Head() const;
  // One entry as a line of this layout with its CRLF.
  std::string Line(const JournalEntry& entry) const;
  std::size_t Count() const { return columns_.size(); }
  // Where the column is in a line; nothing when the layout lacks it.
  std::optional<std::size_t> IndexOf(JournalColumn column) const {
    const int at = at_[static_cast<std::size_t>(column)];
    return at < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(at));
  }
  // The first journals wrote line breaks as they were, inside quotes.
  bool BreaksInFields() const { return joinedTime_; }

 private:
  void Add(JournalColumn column);

  std::vector<JournalColumn> columns_;
  std::array<int, kJournalColumns.size()> at_ = Absent();  // each column's place, -1: none
  bool joinedTime_ = false;  // no time zone column: the time holds its offset

  static constexpr std::array<int, kJournalColumns.size()> Absent() {
    std::array<int, kJournalColumns.size()> none{};
    none.fill(-1);
    return none;
  }
};

// One record as read, its fields taken from its line.
class JournalRecord {
 public:
  // The field of `column`; empty when the layout lacks it. The time and zone
  // of the first journals come apart, and the version as it was given.
  std::string Field(JournalColumn column) const;
  // The same without a copy, for every column but the first journals' time
  // and zone.
  std::string_view View(JournalColumn column) const;
  JournalEntry Entry() const;

 private:
  friend class JournalReader;
  const JournalLayout* layout_ = nullptr;
  const std::vector<std::string>* fields_ = nullptr;
};

// Reads a journal's text in pieces as they come from its file, and hands on
// each good record; memory stays that of one line, whatever the size of the
// journal. A damaged line (cut inside or outside quotes, with too few or
// too many fields) is skipped and counted, and reading goes on.
class JournalReader {
 public:
  // `each` is called with every good record; it answers false to stop.
  explicit JournalReader(std::function<bool(const JournalRecord&)> each);

  // The next bytes of the file; false once reading has stopped (`each`
  // said so, or the head is no journal's).
  bool Feed(std::string_view bytes);
  // The end of the file: a last line without its line end is one still
  // being written, and not counted as damaged.
  void Finish();

  bool Foreign() const { return foreign_; }       // the head is no journal's
  bool Empty() const { return !layout_ && !foreign_; }  // not even a head yet
  std::size_t Damaged() const { return damaged_; }

 private:
  void Parse(bool atEnd);
  void Emit();

  std::function<bool(const JournalRecord&)> each_;
  std::optional<JournalLayout> layout_;
  std::string text_;          // what has come and is not yet taken
  std::size_t at_ = 0;        // where in text_ the next line begins
  std::vector<std::string> fields_;
  std::size_t count_ = 0;     // fields in the record being read
  bool skipping_ = false;     // within a line too long to be a record
  bool foreign_ = false;
  bool stopped_ = false;
  std::size_t damaged_ = 0;
};

// "2026-12-01 14:02:05" (or the first journals' ISO form) as
// "01.12.2026 14:02"; other text as it is.
std::string ShortTimeText(const std::string& time);

// "12,4" for 12.36 seconds.
std::string SecondsText(double seconds);

}  // namespace galt
