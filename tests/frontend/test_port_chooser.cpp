// The port chooser against a scripted machine: each case is a script of
// machine changes and window events, and the log of what the chooser made
// the port and the window do.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "frontend/PortChooser.h"
#include "frontend/PortTexts.h"
#include "tests/support/VirtualClock.h"

namespace galt::testing {
namespace {

// Ports are /dev/<name>; their number is their place in the name order.
class ScriptedMachine : public PortAccess {
 public:
  struct Port {
    std::string serial;
    bool busy = false;
    bool refuses = false;
    bool bluetooth = false;
    bool heldUnseen = false;  // held by another program, which only an open shows (Windows)
  };
  std::map<std::string, Port> ports;  // by short name
  std::set<std::string> denied;
  std::string open;  // short name of the open port
  std::vector<std::string>* log = nullptr;
  // A background open under way: it ends on "> connected".
  std::optional<std::pair<TSerPortEntry, std::function<void(const PortOpening&)>>> pending;

  TSerPortScan Scan(const std::string& OwnPath) override {
    TSerPortScan scan;
    int n = 1;
    for (const auto& [name, port] : ports) {
      TSerPortEntry e;
      e.PortNum = n++;
      e.Path = "/dev/" + name;
      e.Name = name;
      e.AdapterSerial = port.serial;
      e.Own = e.Path == OwnPath;
      e.Busy = port.busy && !e.Own;
      e.Bluetooth = port.bluetooth;
      scan.Listed.push_back(e);
    }
    for (const auto& name : denied) scan.Denied.push_back("/dev/" + name);
    return scan;
  }
  bool IsBusy(const std::string& Path) override {
    const auto it = ports.find(Path.substr(5));
    return it != ports.end() && (it->second.busy || it->second.heldUnseen);
  }
  PortOpening Open(const TSerPortEntry& Entry) override {
    PortOpening opening;
    const auto it = ports.find(Entry.Name);
    opening.Busy = it != ports.end() && (it->second.busy || it->second.heldUnseen);
    if (it == ports.end() || opening.Busy || it->second.refuses) return opening;
    open = Entry.Name;
    log->push_back("open " + open);
    opening.Opened = true;
    return opening;
  }
  void OpenInBackground(const TSerPortEntry& Entry, std::function<void(const PortOpening&)> Done) override {
    pending.emplace(Entry, std::move(Done));
  }
  void Close() override {
    if (pending) log->push_back("abandon " + std::exchange(pending, std::nullopt)->first.Name);
    if (open.empty()) return;
    log->push_back("close " + open);
    open.clear();
  }
  bool IsOpen() const override { return !open.empty(); }
  std::string OpenPath() const override { return "/dev/" + open; }
};

class RecordingView : public PortView {
 public:
  std::vector<std::string>* log = nullptr;
  std::function<void()> whileBoxOpen;  // runs once, inside the next box

  void ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) override {
    std::string line = "list";
    for (const auto& e : Listed) line += " " + std::string(e.Path == SelectedPath ? "*" : "") + e.Name;
    log->push_back(line);
  }
  std::string lastBox;  // the whole text of the last box
  void ShowError(const std::string& Text) override {
    lastBox = Text;
    log->push_back("box " + Text.substr(0, Text.find('\n')));
    if (auto action = std::exchange(whileBoxOpen, nullptr)) action();
  }
  void PortLost(const std::string& Name) override { log->push_back("lost " + Name); }
  void ShowOpening(const std::string& Name) override { log->push_back(Name.empty() ? "opened" : "opening " + Name); }
};

struct Rig {
  Rig() {
    machine.log = &log;
    view.log = &log;
  }
  ScriptedMachine machine;
  RecordingView view;
  VirtualClock clock;
  std::vector<std::string> log;
  PortChooser chooser{machine, view, clock, "hint"};

