#pragma once
// What a loader window does the same way on every toolkit: it owns the serial
// component cp1 with the loader's line settings, the LoaderCore bound to it,
// the port chooser over the machine's ports and the refresh of the title
// while an operation runs. Every handler runs through Dispatch, which shows
// an error the handler lets escape in a box and then what the handler
// changed (the verify caption, the title). The toolkit's window draws what it
// is told through WindowFace and passes on the user's clicks and choices.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frontend/CoreBinding.h"
#include "frontend/LineTracing.h"
#include "frontend/LoaderLine.h"
#include "frontend/OperationJournal.h"
#include "frontend/PortAccess.h"
#include "frontend/PortChooser.h"
#include "frontend/WindowSetup.h"
#include "sequences/LoaderCore.h"
#include "serial/PortTable.h"
#include "serial/SerComm.h"
#include "serial/SerDispatch.h"

namespace galt {

// What an operation shows outside the window: while it runs the system is
// kept from shutting down or sleeping and its progress is on the taskbar
// button; a failure is shown there while its box is open.
struct OperationShown {
  enum State { Idle, Running, Failed };
  State state = Idle;
  int permille = 0;  // of the whole install, both gauges as one bar
  bool operator==(const OperationShown&) const = default;
};

// What the toolkit's window shows.
class WindowFace {
 public:
  virtual ~WindowFace() = default;
  // The port list shows Listed with the row of SelectedPath selected.
  virtual void ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) = 0;
  virtual void ShowTitle(const std::string& Title) = 0;
  // The caption of the verify label sized1.
  virtual void ShowSized1(const std::string& Caption) = 0;
  // Told when what an operation shows outside the window changes; a toolkit
  // with no such place (Qt's window) ignores it.
  virtual void ShowOperation(const OperationShown&) {}
};

// The toolkit's own services, used where the setup gives none. They must
// outlive the binding: its timers, boxes and cp1's deliveries use them to
// the end.
struct ToolkitServices {
  TimerSource& Timers;
  MessageBoxes& Boxes;
  TSerDispatcher& Dispatcher;
  std::string UncaughtCaption;  // the box of an error a handler let escape
};

class WindowBinding : private PortView, private MessageBoxes {
 public:
  WindowBinding(WindowFace& Face, const WindowSetup& Setup, const ToolkitServices& Own);
  ~WindowBinding() override;
  WindowBinding(const WindowBinding&) = delete;
  WindowBinding& operator=(const WindowBinding&) = delete;

  LoaderCore& Core() { return core_; }
  TSerComm& cp1() { return cp1_; }
  PortChooser& Ports() { return chooser_; }
  OperationJournal& Journal() { return journal_; }
  // The timers the window's own timers come from too.
  TimerSource& Timers() { return timers_; }

  // When the ports and the journal are first looked at: as the window is
  // created, or once it is on the screen (a toolkit that paints the window
  // first, so that it shows without waiting for the scan, the port's open
  // and the "written before" lookup's thread).
  enum class PortStart { AtCreate, WhenShown };
  // The window is created: unless the setup said not to, the ports are
  // listed and the first free one is opened (now or in WindowShown); the
  // blank image is set up and the title shown, with what the journal knows
  // of the serial number once it is looked up. Boxes of the ports wait for
  // WindowShown.
  void FormCreate(PortStart Ports = PortStart::AtCreate);
  // The window is on the screen: the ports are looked at if that waited for
  // it, and the boxes held until then come now, over it (not before it,
  // with nothing to tell which program they belong to). The toolkit calls
  // it from its event loop after the first show.
  void WindowShown();
  // The window closes: no port is followed or opened any more, the port is
  // closed, and a running operation is abandoned without a question.
  void FormClose();

  // The install button. A serial number typed out of range is brought into
  // it first, as the button taking the focus does, so that however the press
  // comes the install reads a value of 100 to 350.
  void Button4Click();
  void cp1RxChar(int Count);
  // The user chose the listed port at Path (the open one too: reopened).
  void cmbPortsChange(const std::string& Path);
  // The user stepped onto it in the closed list: false when that is no
  // choice (a Bluetooth port).
  bool cmbPortsStep(const std::string& Path);
  // Typed text and Enter: chooses the entry it names; false when none.
  bool PortTextEntered(const std::string& Text);
  // The list is opening: the ports are looked at again now.
  void RefreshPorts();
  // The system's news of a port plugged or unplugged, as it comes: the
  // chooser looks once the burst is over. Nothing without port discovery.
  void PortsMayHaveChanged();
  // The serial number's field changed: the title says whether the journal
  // has that number written before.
  void SerialFieldChanged();
  // The menu item "Журнал установок": a read-only copy of the journal is
  // made off this thread, then `open` opens it with the system's program
  // for it (false when it could not); a box says when there is no journal
  // yet or it did not open.
  void OpenJournal(std::function<bool(const std::filesystem::path&)> open);

  // Runs a handler of the core, shows an error it lets escape, then what it
  // changed.
  void Dispatch(const std::function<void()>& Handler);

 private:
  void ShowUncaught(const std::exception& Error);
  // LookUp false: the journal is not asked, and the title says nothing of it.
  void ShowOperationTitle(bool LookUp = true);
  void ShowOperationOutside();
  // MessageBoxes: every box of the core and the binding comes through here,
  // so that a failure shows as one while its box is open.
  void Show(BoxIcon Icon, const std::string& Caption, const std::string& Text) override;
  // A trace file that cannot be written is said once, in a box.
  void SayTraceFailure();
  // PortView
  void ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) override;
  void ShowError(const std::string& Text) override;
  void PortLost(const std::string& Name) override;
  void ShowOpening(const std::string& Name) override;

  WindowFace& face_;
  TimerSource& timers_;
  MessageBoxes& boxes_;
  bool scanPorts_;
  std::string uncaughtCaption_;
  TSerComm cp1_;
  CommSerial commSerial_{cp1_};
  OperationJournal journal_;  // the core's boxes go through it
  LineTracing tracing_;  // the core's frames pass through it
  LoaderCore core_;
  std::unique_ptr<CoreBinding> binding_;
  CommPortAccess access_;
  PortChooser chooser_;
  std::unique_ptr<Timer> titleRefresh_;
  std::string shownSized1_;
  std::string opening_;  // the port being opened, named in the title
  std::string portName_, adapter_;  // the open port as the list shows it
  bool shown_ = false;
  bool waitingForShow_ = false;  // the lookup and the ports start in WindowShown
  std::vector<std::string> heldErrors_;
  OperationShown operationShown_;
  int boxesOpen_ = 0;
};

}  // namespace galt
