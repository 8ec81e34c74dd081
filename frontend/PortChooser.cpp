#include "frontend/PortChooser.h"

#include <algorithm>
#include <cctype>

#include "frontend/PortTexts.h"
#include "sequences/MessageBoxes.h"

namespace galt {

struct PortChooser::Told {
  bool Lost = false;  // PortLost(Text); otherwise ShowError(Text)
  std::string Text;
};

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A busy Bluetooth port is never looked at: the look opens it, which would
// hold the window up while it connects. Choosing it tries again.
bool Rechecked(const TSerPortEntry& Entry) { return Entry.Busy && !Entry.Bluetooth; }

}  // namespace

PortChooser::PortChooser(PortAccess& Access, PortView& View, TimerSource& Timers, std::string BusyHint)
    : access_(Access), view_(View), busyHint_(std::move(BusyHint)), recheck_(Timers.CreateTimer(kBusyRecheckMs)) {
  recheck_->OnTimer = [this] { RecheckBusy(); };
}

PortChooser::~PortChooser() {
  if (opening_) access_.Close();
}

void PortChooser::StartUp() {
  if (stopped_) return;
  TSerPortScan scan = access_.Scan({});
  const TSerPortEntry* first = scan.FirstFree();
  listed_ = scan.Listed;
  selected_ = first ? first->Path : (listed_.empty() ? "" : listed_.front().Path);
  view_.ShowPorts(listed_, selected_);
  // A port another program holds may show only when its open is refused (a
  // scan on Windows cannot tell): it is marked busy and the next one tried.
  bool refused = false;
  while (first != nullptr && !OpenPort(*first)) {
    refused = held_.count(first->Path) == 0;
    if (refused) break;
    scan.Listed = listed_;
    first = scan.FirstFree();
  }
  if (open_ && open_->Path != selected_) {
    selected_ = open_->Path;
    view_.ShowPorts(listed_, selected_);
  }
  if (first == nullptr || !scan.Denied.empty()) {
    const std::string report = NoUsablePortReport(scan, busyHint_);
    if (!report.empty()) told_.push_back({false, report});
  }
  if (refused) told_.push_back({false, texts::kPortOpenErrorAtStart});
  UpdateRecheck();
  Tell();
}

void PortChooser::Rescan() {
  if (stopped_) return;
  TSerPortScan scan = access_.Scan(open_ && access_.IsOpen() ? open_->Path : "");
  KeepHeldMarks(scan.Listed);

  // Ports that were not there, or not free, at the last look.
  const auto isNew = [this](const TSerPortEntry& e) {
    return std::none_of(listed_.begin(), listed_.end(),
                        [&](const TSerPortEntry& old) { return !old.Busy && old.Path == e.Path; });
  };

  // The open port's node has gone with its device, before the line said so.
  if (open_ && access_.IsOpen() && scan.Find(open_->Path) == nullptr) Lose(open_->Name);
  // So has that of the port being opened: it never will be.
  if (opening_ && scan.Find(opening_->Path) == nullptr) {
    told_.push_back({false, Refusal(texts::kPortOpenError, *opening_)});
    EndOpening();
  }

  std::string select;
  if (open_ && access_.IsOpen()) {
    select = open_->Path;
  } else if (opening_) {
    select = opening_->Path;
  } else if (!selected_.empty() && scan.Find(selected_) != nullptr) {
    select = selected_;
  } else if (!scan.Listed.empty()) {
    select = scan.Listed.front().Path;
  }

  const TSerPortEntry* target = nullptr;
  if (!access_.IsOpen() && !opening_) {
    // The adapter that was in use comes first; otherwise a port that has
    // just appeared, or just been let go by another program, is taken, as
    // at start-up.
    // A Bluetooth port is never taken: only the user's choice opens it.
    if (returning_) {
      for (const TSerPortEntry& e : scan.Listed)
        if (!e.Busy && !e.Bluetooth && e.SameAdapter(*returning_)) target = &e;
    }
    if (target == nullptr) {
      for (const TSerPortEntry& e : scan.Listed)
        if (!e.Busy && !e.Bluetooth && isNew(e)) {
          target = &e;
          break;
        }
    }
    if (target != nullptr) select = target->Path;
  }
  const std::optional<TSerPortEntry> toOpen = target ? std::optional<TSerPortEntry>(*target) : std::nullopt;
  listed_ = scan.Listed;
  selected_ = select;
  view_.ShowPorts(listed_, selected_);
  if (toOpen && !OpenPort(*toOpen)) told_.push_back({false, Refusal(texts::kPortOpenError, *toOpen)});
  UpdateRecheck();
  Tell();
}

void PortChooser::Choose(const std::string& Path) {
  if (stopped_) return;
  const auto it = std::find_if(listed_.begin(), listed_.end(), [&](const TSerPortEntry& e) { return e.Path == Path; });
  if (it == listed_.end() || (opening_ && opening_->Path == Path)) return;
  const TSerPortEntry entry = *it;
  if (selected_ != entry.Path) {
    selected_ = entry.Path;
    view_.ShowPorts(listed_, selected_);
  }
  // The open port is closed first, even when it is the one chosen: a failed
  // change leaves no port open.
  EndOpening();
  access_.Close();
  open_.reset();
  if (entry.Bluetooth) {
    opening_ = entry;
    view_.ShowOpening(entry.Name);
    access_.OpenInBackground(entry, [this, entry](const PortOpening& o) { Opened(entry, o); });
  } else if (!OpenPort(entry)) {
    told_.push_back({false, Refusal(texts::kPortOpenError, entry)});
  }
  UpdateRecheck();
  Tell();
}

