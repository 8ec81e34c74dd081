#pragma once
// The loader's window TForm1 on Windows, without a toolkit: the install
// panel Panel3 with its controls, bound through the shared WindowBinding to
// the working state and the handlers of a LoaderCore. The service panel is
// never shown, so its controls exist only as the core's state. Windows'
// own services stand behind the core's interfaces: timers (SetTimer),
// message boxes (MessageBoxW) and the serial component's hand-over to the
// window's thread. While an operation runs the window keeps the session from
// ending or sleeping and shows the progress on its taskbar button; with a
// high-contrast theme on it draws in the system's colours.

#include "app/win32/WindowsApi.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frontend/WindowBinding.h"
#include "ports/PortMonitor.h"
#include "serial/PortTable.h"

namespace galt::win32 {

class SessionGuard;
class TaskbarProgress;
class TGauge;
class TPortCombo;
class TSpinEdit;
class WindowFonts;

// What the window may be given instead of its own services (tests:
// virtual time, recorded boxes, a port of their own).
using TForm1Setup = WindowSetup;

// What the window may be given instead of asking Windows itself while an
// operation runs (tests: recorders); empty: Windows is asked.
struct TForm1Shell {
  SessionGuard* session = nullptr;
  TaskbarProgress* taskbar = nullptr;
};

// Control ids (WM_COMMAND). Above IDOK and IDCANCEL, which the dialog keys
// send.
enum ControlId : int { kButton4Id = 100, kZnId = 101, kZnUpDownId = 102, kCmbPortsId = 103 };

class TForm1 : private WindowFace {
 public:
  // The window's class, by which a second start and the installer find it.
  static constexpr wchar_t kClassName[] = L"GaltLoaderWindow";

  explicit TForm1(const TForm1Setup& setup = {}, const TForm1Shell& shell = {});
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND Handle() const { return hwnd_; }
  LoaderCore& Core() { return binding_->Core(); }
  TSerComm& cp1() { return binding_->cp1(); }
  OperationJournal& Journal() { return binding_->Journal(); }
  PortChooser& Ports() { return binding_->Ports(); }

  // Shows the window centred on its monitor, the install button focused.
  void ShowCentred(int ShowCommand = SW_SHOWNORMAL);

  // Something was plugged or unplugged, or the list is about to open: the
  // list follows, the open port stays selected, and with no port open a
  // port that appears, or the adapter that was open coming back, is opened.
  void RefreshPorts();
  // The port selector's pick: reopens the link on the chosen port.
  void cmbPortsChange();
  // A step of the closed selector: taken as a pick unless the port is
  // Bluetooth (its open connects to the far device and takes seconds).
  void cmbPortsStep();
  // The serial component's received-data event.
  void cp1RxChar(int count);
  // The install button's click.
  void Button4Click();

  // The message loop's part (MessageLoop.h): the handles it waits on besides
  // the messages, what to do when one is signalled, and the keys the window
  // takes before they reach a control (true: taken).
  std::vector<HANDLE> WaitHandles() const;
  void Signalled(HANDLE Handle);
  bool PreTranslate(MSG& Message);

  // The window has been destroyed (the program ends its loop then).
  std::function<void()> OnDestroyed;
  // Whether a high-contrast theme is on; looked at again when the system's
  // colours or settings change (tests put their own).
  std::function<bool()> HighContrast;

  // The install panel's controls; none once the window is destroyed.
  std::unique_ptr<TPortCombo> cmbPorts;
  std::unique_ptr<TSpinEdit> zn;
  HWND sized1 = nullptr;
  HWND Label1 = nullptr;
  std::unique_ptr<TGauge> Gauge1;
  HWND Label2 = nullptr;
  std::unique_ptr<TGauge> Gauge2;
  HWND Button4 = nullptr;

 private:
  struct OwnServices;

  // System menu and minimise; no maximise, and the size is fixed.
  static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  // Tab and Shift+Tab move among the controls as in a dialog.
  static constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

  static LRESULT CALLBACK Proc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
  LRESULT OnMessage(UINT Message, WPARAM WParam, LPARAM LParam);
  void BuildControls();
  void BindEvents();
  // Places the controls and sets their fonts for the window's DPI, from the
  // form's design (WindowLayout.cpp).
  void Layout(UINT Dpi);
  void FitLabel(HWND Label);
  void FormCreate();
  void FormClose();
  void DestroyControls();
  void PortTextEntered();
  LRESULT ControlColour(HDC Dc, HWND Control, bool Edit);
  void FollowSystemColours();
  void ShowOnTaskbar();

  // WindowFace
  void ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) override;
  void ShowTitle(const std::string& Title) override;
  void ShowSized1(const std::string& Caption) override;
  void ShowOperation(const OperationShown& Shown) override;

  std::unique_ptr<OwnServices> own_;  // before binding_, which uses them
  std::unique_ptr<WindowBinding> binding_;
  HWND hwnd_ = nullptr;
  bool scanPorts_;
  bool closed_ = false;
  UINT dpi_ = 96;
  std::unique_ptr<WindowFonts> fonts_;
  std::unique_ptr<TSerPortMonitor> monitor_;
  HDEVNOTIFY deviceNotify_ = nullptr;
  HWND focus_ = nullptr;  // the control to give the focus back to
  SessionGuard* session_ = nullptr;
  TaskbarProgress* taskbar_ = nullptr;
  OperationShown operation_;
  bool holding_ = false;  // the session is held for an operation
  bool systemColours_ = false;
};

}  // namespace galt::win32
