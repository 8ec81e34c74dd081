#pragma once
// The install journal on disk: appending one entry so that two loaders at
// once (two command lines, or a window and a command line) never interleave
// or lose a line, and reading entries back as a stream, in memory that does
// not grow with the journal.
//
// A file at the journal's path that does not begin with a journal's head
// (another program's file, or a journal whose head was damaged) is never
// written to: appending our lines to someone else's file would damage it in
// turn, and support could no longer tell our records from what was there.
// The append is refused and says so; the file stays as it was.
//
// Every call here may wait on the file (a lock held elsewhere up to
// kRecordFileDeadline, a share that stops answering for ever): the front
// ends make them on a FileWorker.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "records/JournalEntry.h"
#include "records/JournalLocation.h"
#include "records/RegularFile.h"

namespace galt {

// Appends `entry`, in the layout the file's head names, creating the file
// with the current head (and its folder) when there is none. Empty when
// written, or else why not, in the user's words ("это папка, а не файл"):
// the front end says which journal and where to choose another.
std::string AppendJournalEntry(const std::filesystem::path& path, const JournalEntry& entry);

struct JournalRead {
  std::deque<JournalEntry> entries;  // oldest first
  bool missing = false;              // no file yet: nothing was journalled
  std::size_t damaged = 0;           // lines skipped as damaged
  std::string error;                 // why it could not be read; empty when it was
};
// The newest `last` entries, the file read once from start to end.
JournalRead ReadJournal(const std::filesystem::path& path, std::size_t last);

// The newest `confirmed` install of a serial number: its time and port.
struct WrittenBefore {
  std::string time;
  std::string port;
};
std::optional<WrittenBefore> FindWrittenBefore(const std::filesystem::path& path, int serial);

// The newest confirmed install of each serial number the loader writes,
// read anew only when the file changed since: a window looks each number
// typed up in it at once.
class WrittenBeforeIndex {
 public:
  explicit WrittenBeforeIndex(std::filesystem::path path) : path_(std::move(path)) {}
  // Reads the journal again if it changed; then the newest confirmed
  // install of `serial`.
  std::optional<WrittenBefore> Find(int serial);

 private:
  std::filesystem::path path_;
  std::optional<RegularFile::Stamp> read_;  // the file as last read
  std::map<int, WrittenBefore> confirmed_;
};

// A copy of the journal for a person to open (in Excel, which locks a file
// it has open against every writer): in the account's temporary folder,
// marked read-only. `problem` says why there is none; `missing`: no journal.
struct JournalCopy {
  std::filesystem::path file;
  bool missing = false;
  std::string problem;
};
JournalCopy CopyJournalToRead(const std::filesystem::path& path);

}  // namespace galt
