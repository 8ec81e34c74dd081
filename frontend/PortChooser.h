#pragma once
// Which port a window keeps open, as a plain state machine over scans of the
// machine's ports and the events a window sees: start-up, ports plugged or
// unplugged (or the list about to open), a busy port let go, the user's
// choice, and the open device lost. It tells the PortAccess which port to
// open or close and the PortView what to list and which box to show.
//
// The policy: start-up opens the first free port; the port open stays open
// and selected while others come and go; with no port open, the adapter that
// was open coming back (by its serial number, under any name, unless another
// listed adapter had the same number) is reopened, or else a port that has
// just appeared or just been let go is opened; a Bluetooth port is opened
// only when the user chooses it (stepping onto it in the list is no choice),
// and in the background, as connecting to its far device takes seconds: the
// window goes on meanwhile, nothing else is opened, and choosing another
// port, the port vanishing or the window closing abandons that open; a port
// whose open was refused because
// another program holds it is listed as busy; while no port is open and a
// listed port is busy, the busy ports are looked at every second. Boxes come
// last in each event, after every change of state, so a rescan during a box
// (a window's nested event loop) finds the state whole.

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "frontend/PortAccess.h"
#include "ports/PortDiscovery.h"
#include "sequences/Timer.h"

namespace galt {

class PortView {
 public:
  virtual ~PortView() = default;
  // The list shows Listed with the row of SelectedPath selected ("" for none).
  virtual void ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) = 0;
  // An error box with the error caption.
  virtual void ShowError(const std::string& Text) = 0;
  // The device behind the port Name has gone and the port is closed: what
  // runs stops, and the user is told.
  virtual void PortLost(const std::string& Name) = 0;
  // The Bluetooth port Name is being opened; "" once that is over.
  virtual void ShowOpening(const std::string& Name) = 0;
};

class PortChooser {
 public:
  // Interval of the look at busy ports while none is open.
  static constexpr int kBusyRecheckMs = 1000;

  // BusyHint ends the report of busy ports (what the user should do).
  PortChooser(PortAccess& Access, PortView& View, TimerSource& Timers, std::string BusyHint);
  ~PortChooser();
  PortChooser(const PortChooser&) = delete;
  PortChooser& operator=(const PortChooser&) = delete;

  // Lists the ports, opens the first free one and says when none can be used.
  void StartUp();
  // Something may have been plugged, unplugged or let go: looks again.
  void Rescan();
  // The user chose the listed port at Path (the open one too: it is
  // reopened; the one being opened goes on opening).
  void Choose(const std::string& Path);
  // The user stepped onto the listed port at Path without choosing it (the
  // arrow keys or the wheel on the closed list): taken as chosen unless it is
  // a Bluetooth port, which waits for a choice. False when nothing was done.
  bool Step(const std::string& Path);
  // The user typed Text and pressed Enter: chooses the entry it names (short
  // name, its field form or path, letter case ignored) unless that is the selected one;
  // false when it names none, and nothing changes.
  bool ChooseNamed(const std::string& Text);
  // The open port's device has gone (the line said so).
  void DeviceLost();
  // The window closes: the port is closed and nothing is opened any more.
  void Stop();

  const std::vector<TSerPortEntry>& Listed() const { return listed_; }
  const std::string& SelectedPath() const { return selected_; }
  // The port this chooser has open.
  const std::optional<TSerPortEntry>& OpenEntry() const { return open_; }
  // The port being opened in the background.
  const std::optional<TSerPortEntry>& OpeningEntry() const { return opening_; }

 private:
  struct Told;
  bool OpenPort(const TSerPortEntry& Entry);
  // The outcome of opening Entry: kept as the open port, or its refusal noted.
  bool Took(const TSerPortEntry& Entry, const PortOpening& Opening);
  // The background open of Entry has ended.
  void Opened(const TSerPortEntry& Entry, const PortOpening& Opening);
  // The background open, if any, is abandoned.
  void EndOpening();
  // Marks the ports whose open was refused as busy in Listed.
  void KeepHeldMarks(std::vector<TSerPortEntry>& Listed);
  // Text, and who holds Entry's port when that is why its open was refused.
  std::string Refusal(const std::string& Text, const TSerPortEntry& Entry) const;
  void Lose(const std::string& Name);
  void UpdateRecheck();
  void RecheckBusy();
  // Shows the boxes and losses this event collected, in order.
  void Tell();

  PortAccess& access_;
  PortView& view_;
  std::string busyHint_;
  std::unique_ptr<Timer> recheck_;
  std::vector<TSerPortEntry> listed_;
  std::string selected_;
  std::optional<TSerPortEntry> open_;
  std::optional<TSerPortEntry> opening_;
  // The adapter that was open when its device vanished, to reopen it when
  // it comes back.
  std::optional<TSerPortEntry> returning_;
  // Ports whose open was refused because another program holds them.
  std::set<std::string> held_;
  std::vector<Told> told_;
  bool stopped_ = false;
};

}  // namespace galt
