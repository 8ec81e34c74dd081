// What both windows do alike through WindowBinding, against a face that
// records what it is told: the state at creation, the install press, the
// title while an operation runs, errors escaping a handler, the verify
// caption and closing; and what CoreBinding hands on of the component.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "frontend/WindowBinding.h"
#include "records/JournalFile.h"
#include "tests/support/MemoryLink.h"
#include "tests/support/RecordingBoxes.h"
#include "tests/support/OfflineWindow.h"
#include "tests/support/RecordingPort.h"
#include "serial/SerEventLoop.h"
#include "tests/support/VirtualClock.h"

namespace galt::testing {
namespace {

struct RecordingFace : WindowFace {
  void ShowPorts(const std::vector<TSerPortEntry>&, const std::string&) override {}
  void ShowTitle(const std::string& Title) override { title = Title; }
  void ShowSized1(const std::string& Caption) override { sized1.push_back(Caption); }
  std::string title;
  std::vector<std::string> sized1;
};

struct NoDispatch : TSerDispatcher {
  void Post(std::function<void()>) override {}
};

constexpr const char* kIdleTitle = "GALT-5R — загрузчик версии 0211";

class Binding : public ::testing::Test {
 protected:
  Binding() { binding->FormCreate(); }
  LoaderCore& Core() { return binding->Core(); }

  VirtualClock clock;
  RecordingBoxes boxes;
  RecordingPort port;
  RecordingFace face;
  NoDispatch dispatch;
  std::unique_ptr<WindowBinding> binding =
      std::make_unique<WindowBinding>(face, OfflineWindow(clock, boxes, port), ToolkitServices{clock, boxes, dispatch, "galt-loader"});
};

TEST_F(Binding, StartsWithTheBlankImageTheIdleTitleAndNothingSent) {
  EXPECT_EQ(face.title, kIdleTitle);
  const ImageBuffer& image = Core().Memo1;
  ASSERT_EQ(image.Count(), 7937u);
  EXPECT_EQ(image.Line(7936), BlankLineText(7936));
  EXPECT_EQ(Core().zn.Value(), 100);
  EXPECT_EQ(Core().SPBLL.Value(), 0);
  EXPECT_EQ(Core().SPBLH.Value(), 233);
  for (const Timer* t : {Core().Timer2.get(), Core().Timer3.get(), Core().Timer4.get()}) EXPECT_FALSE(t->Enabled());
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_TRUE(port.sent.empty()) << "nothing is sent before the user acts";
}

TEST_F(Binding, ThePressReadsANumberOfTheRangeTheTitleFollowsAndASecondPressIsIgnored) {
  // However the press comes, a typed number out of range is brought into it.
  Core().zn.SetText("60");
  binding->Button4Click();
  ASSERT_EQ(port.sent.size(), 1u);
  EXPECT_EQ(FrameSerial(port.sent[0]), 100);
  EXPECT_EQ(Core().zn.Text(), "100");
  EXPECT_NE(face.title.find("останов 1/201"), std::string::npos) << face.title;
  binding->Button4Click();
  EXPECT_EQ(port.sent.size(), 1u) << "a press while it runs is ignored";

  clock.Advance(201 * 50);  // never answered: the deactivation error
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Ошибка деактивизации FLASH!");
  EXPECT_EQ(face.title, kIdleTitle);
  const std::size_t sent = port.sent.size();
  binding->Button4Click();
  EXPECT_EQ(port.sent.size(), sent + 1) << "a new press starts it again";
}

TEST_F(Binding, InstallWithNoPortOpenSaysSoAtOnceAndSendsNothing) {
  port.open = false;
  binding->Button4Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "  Tornel Ltd");
  EXPECT_EQ(boxes.boxes[0].text,
            "Порт не открыт: выберите в списке порт, к которому подключено устройство, и повторите.");
  EXPECT_TRUE(port.sent.empty());
  EXPECT_FALSE(Core().OperationRunning());
}

TEST(BindingTitle, CountsDownBetweenTheSequencesOwnEvents) {
  VirtualClock clock;
  RecordingBoxes boxes;
  RecordingFace face;
  NoDispatch dispatch;
  emu::DeviceEmulator device;
  device.faults.answerQueryNumber = 0;
  MemoryLink link(clock, device);
  WindowBinding binding(face, OfflineWindow(clock, boxes, link), ToolkitServices{clock, boxes, dispatch, "galt-loader"});
  binding.FormCreate();
  link.OnRxChar = [&](int count) { binding.cp1RxChar(count); };
  binding.Button4Click();
  ASSERT_TRUE(clock.RunUntil([&] { return binding.Core().Timer3->Enabled(); }, 60000));
  EXPECT_EQ(face.title, "№ 100 · проверка запуска · 5 с — GALT-5R");
  clock.Advance(1000);  // the first query goes out at 1.5 s
  EXPECT_EQ(face.title, "№ 100 · проверка запуска · 4 с — GALT-5R");
}

TEST_F(Binding, AnErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
  port.fail_with = "write failed: device gone";
  binding->Button4Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].icon, BoxIcon::Error);
  EXPECT_EQ(boxes.boxes[0].caption, "galt-loader");
  EXPECT_EQ(boxes.boxes[0].text, "write failed: device gone");

  port.fail_with.clear();
  binding->Button4Click();
  EXPECT_EQ(port.sent.size(), 1u) << "the next press starts the install normally";
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(Binding, TheVerifyCaptionIsShownWhenAHandlerChangesIt) {
  Core().sized1 = "FLASH-память:  00000: FF FF";
  binding->cp1RxChar(0);
  binding->cp1RxChar(0);
  EXPECT_EQ(face.sized1, std::vector<std::string>{"FLASH-память:  00000: FF FF"});
}

