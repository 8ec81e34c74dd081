// Windows' services behind the core's interfaces: the timers' contract,
// the hand-over of deliveries to the window's thread, and a real message
// box with the timers going on while it is open. Real-time waits check
// the order of events only and leave wide margins.

#include "tests/app/win32/WindowFixture.h"

#include <atomic>
#include <thread>

#include "app/win32/SingleInstance.h"
#include "app/win32/WinDispatcher.h"
#include "app/win32/WinMessageBoxes.h"
#include "app/win32/WinTimers.h"
#include "tests/support/TimerContract.h"

namespace galt::testing {
namespace {

bool RunUntil(const std::function<bool()>& done, DWORD ms) { return win32::RunMessagesUntil(nullptr, done, ms); }

struct Win32Time {
  TimerSource& Source() { return source; }
  void Run(int ms) { Pump(nullptr, static_cast<DWORD>(ms)); }
  bool RunUntil(const std::function<bool()>& done, int ms) {
    return win32::RunMessagesUntil(nullptr, done, static_cast<DWORD>(ms));
  }
  void Stall(int ms) { ::Sleep(static_cast<DWORD>(ms)); }
  win32::Win32TimerSource source;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, TimerContract, Win32Time);

namespace {

TEST(Win32Dispatcher, CallsRunOnTheWindowsThreadInOrderAndNeverOneInsideAnother) {
  win32::TSerWin32Dispatcher dispatcher;
  const DWORD windowThread = ::GetCurrentThreadId();
  std::vector<std::string> events;
  std::atomic<bool> posted{false};
  bool wrongThread = false;
  std::thread worker([&] {
    dispatcher.Post([&] {
      events.push_back("A begins");
      // A box's modal loop runs the thread's messages, the next call's too.
      Pump(nullptr, 200);
      events.push_back("A ends");
    });
    dispatcher.Post([&] {
      wrongThread = wrongThread || ::GetCurrentThreadId() != windowThread;
      events.push_back("B");
    });
    dispatcher.Post([&] { events.push_back("C"); });
    posted = true;
  });
  worker.join();
  ASSERT_TRUE(RunUntil([&] { return events.size() == 4; }, 5000));
  EXPECT_EQ(events, (std::vector<std::string>{"A begins", "A ends", "B", "C"}));
  EXPECT_FALSE(wrongThread);

  // A call posted and never run goes with the dispatcher.
  auto gone = std::make_unique<win32::TSerWin32Dispatcher>();
  auto kept = std::make_shared<int>(0);
  gone->Post([kept] { ++*kept; });
  gone.reset();
  Pump(nullptr, 50);
  EXPECT_EQ(kept.use_count(), 1);
  EXPECT_EQ(*kept, 0);
}

// The message box of this thread that is open now, if any.
HWND OpenBox() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM out) -> BOOL {
        wchar_t cls[16] = L"";
        ::GetClassNameW(window, cls, 16);
        if (std::wstring(cls) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// What an open box shows: its text and the icon of its static controls.
struct BoxFace {
  std::wstring text;
  HICON icon = nullptr;
};

BoxFace FaceOf(HWND box) {
  BoxFace face;
  ::EnumChildWindows(
      box,
      [](HWND child, LPARAM out) -> BOOL {
        auto& f = *reinterpret_cast<BoxFace*>(out);
        wchar_t cls[16] = L"";
        ::GetClassNameW(child, cls, 16);
        if (::lstrcmpiW(cls, L"Static") != 0) return TRUE;
        if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
          f.icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
        } else if (f.text.empty()) {
          f.text = WindowText(child);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&face));
  return face;
}

TEST(Win32MessageBoxes, ABoxShowsItsCaptionTextAndIconWhileTheTimersGoOn) {
  win32::Win32TimerSource timers;
  auto ticker = timers.CreateTimer(20);
  int ticks = 0;
  std::wstring caption;
  BoxFace face;
  ticker->OnTimer = [&] {
    ++ticks;
    const HWND box = OpenBox();
    if (box == nullptr || ticks < 5) return;
    caption = WindowText(box);
    face = FaceOf(box);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  };
  ticker->SetEnabled(true);
  win32::Win32MessageBoxes boxes;
  boxes.Show(BoxIcon::Error, "  Tornel Ltd", "Ошибка загрузки программы!");
  EXPECT_GE(ticks, 5) << "the timer ticked while the box was open";
  EXPECT_EQ(caption, L"  Tornel Ltd");
  EXPECT_EQ(face.text, L"Ошибка загрузки программы!");
  EXPECT_EQ(face.icon, ::LoadIconW(nullptr, IDI_HAND));

  ticks = 0;
  boxes.Show(BoxIcon::Information, "Активизация программы", "Активизация программы выполнена");
  EXPECT_EQ(caption, L"Активизация программы");
  EXPECT_EQ(face.icon, ::LoadIconW(nullptr, IDI_ASTERISK));
}

TEST(SingleInstance, ASecondStartWaitsWhileTheFirstStartsAndTakesOverWhenItEnds) {
  const wchar_t* const mutex = L"Local\\GALT-5R-Loader-test";
  std::atomic<bool> started{false}, end{false};
  std::thread first([&] {  // a mutex belongs to a thread
    win32::SingleInstance one(mutex);
    started = one.First();
    while (!end) ::Sleep(5);
  });
  while (!started) ::Sleep(5);
  win32::SingleInstance second(mutex);
  HWND shown = nullptr;
  using enum win32::SingleInstance::Found;
  EXPECT_EQ(second.AwaitFirst(L"GaltLoaderTestWindow", 300, &shown), Nothing) << "no window yet";
  end = true;  // the first ends before it has one
  first.join();
  EXPECT_EQ(second.AwaitFirst(L"GaltLoaderTestWindow", 5000, &shown), Turn);
  EXPECT_TRUE(second.First()) << "this one is the loader now";
}

}  // namespace
}  // namespace galt::testing
