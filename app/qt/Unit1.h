#pragma once
// The loader's window TForm1 on Qt: the install panel Panel3 with its
// controls as the form's design places them, bound through the shared
// WindowBinding (which owns the LoaderCore) to the working state and the
// handlers. The service panel is never shown, so its controls exist only as
// the core's state.

#include <QWidget>
#include <memory>

#include "app/qt/PortCombo.h"
#include "frontend/WindowBinding.h"
#include "frontend/WindowSetup.h"
#include "sequences/LoaderCore.h"
#include "serial/SerComm.h"

class QCloseEvent;
class QShowEvent;
class QFrame;
class QLabel;
class QPushButton;

namespace galt {

class TGauge;
class TPortWatch;
class TSpinEdit;

// What a window may be given instead of its own services (Qt timers, Qt
// message boxes, the frames going through cp1, the system's serial ports).
using TForm1Setup = WindowSetup;

class TForm1 : public QWidget, private WindowFace {
 public:
  // The program's window.
  TForm1();
  explicit TForm1(const TForm1Setup& setup);
  // A window over the given timers, boxes and port, with no serial port to
  // discover (tests: virtual time and recorded boxes).
  TForm1(TimerSource& timers, MessageBoxes& boxes, SerialText& port, const MonotonicClock* clock = nullptr);
  ~TForm1() override;

  LoaderCore& Core() { return binding_->Core(); }
  OperationJournal& Journal() { return binding_->Journal(); }

  // Shows the window centred on its screen.
  void ShowCentred();

  // Scans the ports again (something was plugged or unplugged, or the list
  // is about to open): the list follows, the open port stays selected, and
  // with no port open a port that appears, or the adapter that was open
  // coming back, is opened.
  void RefreshPorts();
  // Which port the window keeps open (the policy behind the one above).
  PortChooser& Ports() { return binding_->Ports(); }

  // The serial component's received-data event.
  void cp1RxChar(int count);

  // The port selector's change event: reopens the link on the chosen port.
  void cmbPortsChange();

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
  // After the first paint: what could wait for it (the ports).
  void WindowShown();
  void FormClose();
  // Typed text and Enter in the port selector (PortSelection.cpp).
  void PortTextEntered();
  // WindowFace: what the binding shows.
  void ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) override;
  void ShowTitle(const std::string& Title) override;
  void ShowSized1(const std::string& Caption) override;

  bool scanPorts_;
  bool shown_ = false;
  bool closed_ = false;
  TPortWatch* portWatch_ = nullptr;
  std::unique_ptr<OwnServices> own_;  // before binding_, which uses them
  std::unique_ptr<WindowBinding> binding_;
};

}  // namespace galt
