#pragma once
// The loader's window TForm1: the install panel Panel3 with its controls,
// bound to the working state and the handlers of a LoaderCore. The service
// panel is never shown, so its controls exist only as the core's state.

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "app/qt/PortCombo.h"
#include "frontend/CoreBinding.h"
#include "frontend/PortAccess.h"
#include "frontend/PortChooser.h"
#include "frontend/WindowSetup.h"
#include "sequences/LoaderCore.h"
#include "serial/PortTable.h"
#include "serial/SerComm.h"

class QCloseEvent;
class QShowEvent;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace galt {

class TGauge;
class TPortWatch;
class TSpinEdit;

// What a window may be given instead of its own services (Qt timers, Qt
// message boxes, the frames going through cp1, the system's serial ports).
using TForm1Setup = WindowSetup;

class TForm1 : public QWidget, private PortView {
 public:
  // The program's window.
  TForm1();
  explicit TForm1(const TForm1Setup& setup);
  // A window over the given timers, boxes and port, with no serial port to
  // discover (tests: virtual time and recorded boxes).
  TForm1(TimerSource& timers, MessageBoxes& boxes, SerialText& port, const MonotonicClock* clock = nullptr);
  ~TForm1() override;

  LoaderCore& Core() { return core_; }

  // Shows the window centred on its screen.
  void ShowCentred();

  // Lists the serial ports in cmbPorts and opens the first free one.
  void ScanPorts();
  // Scans the ports again (something was plugged or unplugged, or the list
  // is about to open): the list follows, the open port stays selected, and
  // with no port open a port that appears, or the adapter that was open
  // coming back, is opened.
  void RefreshPorts();
  // Which port the window keeps open (the policy behind the two above).
  PortChooser& Ports() { return chooser_; }

  // The serial component's received-data event.
  void cp1RxChar(int count);

  // The service panel's HEX import: the open dialog, then the import.
  void open_fileClick();

  // The port selector's change event: reopens the link on the chosen port.
  void cmbPortsChange();

  // The device behind the open port has gone (its adapter pulled out, its
  // node removed): the port is closed, whatever runs is stopped, one box
  // says so, and the adapter is reopened when it comes back.
  void cp1DeviceLost();

  // The serial port component; its frames carry the core's commands unless
  // the setup gave another port.
  TSerComm& cp1();

  // The install panel and its controls.
  QFrame* Panel3 = nullptr;
  TPortCombo* cmbPorts = nullptr;
  TSpinEdit* zn = nullptr;
  QLabel* sized1 = nullptr;
  QLabel* Label1 = nullptr;
  TGauge* Gauge1 = nullptr;
  QLabel* Label2 = nullptr;
  TGauge* Gauge2 = nullptr;
  QPushButton* Button4 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct OwnServices;

  static TForm1Setup WithoutPorts(TimerSource& timers, MessageBoxes& boxes, SerialText& port,
                                  const MonotonicClock* clock);
  void BuildControls();
  void BindEvents();
  void FormCreate();
  void FormClose();
  // Runs a handler of the core, shows what it changed in controls without a
  // change notification, and reports an error it lets escape in a box.
  void Dispatch(const std::function<void()>& handler);
  void ShowSized1();
  void ShowUncaught(const std::exception& error);
  // Port selection (PortSelection.cpp): typed text and Enter, and what the
  // port chooser shows.
  void PortTextEntered();
  void ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) override;
  void ShowError(const std::string& Text) override;
  void PortLost(const std::string& Name) override;
  // The title shows the operation under way; refreshed while one runs.
  void ShowOperationTitle();

  // Boxes wait for the window: one from start-up comes over it, not before
  // it with nothing to tell which program it belongs to.
  void ShowHeldErrors();

  bool scanPorts_;
  bool shown_ = false;
  std::vector<std::string> heldErrors_;
  TPortWatch* portWatch_ = nullptr;
  std::unique_ptr<OwnServices> own_;  // before core_, which uses them
  LoaderCore core_;
  std::unique_ptr<CoreBinding> binding_;
  CommPortAccess access_;
  PortChooser chooser_;
  std::unique_ptr<Timer> titleRefresh_;
};

}  // namespace galt
