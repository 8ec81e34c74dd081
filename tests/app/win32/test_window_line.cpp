// The Windows window on a real serial line: its own timers, the serial
// component handing its deliveries to the window's thread, and the device
// emulator behind COM ports of the Wine rig. Boxes are recorded.

#include "tests/app/win32/WindowFixture.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <memory>

#include "app/win32/Gauge.h"
#include "app/win32/PortCombo.h"
#include "app/win32/SpinEdit.h"
#include "app/win32/WinDispatcher.h"
#include "records/JournalFile.h"
#include "serial/win32/SerWinApi.h"
#include "winutil/WideText.h"
#include "tests/app/win32/RecordingShell.h"
#include "tests/app/win32/RigDevice.h"
#include "tests/support/win32/SystemPortRecords.h"
#include "tools/cross/rig/WineComPorts.h"

namespace galt::testing {
namespace {

// The rig's ports (galt-wine-rig --ports 10-29).
TSerPortTable RigPorts() {
  std::map<int, std::string> ports;
  for (int n = 10; n <= 29; ++n) ports.emplace(n, ComDeviceName(n));
  return TSerPortTable(std::move(ports));
}

// Well beyond an install on an unpaced line (a few seconds).
constexpr DWORD kInstallMs = 60000;

// Wine's ports, but an open of the port at Path waits until let go, as an
// outgoing Bluetooth port's does while it connects to its far device.
class SlowOpen : public test::WineComPorts {
 public:
  explicit SlowOpen(const std::string& Path) : path_(WideFromUtf8(Path)), replaced_(SerUseWinApi(this)) {}
  ~SlowOpen() override {
    let = true;
    while (asked != opened) ::Sleep(5);
    SerUseWinApi(replaced_);
  }
  HANDLE CreateFileW(const wchar_t* Path, DWORD Access, DWORD Share, DWORD Flags) override {
    if (path_ != Path) return TSerWinApi::CreateFileW(Path, Access, Share, Flags);
    ++asked;
    while (!let) ::Sleep(5);
    last_ = TSerWinApi::CreateFileW(Path, Access, Share, Flags);
    ++opened;
    return last_;
  }
  BOOL CloseHandle(HANDLE Device) override {
    if (Device == last_) closedOn = ::GetCurrentThreadId();
    closed += Device == last_;
    return WineComPorts::CloseHandle(Device);
  }
  std::atomic<bool> let{false};
  std::atomic<int> asked{0}, opened{0}, closed{0};
  std::atomic<DWORD> closedOn{0};
  const std::wstring path_;
  TSerWinApi* const replaced_;
  std::atomic<HANDLE> last_{nullptr};
};

class Win32WindowLine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = test::FarSide::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  }

  std::unique_ptr<TForm1> Window() {
    win32::TForm1Setup setup;
    setup.boxes = &boxes;
    setup.ports = RigPorts();
    auto form = std::make_unique<TForm1>(setup, shell.Shell());
    form->ShowCentred();
    return form;
  }

  bool RunUntil(TForm1& form, const std::function<bool()>& done, DWORD ms) {
    return win32::RunMessagesUntil(&form, done, ms);
  }

  static emu::Faults AnotherModel() {
    emu::Faults faults;
    faults.model = 7;
    return faults;
  }

