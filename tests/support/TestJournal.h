#pragma once
// The install journal of a test run: a file of the test process's own,
// emptied before each test, so that what one test installed (a serial
// number "written before", shown in the title) never shows in another's
// window, and nothing reaches the journal of whoever runs the tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef _WIN32
#include <process.h>
#include <stdlib.h>
#else
#include <unistd.h>
#endif

namespace galt::testing {

class FreshJournal : public ::testing::EmptyTestEventListener {
 public:
  explicit FreshJournal(std::filesystem::path path) : path_(std::move(path)) {}
  void OnTestStart(const ::testing::TestInfo&) override { Remove(); }
  void OnTestProgramEnd(const ::testing::UnitTest&) override { Remove(); }

 private:
  void Remove() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  std::filesystem::path path_;
};

// Points GALT_JOURNAL at the process's own file; after InitGoogleTest.
inline void UseTestJournal() {
#ifdef _WIN32
  const auto path = std::filesystem::temp_directory_path() / ("galt-test-journal-" + std::to_string(_getpid()) + ".csv");
  _wputenv_s(L"GALT_JOURNAL", path.wstring().c_str());
#else
  const auto path = std::filesystem::temp_directory_path() / ("galt-test-journal-" + std::to_string(getpid()) + ".csv");
  setenv("GALT_JOURNAL", path.c_str(), 1);
#endif
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshJournal(path));
}

}  // namespace galt::testing