bool PortChooser::Step(const std::string& Path) {
  const auto it = std::find_if(listed_.begin(), listed_.end(), [&](const TSerPortEntry& e) { return e.Path == Path; });
  if (stopped_ || Path == selected_ || it == listed_.end() || it->Bluetooth) return false;
  Choose(Path);
  return true;
}

void PortChooser::Opened(const TSerPortEntry& Entry, const PortOpening& Opening) {
  if (stopped_ || !opening_ || opening_->Path != Entry.Path) return;
  opening_.reset();
  view_.ShowOpening("");
  if (!Took(Entry, Opening)) told_.push_back({false, Refusal(texts::kPortOpenError, Entry)});
  UpdateRecheck();
  Tell();
}

void PortChooser::EndOpening() {
  if (!opening_) return;
  opening_.reset();
  access_.Close();
  if (!stopped_) view_.ShowOpening("");
}

bool PortChooser::ChooseNamed(const std::string& Text) {
  const std::string wanted = Trimmed(Text);
  if (wanted.empty() || stopped_) return false;
  for (const TSerPortEntry& e : listed_) {
    if (SameText(wanted, e.Name) || SameText(wanted, FieldPortName(e.Name)) || SameText(wanted, e.Path)) {
      if (e.Path != selected_) Choose(std::string(e.Path));
      return true;
    }
  }
  return false;
}

void PortChooser::DeviceLost() {
  if (stopped_ || !access_.IsOpen()) return;  // closed already: told once
  Lose(open_ ? open_->Name : ShortPortName(access_.OpenPath()));
  UpdateRecheck();
  Tell();
}

void PortChooser::Stop() {
  stopped_ = true;
  recheck_->SetEnabled(false);
  access_.Close();
  open_.reset();
  opening_.reset();
  returning_.reset();
  told_.clear();
}

bool PortChooser::OpenPort(const TSerPortEntry& Entry) { return Took(Entry, access_.Open(Entry)); }

bool PortChooser::Took(const TSerPortEntry& Entry, const PortOpening& Opening) {
  if (!Opening.Opened) {
    access_.Close();
    // Refused because another program holds it: on Windows, where a scan
    // opens nothing, that is the first anyone learns of it. It stays listed
    // as busy until the look at busy ports finds it let go. (The opening
    // says so; asking again would open the port once more.)
    if (Opening.Busy) {
      held_.insert(Entry.Path);
      KeepHeldMarks(listed_);
      view_.ShowPorts(listed_, selected_);
    }
    return false;
  }
  held_.erase(Entry.Path);
  open_ = Entry;
  returning_.reset();
  return true;
}

void PortChooser::KeepHeldMarks(std::vector<TSerPortEntry>& Listed) {
  std::set<std::string> still;
  for (TSerPortEntry& e : Listed) {
    if (held_.count(e.Path) == 0 || e.Own) continue;
    e.Busy = true;
    still.insert(e.Path);
  }
  held_.swap(still);  // a port that has gone is forgotten
}

std::string PortChooser::Refusal(const std::string& Text, const TSerPortEntry& Entry) const {
  if (held_.count(Entry.Path) == 0) return Text;
  TSerPortEntry held = Entry;
  held.Busy = true;
  return Text + "\n" + Entry.Name + " — " + BusyText(held);
}

void PortChooser::Lose(const std::string& Name) {
  if (open_) {
    returning_ = open_;
    // Many adapters of one make carry the same serial number (CP2102s often
    // "0001"): one that another listed port also has does not tell the
    // adapter that went from the others.
    const bool shared = std::any_of(listed_.begin(), listed_.end(), [this](const TSerPortEntry& e) {
      return e.Path != open_->Path && !e.AdapterSerial.empty() && e.AdapterSerial == open_->AdapterSerial;
    });
    if (shared) returning_->AdapterSerial.clear();
  }
  open_.reset();
  // Closing drops whatever was queued for the dead line.
  access_.Close();
  told_.push_back({true, Name});
}

void PortChooser::UpdateRecheck() {
  const bool busy = std::any_of(listed_.begin(), listed_.end(), Rechecked);
  recheck_->SetEnabled(busy && !access_.IsOpen() && !opening_);
}

void PortChooser::RecheckBusy() {
  // Only the busy ports are looked at: opening the free ones every second
  // would pulse their modem lines.
  bool letGo = false;
  for (const TSerPortEntry& e : listed_) {
    if (Rechecked(e) && !access_.IsBusy(e.Path)) {
      held_.erase(e.Path);
      letGo = true;
    }
  }
  if (letGo) Rescan();
}

void PortChooser::Tell() {
  std::vector<Told> told;
  told.swap(told_);
  for (const Told& t : told) {
    if (stopped_) return;
    if (t.Lost) {
      view_.PortLost(t.Text);
    } else {
      view_.ShowError(t.Text);
    }
  }
}

}  // namespace galt
