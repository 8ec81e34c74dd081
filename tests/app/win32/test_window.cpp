// The Windows window's own part, in virtual time with recorded boxes and a
// port that records every frame: its controls laid out from the form's
// design, the focus and the keys, and the serial-number field's rules. What
// the binding does with them is tested in tests/frontend.

#include "tests/app/win32/WindowFixture.h"

#include <commctrl.h>
#include <oleacc.h>

#include <stdexcept>
#include <tuple>
#include <utility>

#include "app/win32/SpinEdit.h"
#include "app/win32/PortCombo.h"
#include "app/win32/Gauge.h"
#include "app/win32/WindowLayout.h"
#include "frontend/FormDesign.h"
#include "frontend/ProgressText.h"
#include "winutil/WideText.h"
#include "tests/support/OfflineWindow.h"
#include "tests/app/win32/RecordingShell.h"
#include "tests/support/RecordingPort.h"
#include "tests/support/VirtualClock.h"

namespace galt::testing {
namespace {

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
  RecordingShell shell;
  TForm1 form{OfflineWindow(clock, boxes, port), shell.Shell()};
};

// A control's name as MSAA gives it to a screen reader.
std::wstring AccessibleName(HWND control) {
  const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  IAccessible* object = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
    if (com) ::CoUninitialize();
    return L"(no accessible object)";
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::wstring text = SUCCEEDED(object->get_accName(self, &name)) && name ? name : L"";
  ::SysFreeString(name);
  object->Release();
  if (com) ::CoUninitialize();
  return text;
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

TEST_F(Win32Window, ControlsSitWhereTheFormsDesignHasThemAt96Dpi) {
  RECT client;
  ::GetClientRect(form.Handle(), &client);
  EXPECT_EQ((Box{0, 0, client.right, client.bottom}), (Box{0, 0, form::Panel3.place.width, form::Panel3.place.height}));
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(form.Handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the size is fixed";

  // Where the design places them, with its fonts; a length of 0 is the content's.
  const Box edit = PlaceOf(form.zn->Edit()), buttons = PlaceOf(form.zn->UpDown());
  EXPECT_EQ((Box{0, buttons.top, 0, buttons.height}), (Box{0, edit.top, 0, edit.height}));
  const std::tuple<Box, HWND, const form::Control*> placed[] = {
      {PlaceOf(form.Button4), form.Button4, &form::Button4}, {PlaceOf(form.Gauge1->Handle()), nullptr, &form::Gauge1},
      {PlaceOf(form.Gauge2->Handle()), nullptr, &form::Gauge2},
      {{edit.left, edit.top, buttons.left + buttons.width - edit.left, edit.height}, form.zn->Edit(), &form::zn},
      {PlaceOf(form.cmbPorts->Handle()), form.cmbPorts->Handle(), &form::cmbPorts},
      {PlaceOf(form.Label1), form.Label1, &form::Label1}, {PlaceOf(form.Label2), form.Label2, &form::Label2},
      {PlaceOf(form.sized1), form.sized1, &form::sized1}};
  for (const auto& [box, control, design] : placed) {
    const form::Place& p = design->place;
    EXPECT_EQ((Box{box.left, box.top, p.width ? box.width : 0, p.height ? box.height : 0}),
              (Box{p.left, p.top, p.width, p.height})) << design->caption;
    if (control == nullptr) continue;
    EXPECT_EQ(FontOf(control).lfHeight, -design->font.px) << design->caption;
    EXPECT_EQ(FontOf(control).lfWeight, design->font.bold ? FW_BOLD : FW_NORMAL) << design->caption;
  }
  EXPECT_EQ(std::wstring(FontOf(form.sized1).lfFaceName), L"Arial");
  const Box ports = PlaceOf(form.cmbPorts->Handle()), label1 = PlaceOf(form.Label1), label2 = PlaceOf(form.Label2);
  EXPECT_LT(ports.top + ports.height, form::zn.place.top) << "the closed drop-down stays above the serial number";
  // Whatever face the font mapper gives, a caption ends before its gauge.
  EXPECT_GT(label1.width, 40);
  EXPECT_LT(label1.left + label1.width, form::Gauge1.place.left);
  EXPECT_LT(label2.left + label2.width, form::Gauge2.place.left);
}

TEST_F(Win32Window, ThePortFieldShowsTheLongestPortNamesWholeAt1xAnd2x) {
  for (const UINT dpi : {96u, 192u}) {
    RECT suggested;
    ::GetWindowRect(form.Handle(), &suggested);
    ::SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    const HWND field = form.cmbPorts->Field();
    RECT room;
    ::GetClientRect(field, &room);
    const auto margins = static_cast<DWORD>(::SendMessageW(field, EM_GETMARGINS, 0, 0));
    const HDC dc = ::GetDC(field);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(field, WM_GETFONT, 0, 0)));
    SIZE text{};
    ::GetTextExtentPoint32W(dc, L"COM256", 6, &text);
    ::SelectObject(dc, old);
    ::ReleaseDC(field, dc);
    EXPECT_LE(text.cx, room.right - LOWORD(margins) - HIWORD(margins)) << "at " << dpi << " dpi";
  }
}

TEST_F(Win32Window, StartsWithTheDesignsTexts) {
  EXPECT_EQ(WindowText(form.Button4), WideFromUtf8(form::Button4.caption));
  EXPECT_EQ(WindowText(form.Label1), WideFromUtf8(form::Label1.caption));
  EXPECT_EQ(WindowText(form.Label2), WideFromUtf8(form::Label2.caption));
  EXPECT_EQ(WindowText(form.sized1), L"");
  EXPECT_EQ(form.cmbPorts->FieldText(), form::cmbPorts.caption);
  EXPECT_EQ(Zn(), L"100");
  EXPECT_EQ(::SendMessageW(form.cmbPorts->Handle(), CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(WindowText(form.Handle()), WideFromUtf8(OperationTitle(form.Core()))) << "the binding's title";

  // A screen reader names each field after the label nobody sees just before it.
  for (const auto& [field, design] : {std::pair{Edit(), form::zn}, std::pair{form.cmbPorts->Handle(), form::cmbPorts}}) {
    const HWND label = ::GetWindow(field, GW_HWNDPREV);
    EXPECT_EQ(WindowText(label), WideFromUtf8(design.spokenName));
    EXPECT_FALSE(::IsWindowVisible(label));
  }
  EXPECT_EQ(AccessibleName(Edit()), WideFromUtf8(form::zn.spokenName)) << "as Windows' accessibility reads it";
}

TEST_F(Win32Window, FocusStartsOnTheInstallButtonAndTabCyclesTheThreeControls) {
  TSerPortEntry com5;
  com5.Path = "\\\\.\\COM5";
  com5.Name = "COM5";
  form.cmbPorts->SetEntries({com5}, com5.Path);
  form.cmbPorts->Place(0, 0, 30);  // narrower than the name
  Show();
  EXPECT_EQ(::GetFocus(), form.Button4);
  const auto defaultButton = [&] { return (::GetWindowLongPtrW(form.Button4, GWL_STYLE) & BS_DEFPUSHBUTTON) != 0; };
  EXPECT_TRUE(defaultButton()) << "the focused button is drawn as the one Enter presses";
  Press(form, VK_TAB);
  EXPECT_EQ(::GetFocus(), form.zn->Edit());
  EXPECT_FALSE(defaultButton());
  Press(form, VK_TAB);
  Pump(&form, 20);
  EXPECT_EQ(::GetFocus(), form.cmbPorts->Field());
  EXPECT_EQ(::SendMessageW(form.cmbPorts->Field(), EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "the name from its start";
  Press(form, VK_TAB);
  EXPECT_EQ(::GetFocus(), form.Button4);
}

TEST_F(Win32Window, EnterPressesTheFocusedButtonOnceHoweverLongTheKeyIsHeld) {
  Show();
  Retype(L"237");
  Press(form, VK_TAB);
  Press(form, VK_TAB);
  Press(form, VK_RETURN);
  ASSERT_EQ(port.sent.size(), 1u) << "Enter started the install";
  EXPECT_EQ(form.Core().zn.Value(), 237) << "with the number typed before Tab";
  Press(form, VK_RETURN, /*repeat=*/true);
  EXPECT_EQ(port.sent.size(), 1u) << "the held key does not start it again";
  EXPECT_EQ(shell.holds, std::vector<std::wstring>{L"Идёт установка программы в GALT-5R"});
  EXPECT_TRUE(shell.held) << "no shutdown or sleep while it runs";
  EXPECT_EQ(::SendMessageW(form.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);

  using Bar = win32::TaskbarProgress;
  std::vector<Bar::State> whileOpen;
  boxes.WhileOpen = [&](const RecordedBox&) {
    clock.Advance(3000);  // the title's ticks go on under the box
    whileOpen.push_back(shell.taskbar.back().first);
  };
  clock.Advance(201 * 50);  // never answered: the deactivation error
  ASSERT_EQ(boxes.boxes.size(), 1u);
  boxes.WhileOpen = nullptr;
  EXPECT_FALSE(shell.held);
  EXPECT_EQ(::SendMessageW(form.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE) << "idle, nothing is blocked";
  EXPECT_EQ(shell.taskbar.front().first, Bar::Normal);
  EXPECT_EQ(whileOpen, std::vector{Bar::Error}) << "red while the failure's box is open";
  EXPECT_EQ(shell.taskbar.back(), std::make_pair(Bar::None, 0)) << "cleared when it is closed";
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

  // A click reaches the binding, which brings it into the range first.
  Retype(L"60");
  Click(form);
  EXPECT_EQ(port.sent.size(), 1u);
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

TEST_F(Win32Window, AHighContrastThemesColoursReplaceTheFormsOwn) {
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const auto labelColour = [&] {
    ::SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(form.Label1));
    return ::GetTextColor(dc);
  };
  EXPECT_EQ(labelColour(), win32::ColourOf(*form::Label1.colour));
  form.HighContrast = [] { return true; };
  ::SendMessageW(form.Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(labelColour(), ::GetSysColor(COLOR_BTNTEXT));
  ::DeleteDC(dc);
}

TEST_F(Win32Window, ASessionEndingMidInstallStopsItAndClosesUp) {
  Show();
  Click(form);
  ASSERT_TRUE(shell.held);
  ::SendMessageW(form.Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(form.Core().OperationRunning());
  EXPECT_FALSE(shell.held);
  EXPECT_EQ(shell.taskbar.back().first, win32::TaskbarProgress::None);
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
  EXPECT_FALSE(form.Core().Timer2->Enabled()) << "the install is abandoned";
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace galt::testing
