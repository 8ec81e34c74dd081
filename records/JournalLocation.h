#pragma once
// Where the install journal is: the file GALT_JOURNAL names, or else the
// system's place for the account's own state, whose folder is made private
// to the account when it is missing.

#include <filesystem>
#include <optional>
#include <string>

#include "records/RegularFile.h"

namespace galt {

// Where the journal's path came from: what a message about it names, and
// where the user changes it.
enum class JournalSource { Default, Environment, Option };
struct JournalPlace {
  std::filesystem::path path;
  JournalSource source = JournalSource::Default;
};

// `given` (a program's --journal-file) when there is one; otherwise
// $GALT_JOURNAL when set; otherwise StandardJournalPath().
JournalPlace ChooseJournal(const std::optional<std::filesystem::path>& given = std::nullopt);
// ChooseJournal().path.
std::filesystem::path JournalPath();

// On Linux $XDG_STATE_HOME/galt-loader/journal.csv (~/.local/state/… by
// default, in the account's home even without HOME); on Windows
// GALT-5R\journal.csv in the account's local application data (the known
// folder, whatever LOCALAPPDATA says). Empty when the system names no such
// folder: never a path relative to where the program was started.
std::filesystem::path StandardJournalPath();

// A path as the user reads it (UTF-8).
std::string JournalPathText(const std::filesystem::path& path);

// Makes the folder the journal at `path` goes into, when it is missing: at
// the standard place each folder made is the account's alone (0700), as the
// base-directory rules ask; a folder the user named is made as any other.
FileProblem MakeJournalFolder(const std::filesystem::path& path);

}  // namespace galt
