// galt-loader-cli as a whole, from its command line to its exit code,
// against the device emulator on a pseudo-terminal: what it prints where, and
// what the device got.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "app/cli/CommandLine.h"
#include "app/cli/Console.h"
#include "image/BlockBytes.h"
#include "image/HexImport.h"
#include "records/JournalFile.h"
#include "serial/PortName.h"
#include "tests/app/cli/CapturedConsole.h"
#include "tests/support/FileBytes.h"
#include "tests/support/PrivateFolder.h"
#include "tests/support/VirtualDevice.h"

namespace galt::cli::testing {
namespace {

using galt::testing::PrivateFolder;
using galt::testing::VirtualDevice;

struct CliResult {
  int code;
  std::string out, err;
};

CliResult RunCli(const std::vector<std::string>& args, const std::function<bool()>& stopRequested = {},
                 const std::optional<std::set<std::string>>& consoles = std::set<std::string>{},
                 const TSerPortTable& ports = TSerPortTable::System()) {
  CapturedConsole c;  // not a terminal
  const int code = RunCommandLine("galt-loader-cli", args, c.console, ports, stopRequested, consoles);
  return {code, c.Out(), c.Err()};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "/" + name; }

TEST(CliInstall, ExitsZeroWithTheSerialInFlashOnceTheDeviceConfirmsIt) {
  VirtualDevice device;
  device.Start();
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"});
  device.Stop();
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(device.emulator.SerialFromFlash(), 237);
  EXPECT_EQ(device.emulator.counters.writes, 233);
  EXPECT_TRUE(Has(r.out, "Загрузка: 100%\nАктивизация программы выполнена\nСерийный номер 237 записан: " +
                             device.Path() + ", "))
      << r.out;
  // Not a terminal: the gauges as plain lines, no bar redrawn in place.
  EXPECT_TRUE(Has(r.out, "Деактивизация: 100%\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "Загрузка: 90%\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "\r"));
}

TEST(CliInstall, TheActivationAcknowledgementAloneIsNoSuccess) {
  VirtualDevice device;
  device.emulator.faults.shortActivationAck = true;  // the box the confirmation shows too
  device.emulator.faults.answerQueryNumber = 0;
  device.Start();
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"});
  EXPECT_TRUE(Has(r.out, "Активизация программы выполнена")) << r.out;
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.err, "Ошибка загрузки программы!")) << r.err;
}

TEST(CliInstall, ASilentDeviceExitsOneWithTheBoxTextOnStderr) {
  VirtualDevice device;
  device.emulator.faults.silent = true;
  device.Start();
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"});
  device.Stop();
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Ошибка деактивизации FLASH!\n");
  EXPECT_FALSE(Has(r.out, "Деактивизация: 100%")) << "the deactivation failed: " << r.out;
  EXPECT_EQ(device.emulator.counters.deactivations, 201);
}

TEST(CliInstall, AStopWhileWritingSaysTheInstallMustBeRepeated) {
  VirtualDevice device;
  device.emulator.faults.stopEchoAtBlock = 5;  // writing, waiting for an echo
  device.Start();
  int looks = 0;
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"}, [&] { return ++looks > 5; });
  EXPECT_EQ(r.code, 130);
  EXPECT_EQ(r.err, "Остановлено во время записи: в устройстве нет работающей программы. Повторите установку.\n");
}

TEST(CliInstall, AStopRequestClosesThePortAndExits130) {
  VirtualDevice device;
  device.emulator.faults.silent = true;
  device.Start();
  const auto stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"},
                             [&] { return std::chrono::steady_clock::now() >= stopAt; });
  EXPECT_EQ(r.code, 130);
  EXPECT_EQ(r.err, "Остановлено.\n");
  const int fd = open(device.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the port is free again";
  close(fd);
}

