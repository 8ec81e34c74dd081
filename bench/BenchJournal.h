#pragma once
// A benchmark's installs are journalled as any run is (the cost is part of
// what it measures), into a file of its own that goes at its end, never into
// the journal of whoever runs it.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace galt::bench {

class JournalAside {
 public:
  JournalAside()
      : path_(std::filesystem::temp_directory_path() / ("galt-bench-journal-" + std::to_string(::getpid()) + ".csv")) {
    ::setenv("GALT_JOURNAL", path_.c_str(), 1);
  }
  ~JournalAside() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  JournalAside(const JournalAside&) = delete;
  JournalAside& operator=(const JournalAside&) = delete;

 private:
  std::filesystem::path path_;
};

}  // namespace galt::bench
