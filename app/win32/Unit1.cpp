#include "app/win32/Unit1.h"

#include <dbt.h>
#include <shellapi.h>

#include <stdexcept>

#include "app/win32/Gauge.h"
#include "app/win32/PortCombo.h"
#include "app/win32/SessionGuard.h"
#include "app/win32/SpinEdit.h"
#include "app/win32/TaskbarProgress.h"
#include "app/win32/WinDispatcher.h"
#include "app/win32/WinMessageBoxes.h"
#include "app/win32/WinTimers.h"
#include "app/win32/WindowClass.h"
#include "app/win32/WindowFonts.h"
#include "app/win32/WindowLayout.h"
#include "app/win32/WindowText.h"
#include "winutil/ComPortInterface.h"
#include "winutil/WideText.h"

namespace galt::win32 {

namespace {

// The icon of the program's resources (galt-loader.rc).
constexpr int kIconId = 1;

const std::string kUncaughtCaption = "galt-loader";
// Posted by the first show: the boxes start-up held come over the window.
constexpr UINT kShown = WM_APP + 3;
// What Windows shows for the loader when a shutdown waits for it.
const std::string kShutdownReason = "Идёт установка программы в GALT-5R";

bool HighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The system menu's item that opens the install journal (below 0xF000, its
// low four bits clear, as WM_SYSCOMMAND wants).
constexpr UINT kJournalCommand = 0x0A10;

HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, HWND parent, int id = 0) {
  const HWND hwnd = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                      nullptr);
  if (hwnd == nullptr) throw std::runtime_error("cannot create a control of the window");
  return hwnd;
}

// A label nobody sees, created just before its field: Windows' accessibility
// (MSAA, and UI Automation through it) names a field after the static text
// before it in the z-order, visible or not, so a screen reader announces
// the field by it while the form looks as designed.
void SpokenName(const form::Control& design, HWND parent) {
  if (::CreateWindowExW(0, L"STATIC", WideFromUtf8(design.spokenName).c_str(), WS_CHILD | SS_LEFT | SS_NOPREFIX, 0,
                        0, 0, 0, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr) == nullptr) {
    throw std::runtime_error("cannot create a control of the window");
  }
}

}  // namespace

struct TForm1::OwnServices {
  Win32TimerSource timers;
  Win32MessageBoxes boxes;
  // The dispatcher outlives cp1, whose worker threads hand deliveries to it.
  TSerWin32Dispatcher dispatcher;
  Win32SessionGuard session;
  ShellTaskbarProgress taskbar;
};

TForm1::TForm1(const TForm1Setup& setup, const TForm1Shell& shell)
    : HighContrast(&HighContrastOn),
      own_(std::make_unique<OwnServices>()),
      scanPorts_(setup.scanPorts),
      session_(shell.session ? shell.session : &own_->session),
      taskbar_(shell.taskbar ? shell.taskbar : &own_->taskbar) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RegisterWindowClass(kClassName, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), kIconId);
  binding_ = std::make_unique<WindowBinding>(
      static_cast<WindowFace&>(*this), setup,
      ToolkitServices{own_->timers, own_->boxes, own_->dispatcher, kUncaughtCaption});

  hwnd_ = ::CreateWindowExW(kExStyle, kClassName, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            form::Panel3.place.width, form::Panel3.place.height, nullptr, nullptr, instance, nullptr);
  if (hwnd_ == nullptr) throw std::runtime_error("cannot create the loader's window");
  Attach(hwnd_, this, &Proc);
  own_->boxes.SetOwner(hwnd_);
  // Run as administrator, the window would never hear from the shell (of a
  // lower integrity level) that its taskbar button exists.
  ::ChangeWindowMessageFilterEx(hwnd_, TaskbarButtonCreatedMessage(), MSGFLT_ALLOW, nullptr);

  BuildControls();
  Layout(WindowDpi(hwnd_));
  BindEvents();
  FollowSystemColours();
  const HMENU system = ::GetSystemMenu(hwnd_, FALSE);
  ::AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(system, MF_STRING, kJournalCommand, WideFromUtf8(texts::kJournalMenuItem).c_str());
  FormCreate();
}

