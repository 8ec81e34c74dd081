#pragma once
// --journal: the install journal's path and its newest entries as a table
// for a terminal; and which journal a run writes.

#include <filesystem>
#include <functional>

#include "app/cli/CliOptions.h"
#include "app/cli/ConsoleOutput.h"
#include "records/JournalLocation.h"

namespace galt::cli {

// --journal-file when given, else GALT_JOURNAL or the system's place, and which.
JournalPlace ChosenJournal(const CliOptions& options);

// Prints the path and the newest `last` entries; kExitFile when the file is
// there but cannot be read as a journal. The file is read off this thread,
// in memory that does not grow with it: `stopRequested` (asked every 50 ms)
// ends the wait with kExitStopped.
int PrintJournal(const std::filesystem::path& path, ConsoleOutput& console, std::size_t last = 20,
                 const std::function<bool()>& stopRequested = {});

}  // namespace galt::cli
