#pragma once
// The install journal of a test run: a file of its own per test process, so
// that what one test installed (a serial number "written before", shown in
// the title) never shows in another's window, and nothing reaches the
// journal of whoever runs the tests.

#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <process.h>
#include <stdlib.h>
#else
#include <unistd.h>
#endif

namespace galt::testing {

class TestJournal {
 public:
  TestJournal() {
#ifdef _WIN32
    path_ = std::filesystem::temp_directory_path() / ("galt-test-journal-" + std::to_string(_getpid()) + ".csv");
    _wputenv_s(L"GALT_JOURNAL", path_.wstring().c_str());
#else
    path_ = std::filesystem::temp_directory_path() / ("galt-test-journal-" + std::to_string(getpid()) + ".csv");
    setenv("GALT_JOURNAL", path_.c_str(), 1);
#endif
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  ~TestJournal() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace galt::testing