TForm1::~TForm1() {
  // Destroying the window runs FormClose and takes the controls down first.
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

void TForm1::BuildControls() {
  // Created in tab order: the install button, the serial number, the port
  // selector, each field after its spoken name; the labels and gauges take
  // no focus.
  const auto caption = [](const form::Control& design) { return WideFromUtf8(design.caption); };
  Button4 = Child(L"BUTTON", caption(form::Button4).c_str(), WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, hwnd_,
                  kButton4Id);
  SpokenName(form::zn, hwnd_);
  zn = std::make_unique<TSpinEdit>(Core().zn, hwnd_, kZnId);
  SpokenName(form::cmbPorts, hwnd_);
  cmbPorts = std::make_unique<TPortCombo>(hwnd_, kCmbPortsId);
  ::SetWindowTextW(cmbPorts->Handle(), caption(form::cmbPorts).c_str());
  sized1 = Child(L"STATIC", caption(form::sized1).c_str(), SS_LEFT | SS_NOPREFIX, hwnd_);
  Label1 = Child(L"STATIC", caption(form::Label1).c_str(), SS_LEFT | SS_NOPREFIX, hwnd_);
  Gauge1 = std::make_unique<TGauge>(Core().Gauge1, hwnd_);
  Label2 = Child(L"STATIC", caption(form::Label2).c_str(), SS_LEFT | SS_NOPREFIX, hwnd_);
  Gauge2 = std::make_unique<TGauge>(Core().Gauge2, hwnd_);
  focus_ = Button4;
}

void TForm1::BindEvents() {
  cmbPorts->OnAboutToShowList = [this] {
    if (scanPorts_) RefreshPorts();
  };
  cmbPorts->OnPicked = [this] { cmbPortsChange(); };
  cmbPorts->OnStepped = [this] { cmbPortsStep(); };
  cmbPorts->OnTextEntered = [this] { PortTextEntered(); };
}

void TForm1::FormCreate() {
  if (scanPorts_) {
    monitor_ = std::make_unique<TSerPortMonitor>(binding_->cp1().PortTable());
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    deviceNotify_ = ::RegisterDeviceNotificationW(hwnd_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  binding_->FormCreate();
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  // A closed window neither follows nor opens ports any more.
  if (deviceNotify_ != nullptr) ::UnregisterDeviceNotification(deviceNotify_);
  deviceNotify_ = nullptr;
  monitor_.reset();
  binding_->FormClose();
}

void TForm1::DestroyControls() {
  cmbPorts.reset();
  zn.reset();
  Gauge1.reset();
  Gauge2.reset();
  for (HWND* control : {&sized1, &Label1, &Label2, &Button4}) {
    ::DestroyWindow(*control);
    *control = nullptr;
  }
}

void TForm1::ShowCentred(int ShowCommand) {
  RECT window;
  ::GetWindowRect(hwnd_, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = window.right - window.left, height = window.bottom - window.top;
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::ShowWindow(hwnd_, ShowCommand);
  // The focused control is marked from the start, not only once a key has
  // been pressed, so Tab is seen to move it.
  ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  ::UpdateWindow(hwnd_);
  ::SetFocus(Button4);
  ::PostMessageW(hwnd_, kShown, 0, 0);
}

void TForm1::RefreshPorts() {
  if (!closed_) binding_->RefreshPorts();
}

void TForm1::cmbPortsChange() {
  if (const TSerPortEntry* picked = cmbPorts ? cmbPorts->Picked() : nullptr) {
    const std::string path = picked->Path;
    binding_->cmbPortsChange(path);
  }
}

void TForm1::cmbPortsStep() {
  if (const TSerPortEntry* stepped = cmbPorts ? cmbPorts->Picked() : nullptr) {
    const std::string path = stepped->Path;
    binding_->cmbPortsStep(path);
  }
}

void TForm1::PortTextEntered() {
  // Text that names no port changes nothing and is put back.
  binding_->PortTextEntered(cmbPorts->FieldText());
  if (cmbPorts) cmbPorts->ShowSelected();
}

void TForm1::cp1RxChar(int count) { binding_->cp1RxChar(count); }

void TForm1::Button4Click() { binding_->Button4Click(); }

std::vector<HANDLE> TForm1::WaitHandles() const {
  std::vector<HANDLE> handles;
  if (monitor_) {
    for (const TSerHandle h : monitor_->Handles()) handles.push_back(reinterpret_cast<HANDLE>(h));
  }
  return handles;
}

void TForm1::Signalled(HANDLE) {
  if (monitor_ && monitor_->TakeChanges()) binding_->PortsMayHaveChanged();
}

bool TForm1::PreTranslate(MSG& Message) {
  if (hwnd_ == nullptr || (Message.hwnd != hwnd_ && !::IsChild(hwnd_, Message.hwnd))) return false;
  if (Message.message == WM_KEYDOWN && Message.wParam == VK_RETURN) {
    // A held key repeats: only its first press counts, so the install is
    // never started again by the key that closed its box.
    if (Message.lParam & (1 << 30)) return true;
    if (Message.hwnd == Button4) {
      Button4Click();
      return true;
    }
    if (cmbPorts && cmbPorts->OnKey(Message)) return true;
  }
  return ::IsDialogMessageW(hwnd_, &Message) != FALSE;
}

LRESULT TForm1::ControlColour(HDC Dc, HWND Control, bool Edit) {
  const form::Control* design = nullptr;
  if (Control == Label1) design = &form::Label1;
  if (Control == Label2) design = &form::Label2;
  if (Control == sized1) design = &form::sized1;
  if (zn && Control == zn->Edit()) design = &form::zn;
  if (cmbPorts && Control == cmbPorts->Field()) design = &form::cmbPorts;
  // A high-contrast theme's colours over the form's navy and maroon.
  const COLORREF colour = design && design->colour && !systemColours_ ? ColourOf(*design->colour)
                          : ::GetSysColor(Edit || !systemColours_ ? COLOR_WINDOWTEXT : COLOR_BTNTEXT);
  ::SetTextColor(Dc, colour);
  if (Edit) {
    ::SetBkColor(Dc, ::GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
  }
  ::SetBkMode(Dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void TForm1::FollowSystemColours() {
  systemColours_ = HighContrast && HighContrast();
  for (TGauge* gauge : {Gauge1.get(), Gauge2.get()})
    if (gauge != nullptr) gauge->UseSystemColours(systemColours_);
  if (cmbPorts) cmbPorts->UseSystemColours(systemColours_);
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm1::ShowOperation(const OperationShown& Shown) {
  operation_ = Shown;
  const bool hold = Shown.state == OperationShown::Running;
  if (hold != holding_ && hwnd_ != nullptr) {
    holding_ = hold;
    if (hold)
      session_->Hold(hwnd_, WideFromUtf8(kShutdownReason));
    else
      session_->Release(hwnd_);
  }
  ShowOnTaskbar();
}

void TForm1::ShowOnTaskbar() {
  if (hwnd_ == nullptr) return;
  const auto state = operation_.state == OperationShown::Running  ? TaskbarProgress::Normal
                     : operation_.state == OperationShown::Failed ? TaskbarProgress::Error
                                                                  : TaskbarProgress::None;
  taskbar_->Show(hwnd_, state, operation_.permille);
}

LRESULT CALLBACK TForm1::Proc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  auto* self = AttachedTo<TForm1>(Window);
  if (self == nullptr) return ::DefWindowProcW(Window, Message, WParam, LParam);
  return self->OnMessage(Message, WParam, LParam);
}

LRESULT TForm1::OnMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == TaskbarButtonCreatedMessage()) {
    taskbar_->ButtonCreated(hwnd_);
    ShowOnTaskbar();
    return 0;
  }
  switch (Message) {
    case kShown:
      binding_->WindowShown();
      return 0;
    case WM_COMMAND: {
      const auto from = reinterpret_cast<HWND>(LParam);
      const WORD code = HIWORD(WParam);
      if (from != nullptr && from == Button4) {
        if (code == BN_CLICKED) Button4Click();
        // The focused button is the one Enter presses, and is drawn so.
        if (code == BN_SETFOCUS || code == BN_KILLFOCUS)
          ::SendMessageW(Button4, BM_SETSTYLE, code == BN_SETFOCUS ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      } else if (from != nullptr) {
        if (zn && zn->OnCommand(from, code)) {
          if (code == EN_CHANGE) binding_->SerialFieldChanged();
          return 0;
        }
        if (cmbPorts) cmbPorts->OnCommand(from, code);
      }
      return 0;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (zn && zn->OnNotify(*reinterpret_cast<const NMHDR*>(LParam), result)) return result;
      break;
    }
    case WM_MEASUREITEM: {
      auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
      if (item.CtlID != kCmbPortsId) break;
      // Asked while the selector is being created: the rows' height.
      if (cmbPorts) return cmbPorts->OnMeasureItem(item);
      item.itemHeight = static_cast<UINT>(Scaled(form::kPortRowHeight, dpi_));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
      if (item.CtlID == kCmbPortsId && cmbPorts) return cmbPorts->OnDrawItem(item);
      break;
    }
    case WM_CTLCOLORSTATIC:
      return ControlColour(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam), false);
    case WM_CTLCOLOREDIT:
      return ControlColour(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam), true);
    case WM_PAINT: {
      // Panel3's single-line raised border around the client area.
      PAINTSTRUCT ps;
      const HDC dc = ::BeginPaint(hwnd_, &ps);
      RECT client;
      ::GetClientRect(hwnd_, &client);
      ::DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
      ::EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ACTIVATE:
      // The focus leaves with the window (a box, another program) and comes
      // back to the control that had it.
      if (LOWORD(WParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(hwnd_, focus)) focus_ = focus;
      } else if (focus_ != nullptr && ::IsWindow(focus_)) {
        ::SetFocus(focus_);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      // The window itself takes no keys: its control does (after a restore
      // from the taskbar, say).
      if (focus_ != nullptr && ::IsWindow(focus_)) ::SetFocus(focus_);
      return 0;
    case WM_DEVICECHANGE:
      if (WParam == DBT_DEVICEARRIVAL || WParam == DBT_DEVICEREMOVECOMPLETE || WParam == DBT_DEVNODES_CHANGED)
        binding_->PortsMayHaveChanged();
      return TRUE;
    case WM_DPICHANGED: {
      // Placed where the system suggests, sized for the new DPI.
      const auto& suggested = *reinterpret_cast<const RECT*>(LParam);
      Layout(HIWORD(WParam));
      ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      FollowSystemColours();
      break;
    case WM_QUERYENDSESSION:
      // An install cut off leaves the device without a program: the user is
      // shown why the loader holds the shutdown up (ShutdownBlockReasonCreate).
      return holding_ ? FALSE : TRUE;
    case WM_ENDSESSION:
      // The session ends all the same: the port is closed cleanly first.
      if (WParam) FormClose();
      return 0;
    case WM_SYSCOMMAND:
      if ((WParam & 0xFFF0) != kJournalCommand) break;
      binding_->OpenJournal([](const std::filesystem::path& file) {
        return reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr,
                                                         SW_SHOWNORMAL)) > 32;
      });
      return 0;
    case WM_CLOSE:
      // Nothing is asked: a running operation is abandoned and the port
      // closed at once.
      FormClose();
      ::DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      FormClose();
      DestroyControls();
      if (OnDestroyed) OnDestroyed();
      return 0;
    case WM_NCDESTROY: {
      const HWND window = hwnd_;
      Detach(window);
      hwnd_ = nullptr;
      return ::DefWindowProcW(window, Message, WParam, LParam);
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, Message, WParam, LParam);
}

void TForm1::ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) {
  if (cmbPorts) cmbPorts->SetEntries(Listed, SelectedPath);
}

void TForm1::ShowTitle(const std::string& Title) {
  const std::wstring title = WideFromUtf8(Title);
  if (hwnd_ != nullptr && WindowText(hwnd_) != title) ::SetWindowTextW(hwnd_, title.c_str());
}

void TForm1::ShowSized1(const std::string& Caption) {
  if (sized1 == nullptr) return;
  ::SetWindowTextW(sized1, WideFromUtf8(Caption).c_str());
  FitLabel(sized1);
}

}  // namespace galt::win32
