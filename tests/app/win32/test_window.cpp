// The Windows window as created, in virtual time with recorded boxes and a
// port that records every frame: where its controls sit at 96 dpi, what
// they show, the focus and the keys, and the serial-number field's rules.

#include "tests/app/win32/WindowFixture.h"

#include <commctrl.h>

#include <map>
#include <stdexcept>

#include "app/win32/SpinEdit.h"
#include "app/win32/PortCombo.h"
#include "app/win32/Gauge.h"
#include "tests/support/RecordingPort.h"
#include "tests/support/VirtualClock.h"

namespace galt::testing {
namespace {

win32::TForm1Setup Offline(VirtualClock& clock, RecordingBoxes& boxes, RecordingPort& port) {
  win32::TForm1Setup setup;
  setup.timers = &clock;
  setup.boxes = &boxes;
  setup.port = &port;
  setup.clock = &clock;
  setup.ports = TSerPortTable(std::map<int, std::string>{});
  setup.scanPorts = false;
  return setup;
}

class Win32Window : public ::testing::Test {
 protected:
  void Show() {
    form.ShowCentred();
    Pump(&form, 50);
  }
  HWND Edit() { return form.zn->Edit(); }
  std::wstring Zn() { return WindowText(Edit()); }
  void Retype(const std::wstring& text) {
    ::SetFocus(Edit());
    ::SendMessageW(Edit(), EM_SETSEL, 0, -1);
    Type(form, Edit(), text);
  }