TEST_F(Binding, ClosingInTheMiddleOfAnInstallAbandonsItWithoutAQuestion) {
  binding->Button4Click();
  ASSERT_TRUE(Core().Timer2->Enabled());
  binding->FormClose();
  const std::size_t sent = port.sent.size();
  clock.Advance(20000);
  EXPECT_EQ(port.sent.size(), sent) << "the abandoned install sends nothing more";
  EXPECT_TRUE(boxes.boxes.empty());
}

void SetJournal(const std::string& path) {
#ifdef _WIN32
  _putenv_s("GALT_JOURNAL", path.c_str());
#else
  setenv("GALT_JOURNAL", path.c_str(), 1);
#endif
}

// A window's ends outside the core are entries too; a journal that cannot be
// written changes no box and is told once, after the operation's own, as its
// answer comes back from the journal's worker.
TEST(BindingJournal, NoPortAndAClosedWindowAreEntriesAndAnUnwritableJournalIsToldOnce) {
  const std::string dir = ::testing::TempDir() + "binding-journal";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/blocker") << "x";  // a folder that is a file stops root too
  const char* was = std::getenv("GALT_JOURNAL");
  const std::string before = was != nullptr ? was : "";
  VirtualClock clock;
  RecordingBoxes boxes;
  RecordingPort port;
  RecordingFace face;
  TSerEventLoop loop;
  const ToolkitServices own{clock, boxes, loop, "galt-loader"};
  port.open = false;
  SetJournal(dir + "/blocker/j.csv");
  {
    WindowBinding window(face, OfflineWindow(clock, boxes, port), own);
    window.Button4Click();
    ASSERT_TRUE(loop.RunUntil([&] { return boxes.boxes.size() == 2; }, std::chrono::seconds(5)));
    window.Button4Click();
    loop.RunFor(std::chrono::milliseconds(100));
  }
  ASSERT_EQ(boxes.boxes.size(), 3u);
  // A window's user is not sent to the environment; a command line's is.
  EXPECT_EQ(boxes.boxes[1].text, "Журнал установок не записан (" + dir + "/blocker/j.csv, заданный при запуске): "
                                 "папку не создать. Укажите другой файл параметром --journal-file в ярлыке загрузчика.");
  EXPECT_EQ(JournalProblemText({"/j\x1B.csv", JournalSource::Default}, false, "нет места"),
            "Журнал установок не записан (/j\xEF\xBF\xBD.csv, место по умолчанию): нет места. "
            "Укажите другой файл в --journal-file.");
  EXPECT_EQ(boxes.boxes[2].text, boxes.boxes[0].text);

  // Each box stays open a minute: the entries keep the operations' own times.
  SetJournal(dir + "/j.csv");
  boxes.WhileOpen = [&](const RecordedBox&) { clock.Advance(60000); };
  {
    WindowBinding window(face, OfflineWindow(clock, boxes, port), own);
    window.Button4Click();
    port.open = true;
    window.Button4Click();
    clock.Advance(20000);  // no acknowledgement: the deactivation fails after 10.05 s
    window.Button4Click();
    window.FormClose();
  }  // the window's end waits for its entries
  SetJournal(before);
  const JournalRead read = ReadJournal(dir + "/j.csv", 5);
  ASSERT_EQ(read.entries.size(), 3u) << read.error;
  EXPECT_EQ(read.entries[0].outcome + " " + read.entries[0].message + " " + read.entries[0].seconds,
            "no-port " + boxes.boxes[0].text + " 0,0");
  EXPECT_EQ(read.entries[1].outcome + " " + read.entries[1].message, "deactivation-failed Ошибка деактивизации FLASH!");
  EXPECT_NEAR(std::stod(std::string(read.entries[1].seconds).replace(read.entries[1].seconds.find(','), 1, ".")), 10.05, 0.1);
  EXPECT_EQ(read.entries[2].outcome + " " + read.entries[2].blocks, "stopped 0");
}