  // "plug NAME [SERIAL]", "plug-bt NAME" (a Bluetooth port), "unplug NAME",
  // "hold NAME", "hold-unseen NAME" (held, which only an open shows), "let NAME",
  // "refuse NAME", "deny NAME" change the machine; "> startup", "> rescan", "> news" (the
  // system's news of a plug), "> choose NAME", "> step NAME" (arrow keys), "> type TEXT", "> lost",
  // "> wait MS", "> stop" are the window's events;
  // "> connected" ends the background open; "> plug-in-box NAME" plugs NAME and rescans in the next box.
  void Run(const std::string& line) {
    std::istringstream in(line);
    std::string verb, arg, extra;
    in >> verb;
    if (verb == ">") {
      in >> verb;
      std::getline(in >> std::ws, arg);
      log.push_back("> " + verb + (arg.empty() ? "" : " " + arg));
      if (verb == "startup") chooser.StartUp();
      if (verb == "rescan") chooser.Rescan();
      if (verb == "news") chooser.PortsMayHaveChanged();
      if (verb == "choose") chooser.Choose("/dev/" + arg);
      if (verb == "type" && !chooser.ChooseNamed(arg)) log.push_back("unknown");
      if (verb == "lost") chooser.DeviceLost();
      if (verb == "wait") clock.Advance(std::stoi(arg));
      if (verb == "step") chooser.Step("/dev/" + arg);
      if (verb == "stop") chooser.Stop();
      if (auto p = verb == "connected" ? std::exchange(machine.pending, std::nullopt) : std::nullopt)
        p->second(machine.Open(p->first));
      return;
    }
    in >> arg >> extra;
    if (verb == "plug") machine.ports[arg] = {extra};
    if (verb == "unplug") machine.ports.erase(arg);
    if (verb == "plug-bt") machine.ports[arg] = {"", false, false, true};
    if (verb == "hold") machine.ports[arg].busy = true;
    if (verb == "hold-unseen") machine.ports[arg].heldUnseen = true;
    if (verb == "let") machine.ports[arg].busy = machine.ports[arg].heldUnseen = false;
    if (verb == "refuse") machine.ports[arg].refuses = true;
    if (verb == "deny") machine.denied.insert(arg);
    if (verb == "plug-in-box")
      view.whileBoxOpen = [this, arg] {
        machine.ports[arg] = {};
        chooser.Rescan();
      };
  }
};

struct Case {
  const char* name;
  std::vector<std::string> script;
  std::vector<std::string> log;  // events ("> ...") and what followed each
};

const std::string kNoPorts = "box Не найдено ни одного последовательного порта !";
const std::string kBusy = "box Все найденные последовательные порты заняты другими программами:";
const std::string kOpenError = "box Ошибка открытия порта !";

const Case kCases[] = {
    {"StartUpOpensTheFirstFreePort",
     {"plug ttyUSB0", "hold ttyUSB0", "plug ttyUSB1", "> startup"},
     {"> startup", "list ttyUSB0 *ttyUSB1", "open ttyUSB1"}},
    {"StartUpWithNoPortSaysSo", {"> startup"}, {"> startup", "list", kNoPorts}},
    {"StartUpWithEveryPortBusyNamesThem",
     {"plug ttyUSB0", "hold ttyUSB0", "> startup"},
     {"> startup", "list *ttyUSB0", kBusy}},
    {"StartUpOpensAFreePortBeforeTellingOfDeniedOnes",
     {"plug ttyUSB0", "deny ttyS0", "> startup"},
     {"> startup", "list *ttyUSB0", "open ttyUSB0", "box Нет доступа к последовательным портам:"}},
    {"StartUpOpenRefused",
     {"plug ttyUSB0", "refuse ttyUSB0", "> startup"},
     {"> startup", "list *ttyUSB0", "box Ошибка открыти порта !"}},
    {"APortPluggedWhileTheStartUpBoxIsOpenIsTaken",
     {"plug-in-box ttyUSB0", "> startup"},
     {"> startup", "list", kNoPorts, "list *ttyUSB0", "open ttyUSB0"}},
    {"WithNoPortOpenANewPortIsTaken",
     {"> startup", "plug ttyUSB3", "> rescan"},
     {"> startup", "list", kNoPorts, "> rescan", "list *ttyUSB3", "open ttyUSB3"}},
    {"ABurstOfPlugNewsIsOneLookWhenItIsOver",
     {"> startup", "plug ttyUSB0", "> news", "> wait 20", "> news", "> wait 9", "> wait 1", "> news", "> stop",
      "> wait 50"},
     {"> startup", "list", kNoPorts, "> news", "> wait 20", "> news", "> wait 9", "> wait 1", "list *ttyUSB0",
      "open ttyUSB0", "> news", "> stop", "close ttyUSB0", "> wait 50"}},
    {"TheOpenPortStaysWhileOthersComeAndGo",
     {"plug ttyUSB0", "> startup", "plug ttyUSB1", "> rescan", "unplug ttyUSB1", "> rescan"},
     {"> startup", "list *ttyUSB0", "open ttyUSB0", "> rescan", "list *ttyUSB0 ttyUSB1", "> rescan",
      "list *ttyUSB0"}},
    {"TheOpenPortVanishingIsALossAndTheListFollows",
     {"plug ttyUSB0", "plug ttyUSB1", "> startup", "unplug ttyUSB0", "> rescan"},
     {"> startup", "list *ttyUSB0 ttyUSB1", "open ttyUSB0", "> rescan", "close ttyUSB0", "list *ttyUSB1",
      "lost ttyUSB0"}},
    {"TheLostAdapterComingBackUnderAnotherNameIsReopened",
     {"plug ttyUSB1 MINE", "> startup", "> lost", "unplug ttyUSB1", "> rescan", "plug ttyUSB0 OTHER",
      "plug ttyUSB2 MINE", "> rescan"},
     {"> startup", "list *ttyUSB1", "open ttyUSB1", "> lost", "close ttyUSB1", "lost ttyUSB1", "> rescan", "list",
      "> rescan", "list ttyUSB0 *ttyUSB2", "open ttyUSB2"}},
    {"ALossIsToldOnce",
     {"plug ttyUSB0", "> startup", "> lost", "> lost"},
     {"> startup", "list *ttyUSB0", "open ttyUSB0", "> lost", "close ttyUSB0", "lost ttyUSB0", "> lost"}},
    {"ChoosingReopensAndAFailedChangeLeavesNoPortOpen",
     {"plug ttyUSB0", "plug ttyUSB1", "> startup", "> choose ttyUSB0", "refuse ttyUSB1", "> choose ttyUSB1"},
     {"> startup", "list *ttyUSB0 ttyUSB1", "open ttyUSB0", "> choose ttyUSB0", "close ttyUSB0", "open ttyUSB0",
      "> choose ttyUSB1", "list ttyUSB0 *ttyUSB1", "close ttyUSB0", kOpenError}},
    {"TypedTextChoosesOnlyAnEntryItNames",
     {"plug ttyUSB0", "plug ttyUSB1", "> startup", "> type COM7", "> type ttyusb0", "> type /dev/ttyUSB1"},
     {"> startup", "list *ttyUSB0 ttyUSB1", "open ttyUSB0", "> type COM7", "unknown", "> type ttyusb0",
      "> type /dev/ttyUSB1", "list ttyUSB0 *ttyUSB1", "close ttyUSB0", "open ttyUSB1"}},
    {"AnAdapterWithTheSameSerialIsNotTakenForTheOneThatWent",
     {"plug ttyUSB0 0001", "plug ttyUSB1 0001", "> startup", "> lost", "unplug ttyUSB0", "> rescan"},
     {"> startup", "list *ttyUSB0 ttyUSB1", "open ttyUSB0", "> lost", "close ttyUSB0", "lost ttyUSB0", "> rescan",
      "list *ttyUSB1"}},
    {"ABluetoothPortIsOpenedOnlyWhenChosen",
     {"plug-bt rfcomm0", "> startup", "plug-bt rfcomm1", "> rescan", "> choose rfcomm1", "> connected"},
     {"> startup", "list *rfcomm0", "> rescan", "list *rfcomm0 rfcomm1", "> choose rfcomm1",
      "list rfcomm0 *rfcomm1", "opening rfcomm1", "> connected", "open rfcomm1", "opened"}},
    {"StepsOverABluetoothPortOpenNothingAndAChoiceOpensItInTheBackground",
     {"plug ttyUSB0", "plug-bt rfcomm0", "plug ttyUSB1", "> startup", "> step rfcomm0", "> step ttyUSB1",
      "> step rfcomm0", "> choose rfcomm0", "plug ttyUSB2", "> rescan", "> connected"},
     {"> startup", "list rfcomm0 *ttyUSB0 ttyUSB1", "open ttyUSB0", "> step rfcomm0", "> step ttyUSB1",
      "list rfcomm0 ttyUSB0 *ttyUSB1", "close ttyUSB0", "open ttyUSB1", "> step rfcomm0", "> choose rfcomm0",
      "list *rfcomm0 ttyUSB0 ttyUSB1", "close ttyUSB1", "opening rfcomm0", "> rescan",
      "list *rfcomm0 ttyUSB0 ttyUSB1 ttyUSB2", "> connected", "open rfcomm0", "opened"}},
    {"AnotherChoiceOrAStopAbandonsABluetoothOpen",
     {"plug ttyUSB0", "plug-bt rfcomm0", "> startup", "> choose rfcomm0", "> choose rfcomm0", "> choose ttyUSB0",
      "> choose rfcomm0", "> stop", "> connected"},
     {"> startup", "list rfcomm0 *ttyUSB0", "open ttyUSB0", "> choose rfcomm0", "list *rfcomm0 ttyUSB0",
      "close ttyUSB0", "opening rfcomm0", "> choose rfcomm0", "> choose ttyUSB0", "list rfcomm0 *ttyUSB0",
      "abandon rfcomm0", "opened", "open ttyUSB0", "> choose rfcomm0", "list *rfcomm0 ttyUSB0", "close ttyUSB0",
      "opening rfcomm0", "> stop", "abandon rfcomm0", "> connected"}},
    {"ABluetoothPortVanishingOrHeldIsAnOpenErrorAndNeverLookedAtAgain",
     {"plug-bt rfcomm0", "plug-bt rfcomm1", "hold-unseen rfcomm1", "> startup", "> choose rfcomm0",
      "unplug rfcomm0", "> rescan", "> choose rfcomm1", "> connected", "let rfcomm1", "> wait 1000"},
     {"> startup", "list *rfcomm0 rfcomm1", "> choose rfcomm0", "opening rfcomm0", "> rescan", "abandon rfcomm0",
      "opened", "list *rfcomm1", kOpenError, "> choose rfcomm1", "opening rfcomm1",
      "> connected", "opened", "list *rfcomm1", kOpenError, "> wait 1000"}},
    {"StartUpPassesOverAPortHeldUnseen",
     {"plug ttyUSB0", "hold-unseen ttyUSB0", "plug ttyUSB1", "> startup"},
     {"> startup", "list *ttyUSB0 ttyUSB1", "list *ttyUSB0 ttyUSB1", "open ttyUSB1", "list ttyUSB0 *ttyUSB1"}},
    {"APortHeldUnseenIsBusyOnceItsOpenIsRefusedUntilItIsLetGo",
     {"plug ttyUSB0", "plug ttyUSB1", "hold-unseen ttyUSB1", "> startup", "> choose ttyUSB1", "> rescan",
      "let ttyUSB1", "> wait 1000"},
     {"> startup", "list *ttyUSB0 ttyUSB1", "open ttyUSB0", "> choose ttyUSB1", "list ttyUSB0 *ttyUSB1",
      "close ttyUSB0", "list ttyUSB0 *ttyUSB1", kOpenError, "> rescan", "list ttyUSB0 *ttyUSB1",
      "> wait 1000", "list ttyUSB0 *ttyUSB1", "open ttyUSB1"}},
    {"ABusyPortIsTakenOnceItsHolderLetsGo",
     {"plug ttyUSB0", "hold ttyUSB0", "> startup", "> wait 1000", "let ttyUSB0", "> wait 1000", "> wait 5000"},
     {"> startup", "list *ttyUSB0", kBusy, "> wait 1000", "> wait 1000", "list *ttyUSB0", "open ttyUSB0",
      "> wait 5000"}},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class PortChooserPolicy : public ::testing::TestWithParam<Case> {};

TEST_P(PortChooserPolicy, DoesWhatTheScriptExpects) {
  Rig rig;
  for (const std::string& line : GetParam().script) rig.Run(line);
  EXPECT_EQ(rig.log, GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(Scripts, PortChooserPolicy, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(PortChooser, AnOpenRefusedForAnotherProgramNamesThePortBusyInTheListAndTheBox) {
  Rig rig;
  rig.Run("plug COM5");
  rig.Run("hold-unseen COM5");
  rig.Run("> startup");
  ASSERT_EQ(rig.chooser.Listed().size(), 1u);
  EXPECT_EQ(EntryNote(rig.chooser.Listed()[0]), "занят другой программой");
  EXPECT_EQ(rig.view.lastBox,
            "Все найденные последовательные порты заняты другими программами:\nCOM5 — занят другой программой\n"
            "Закройте эту программу hint");
  rig.Run("> choose COM5");
  EXPECT_EQ(rig.view.lastBox, "Ошибка открытия порта !\nCOM5 — занят другой программой");
  // A refusal for another reason says no more than before.
  rig.Run("plug COM6");
  rig.Run("refuse COM6");
  rig.Run("> rescan");
  EXPECT_EQ(rig.log.back(), kOpenError);
  EXPECT_EQ(rig.view.lastBox, "Ошибка открытия порта !");
}

TEST(PortChooser, NothingHappensOnceStopped) {
  Rig rig;
  rig.Run("plug ttyUSB0");
  rig.Run("> startup");
  rig.chooser.Stop();
  rig.Run("plug ttyUSB1");
  rig.Run("> rescan");
  rig.Run("> choose ttyUSB1");
  EXPECT_EQ(rig.log, (std::vector<std::string>{"> startup", "list *ttyUSB0", "open ttyUSB0", "close ttyUSB0",
                                                "> rescan", "> choose ttyUSB1"}));
  EXPECT_FALSE(rig.machine.IsOpen());
}

}  // namespace
}  // namespace galt::testing