  VirtualClock clock;
  RecordingBoxes boxes;
  RecordingPort port;
  TForm1 form{Offline(clock, boxes, port)};
};

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

TEST_F(Win32Window, ControlsSitWhereTheInstallPanelHasThemAt96Dpi) {
  RECT client;
  ::GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 369);
  EXPECT_EQ(client.bottom, 113);
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(form.Handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the size is fixed";

  EXPECT_EQ(PlaceOf(form.Button4), (Box{80, 75, 209, 25}));
  EXPECT_EQ(PlaceOf(form.Gauge1->Handle()), (Box{200, 16, 153, 17}));
  EXPECT_EQ(PlaceOf(form.Gauge2->Handle()), (Box{160, 40, 193, 17}));
  // The serial number's field and buttons together.
  const Box edit = PlaceOf(form.zn->Edit()), buttons = PlaceOf(form.zn->UpDown());
  EXPECT_EQ((Box{edit.left, edit.top, buttons.left + buttons.width - edit.left, edit.height}), (Box{9, 41, 65, 26}));
  EXPECT_EQ(buttons.top, 41);
  EXPECT_EQ(buttons.height, 26);
  const Box ports = PlaceOf(form.cmbPorts->Handle());
  EXPECT_EQ((Box{ports.left, ports.top, ports.width, 0}), (Box{9, 9, 73, 0}));
  EXPECT_LT(ports.top + ports.height, 41) << "the closed drop-down stays above the serial number";
  const Box label1 = PlaceOf(form.Label1), label2 = PlaceOf(form.Label2), sized1 = PlaceOf(form.sized1);
  EXPECT_EQ(label1.left, 96);
  EXPECT_EQ(label1.top, 16);
  EXPECT_EQ(label2.left, 96);
  EXPECT_EQ(label2.top, 40);
  EXPECT_EQ(sized1.left, 8);
  EXPECT_EQ(sized1.top, 2);
  // Whatever face the font mapper gives, a caption ends before its gauge.
  EXPECT_GT(label1.width, 40);
  EXPECT_LT(label1.left + label1.width, 200);
  EXPECT_LT(label2.left + label2.width, 160);

  EXPECT_EQ(FontOf(form.Label1).lfHeight, -11);
  EXPECT_EQ(FontOf(form.Label1).lfWeight, FW_BOLD);
  EXPECT_EQ(FontOf(form.Button4).lfHeight, -11);
  EXPECT_EQ(FontOf(form.zn->Edit()).lfHeight, -13);
  EXPECT_EQ(FontOf(form.cmbPorts->Handle()).lfWeight, FW_BOLD);
  EXPECT_EQ(std::wstring(FontOf(form.sized1).lfFaceName), L"Arial");
}

TEST_F(Win32Window, StartsWithItsTextsAndTheCoresInitialState) {
  EXPECT_EQ(WindowText(form.Handle()), L"GALT-5R — загрузчик версии 0211");
  EXPECT_EQ(WindowText(form.Button4), L"Установить версию GALT-5R.0211");
  EXPECT_EQ(WindowText(form.Label1), L"Деактивизация:");
  EXPECT_EQ(WindowText(form.Label2), L"Загрузка:");
  EXPECT_EQ(WindowText(form.sized1), L"");
  EXPECT_EQ(form.cmbPorts->FieldText(), "COM1");
  EXPECT_EQ(Zn(), L"100");
  EXPECT_EQ(::SendMessageW(form.cmbPorts->Handle(), CB_GETCOUNT, 0, 0), 0);

  LoaderCore& core = form.Core();
  EXPECT_EQ(core.Memo1.Count(), 7937u) << "the blank image is built at creation";
  EXPECT_EQ(core.SPBLL.Value(), 0);
  EXPECT_EQ(core.SPBLH.Value(), 233);
  for (const Timer* t : {core.Timer2.get(), core.Timer3.get(), core.Timer4.get()}) EXPECT_FALSE(t->Enabled());
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_TRUE(port.sent.empty());
}

TEST_F(Win32Window, FocusStartsOnTheInstallButtonAndTabCyclesTheThreeControls) {
  Show();
  EXPECT_EQ(::GetFocus(), form.Button4);
  const auto defaultButton = [&] { return (::GetWindowLongPtrW(form.Button4, GWL_STYLE) & BS_DEFPUSHBUTTON) != 0; };
  EXPECT_TRUE(defaultButton()) << "the focused button is drawn as the one Enter presses";
  Press(form, VK_TAB);
  EXPECT_EQ(::GetFocus(), form.zn->Edit());
  EXPECT_FALSE(defaultButton());
  Press(form, VK_TAB);
  EXPECT_EQ(::GetFocus(), form.cmbPorts->Field());
  Press(form, VK_TAB);
  EXPECT_EQ(::GetFocus(), form.Button4);
}

TEST_F(Win32Window, EnterPressesTheFocusedButtonOnceHoweverLongTheKeyIsHeld) {
  Show();
  Press(form, VK_RETURN);
  ASSERT_EQ(port.sent.size(), 1u) << "Enter started the install";
  EXPECT_NE(WindowText(form.Handle()).find(L"останов 1/201"), std::wstring::npos);
  Press(form, VK_RETURN, /*repeat=*/true);
  Click(form);
  EXPECT_EQ(port.sent.size(), 1u) << "neither the held key nor a second press starts it again";

  clock.Advance(201 * 50);  // never answered: the deactivation error
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Ошибка деактивизации FLASH!");
  EXPECT_EQ(WindowText(form.Handle()), L"GALT-5R — загрузчик версии 0211");
  const std::size_t sent = port.sent.size();
  Press(form, VK_RETURN, /*repeat=*/true);
  EXPECT_EQ(port.sent.size(), sent) << "the key that closed the box, still held, does not start it again";
  Press(form, VK_RETURN);
  EXPECT_EQ(port.sent.size(), sent + 1) << "a new press does";
}

TEST_F(Win32Window, OnlyDigitsSignsAndTheSeparatorCanBeTypedAndNothingAboveTheMaximum) {
  Show();
  Retype(L"1a2 b");
  EXPECT_EQ(Zn(), L"12");
  Retype(L"-");
  EXPECT_EQ(Zn(), L"-");
  EXPECT_EQ(form.Core().zn.Value(), 100) << "a text that is no integer reads as the minimum";
  Retype(L"350");
  Type(form, Edit(), L"1");
  EXPECT_EQ(Zn(), L"350") << "a keystroke past the maximum is refused";
  Retype(L"2370");
  EXPECT_EQ(Zn(), L"237");
  EXPECT_EQ(form.Core().zn.Value(), 237);

  // Taking the sign away would leave 400: refused as a keystroke is.
  Retype(L"-400");
  ::SendMessageW(Edit(), EM_SETSEL, 0, 1);
  ::SendMessageW(Edit(), WM_CLEAR, 0, 0);
  EXPECT_EQ(Zn(), L"-400");
}

TEST_F(Win32Window, ArrowKeysButtonsAndTheWheelStepByOneWithinTheRange) {
  Show();
  ::SetFocus(Edit());
  Press(form, VK_DOWN);
  EXPECT_EQ(Zn(), L"100");
  Press(form, VK_UP);
  Press(form, VK_UP);
  EXPECT_EQ(Zn(), L"102");
  Press(form, VK_PRIOR);
  EXPECT_EQ(Zn(), L"102") << "no steps of ten";

  // The up-down's upper half, pressed and let go three times.
  RECT r;
  ::GetClientRect(form.zn->UpDown(), &r);
  const LPARAM upper = MAKELPARAM(r.right / 2, r.bottom / 4);
  for (int i = 0; i < 3; ++i) {
    ::SendMessageW(form.zn->UpDown(), WM_LBUTTONDOWN, MK_LBUTTON, upper);
    ::SendMessageW(form.zn->UpDown(), WM_LBUTTONUP, 0, upper);
  }
  EXPECT_EQ(Zn(), L"105");
  ::SendMessageW(Edit(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
  EXPECT_EQ(Zn(), L"106") << "Ctrl steps by one too";

  Retype(L"349");
  Press(form, VK_UP);
  Press(form, VK_UP);
  EXPECT_EQ(Zn(), L"350");
}

TEST_F(Win32Window, ANumberBelowTheRangeStaysUntilAnotherControlTakesTheFocus) {
  Show();
  Retype(L"50");
  ::SetFocus(nullptr);  // another program, or a box, takes it
  EXPECT_EQ(Zn(), L"50");
  ::SetFocus(Edit());
  ::SetFocus(form.Button4);
  EXPECT_EQ(Zn(), L"100");

  // However the press comes, the install reads a number of the range.
  Retype(L"60");
  Click(form);
  ASSERT_EQ(port.sent.size(), 1u);
  EXPECT_EQ(FrameSerial(port.sent[0]), 100);
  EXPECT_EQ(Zn(), L"100");
}

TEST_F(Win32Window, ThePortListShowsShortNamesWithWhatIsKnownOfEachPortBesideThem) {
  TSerPortEntry usb;
  usb.PortNum = 5;
  usb.Path = "\\\\.\\COM5";
  usb.Name = "COM5";
  usb.Description = "USB Serial Port (COM5), FTDI";
  TSerPortEntry busy;
  busy.PortNum = 7;
  busy.Path = "\\\\.\\COM7";
  busy.Name = "COM7";
  busy.Busy = true;
  form.cmbPorts->SetEntries({usb, busy}, usb.Path);
  const HWND combo = form.cmbPorts->Handle();
  ASSERT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  wchar_t row[64] = L"";
  ::SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(row));
  EXPECT_EQ(std::wstring(row), L"COM7");
  EXPECT_EQ(form.cmbPorts->FieldText(), "COM5");
  EXPECT_GT(::SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), 200) << "the open list is wide enough for the notes";

  // A row drawn on white: its name at the left, its note further right.
  const int width = 300, height = 16;
  const HDC screen = ::GetDC(nullptr);
  const HDC dc = ::CreateCompatibleDC(screen);
  const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  ::ReleaseDC(nullptr, screen);
  const HGDIOBJ old = ::SelectObject(dc, bitmap);
  const auto inkFrom = [&](int x0, int x1) {
    int ink = 0;
    for (int x = x0; x < x1; ++x)
      for (int y = 0; y < height; ++y) ink += ::GetPixel(dc, x, y) != ::GetSysColor(COLOR_WINDOW);
    return ink;
  };
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_COMBOBOX;
  item.itemAction = ODA_DRAWENTIRE;
  item.hDC = dc;
  item.rcItem = {0, 0, width, height};
  item.itemID = 0;
  form.cmbPorts->OnDrawItem(item);
  EXPECT_GT(inkFrom(0, 45), 20) << "the name";
  EXPECT_GT(inkFrom(60, width), 40) << "the description beside it";
  item.itemID = 1;
  form.cmbPorts->OnDrawItem(item);
  EXPECT_GT(inkFrom(60, width), 40) << "who holds a busy port, or that one does";
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
}

TEST_F(Win32Window, AGaugeRepaintsAtOnceAndOnlyWhenItsPercentageChanges) {
  Show();
  int paints = 0;
  const auto count = [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR n) -> LRESULT {
    if (m == WM_PAINT) ++*reinterpret_cast<int*>(n);
    return ::DefSubclassProc(w, m, wp, lp);
  };
  ::SetWindowSubclass(form.Gauge2->Handle(), count, 1, reinterpret_cast<DWORD_PTR>(&paints));
  form.Core().Gauge2.SetProgress(120);
  EXPECT_EQ(paints, 1) << "50% is painted without waiting for the queue";
  form.Core().Gauge2.SetProgress(121);
  Pump(&form, 20);
  EXPECT_EQ(paints, 1) << "still 50%: nothing to paint";
  ::RemoveWindowSubclass(form.Gauge2->Handle(), count, 1);
}

TEST_F(Win32Window, ClosingInTheMiddleOfAnInstallAsksNothingAndStopsIt) {
  Show();
  Click(form);
  ASSERT_TRUE(form.Core().Timer2->Enabled());
  bool destroyed = false;
  form.OnDestroyed = [&] { destroyed = true; };
  ::SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(form.Handle(), nullptr);
  const std::size_t sent = port.sent.size();
  clock.Advance(20000);
  EXPECT_EQ(port.sent.size(), sent) << "the abandoned install sends nothing more";
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace galt::testing
