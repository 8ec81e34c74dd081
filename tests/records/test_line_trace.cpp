// The line trace's words for what crossed the line, and a window's trace in
// virtual time.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <memory>
#endif

#include "frontend/WindowBinding.h"
#include "frontend/WindowOptions.h"
#include "records/FrameMeaning.h"
#include "records/TraceFile.h"
#include "tests/support/FileBytes.h"
#include "tests/support/Frames.h"
#include "tests/support/OfflineWindow.h"
#include "tests/support/RecordingPort.h"

namespace galt::testing {
namespace {

std::vector<std::uint8_t> Block57() {
  std::vector<std::uint8_t> payload{0x00, 57};
  for (int i = 0; i < 128; ++i) payload.push_back(static_cast<std::uint8_t>(i * 7));
  return payload;
}

TEST(FrameMeaning, NamesEachFrameSentAndEachPieceReceivedInTurn) {
  for (const auto& [frame, meaning] : std::vector<std::pair<std::string, std::string>>{
           {Bytes("AA 06 00 64 00 00 01 14"), "запрос"},
           {Bytes("AA 06 00 64 F4 02 A5 5A 03 09"), "деактивизация"},
           {Bytes("AA 06 01 2C F1 02 5A A5 02 CF"), "активизация"},
           {Bytes("AA 06 01 2C F2 02 00 E8 02 B9"), "чтение блока 232"},
           {MakeFrame(0xF3, Block57()), "блок 57"}}) {
    EXPECT_EQ(SentMeaning(frame), meaning);
  }
  const std::string echo = MakeFrame(0xF3, Block57(), 237);
  std::string badSum = echo;
  badSum.back() = static_cast<char>(badSum.back() ^ 1);
  ReplyHunter hunter;
  std::string heard;  // "when meaning [bytes]; ..."
  const ReplyHunter::Say say = [&](std::int64_t at, const std::string& meaning, std::string_view bytes) {
    heard += (heard.empty() ? "" : "; ") + std::to_string(at) + " " + meaning + " [" + std::to_string(bytes.size()) + "]";
  };
  std::int64_t at = 0;  // each piece a millisecond after the one before
  // A reply is said once, whole, when its last piece comes; only a reply
  // never completed is said piece by piece.
  for (const auto& [piece, meaning] : std::vector<std::pair<std::string, std::string>>{
           {MakeFrame(0xF4, {0xA5, 0x5A}), "1 подтверждение деактивизации (1 часть) [10]"},
           {MakeFrame(0xF4, {0xAA}), "2 подтверждение деактивизации (1 часть) [9]"},
           {MakeFrame(0xF4, {0x5A, 0xA5}), "3 ответ на деактивизацию без подтверждения (1 часть) [10]"},
           {Bytes("13 00 00 00") + echo.substr(0, 9), "4 мусор 4 байта [4]"},
           {echo.substr(9, 100), ""},
           {echo.substr(109) + MakeFrame(0xF2, Block57()) + Bytes("13"),
            "6 эхо блока 57 (3 части) [138]; 6 блок 57 прочитан (1 часть) [138]; 6 мусор 1 байт [1]"},
           {MakeFrame(0x00, {0x02, 0x11}, 237), "7 ответ: модель 6, серийный 237 (1 часть) [10]"},
           {MakeFrame(0x00, {0x02, 0x11}, 237, 5), "8 ответ: модель 5, серийный 237 (1 часть) [10]"},
           {MakeFrame(0xF1, {0xAA}), "9 подтверждение активизации (1 часть) [9]"},
           {MakeFrame(0xF1, {0x5A, 0xA5}, 100, 5), "10 ответ на активизацию, модель 5 (1 часть) [10]"},
           {badSum, "11 эхо блока 57, неверная сумма (1 часть) [138]"},
           {Bytes("AA 06 00"), ""},
           {Bytes("64 F3 82 00 39"), ""}}) {
    heard.clear();
    hunter.Feed(piece, ++at, say);
    EXPECT_EQ(heard, meaning) << at;
  }
  heard.clear();
  EXPECT_EQ(hunter.Abandon(say), 8u) << "a new command drops the reply begun";
  EXPECT_EQ(heard, "12 часть ответа, 3 байта [3]; 13 часть ответа, 8 из 138 байт [5]");
  heard.clear();
  hunter.Feed(Bytes("00 ED"), 14, say);
  EXPECT_EQ(heard, "14 мусор 2 байта [2]");
}

struct Face : WindowFace {
  void ShowPorts(const std::vector<TSerPortEntry>&, const std::string&) override {}
  void ShowTitle(const std::string&) override {}
  void ShowSized1(const std::string&) override {}
};

struct NoDispatch : TSerDispatcher {
  void Post(std::function<void()>) override {}
};

TEST(WindowTrace, HoldsEachFrameInTheWindowsTimeAndEachEndAndAFileThatCannotBeWrittenIsOneBox) {
  const std::filesystem::path path = ::testing::TempDir() + "/window-trace.txt";
  std::filesystem::remove(path);
  VirtualClock clock;
  RecordingBoxes boxes;
  RecordingPort port;
  Face face;
  NoDispatch dispatch;
  // Each box stays open a minute: the trace's ends keep the operations' times.
  boxes.WhileOpen = [&](const RecordedBox&) { clock.Advance(60000); };
  for (const std::filesystem::path& file : {path, std::filesystem::path("/nonexistent-dir/trace.txt")}) {
    WindowSetup setup = OfflineWindow(clock, boxes, port);
    setup.trace = file;
    WindowBinding binding(face, setup, ToolkitServices{clock, boxes, dispatch, "galt-loader"});
    binding.FormCreate();
    binding.WindowShown();
    port.open = false;
    binding.Button4Click();  // says so in its box, and ends at once
    port.open = true;
    binding.Button4Click();
    clock.Advance(20000);  // no acknowledgement: the deactivation fails
    binding.Button4Click();
    binding.FormClose();
  }
  // The unwritable file: one box before the second window's own boxes.
  ASSERT_EQ(boxes.boxes.size(), 5u);
  EXPECT_NE(boxes.boxes[2].text.find("/nonexistent-dir/trace.txt"), std::string::npos) << boxes.boxes[2].text;
  EXPECT_EQ(boxes.boxes[3].text, boxes.boxes[0].text);
  EXPECT_EQ(boxes.boxes[4].text, boxes.boxes[1].text);

  const std::string trace = FileBytes(path);
  const std::string program = ProgramVersion("galt-loader");
  EXPECT_EQ(trace.rfind("\n# трасса линии: " + program.substr(0, program.find(" —")) + ", ", 0), 0u) << trace;
  for (const char* part :
       {"\n       0 -- итог: no-port\n# установка, серийный номер 100, ",
        "\n   60000 -> деактивизация | AA 06 00 64 F4 02 A5 5A 03 09\n   60050 -> деактивизация |",
        "\n   70050 -- итог: deactivation-failed\n"}) {
    EXPECT_NE(trace.find(part), std::string::npos) << part << "\n" << trace;
  }
  EXPECT_TRUE(trace.ends_with("-- итог: stopped\n")) << "closed during the second install";
}

TEST(TraceFileLimit, AFullFileGoesOnInTheNextOfItsSeriesEachSayingWhere) {
  const std::filesystem::path path = ::testing::TempDir() + "/limited-trace.txt";
  for (int n = 0; n < 20; ++n) std::filesystem::remove(TraceFilePart(path, n));
  const std::string line = std::string(40, 'x') + "\n";
  for (int run = 0; run < 2; ++run) {  // the second appends to the series
    TraceFile trace(path, 300);
    for (int i = 0; i < 10; ++i, trace.Drain()) trace.Append(line);
  }
  std::string all;  // the series' files one after another
  int n = 0;
  for (; std::filesystem::exists(TraceFilePart(path, n)); ++n) {
    const std::string part = FileBytes(TraceFilePart(path, n));
    EXPECT_LE(part.size(), 500u) << n;
    all += part;
  }
  ASSERT_GE(n, 3);
  for (int k = 1; k < n; ++k) {
    EXPECT_NE(all.find("# трасса продолжается в файле " + TraceFilePart(path, k).string() +
                       "\n# продолжение трассы из файла " + TraceFilePart(path, k - 1).string() + "\n"),
              std::string::npos) << k;
  }
  std::size_t lines = 0;
  for (std::size_t at = all.find(line); at != std::string::npos; at = all.find(line, at + 1)) ++lines;
  EXPECT_EQ(lines, 20u) << "every line in one of them";
}

#ifndef _WIN32
TEST(TraceFileEnd, AWriteThatHangsDoesNotHoldUpTheProgramsEnd) {
  // A pipe nobody reads stands for a share that stopped answering.
  const auto fifo = std::filesystem::temp_directory_path() / ("galt-trace-fifo-" + std::to_string(::getpid()));
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  auto trace = std::make_unique<TraceFile>(fifo);
  trace->Append(std::string(1 << 20, 'x'));  // far beyond what the pipe holds
  const auto start = std::chrono::steady_clock::now();
  trace.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // Read what the writer left, so that it ends cleanly.
  char buffer[65536];
  for (auto until = start + std::chrono::seconds(30); std::chrono::steady_clock::now() < until;) {
    const ssize_t n = ::read(reader, buffer, sizeof buffer);
    if (n == 0) break;  // the writer closed the file
    if (n < 0) ::usleep(1000);
  }
  ::close(reader);
  std::filesystem::remove(fifo);
}
#endif

}  // namespace
}  // namespace galt::testing
