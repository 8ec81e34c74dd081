// Port discovery at start-up and the port selector: the ports that can be
// opened are listed once, the first is opened, and choosing an entry closes
// the open port and opens the chosen one.

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

#include "app/Unit1.h"
#include "serial/PortDiscovery.h"

namespace galt {

namespace {
constexpr int kPortNumRole = Qt::UserRole;
}

void TForm1::ScanPorts() {
  const TSerPortScan scan = ScanPortTable(ports_);
  cmbPorts->clear();
  for (const TSerPortEntry& entry : scan.Listed)
    cmbPorts->addItem(QString::fromStdString(entry.Path), entry.PortNum);
  if (cmbPorts->count() > 0) {
    cmbPorts->setCurrentIndex(0);
    // Device paths are longer than the narrow selector: the list opens wide
    // enough to read them, and the field shows the end of the path.
    cmbPorts->view()->setMinimumWidth(cmbPorts->view()->sizeHintForColumn(0) + 24);
    cmbPorts->lineEdit()->setCursorPosition(static_cast<int>(cmbPorts->currentText().size()));
  }

  // A Linux user otherwise faces an empty selector with no clue.
  if (!scan.Denied.empty()) {
    std::string text = texts::kPortsDenied + "\n";
    for (const std::string& path : scan.Denied) text += path + "\n";
    text += texts::kPortsDeniedHint;
    core_.Boxes().Show(BoxIcon::Error, texts::kErrorCaption, text);
  } else if (scan.Listed.empty()) {
    core_.Boxes().Show(BoxIcon::Error, texts::kErrorCaption, texts::kNoPorts);
  }
  if (scan.Listed.empty()) return;

  cp1().SetPortNum(scan.Listed.front().PortNum);
  try {
    cp1().Open();
  } catch (const std::exception&) {
    core_.Boxes().Show(BoxIcon::Error, texts::kErrorCaption, texts::kPortOpenErrorAtStart);
    cp1().Close();
  }
}

void TForm1::cmbPortsChange() {
  const int index = cmbPorts->currentIndex();
  if (index < 0) return;
  const int port = cmbPorts->itemData(index, kPortNumRole).toInt();
  try {
    if (cp1().IsOpen()) cp1().Close();
    cp1().SetPortNum(port);
    cp1().Open();
  } catch (const std::exception&) {
    core_.Boxes().Show(BoxIcon::Error, texts::kErrorCaption, texts::kPortOpenError);
    if (cp1().IsOpen()) cp1().Close();
  }
}

}  // namespace galt
