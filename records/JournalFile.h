#pragma once
// The install journal on disk: where it is, appending one entry so that two
// loaders at once (two command lines, or a window and a command line) never
// interleave or lose a line, and reading entries back.
//
// A file at the journal's path that does not begin with our head (another
// program's file, or a journal whose head was damaged) is never written to:
// appending our lines to someone else's file would damage it in turn, and
// support could no longer tell our records from what was there. The append
// is refused and says so; the file stays as it was.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "records/JournalEntry.h"

namespace galt {

// $GALT_JOURNAL when set; otherwise on Linux
// $XDG_STATE_HOME/galt-loader/journal.csv (~/.local/state/… by default), on
// Windows %LOCALAPPDATA%\GALT-5R\journal.csv.
std::filesystem::path JournalPath();

// A path as the user reads it (UTF-8).
std::string JournalPathText(const std::filesystem::path& path);

// Appends `entry`, creating the file with its head (and its folder) when
// there is none. Empty when written, or else why not, in the user's words.
std::string AppendJournalEntry(const std::filesystem::path& path, const JournalEntry& entry);

struct JournalRead {
  std::vector<JournalEntry> entries;  // oldest first
  bool missing = false;               // no file yet: nothing was journalled
  std::string error;                  // why it could not be read; empty when it was
};
// The newest `last` entries.
JournalRead ReadJournal(const std::filesystem::path& path, std::size_t last);

// The newest `confirmed` install of `serial`: its time and port.
struct WrittenBefore {
  std::string time;
  std::string port;
};
std::optional<WrittenBefore> FindWrittenBefore(const std::filesystem::path& path, int serial);

}  // namespace galt