TEST(CliCommandLine, UsageErrorsExitTwoBeforeAnyFrameIsSent) {
  VirtualDevice device;
  device.Start();
  const std::string& port = device.Path();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--port", port, "--serial", "99"},
           {"--port", port, "--serial", "351"},
           {"--port", port, "--serial", "+237"},
           {"--port", port, "--serial"},
           {"--port", port},
           {"--serial", "237"},
           {"--port=", "--serial", "237"},
           {"--port", port, "--serial", "237", "--bogus"},
           {"--port", port, "--serial", "237", "stray"},
           {"--port", port, "--verify", "a.hex"},
           {"--port", port, "--serial", "237", "--blocks", "20"},
           {"--port", port, "--serial", "237", "--read", "a.hex", "--verify", "a.hex"},
           {"--port", port, "--read", "a.hex", "--blocks", "993"},
           {"--list", "--port", port},
           {"--port", port, "--serial", "237", "--serial", "238"},
           {"--port", port, "--port", "/dev/ttyUSB0", "--serial", "237"}}) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.code, 2) << args.back();
    EXPECT_TRUE(Has(r.err, "galt-loader-cli --help")) << r.err;
  }
  device.Stop();
  EXPECT_EQ(device.emulator.counters.deactivations + device.emulator.counters.reads, 0);
}