  static void PortsChanged(TForm1& form) {
    ::SendMessageW(form.Handle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  }

  RecordingBoxes boxes;
  RecordingShell shell;
};

TEST_F(Win32WindowLine, InstallsThroughTheWindowAndIgnoresASecondPress) {
  RigDevice device;
  device.Start();
  auto form = Window();
  ASSERT_TRUE(form->cp1().IsOpen()) << "start-up opens the first free port";
  EXPECT_EQ(form->cp1().PortNum(), device.PortNum());
  EXPECT_EQ(form->cmbPorts->FieldText(), device.Name());
  EXPECT_TRUE(boxes.boxes.empty());

  ::SetFocus(form->zn->Edit());
  ::SendMessageW(form->zn->Edit(), EM_SETSEL, 0, -1);
  Type(*form, form->zn->Edit(), L"237");
  Click(*form);
  ASSERT_TRUE(RunUntil(*form, [&] { return form->Core().Timer4->Enabled() && form->Core().Gauge2.Progress() > 5; },
                       kInstallMs))
      << "the blocks are being written";
  EXPECT_EQ(WindowText(form->Handle()).rfind(L"№ 237 · ", 0), 0u) << "the serial number first, then the blocks";
  const int deactivations = device.Counters().deactivations;
  Click(*form);
  ::SetFocus(form->Button4);
  Press(*form, VK_RETURN);

  ASSERT_TRUE(RunUntil(*form, [&] { return !boxes.boxes.empty(); }, kInstallMs));
  ASSERT_EQ(boxes.boxes.size(), 1u) << boxes.boxes[0].text;
  EXPECT_EQ(boxes.boxes[0].icon, BoxIcon::Information);
  EXPECT_EQ(boxes.boxes[0].caption, "Активизация программы");
  EXPECT_EQ(boxes.boxes[0].text, "Активизация программы выполнена");
  EXPECT_EQ(device.SerialInFlash(), 237);
  EXPECT_EQ(device.Counters().deactivations, deactivations) << "the presses during the install were ignored";
  EXPECT_EQ(device.Counters().writes, 233);
  EXPECT_EQ(form->Core().Gauge2.Percent(), 100);
  // The number just written stays in the field: the title says so, once the
  // journal's worker has written and looked it up.
  EXPECT_TRUE(RunUntil(*form, [&] { return WindowText(form->Handle()).rfind(L"Серийный номер 237 уже записан ", 0) == 0; },
                       5000))
      << Utf8FromWide(WindowText(form->Handle()));
  form->Journal().WaitForFile(std::chrono::steady_clock::now() + std::chrono::seconds(5));
  const JournalRead journal = ReadJournal(JournalPath(), 1);
  ASSERT_EQ(journal.entries.size(), 1u) << journal.error;
  const JournalEntry& e = journal.entries[0];
  EXPECT_EQ(e.outcome + " " + e.serial + " " + e.version + " " + e.port + " " + e.blocks,
            "confirmed 237 0211 " + device.Name() + " 233");
  // The taskbar's bar only went forward, and cleared without turning red.
  EXPECT_EQ(shell.holds.size(), 1u);
  EXPECT_FALSE(shell.held);
  ASSERT_GT(shell.taskbar.size(), 10u);
  std::vector<int> permilles;
  for (auto shown = shell.taskbar.begin(); shown + 1 != shell.taskbar.end(); ++shown) {
    EXPECT_EQ(shown->first, win32::TaskbarProgress::Normal);
    permilles.push_back(shown->second);
  }
  EXPECT_TRUE(std::is_sorted(permilles.begin(), permilles.end()));
  EXPECT_EQ(shell.taskbar.back(), std::make_pair(win32::TaskbarProgress::None, 0));
}

TEST_F(Win32WindowLine, AnotherModelIsWarnedOfAndNeverWritten) {
  RigDevice device(AnotherModel());
  device.Start();
  auto form = Window();
  ASSERT_TRUE(form->cp1().IsOpen());
  Click(*form);
  ASSERT_TRUE(RunUntil(*form, [&] { return boxes.boxes.size() >= 3; }, 10000));
  for (const RecordedBox& box : boxes.boxes) {
    EXPECT_EQ(box.icon, BoxIcon::Error);
    EXPECT_EQ(box.caption, "");
    EXPECT_EQ(box.text, "Устройство не соответствует модификации!");
  }
  EXPECT_EQ(device.Counters().writes, 0);
}

TEST_F(Win32WindowLine, ClosingWhileAReplysBoxIsOpenEndsAtOnce) {
  // The warning's box is open inside the delivery of the reply, for which
  // the component's event thread waits: the window closes from there.
  RigDevice device(AnotherModel());
  device.Start();
  auto form = Window();
  ASSERT_TRUE(form->cp1().IsOpen());
  std::chrono::steady_clock::duration closing{};
  boxes.WhileOpen = [&](const RecordedBox&) {
    if (form->Handle() == nullptr) return;
    const auto start = std::chrono::steady_clock::now();
    ::SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    closing = std::chrono::steady_clock::now() - start;
  };
  Click(*form);
  ASSERT_TRUE(RunUntil(*form, [&] { return form->Handle() == nullptr; }, 10000));
  EXPECT_LT(closing, std::chrono::seconds(2));
  EXPECT_FALSE(form->cp1().IsOpen());
  const std::size_t shown = boxes.boxes.size();
  Pump(form.get(), 500);
  EXPECT_EQ(boxes.boxes.size(), shown) << "nothing of the install goes on";
}

TEST_F(Win32WindowLine, AnUnplugIsToldOnceAndTheAdapterIsReopenedWhenItComesBack) {
  auto device = std::make_unique<RigDevice>();
  device->Start();
  auto form = Window();
  ASSERT_TRUE(form->cp1().IsOpen());
  const std::string name = device->Name();
  Click(*form);
  ASSERT_TRUE(RunUntil(*form, [&] { return form->Core().Gauge2.Progress() > 10; }, kInstallMs));

  device->HangUp();  // the line says so first
  ASSERT_TRUE(RunUntil(*form, [&] { return !boxes.boxes.empty(); }, 5000));
  EXPECT_FALSE(form->cp1().IsOpen());
  EXPECT_FALSE(form->Core().OperationRunning()) << "what ran is stopped";
  PortsChanged(*form);  // then Windows tells of the adapter's removal
  Pump(form.get(), 1500);  // past the write watchdog
  ASSERT_EQ(boxes.boxes.size(), 1u) << "one box, not the watchdog's after it";
  EXPECT_EQ(boxes.boxes[0].caption, "  Tornel Ltd");
  EXPECT_EQ(boxes.boxes[0].text,
            "Связь с устройством потеряна: порт " + name + " отключён. Подключите устройство и повторите.");

  // The device comes back on the same port: reopened, and it installs.
  device.reset();
  auto back = std::make_unique<RigDevice>();
  back->Start();
  ASSERT_EQ(back->Name(), name);
  PortsChanged(*form);
  ASSERT_TRUE(RunUntil(*form, [&] { return form->cp1().IsOpen(); }, 5000));
  EXPECT_EQ(form->cmbPorts->FieldText(), name);
  Click(*form);
  ASSERT_TRUE(RunUntil(*form, [&] { return boxes.boxes.size() == 2; }, kInstallMs));
  EXPECT_EQ(boxes.boxes[1].text, "Активизация программы выполнена");
}

TEST_F(Win32WindowLine, APortAppearingAfterStartUpIsTakenAndThePickChangesIt) {
  auto form = Window();
  // The start-up box comes over the window, from its message loop.
  ASSERT_TRUE(RunUntil(*form, [&] { return !boxes.boxes.empty(); }, 2000));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Не найдено ни одного последовательного порта !");
  EXPECT_FALSE(form->cp1().IsOpen());

  RigDevice first;
  first.Start();
  PortsChanged(*form);
  ASSERT_TRUE(RunUntil(*form, [&] { return form->cp1().IsOpen(); }, 5000));
  EXPECT_EQ(form->cp1().PortNum(), first.PortNum());
  EXPECT_EQ(form->cmbPorts->FieldText(), first.Name());

  // A second one is listed; the open one stays open and selected.
  RigDevice second;
  second.Start();
  PortsChanged(*form);
  ASSERT_TRUE(RunUntil(*form, [&] { return form->cmbPorts->Entries().size() == 2; }, 5000));
  EXPECT_EQ(form->cp1().PortNum(), first.PortNum());
  EXPECT_EQ(form->cmbPorts->FieldText(), first.Name());

  // Picked from the list: the link moves to it.
  const HWND combo = form->cmbPorts->Handle();
  ::SendMessageW(combo, CB_SETCURSEL, 1, 0);
  ::SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(win32::kCmbPortsId, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(combo));
  ::SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(win32::kCmbPortsId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  int opened = 0;
  form->cp1().OnOpen = [&](TSerCustomComm*) { ++opened; };
  ASSERT_TRUE(RunUntil(*form, [&] { return form->cp1().PortNum() == second.PortNum(); }, 5000));
  Pump(form.get(), 100);
  EXPECT_EQ(opened, 1) << "one pick, one opening";
  EXPECT_TRUE(form->cp1().IsOpen());

  // Typed in lower case, with Enter: the first one again. Text naming no
  // port changes nothing and is put back.
  ::SetFocus(form->cmbPorts->Field());
  ::SetWindowTextW(form->cmbPorts->Field(), L"com99");
  Press(*form, VK_RETURN);
  EXPECT_EQ(form->cp1().PortNum(), second.PortNum());
  EXPECT_EQ(form->cmbPorts->FieldText(), second.Name());
  std::wstring lower = WideFromUtf8(first.Name());
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  ::SetWindowTextW(form->cmbPorts->Field(), lower.c_str());
  Press(*form, VK_RETURN);
  EXPECT_EQ(form->cp1().PortNum(), first.PortNum());
  EXPECT_EQ(form->cmbPorts->FieldText(), first.Name());
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(Win32WindowLine, ABluetoothPortOpensOnlyWhenChosenAndWithoutHoldingTheWindowUp) {
  RigDevice usb, bt;
  test::PortsClassDevice record(WideFromUtf8(bt.Name()), L"Standard Serial over Bluetooth link", L"Microsoft",
                                L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&1F2E3D4C&0&0_0");
  SlowOpen slow(bt.Path());
  auto form = Window();
  ASSERT_EQ(form->cp1().PortNum(), usb.PortNum()) << "start-up passes over the Bluetooth port";
  const std::wstring connecting = L"Подключение к " + WideFromUtf8(bt.Name()) + L" (Bluetooth)… — GALT-5R";

  // A step onto it opens nothing; Enter chooses it, and the window goes on while it connects.
  ::SetFocus(form->cmbPorts->Field());
  Press(*form, VK_DOWN);
  Pump(form.get(), 100);
  EXPECT_EQ(slow.asked, 0);
  EXPECT_EQ(form->cp1().PortNum(), usb.PortNum());
  Press(*form, VK_RETURN);
  Pump(form.get(), 200);
  EXPECT_EQ(slow.asked, 1) << "its open is under way, and has not ended";
  EXPECT_EQ(WindowText(form->Handle()), connecting);
  slow.let = true;
  ASSERT_TRUE(RunUntil(*form, [&] { return form->cp1().IsOpen(); }, 5000));
  EXPECT_EQ(form->cp1().PortNum(), bt.PortNum());
  EXPECT_EQ(WindowText(form->Handle()), L"GALT-5R — загрузчик версии 0211");

  // A step back is taken at once; stepping onto it and leaving chooses it; the window closes once that
  // open has ended, before the port is taken.
  slow.let = false;
  Press(*form, VK_UP);
  Pump(form.get(), 100);
  EXPECT_EQ(form->cp1().PortNum(), usb.PortNum());
  Press(*form, VK_DOWN);
  ::SetFocus(form->Button4);
  Pump(form.get(), 200);
  EXPECT_EQ(slow.asked, 2);
  EXPECT_EQ(WindowText(form->Handle()), connecting);
  slow.let = true;
  MSG m;  // until the hand-over is queued
  for (int i = 0; i < 1000 && !::PeekMessageW(&m, nullptr, win32::kRunQueuedMessage, win32::kRunQueuedMessage, 0); ++i)
    ::Sleep(5);
  ::SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(RunUntil(*form, [&] { return slow.closed == 2; }, 5000)) << "the port that opened is closed";
  EXPECT_NE(slow.closedOn, ::GetCurrentThreadId()) << "on the open's thread: a slow device is slow to close";
  EXPECT_FALSE(form->cp1().IsOpen());
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace galt::testing
