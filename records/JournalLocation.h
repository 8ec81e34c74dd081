#pragma once
// Where the install journal is: the file GALT_JOURNAL names, or else the
// system's place for the account's own state, whose folder is made private
// to the account when it is missing.

#include <filesystem>
#include <string>

#include "records/RegularFile.h"

namespace galt {

// $GALT_JOURNAL when set; otherwise StandardJournalPath().
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