TEST(CliCommandLine, APortThatCannotBeOpenedExitsThree) {
  VirtualDevice device;
  device.Start();
  const int holder = open(device.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);  // another program has it
  const PrivateFolder nothing;
  for (const std::string& port : {nothing / "ttyUSB0", std::string("COM97"), device.Path()}) {
    const CliResult r = RunCli({"--port", port, "--serial", "237"});
    EXPECT_EQ(r.code, 3) << port;
    EXPECT_EQ(r.err.rfind("Порт " + port + " ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
  }
  close(holder);
}

TEST(CliCommandLine, APortIsNamedAsTheUserNamedItWithTheReasonInWords) {
  // No such adapter: its short name, not a COM number. The table's port is
  // in a folder of the test's own, where nothing is.
  const PrivateFolder nothing;
  const CliResult missing = RunCli({"--port", "ttyUSB29", "--serial", "237"}, {}, std::set<std::string>{},
                                   TSerPortTable({{62, nothing / "ttyUSB29"}}));
  EXPECT_EQ(missing.code, 3);
  EXPECT_EQ(missing.err, "Порт ttyUSB29 не найден: такого устройства нет (ошибка 2). "
                         "Проверьте, что адаптер подключён, и имя порта.\n");
  const std::string file = TempPath("not-a-port");
  std::ofstream(file) << "text\n";
  // Whoever else has /dev/null open holds no port of ours; nothing but a
  // serial driver's node is opened.
  for (const std::string& other : {file, std::string("/dev/null"), ::testing::TempDir()}) {
    EXPECT_EQ(RunCli({"--port", other, "--serial", "237"}).err,
              "Порт " + other + " не открывается: это не последовательный порт. "
                                "Укажите порт, к которому подключено устройство.\n");
  }

  VirtualDevice device;
  device.Start();
  const int holder = open(device.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  const CliResult busy = RunCli({"--port", device.Path(), "--serial", "237"});
  EXPECT_EQ(busy.code, 3);
  EXPECT_TRUE(Has(busy.err, "Порт " + device.Path() + " занят")) << busy.err;
  EXPECT_TRUE(Has(busy.err, "). Закройте эту программу или укажите другой порт.")) << busy.err;
  EXPECT_FALSE(Has(busy.err, "в списке")) << "a command line has no list";
  close(holder);

  // The kernel's console is never written to.
  const CliResult console = RunCli({"--port", device.Path(), "--serial", "237"}, {},
                                   std::set<std::string>{ShortPortName(device.Path())});
  EXPECT_EQ(console.code, 3);
  EXPECT_TRUE(Has(console.err, "консоль ядра")) << console.err;
  device.Stop();
  EXPECT_EQ(device.emulator.counters.deactivations, 0);
}

// A device whose first 233 blocks hold a pattern and serial number 237.
void Program(VirtualDevice& device) {
  for (std::size_t i = 0; i < 233 * 128; ++i) device.emulator.flash[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  device.emulator.StampSerial(237);
}

TEST(CliServicePasses, ReadWritesTheFlashAsHexThatVerifiesAgainstTheDevice) {
  VirtualDevice device;
  Program(device);
  device.Start();
  const std::string file = TempPath("read.hex");
  const CliResult read = RunCli({"--port", device.Path(), "--read", file});
  ASSERT_EQ(read.code, 0) << read.err;
  EXPECT_TRUE(Has(read.out, "Данные FLASH-памяти считаны\nСчитанные данные записаны в файл " + file + ".\n"));

  const HexImportResult imported = ImportHexText(galt::testing::FileBytes(file));
  ASSERT_FALSE(imported.error);
  EXPECT_EQ(imported.blockLimit, 235) << "233 blocks of data";
  ImageBuffer image;
  for (const auto& line : imported.lines) image.Append(line);
  for (int block = 0; block < 233; ++block) {
    const auto bytes = ExtractBlockBytes(image, block);
    ASSERT_TRUE(bytes && std::equal(bytes->begin(), bytes->end(), device.emulator.flash.begin() + block * 128))
        << "block " << block;
  }

  const CliResult verified = RunCli({"--port", device.Path(), "--serial", "237", "--verify", file});
  EXPECT_EQ(verified.code, 0) << verified.err;
  EXPECT_TRUE(Has(verified.out, "Данные FLASH-памяти проверены\n"));
  const CliResult otherSerial = RunCli({"--port", device.Path(), "--serial", "238", "--verify", file});
  EXPECT_EQ(otherSerial.code, 1);
  EXPECT_EQ(otherSerial.err, "Ошибка данных FLASH! Блок 217 отличается от файла. Проверьте, тот ли это файл.\n");
}

TEST(CliServicePasses, AFewBlocksAreReadAndVerifiedThroughEveryModelledAdapter) {
  for (const auto& adapter : emu::Adapters()) {
    SCOPED_TRACE(adapter.name);
    VirtualDevice device(/*pace=*/false, &adapter);
    Program(device);
    device.Start();
    const std::string file = TempPath(std::string("adapter-") + adapter.name + ".hex");
    EXPECT_EQ(RunCli({"--port", device.Path(), "--read", file, "--blocks", "10"}).code, 0);
    EXPECT_EQ(RunCli({"--port", device.Path(), "--serial", "237", "--verify", file, "--blocks", "10"}).code, 0);
    device.Stop();
    EXPECT_EQ(device.emulator.counters.reads, 20) << "no block asked for twice";
    EXPECT_GT(device.AdapterAdded().count(), 0) << "the replies came through the bridge";
  }
}

TEST(CliServicePasses, APassWithoutRepliesOrWithABadFileFails) {
  VirtualDevice device;
  device.emulator.faults.silent = true;
  device.Start();
  const std::string file = TempPath("silent.hex");
  std::remove(file.c_str());
  const CliResult read = RunCli({"--port", device.Path(), "--read", file, "--blocks", "20"});
  EXPECT_EQ(read.code, 1);
  EXPECT_TRUE(Has(read.err, "не ответило на чтение блока 0")) << read.err;
  EXPECT_FALSE(std::ifstream(file).good()) << "no file from a failed read";

  // A file the user had stays as it was, and nothing is left beside it.
  const std::string kept = TempPath("kept.hex");
  std::ofstream(kept) << "mine\n";
  EXPECT_EQ(RunCli({"--port", device.Path(), "--read", kept, "--blocks", "10"}).code, 1);
  EXPECT_EQ(galt::testing::FileBytes(kept), "mine\n");
  int beside = 0;
  for (const auto& entry : std::filesystem::directory_iterator(::testing::TempDir()))
    beside += entry.path().filename().string().rfind("kept.hex.", 0) == 0;
  EXPECT_EQ(beside, 0);

  // A path that cannot be written is refused before the first frame; only a
  // regular file is ever replaced: a FIFO, a device node or a link to
  // nothing stays as it was.
  const std::string fifo = TempPath("out.fifo"), node = TempPath("out.node"), dangling = TempPath("out.link");
  for (const std::string& made : {fifo, node, dangling}) std::remove(made.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::symlink("/nonexistent-dir/out.hex", dangling.c_str()), 0);
  std::vector<std::string> bad{"/nonexistent-dir/out.hex", ::testing::TempDir(), fifo, dangling};
  if (::mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) bad.push_back(node);  // /dev/null's; root only
  for (const std::string& path : bad) {
    const CliResult unwritable = RunCli({"--port", device.Path(), "--read", path});
    EXPECT_EQ(unwritable.code, 4) << path;
    EXPECT_TRUE(Has(unwritable.err, "Не удалось записать файл " + path)) << unwritable.err;
  }
  struct stat seen {};
  EXPECT_TRUE(::lstat(fifo.c_str(), &seen) == 0 && S_ISFIFO(seen.st_mode));
  EXPECT_TRUE(::lstat(dangling.c_str(), &seen) == 0 && S_ISLNK(seen.st_mode));
  EXPECT_TRUE(bad.back() != node || (::lstat(node.c_str(), &seen) == 0 && S_ISCHR(seen.st_mode)));
  for (const std::string& made : {fifo, node, dangling}) std::remove(made.c_str());

  // A file to compare with that has a fault, is cut before its end-of-file
  // record or is no file at all is refused before the first frame, saying
  // what it is: a FIFO nobody writes would hold the read for ever.
  const std::string cut = TempPath("cut.hex"), absent = TempPath("absent.hex");
  std::ofstream(file) << ":10000000ZZ\n";
  std::ofstream(cut) << ":10000000000102030405060708090A0B0C0D0E0F78\n";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string unread = "Ошибка чтения файла! ";
  for (const auto& [refusedFile, said] : std::vector<std::pair<std::string, std::string>>{
           {file, "Недопустимый символ в строке 1 файла!"},
           {cut, "Файл обрезан: в нём нет записи конца файла. Возьмите файл целиком и повторите."},
           {fifo, unread + fifo + ": это не обычный файл (канал, устройство или порт)."},
           {::testing::TempDir(), unread + ::testing::TempDir() + ": это папка, а не файл."},
           {absent, unread + absent + ": файла нет."}}) {
    const CliResult refused = RunCli({"--port", device.Path(), "--serial", "237", "--verify", refusedFile});
    EXPECT_EQ(refused.code, 4) << refusedFile;
    EXPECT_EQ(refused.err, said + "\n");
  }
  std::remove(fifo.c_str());
  device.Stop();
  EXPECT_EQ(device.emulator.counters.reads, 2)
      << "each read waited for block 0 only; the verify and the unwritable reads sent nothing";
}

// Each end leaves its outcome, with the box the user saw, in the journal.
TEST(CliJournal, EachScriptedFaultEndsAsItsOutcome) {
  const std::string journal = TempPath("outcomes.csv");
  std::remove(journal.c_str());
  struct Case {
    void (*fault)(emu::Faults&);
    std::string outcome, message, blocks;
    int code;
  };
  for (const Case& c : std::vector<Case>{
           {[](emu::Faults&) {}, "confirmed", "Активизация программы выполнена", "233", 0},
           {[](emu::Faults& f) { f.silent = true; }, "deactivation-failed", "Ошибка деактивизации FLASH!", "0", 1},
           {[](emu::Faults& f) { f.corruptEchoAtBlock = 7; }, "write-rejected", "Ошибка записи FLASH!", "7", 1},
           {[](emu::Faults& f) { f.stopEchoAtBlock = 9; }, "echo-missing", "Ошибка загрузки программы!", "9", 1},
           {[](emu::Faults& f) { f.answerQueryNumber = 0; }, "confirmation-missing",
            "Ошибка загрузки программы!", "233", 1},
           {[](emu::Faults& f) { f.model = 5; }, "model-mismatch", "Ошибка деактивизации FLASH!", "0", 1}}) {
    VirtualDevice device;
    c.fault(device.emulator.faults);
    device.Start();
    const CliResult r = RunCli({"--port", device.Path(), "--serial", "237", "--journal-file", journal});
    EXPECT_EQ(r.code, c.code) << c.outcome;
    const JournalRead read = ReadJournal(journal, 1);
    ASSERT_EQ(read.entries.size(), 1u) << read.error;
    const JournalEntry& e = read.entries.back();
    EXPECT_EQ(e.outcome + "|" + e.message + "|" + e.blocks, c.outcome + "|" + c.message + "|" + c.blocks);
    EXPECT_EQ(e.operation + " " + e.serial + " " + e.version + " " + e.port,
              "установка 237 0211 " + PortUserName(device.Path()));
  }
  const PrivateFolder nothing;
  RunCli({"--port", nothing / "ttyUSB0", "--serial", "237", "--journal-file", journal});
  EXPECT_EQ(ReadJournal(journal, 1).entries.back().outcome, "no-port");
  VirtualDevice silent;
  silent.emulator.faults.silent = true;
  silent.Start();
  RunCli({"--port", silent.Path(), "--read", TempPath("j.hex"), "--journal-file", journal});
  EXPECT_EQ(ReadJournal(journal, 1).entries.back().operation, "чтение");
  int looks = 0;
  RunCli({"--port", silent.Path(), "--serial", "237", "--journal-file", journal}, [&] { return ++looks > 3; });
  EXPECT_EQ(ReadJournal(journal, 1).entries.back().outcome, "stopped");
}

TEST(CliJournal, ANumberWrittenBeforeIsSaidAndTheListingOutlivesDamage) {
  VirtualDevice device;
  device.Start();
  const std::string journal = TempPath("before.csv");
  std::remove(journal.c_str());
  EXPECT_EQ(RunCli({"--port", device.Path(), "--serial", "237", "--journal-file", journal}).out.rfind("Серийный", 0),
            std::string::npos);
  const CliResult again = RunCli({"--port", device.Path(), "--serial", "237", "--journal-file", journal});
  EXPECT_TRUE(std::regex_search(again.out, std::regex("^Серийный номер 237 уже записан \\d\\d\\.\\d\\d\\.\\d{4} "
                                                      "\\d\\d:\\d\\d через " + PortUserName(device.Path()) + "\n")))
      << again.out;
  EXPECT_EQ(again.code, 0);
  const CliResult listed = RunCli({"--journal", "--journal-file", journal});
  EXPECT_EQ(listed.out.rfind("Журнал: " + journal + "\nВремя ", 0), 0u) << listed.out;
  EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 4) << listed.out;

  // A line a full disk cut off, and text that would steer the terminal: the
  // entries after it are listed, the escape shown harmless.
  std::ofstream(journal, std::ios::binary | std::ios::app) << "2026-12-01 14:02:05;UTC+03:00;cli;\"cut";
  const std::string port = device.Path() + "\x1B]0;owned\x07";
  JournalEntry odd;
  odd.SetTime("2026-12-02T10:00:00+03:00");
  odd.port = port;
  odd.serial = "238";
  odd.outcome = "confirmed";
  odd.operation = "установка";
  ASSERT_EQ(AppendJournalEntry(journal, odd), "");
  const CliResult damaged = RunCli({"--journal", "--journal-file", journal});
  EXPECT_EQ(damaged.code, 0);
  EXPECT_EQ(damaged.out.find('\x1B'), std::string::npos) << damaged.out;
  EXPECT_TRUE(Has(damaged.out, "02.12.2026 10:00  " + PortUserName(device.Path()) + "\xEF\xBF\xBD]0;owned\xEF\xBF\xBD"))
      << damaged.out;
  EXPECT_TRUE(Has(damaged.out, "\nПовреждённых строк пропущено: 1.\n")) << damaged.out;
}

// Whatever lies at the journal's path, the install goes as without a
// journal: its exit code and output, and one line that the journal was not
// written, naming the option or variable that chose the path.
TEST(CliJournal, AFolderAFifoOrALockedFileCostsTheInstallNothing) {
  const std::string dir = TempPath("hostile-journals");
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir + "/folder");
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
  std::ofstream(dir + "/blocker") << "x";  // a folder that is a file stops root too
  const int locked = open((dir + "/locked.csv").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(flock(locked, LOCK_EX), 0);
  VirtualDevice device;
  device.Start();
  const std::string was = std::getenv("GALT_JOURNAL");
  for (const auto& [name, reason, byVariable] :
       {std::tuple<std::string, std::string, bool>{"folder", "это папка, а не файл", false},
        {"fifo", "это не обычный файл (канал, устройство или порт)", false},
        {"locked.csv", "файл занят другой программой, закройте её", false},
        {"blocker/j.csv", "папку не создать", false},
        {"blocker/j.csv", "папку не создать", true}}) {
    const std::string path = dir + "/" + name;
    std::vector<std::string> args{"--port", device.Path(), "--serial", "237"};
    if (byVariable) {
      setenv("GALT_JOURNAL", path.c_str(), 1);
    } else {
      args.insert(args.end(), {"--journal-file", path});
    }
    const CliResult r = RunCli(args);
    setenv("GALT_JOURNAL", was.c_str(), 1);
    EXPECT_EQ(r.code, 0) << name;
    EXPECT_TRUE(Has(r.out, "Серийный номер 237 записан: ")) << r.out;
    EXPECT_EQ(r.err, "Журнал установок не записан (" + path + (byVariable ? " из GALT_JOURNAL): " : " из --journal-file): ") +
                         reason + (byVariable ? ". Укажите другой файл в GALT_JOURNAL или --journal-file.\n"
                                              : ". Укажите другой файл в --journal-file.\n"));
  }
  close(locked);
}

// A read or verify names its file, and no serial number nobody gave.
TEST(CliJournal, AReadOrVerifyRecordsItsFileAndOnlyAGivenSerial) {
  VirtualDevice device;
  device.Start();
  const std::string journal = TempPath("service.csv"), file = TempPath("service.hex");
  std::remove(journal.c_str());
  ASSERT_EQ(RunCli({"--port", device.Path(), "--read", file, "--blocks", "12", "--journal-file", journal}).code, 0);
  ASSERT_EQ(RunCli({"--port", device.Path(), "--serial", "100", "--verify", file, "--blocks", "12", "--journal-file",
                    journal}).code, 0);
  const JournalRead read = ReadJournal(journal, 2);
  ASSERT_EQ(read.entries.size(), 2u) << read.error;
  EXPECT_EQ(read.entries[0].operation + "|" + read.entries[0].serial + "|" + read.entries[0].file + "|" +
                read.entries[0].blocks, "чтение||" + file + "|");
  EXPECT_EQ(read.entries[1].operation + "|" + read.entries[1].serial + "|" + read.entries[1].file,
            "проверка|100|" + file);
}

// Ctrl+C and termination requests end the run within a second whatever it
// waits for, before its event loop or in it: here a call that never
// returns, and an install on a silent device.
TEST(CliStop, ATerminationRequestEndsTheRunWhateverItWaitsFor) {
  VirtualDevice device;
  device.emulator.faults.silent = true;
  for (const bool stuck : {true, false}) {
    // The stuck run is forked while this process has no other thread: a
    // child forked beside a running thread may find a lock of the
    // sanitizers' allocator held for good.
    if (!stuck) device.Start();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CatchStopRequests();
      EndSoonAfterAStop();
      if (stuck) {
        for (;;) pause();  // as an open on a share that stopped answering
      }
      CapturedConsole c;
      _exit(RunCommandLine("galt-loader-cli", {"--port", device.Path(), "--serial", "237"}, c.console,
                           TSerPortTable::System(), StopRequested, std::set<std::string>{}));
    }
    usleep(300000);
    kill(child, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < 100 && waitpid(child, &status, WNOHANG) == 0; ++waited) usleep(100000);
    if (waitpid(child, &status, WNOHANG) == 0) kill(child, SIGKILL);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << (stuck ? "stuck" : "running") << " " << status;
  }
}

}  // namespace
}  // namespace galt::cli::testing
