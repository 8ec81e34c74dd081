#pragma once
// One line of the install journal and its form on disk: CSV as a Russian
// Excel opens it with a double-click (UTF-8 with a byte-order mark, ';'
// between fields, quotes where a field holds ';', '"' or a line break, CRLF
// line ends), under a header line written once, when the file is new.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/LocalTime.h"

namespace galt {

// The operations the journal knows, as its `операция` column names them.
enum class JournalOperation { Install, Read, Verify };
std::string_view JournalOperationName(JournalOperation operation);

struct JournalEntry {
  std::string time;       // ISO 8601 local time with its offset: 2026-12-01T14:02:05+03:00
  std::string program;    // "window 1.4.0", "cli 1.4.0"
  std::string computer;
  std::string user;
  std::string port;       // as the user names it: COM7, USB0
  std::string adapter;    // the port list's description and the adapter's serial number
  std::string operation;  // JournalOperationName
  std::string serial;     // for an install: the number written
  std::string version;    // of the firmware: 0211
  std::string outcome;    // OutcomeName
  std::string message;    // the text of the last box the user saw
  std::string seconds;    // "12,4": a decimal comma, as a Russian Excel reads numbers
  std::string blocks;     // blocks written; empty for a read or verify
};

inline constexpr std::string_view kJournalBom = "\xEF\xBB\xBF";

// The BOM, the header and its CRLF: what a new journal begins with.
const std::string& JournalHead();
// One entry as a CSV line with its CRLF.
std::string JournalLine(const JournalEntry& entry);

// The records of a journal's text after its head, in order; a record cut
// off at the end (a line still being written) is dropped. Calls `row` with
// each record's fields; it answers false to stop.
void ForEachJournalRecord(std::string_view body, const std::function<bool(std::vector<std::string>&)>& row);
// An entry from a record's fields, in the columns' order (missing ones empty).
JournalEntry EntryOfRecord(std::vector<std::string>& fields);

// "2026-12-01T14:02:05+03:00" as "01.12.2026 14:02"; other text as it is.
std::string ShortTimeText(const std::string& isoTime);

// "12,4" for 12.36 seconds.
std::string SecondsText(double seconds);

}  // namespace galt