// A window over a journal of its own that holds one confirmed install.
struct WindowOverAJournal {
  WindowOverAJournal(const std::string& name, JournalEntry done) : dir(::testing::TempDir() + name) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    done.SetTime("2026-12-01T14:02:05+03:00");
    done.operation = "установка";
    done.outcome = "confirmed";
    EXPECT_EQ(AppendJournalEntry(dir + "/j.csv", done), "");
    const char* was = std::getenv("GALT_JOURNAL");
    const std::string before = was != nullptr ? was : "";
    SetJournal(dir + "/j.csv");
    window = std::make_unique<WindowBinding>(face, OfflineWindow(clock, boxes, port),
                                             ToolkitServices{clock, boxes, loop, "galt-loader"});
    SetJournal(before);
  }
  bool TitleChanges(std::chrono::milliseconds within) {
    return loop.RunUntil([&] { return face.title != kIdleTitle; }, within);
  }

  std::string dir;
  VirtualClock clock;
  RecordingBoxes boxes;
  RecordingPort port;
  RecordingFace face;
  TSerEventLoop loop;
  std::unique_ptr<WindowBinding> window;
};

// The journal is looked up and copied off the window's thread: what the
// title and the menu item show comes back through the hand-over.
TEST(BindingJournal, TheWrittenBeforeLookupAndTheCopyToOpenComeBackThroughTheHandOver) {
  JournalEntry done;
  // A path, as journals once held it; the file's text never steers anything.
  done.port = "/dev/ttyUSB7\x1B[2J";
  done.serial = "237";
  WindowOverAJournal w("binding-lookup", done);
  auto& window = *w.window;
  const std::string& dir = w.dir;
  RecordingFace& face = w.face;
  TSerEventLoop& loop = w.loop;
  RecordingBoxes& boxes = w.boxes;
  window.FormCreate();
  for (const char* typed : {"2", "23", "237"}) {
    window.Core().zn.SetText(typed);
    window.SerialFieldChanged();
  }
  EXPECT_EQ(face.title, kIdleTitle) << "not looked up on the window's thread";
  ASSERT_TRUE(w.TitleChanges(std::chrono::seconds(5)));
  EXPECT_EQ(face.title, "Серийный номер 237 уже записан 01.12.2026 14:02 через USB7\xEF\xBF\xBD[2J — GALT-5R");

  std::vector<std::filesystem::path> opened;
  window.OpenJournal([&](const std::filesystem::path& file) {
    opened.push_back(file);
    return true;
  });
  EXPECT_TRUE(opened.empty());
  ASSERT_TRUE(loop.RunUntil([&] { return !opened.empty(); }, std::chrono::seconds(5)));
  EXPECT_NE(opened[0], std::filesystem::path(dir + "/j.csv")) << "a copy: Excel's lock stops no later install";
  EXPECT_EQ(ReadJournal(opened[0], 5).entries.size(), 1u);
  EXPECT_EQ(std::filesystem::status(opened[0]).permissions() & std::filesystem::perms::owner_write,
            std::filesystem::perms::none);
  EXPECT_TRUE(boxes.boxes.empty());
  std::filesystem::permissions(opened[0], std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  std::filesystem::remove(opened[0]);
}

// A window that paints itself first asks the journal, and starts its
// worker, only once it is on the screen; the title then says what it knows.
TEST(BindingJournal, AWindowPaintedFirstLooksUpOnceShown) {
  JournalEntry done;
  done.serial = "100";
  WindowOverAJournal w("binding-lookup-shown", done);
  auto& window = *w.window;
  auto& face = w.face;
  window.FormCreate(WindowBinding::PortStart::WhenShown);
  EXPECT_FALSE(w.TitleChanges(std::chrono::milliseconds(300)));
  window.WindowShown();
  ASSERT_TRUE(w.TitleChanges(std::chrono::seconds(5)));
  EXPECT_EQ(face.title, "Серийный номер 100 уже записан 01.12.2026 14:02 — GALT-5R");
}

TEST(CoreBindingEvents, ShowAComponentsErrorOnceUntilTheNextOpenAndHandOnTheRest) {
  VirtualClock clock;
  RecordingBoxes boxes;
  RecordingPort port;
  LoaderCore core(clock, boxes, port, clock);
  TSerComm comm;
  std::vector<std::string> told;
  CoreBindingHandlers handlers;
  handlers.Dispatch = [&](const std::function<void()>& handler) { told.push_back("dispatch"), handler(); };
  handlers.ShowError = [&](const std::exception& e) { told.push_back(e.what()); };
  handlers.LineChanged = [&] { told.push_back("line"); };
  handlers.DeviceLost = [&] { told.push_back("lost"); };
  CoreBinding binding(core, comm, handlers);
  const auto raise = [&] { comm.ShowException(std::make_exception_ptr(std::runtime_error("dead adapter"))); };
  raise();
  raise();
  comm.OnOpen(&comm);
  raise();
  comm.OnRxChar(&comm, 0);
  comm.OnDeviceLost(&comm);
  comm.OnClose(&comm);
  EXPECT_EQ(told, (std::vector<std::string>{"dead adapter", "line", "dead adapter", "dispatch", "lost", "line"}));
}

}  // namespace
}  // namespace galt::testing
