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
#include "records/FrameMeaning.h"
#include "records/TraceFile.h"
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
  for (const auto& [piece, meaning] : std::vector<std::pair<std::string, std::string>>{
           {MakeFrame(0xF4, {0xA5, 0x5A}), "подтверждение деактивизации"},
           {MakeFrame(0xF4, {0xAA}), "подтверждение деактивизации"},
           {MakeFrame(0xF4, {0x5A, 0xA5}), "ответ на деактивизацию без подтверждения"},
           {Bytes("13 00 00 00") + echo.substr(0, 9), "мусор 4 байта; часть ответа, 9 из 138 байт"},
           {echo.substr(9, 100), "часть ответа, 109 из 138 байт"},
           {echo.substr(109) + MakeFrame(0xF2, Block57()) + Bytes("13"), "эхо блока 57; блок 57 прочитан; мусор 1 байт"},
           {MakeFrame(0x00, {0x02, 0x11}, 237), "ответ: модель 6, серийный 237"},
           {MakeFrame(0x00, {0x02, 0x11}, 237, 5), "ответ: модель 5, серийный 237"},
           {MakeFrame(0xF1, {0xAA}), "подтверждение активизации"},
           {MakeFrame(0xF1, {0x5A, 0xA5}, 100, 5), "ответ на активизацию, модель 5"},
           {badSum, "эхо блока 57, неверная сумма"},
           {Bytes("AA 06 00"), "часть ответа, 3 байта"}}) {
    EXPECT_EQ(hunter.Feed(piece), meaning);
  }
  EXPECT_EQ(hunter.Abandon(), 3u) << "a new command drops the reply begun";
  EXPECT_EQ(hunter.Feed(Bytes("00 ED")), "мусор 2 байта");
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

  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string trace = text.str();
  EXPECT_NE(trace.find("\n       0 -- итог: no-port\n       0 -> деактивизация | AA 06 00 64 F4 02 A5 5A 03 09\n      50 -> деактивизация |"),
            std::string::npos) << trace;
  EXPECT_NE(trace.find("итог: deactivation-failed\n"), std::string::npos);
  EXPECT_TRUE(trace.ends_with("-- итог: stopped\n")) << "closed during the second install";
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
