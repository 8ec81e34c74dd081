// The install journal on disk: what Excel gets (BOM, header once, quoting),
// appends from two processes at once, files it must leave alone, and the
// lookup of a serial number written before.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <pwd.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <tuple>
#include <fstream>
#include <regex>
#include <sstream>

#include "records/JournalFile.h"

namespace galt {
namespace {

namespace fs = std::filesystem;

fs::path Fresh(const std::string& name) {
  const fs::path path =
      fs::path(::testing::TempDir()) / ::testing::UnitTest::GetInstance()->current_test_info()->name() / name;
  fs::remove_all(path.parent_path());
  return path;
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

JournalEntry Entry(const std::string& serial, const std::string& outcome, const std::string& time = "",
                   const std::string& port = "COM7") {
  JournalEntry e;
  e.time = time.empty() ? LocalTimeText(std::chrono::system_clock::now()) : time;
  e.program = "cli 2.11.0";
  e.port = port;
  e.operation = JournalOperationName(JournalOperation::Install);
  e.serial = serial;
  e.version = "0211";
  e.outcome = outcome;
  return e;
}

TEST(JournalFormat, ABoxTextWithSeparatorsQuotesAndLineBreaksComesBackWhole) {
  const fs::path path = Fresh("journal.csv");
  JournalEntry tricky = Entry("237", "write-rejected");
  tricky.message = "Ошибка; \"FLASH\"\r\nвторая строка\nтретья";
  ASSERT_EQ(AppendJournalEntry(path, tricky), "");
  ASSERT_EQ(AppendJournalEntry(path, Entry("238", "confirmed")), "");

  const std::string text = Bytes(path);
  EXPECT_EQ(text.rfind(std::string(kJournalBom) + "время;программа;компьютер;пользователь;порт;адаптер;операция;"
                                                  "серийный номер;версия;итог;сообщение;секунды;блоков записано\r\n",
                       0),
            0u);
  EXPECT_EQ(text.find(kJournalBom, 1), std::string::npos) << "the head is written once";
  EXPECT_NE(text.find(";\"Ошибка; \"\"FLASH\"\"\r\nвторая строка\nтретья\";"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  const JournalRead read = ReadJournal(path, 20);
  ASSERT_EQ(read.entries.size(), 2u) << read.error;
  EXPECT_EQ(read.entries[0].message, tricky.message);
  EXPECT_EQ(read.entries[1].serial, "238");
  EXPECT_TRUE(std::regex_match(read.entries[1].time,
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
      << read.entries[1].time;
}

#ifndef _WIN32
TEST(JournalFile, TwoProcessesAppendingAtOnceLoseAndInterleaveNothing) {
  const fs::path path = Fresh("journal.csv");
  constexpr int kLines = 400;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      JournalEntry e = Entry(std::to_string(100 + c), "confirmed");
      e.message = std::string(300, c == 0 ? 'a' : 'b');  // long lines make interleaving likely
      int failed = 0;
      for (int i = 0; i < kLines; ++i) failed += !AppendJournalEntry(path, e).empty();
      _exit(failed);
    }
  }
  for (const pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const JournalRead read = ReadJournal(path, 10 * kLines);
  ASSERT_EQ(read.entries.size(), 2u * kLines) << read.error;
  for (const JournalEntry& e : read.entries) {
    ASSERT_EQ(e.message, std::string(300, e.serial == "100" ? 'a' : 'b'));
  }
}
#endif

TEST(JournalFile, AFileItCannotWriteOrThatIsNotAJournalIsNamedAndLeftAlone) {
  // Root may write anywhere; a folder that is a file stops it too.
  const fs::path blocker = Fresh("not-a-folder");
  fs::create_directories(blocker.parent_path());
  std::ofstream(blocker) << "x";
  const std::string problem = AppendJournalEntry(blocker / "journal.csv", Entry("237", "confirmed"));
  EXPECT_NE(problem.find("Журнал установок не записан (" + JournalPathText(blocker / "journal.csv") + ")"),
            std::string::npos)
      << problem;

  const std::string foreign = "дата,сумма\r\n01.12,100\r\n";
  std::ofstream(blocker, std::ios::binary | std::ios::trunc) << foreign;
  EXPECT_NE(AppendJournalEntry(blocker, Entry("237", "confirmed")).find("не журнал"), std::string::npos);
  EXPECT_EQ(Bytes(blocker), foreign);
  EXPECT_NE(ReadJournal(blocker, 20).error, "");

  // Our journal with a line cut off mid-write: kept, and ours follows it.
  const fs::path cut = Fresh("journal.csv");
  ASSERT_EQ(AppendJournalEntry(cut, Entry("237", "confirmed")), "");
  std::ofstream(cut, std::ios::binary | std::ios::app) << "2026-12-01T14:02:05+03:00;cli;ноут";
  const std::string before = Bytes(cut);
  ASSERT_EQ(AppendJournalEntry(cut, Entry("238", "confirmed")), "");
  EXPECT_EQ(Bytes(cut).rfind(before, 0), 0u);
  EXPECT_EQ(ReadJournal(cut, 20).entries.back().serial, "238");
}

TEST(JournalFile, WrittenBeforeIsTheNumbersNewestConfirmedInstall) {
  const fs::path path = Fresh("journal.csv");
  EXPECT_FALSE(FindWrittenBefore(path, 237)) << "no journal yet";
  for (const JournalEntry& e : {Entry("237", "confirmed", "2026-11-30T09:00:00+03:00", "COM3"),
                                Entry("2370", "confirmed", "2026-12-02T10:00:00+03:00", "COM4"),
                                Entry("237", "confirmed", "2026-12-01T14:02:05+03:00", "COM7"),
                                Entry("237", "echo-missing", "2026-12-03T08:00:00+03:00", "COM8"),
                                Entry("238", "deactivation-failed")}) {
    ASSERT_EQ(AppendJournalEntry(path, e), "");
  }
  const std::optional<WrittenBefore> found = FindWrittenBefore(path, 237);
  ASSERT_TRUE(found);
  EXPECT_EQ(ShortTimeText(found->time) + " " + found->port, "01.12.2026 14:02 COM7");
  EXPECT_FALSE(FindWrittenBefore(path, 238)) << "never confirmed";
}

#ifndef _WIN32
TEST(JournalPlace, FollowsTheEnvironmentAndNeverLandsBesideTheProgram) {
  const auto saved = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
  };
  const auto journal = saved("GALT_JOURNAL"), state = saved("XDG_STATE_HOME"), home = saved("HOME");
  const auto put = [](const char* name, const std::optional<std::string>& value) {
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  };
  const std::string own = ::getpwuid(::geteuid())->pw_dir;
  for (const auto& [xdg, homeDir, expected] : std::vector<std::tuple<const char*, const char*, std::string>>{
           {"/srv/state", "/home/e", "/srv/state/galt-loader/journal.csv"},
           {"relative", "/home/e", "/home/e/.local/state/galt-loader/journal.csv"},
           {nullptr, nullptr, own + "/.local/state/galt-loader/journal.csv"}}) {
    ::unsetenv("GALT_JOURNAL");
    put("XDG_STATE_HOME", xdg ? std::optional<std::string>(xdg) : std::nullopt);
    put("HOME", homeDir ? std::optional<std::string>(homeDir) : std::nullopt);
    EXPECT_EQ(JournalPath(), fs::path(expected)) << (xdg ? xdg : "no XDG_STATE_HOME");
  }
  put("GALT_JOURNAL", journal);
  put("XDG_STATE_HOME", state);
  put("HOME", home);
}
#endif

}  // namespace
}  // namespace galt
