// Port discovery at start-up, the port selector, and following ports that
// are plugged and unplugged: the list shows every usable port (busy ones
// marked with who holds them), the first free one is opened at start-up,
// choosing an entry closes the open port and opens the chosen one.

#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "app/PortList.h"
#include "app/Unit1.h"

namespace galt {

TSerScanOptions TForm1::ScanOptions() {
  TSerScanOptions options;
  if (openEntry_ && cp1().IsOpen()) options.OwnPath = openEntry_->Path;
  return options;
}

void TForm1::ScanPorts() {
  const TSerPortScan scan = ScanPortTable(ports_, ScanOptions());
  const TSerPortEntry* first = scan.FirstFree();
  cmbPorts->SetEntries(scan.Listed, first ? first->Path : (scan.Listed.empty() ? "" : scan.Listed.front().Path));
  if (first == nullptr || !scan.Denied.empty()) ReportNoFreePort(scan);
  if (first != nullptr && !OpenEntry(*first)) {
    core_.Boxes().Show(BoxIcon::Error, texts::kErrorCaption, texts::kPortOpenErrorAtStart);
    cp1().Close();
  }
  UpdatePortRecheck();
}

void TForm1::UpdatePortRecheck() {
  if (portRecheck_ == nullptr) return;
  bool busy = false;
  for (const TSerPortEntry& e : cmbPorts->Entries()) busy = busy || e.Busy;
  if (busy && !cp1().IsOpen()) {
    if (!portRecheck_->isActive()) portRecheck_->start();
  } else {
    portRecheck_->stop();
  }
}

void TForm1::RecheckBusyPorts() {
  // Only the busy ports are looked at: opening the free ones every second
  // would pulse their modem lines.
  for (const TSerPortEntry& e : cmbPorts->Entries()) {
    if (e.Busy && !PortIsBusy(e.Path)) {
      RefreshPorts();
      return;
    }
  }
}

void TForm1::ReportNoFreePort(const TSerPortScan& scan) {
  std::string text;
  if (scan.FirstFree() == nullptr) {
    std::string busy;
    for (const TSerPortEntry& e : scan.Listed)
      if (e.Busy) busy += e.Name + " — " + BusyText(e) + "\n";
    if (!busy.empty()) text = texts::kPortsBusy + "\n" + busy + texts::kPortsBusyHint;
  }
  // The access hint only names nodes with hardware behind them.
  if (!scan.Denied.empty()) {
    if (!text.empty()) text += "\n\n";
    text += texts::kPortsDenied + "\n";
    for (const std::string& path : scan.Denied) text += path + "\n";
    text += texts::kPortsDeniedHint;
  }
  if (text.empty() && scan.Listed.empty()) text = texts::kNoPorts;
  if (!text.empty()) core_.Boxes().Show(BoxIcon::Error, texts::kErrorCaption, text);
}

bool TForm1::OpenEntry(const TSerPortEntry& entry) {
  // Another program on the same line would take the device's replies.
  if (!PortHoldersOf(entry.Path).empty()) return false;
  try {
    cp1().SetPortNum(entry.PortNum);
    cp1().Open();
  } catch (const std::exception&) {
    return false;
  }
  openEntry_ = entry;
  returning_.reset();
  return true;
}

void TForm1::cmbPortsChange() {
  const TSerPortEntry* chosen = cmbPorts->Selected();
  if (chosen == nullptr) return;
  const TSerPortEntry entry = *chosen;
  bool opened = false;
  try {
    if (cp1().IsOpen()) cp1().Close();
    openEntry_.reset();
    opened = OpenEntry(entry);
  } catch (const std::exception&) {
    opened = false;
  }
  if (!opened) {
    core_.Boxes().Show(BoxIcon::Error, texts::kErrorCaption, texts::kPortOpenError);
    if (cp1().IsOpen()) cp1().Close();
  }
  UpdatePortRecheck();
}

void TForm1::cp1DeviceLost() {
  if (!cp1().IsOpen()) return;  // already closed: told once
  const std::string name =
      openEntry_ ? openEntry_->Name : ShortPortName(ports_.Resolve(cp1().FormattedDeviceName()).value_or(""));
  if (openEntry_) returning_ = openEntry_;
  openEntry_.reset();
  // Closing drops whatever was queued for the dead line.
  cp1().Close();
  Dispatch([this, &name] { core_.LinkLost(name); });
  UpdatePortRecheck();
}

void TForm1::PortTextEntered() {
  const int row = cmbPorts->RowNamed(cmbPorts->lineEdit()->text());
  if (row < 0) {
    // Text that names no port changes nothing.
    cmbPorts->ShowSelected();
    return;
  }
  // The list's own Enter handling has chosen a row matching the short name
  // already; a full path is ours to choose.
  if (row != cmbPorts->currentIndex()) {
    cmbPorts->setCurrentIndex(row);
    cmbPortsChange();
  }
  cmbPorts->ShowSelected();
}

void TForm1::RefreshPorts() {
  const bool open = cp1().IsOpen() && openEntry_.has_value();
  const TSerPortScan scan = ScanPortTable(ports_, ScanOptions());

  // Ports that were not there, or not free, at the last look.
  std::vector<std::string> before;
  for (const TSerPortEntry& e : cmbPorts->Entries())
    if (!e.Busy) before.push_back(e.Path);
  const auto isNew = [&](const TSerPortEntry& e) {
    return std::find(before.begin(), before.end(), e.Path) == before.end();
  };

  // The open port's node has gone with its device, before the line said so.
  if (open && scan.Find(openEntry_->Path) == nullptr) cp1DeviceLost();

  std::string select;
  if (openEntry_ && cp1().IsOpen()) {
    select = openEntry_->Path;
  } else if (const TSerPortEntry* current = cmbPorts->Selected(); current && scan.Find(current->Path)) {
    select = current->Path;
  } else if (!scan.Listed.empty()) {
    select = scan.Listed.front().Path;
  }

  const TSerPortEntry* target = nullptr;
  if (!cp1().IsOpen()) {
    // The adapter that was in use comes first; otherwise a port that has
    // just appeared, or just been let go by another program, is taken, as
    // at start-up.
    if (returning_) {
      for (const TSerPortEntry& e : scan.Listed)
        if (!e.Busy && e.SameAdapter(*returning_)) target = &e;
    }
    if (target == nullptr) {
      for (const TSerPortEntry& e : scan.Listed)
        if (!e.Busy && isNew(e)) {
          target = &e;
          break;
        }
    }
    if (target != nullptr) select = target->Path;
  }
  cmbPorts->SetEntries(scan.Listed, select);
  if (target != nullptr) {
    const TSerPortEntry entry = *target;
    if (!OpenEntry(entry)) {
      core_.Boxes().Show(BoxIcon::Error, texts::kErrorCaption, texts::kPortOpenError);
      if (cp1().IsOpen()) cp1().Close();
    }
  }
  UpdatePortRecheck();
}

}  // namespace galt
