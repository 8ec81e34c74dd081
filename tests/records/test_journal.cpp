// The install journal on disk: what Excel gets (BOM, head once, one line
// per record, quoting, formulas and control characters made harmless), the
// journals written before read and appended to in their own form, damaged
// lines skipped, appends from two processes at once, and every file at the
// journal's path that is no journal or hangs: refused at once, in words.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <tuple>

#include "records/ComputerAndUser.h"
#include "records/FileWorker.h"
#include "records/JournalFile.h"
#include "records/LocalTime.h"
#include "records/UntrustedText.h"
#include "tests/support/FileBytes.h"

namespace galt {
namespace {

namespace fs = std::filesystem;

fs::path Fresh(const std::string& name) {
  const fs::path path =
      fs::path(::testing::TempDir()) / ::testing::UnitTest::GetInstance()->current_test_info()->name() / name;
  fs::remove_all(path.parent_path());
  fs::create_directories(path.parent_path());
  return path;
}

void Put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

JournalEntry Entry(const std::string& serial, const std::string& outcome, const std::string& iso = "",
                   const std::string& port = "COM7") {
  JournalEntry e;
  e.SetTime(iso.empty() ? LocalTimeText(std::chrono::system_clock::now()) : iso);
  e.program = "cli 2.11.0";
  e.port = port;
  e.operation = JournalOperationName(JournalOperation::Install);
  e.serial = serial;
  e.version = "0211";
  e.outcome = outcome;
  return e;
}

std::vector<std::string> Serials(const JournalRead& read) {
  std::vector<std::string> serials;
  for (const JournalEntry& e : read.entries) serials.push_back(e.serial);
  return serials;
}

// The first journals' head, before the time zone and file columns.
const std::string kFirstHead = std::string(kJournalBom) +
                               "время;программа;компьютер;пользователь;порт;адаптер;операция;серийный номер;версия;"
                               "итог;сообщение;секунды;блоков записано\r\n";
std::string FirstLine(const std::string& serial, const std::string& message = "Ошибка") {
  return "2026-11-30T09:00:00+03:00;cli 2.11.0;ноут;инженер;COM3;;установка;" + serial + ";0211;confirmed;" +
         message + ";46,4;233\r\n";
}

TEST(JournalFormat, EveryFieldIsOneHarmlessLineAndComesBackAsWritten) {
  struct Field {
    JournalColumn column;
    std::string given, written, readBack;
  };
  const std::string bad = "\xC3\x28\xFF";  // invalid UTF-8
  const std::vector<Field> fields = {
      {JournalColumn::Message, "Ошибка; \"FLASH\"\r\nвторая\nтретья", "\"Ошибка; \"\"FLASH\"\"¶вторая¶третья\"",
       "Ошибка; \"FLASH\"¶вторая¶третья"},
      {JournalColumn::Adapter, "=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\"",
       "=HYPERLINK(\"http://x\")"},
      {JournalColumn::Computer, "+7 cmd", "'+7 cmd", "+7 cmd"},
      {JournalColumn::User, "-2+3", "'-2+3", "-2+3"},
      {JournalColumn::Port, "@SUM(A1)", "'@SUM(A1)", "@SUM(A1)"},
      {JournalColumn::Program, "\tx", "'\tx", "\tx"},
      {JournalColumn::File, "\rx", ";¶x", "¶x"},  // no CR is left to begin a formula
      {JournalColumn::Outcome, "'=1", "''=1", "'=1"},  // an apostrophe of its own stays
      {JournalColumn::Blocks, "'text", "'text", "'text"},
      {JournalColumn::Seconds, "a\x1B[31mb" + bad, "a\xEF\xBF\xBD[31mb\xEF\xBF\xBD(\xEF\xBF\xBD",
       "a\xEF\xBF\xBD[31mb\xEF\xBF\xBD(\xEF\xBF\xBD"},
      {JournalColumn::Version, "0211", "GALT-5R.0211", "0211"},
      {JournalColumn::Zone, "-05:00", "UTC-05:00", "-05:00"},
      {JournalColumn::Time, "2026-12-01 14:02:05", "2026-12-01 14:02:05", "2026-12-01 14:02:05"},
  };
  const fs::path path = Fresh("journal.csv");
  JournalEntry tricky = Entry("237", "confirmed");
  for (const Field& f : fields) tricky[f.column] = f.given;
  ASSERT_EQ(AppendJournalEntry(path, tricky), "");
  ASSERT_EQ(AppendJournalEntry(path, Entry("238", "confirmed")), "");

  const std::string text = testing::FileBytes(path);
  EXPECT_EQ(text.rfind(std::string(kJournalBom) +
                           "время;часовой пояс;программа;компьютер;пользователь;порт;адаптер;операция;серийный номер;"
                           "версия;итог;сообщение;секунды;блоков записано;файл\r\n",
                       0),
            0u);
  EXPECT_EQ(text.find(kJournalBom, 1), std::string::npos) << "the head is written once";
  const std::size_t firstLine = text.find("\r\n") + 2;
  const std::string line = text.substr(firstLine, text.find("\r\n", firstLine) - firstLine);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << "one physical line per record: " << text;
  EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  for (const Field& f : fields) EXPECT_NE(line.find(f.written), std::string::npos) << f.written << " in " << line;

  const JournalRead read = ReadJournal(path, 20);
  ASSERT_EQ(read.entries.size(), 2u) << read.error;
  for (const Field& f : fields) EXPECT_EQ(read.entries[0][f.column], f.readBack) << f.given;
  EXPECT_EQ(read.entries[1].serial, "238");
  EXPECT_TRUE(std::regex_match(read.entries[1].time, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
      << read.entries[1].time;
  EXPECT_TRUE(std::regex_match(read.entries[1].zone, std::regex(R"([+-]\d\d:\d\d)"))) << read.entries[1].zone;
}

// Whatever a crash or a full disk left, every good line after it is read.
TEST(JournalReading, ADamagedLineIsSkippedAndEveryGoodOneAfterItRead) {
  const std::string head = JournalLayout::Current().Head();
  const std::string good = JournalLayout::Current().Line(Entry("240", "confirmed", "2026-12-01T14:02:05+03:00"));
  const std::string quoted = JournalLayout::Current().Line([] {
    JournalEntry e = Entry("241", "confirmed", "2026-12-01T14:02:05+03:00");
    e.message = "a;b \"c\"";
    return e;
  }());
  const std::size_t quote = quoted.find('"');
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> serials;
    std::size_t damaged;
  };
  for (const Case& c : std::vector<Case>{
           {"cut inside quotes", head + quoted.substr(0, quote + 3) + "\r\n" + good, {"240"}, 1},
           {"cut outside quotes", head + good.substr(0, 40) + "\r\n" + quoted, {"241"}, 1},
           {"cut, no line end yet", head + good + quoted.substr(0, quote + 3), {"240"}, 0},
           {"a field too many", head + good.substr(0, good.size() - 2) + ";x\r\n" + quoted, {"241"}, 1},
           {"noise and blank lines", head + "\x01\x02;;\"\r\n\r\n" + good + "\n" + quoted, {"240", "241"}, 1},
           {"a line longer than any record", head + std::string(200000, 'x') + "\r\n" + good, {"240"}, 1},
           {"first journals, a box text over lines", kFirstHead + FirstLine("230", "\"Раз\r\nдва\"") + FirstLine("231"),
            {"230", "231"}, 0},
           {"first journals, cut inside quotes", kFirstHead + FirstLine("230").substr(0, 120) + ";\"Оши\r\n" +
                                                      FirstLine("231", "\"x\"") + FirstLine("232"),
            {"231", "232"}, 1},
           {"another program's file", "дата,сумма\r\n01.12,100\r\n", {}, 0},
       }) {
    // Whole, and a byte at a time as a slow share would give it.
    for (const std::size_t piece : {c.text.size(), std::size_t{1}}) {
      std::vector<std::string> serials;
      JournalReader reader([&](const JournalRecord& r) {
        serials.push_back(r.Field(JournalColumn::Serial));
        return true;
      });
      for (std::size_t at = 0; at < c.text.size(); at += piece) reader.Feed(std::string_view(c.text).substr(at, piece));
      reader.Finish();
      EXPECT_EQ(serials, c.serials) << c.name << ", pieces of " << piece;
      EXPECT_EQ(reader.Damaged(), c.damaged) << c.name << ", pieces of " << piece;
      EXPECT_EQ(reader.Foreign(), c.serials.empty()) << c.name;
    }
  }
}

TEST(JournalFile, AJournalWrittenBeforeIsReadAndAppendedToInItsOwnForm) {
  const fs::path path = Fresh("journal.csv");
  Put(path, kFirstHead + FirstLine("230") + "2026-11-30T09:00:00+03:00;cli");  // and a line cut off
  ASSERT_EQ(AppendJournalEntry(path, Entry("231", "confirmed", "2026-12-01T14:02:05+03:00")), "");
  const std::string text = testing::FileBytes(path);
  EXPECT_EQ(text.rfind(kFirstHead + FirstLine("230") + "2026-11-30T09:00:00+03:00;cli\r\n2026-12-01T14:02:05+03:00;",
                       0),
            0u)
      << text;
  const JournalRead read = ReadJournal(path, 20);
  EXPECT_EQ(Serials(read), (std::vector<std::string>{"230", "231"}));
  EXPECT_EQ(read.damaged, 1u);
  EXPECT_EQ(read.entries[0].time + " " + read.entries[0].zone + " " + read.entries[0].version,
            "2026-11-30 09:00:00 +03:00 0211");
  EXPECT_EQ(ShortTimeText(read.entries[1].time), "01.12.2026 14:02");
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

// A full disk (here the process's own file size limit) takes back what it
// let through: the journal ends with its last whole line.
TEST(JournalFile, AWriteThatFailsPartWayLeavesNothingBehind) {
  const fs::path path = Fresh("journal.csv");
  ASSERT_EQ(AppendJournalEntry(path, Entry("237", "confirmed")), "");
  const std::string before = testing::FileBytes(path);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{before.size() + 40, before.size() + 40};
    setrlimit(RLIMIT_FSIZE, &limit);
    JournalEntry e = Entry("238", "confirmed");
    e.message = std::string(500, 'm');
    const std::string problem = AppendJournalEntry(path, e);
    _exit(problem.empty() ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the failure is told";
  EXPECT_EQ(testing::FileBytes(path), before);
  ASSERT_EQ(AppendJournalEntry(path, Entry("239", "confirmed")), "");
  EXPECT_EQ(Serials(ReadJournal(path, 20)), (std::vector<std::string>{"237", "239"}));
}

TEST(JournalPlace, FollowsTheEnvironmentNeverLandsBesideTheProgramAndIsMadePrivate) {
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
  const fs::path state0 = Fresh("state");
  put("XDG_STATE_HOME", state0.string());
  const mode_t mask = ::umask(022);
  ASSERT_EQ(AppendJournalEntry(JournalPath(), Entry("237", "confirmed")), "");
  ::umask(mask);
  struct stat st{};
  ASSERT_EQ(::stat((state0 / "galt-loader").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(state0.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  put("GALT_JOURNAL", journal);
  put("XDG_STATE_HOME", state);
  put("HOME", home);
}
#else
TEST(JournalPlace, IsTheAccountsOwnFolderWhateverTheEnvironmentSays) {
  wchar_t saved[32768];
  const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", saved, 32768);
  ::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
  ::SetEnvironmentVariableW(L"GALT_JOURNAL", nullptr);
  const fs::path path = StandardJournalPath();
  if (n > 0) ::SetEnvironmentVariableW(L"LOCALAPPDATA", saved);
  EXPECT_TRUE(path.is_absolute()) << JournalPathText(path);
  EXPECT_EQ(path.filename(), fs::path(L"journal.csv"));
  EXPECT_EQ(path.parent_path().filename(), fs::path(L"GALT-5R"));
  EXPECT_FALSE(UserName().empty());
  EXPECT_FALSE(ComputerName().empty());
}
#endif

// What may lie at the journal's path: each refused at once with its reason
// in one line, the file left as it was, a read saying why.
TEST(JournalFile, AnythingButAJournalIsRefusedAtOnceAndLeftAsItWas) {
  const fs::path dir = Fresh("x").parent_path();
  const std::string foreign = "дата,сумма\r\n01.12,100\r\n";
  Put(dir / "foreign.csv", foreign);
  fs::create_directories(dir / "folder");
  Put(dir / "not-a-folder", "x");
  struct Case {
    const char* name;
    fs::path path;
    std::string reason;
  };
  std::vector<Case> cases = {
      {"a folder", dir / "folder", "это папка, а не файл"},
      {"below a file", dir / "not-a-folder" / "j.csv", "папку не создать"},
      {"another program's file", dir / "foreign.csv", "в файле не журнал загрузчика, он оставлен как есть"},
  };
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  ::symlink((dir / "nowhere" / "j.csv").c_str(), (dir / "dangling").c_str());
  ::symlink("nothing-here.csv", (dir / "to-nothing").c_str());
  cases.push_back({"a FIFO nobody serves", dir / "fifo", "это не обычный файл (канал, устройство или порт)"});
  cases.push_back({"a device", "/dev/null", "это не обычный файл (канал, устройство или порт)"});
  cases.push_back({"a link to nothing", dir / "to-nothing", "ссылка ведёт в никуда"});
  cases.push_back({"a link into no folder", dir / "dangling", "ссылка ведёт в никуда"});
#else
  cases.push_back({"a device", "NUL", "это не обычный файл (канал, устройство или порт)"});
  cases.push_back({"a port", dir / "COM1.csv", "это не обычный файл (канал, устройство или порт)"});
#endif
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    const std::string problem = AppendJournalEntry(c.path, Entry("237", "confirmed"));
    EXPECT_EQ(problem, c.reason) << c.name;
    const JournalRead read = ReadJournal(c.path, 20);
    EXPECT_TRUE(read.entries.empty()) << c.name;
    EXPECT_FALSE(FindWrittenBefore(c.path, 237)) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, kRecordLockWait) << c.name << ": nothing is waited for";
  }
  EXPECT_EQ(testing::FileBytes(dir / "foreign.csv"), foreign);
  EXPECT_EQ(ReadJournal(dir / "folder", 20).error, "Журнал " + JournalPathText(dir / "folder") +
                                                        " не читается: это папка, а не файл.");
  EXPECT_FALSE(fs::exists(dir / "nowhere")) << "nothing is made where a dangling link points";
  EXPECT_EQ(CopyJournalToRead(dir / "folder").problem, "это папка, а не файл");
}

// A lock held elsewhere (another loader, a stale lock on a share) costs the
// line after a while, never more.
TEST(JournalFile, ALockHeldElsewhereIsWaitedForAWhileOnly) {
  const fs::path path = Fresh("journal.csv");
  ASSERT_EQ(AppendJournalEntry(path, Entry("237", "confirmed")), "");
#ifdef _WIN32
  const HANDLE other = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                     nullptr);
  OVERLAPPED place{};
  place.OffsetHigh = 0x7FFFFFFF;
  ASSERT_TRUE(::LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &place));
#else
  const int other = ::open(path.c_str(), O_RDWR);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
#endif
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(AppendJournalEntry(path, Entry("238", "confirmed")), "файл занят другой программой, закройте её");
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, kRecordLockWait);
  EXPECT_LT(waited, std::chrono::seconds(10)) << "not for as long as the lock is held";
  EXPECT_EQ(Serials(ReadJournal(path, 20)), std::vector<std::string>{"237"}) << "readers are never kept out";
  ASSERT_TRUE(FindWrittenBefore(path, 237));
#ifdef _WIN32
  ::UnlockFileEx(other, 0, 1, 0, &place);
  ::CloseHandle(other);
#else
  ::close(other);
#endif
  EXPECT_EQ(AppendJournalEntry(path, Entry("238", "confirmed")), "");
}

TEST(JournalFile, WrittenBeforeIsTheNumbersNewestConfirmedInstallAsTheIndexFollowsTheFile) {
  const fs::path path = Fresh("journal.csv");
  WrittenBeforeIndex index(path);
  EXPECT_FALSE(FindWrittenBefore(path, 237)) << "no journal yet";
  EXPECT_FALSE(index.Find(237));
  for (const JournalEntry& e : {Entry("237", "confirmed", "2026-11-30T09:00:00+03:00", "COM3"),
                                Entry("2370", "confirmed", "2026-12-02T10:00:00+03:00", "COM4"),
                                Entry("237", "confirmed", "2026-12-01T14:02:05+03:00", "COM7"),
                                Entry("237", "echo-missing", "2026-12-03T08:00:00+03:00", "COM8"),
                                Entry("238", "deactivation-failed")}) {
    ASSERT_EQ(AppendJournalEntry(path, e), "");
  }
  for (const std::optional<WrittenBefore>& found : {FindWrittenBefore(path, 237), index.Find(237)}) {
    ASSERT_TRUE(found);
    EXPECT_EQ(ShortTimeText(found->time) + " " + found->port, "01.12.2026 14:02 COM7");
  }
  EXPECT_FALSE(FindWrittenBefore(path, 238)) << "never confirmed";
  EXPECT_FALSE(index.Find(238));
  ASSERT_EQ(AppendJournalEntry(path, Entry("238", "confirmed", "2026-12-04T08:00:00+03:00", "COM9")), "");
  ASSERT_TRUE(index.Find(238)) << "read again once the file changed";
  EXPECT_EQ(index.Find(238)->port, "COM9");
}

TEST(JournalFile, TheCopyToReadHoldsTheJournalAndIsReadOnly) {
  const fs::path path = Fresh("journal.csv");
  EXPECT_TRUE(CopyJournalToRead(path).missing);
  ASSERT_EQ(AppendJournalEntry(path, Entry("237", "confirmed")), "");
  const JournalCopy first = CopyJournalToRead(path), second = CopyJournalToRead(path);
  ASSERT_EQ(first.problem, "");
  EXPECT_NE(first.file, second.file) << "one still open elsewhere is left alone";
  EXPECT_EQ(testing::FileBytes(first.file), testing::FileBytes(path));
  EXPECT_EQ(first.file.parent_path(), (fs::temp_directory_path() / "").parent_path()) << "in the temporary folder";
  EXPECT_EQ(fs::status(first.file).permissions() & fs::perms::owner_write, fs::perms::none);
  for (const JournalCopy& copy : {first, second}) {
    fs::permissions(copy.file, fs::perms::owner_write, fs::perm_options::add);
    fs::remove(copy.file);
  }
}

}  // namespace
}  // namespace galt
