#pragma once
// --journal: the install journal's path and its newest entries as a table
// for a terminal; and which journal a run writes.

#include <filesystem>

#include "app/cli/CliOptions.h"
#include "app/cli/ConsoleOutput.h"

namespace galt::cli {

// --journal-file when given, else GALT_JOURNAL or the system's place.
std::filesystem::path ChosenJournal(const CliOptions& options);

// Prints the path and the newest `last` entries; kExitFile when the file is
// there but cannot be read as a journal.
int PrintJournal(const std::filesystem::path& path, ConsoleOutput& console, std::size_t last = 20);

}  // namespace galt::cli
