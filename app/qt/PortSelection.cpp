// The window's side of port selection: the port chooser decides which port
// is open; the window lists what it shows in cmbPorts, shows its boxes and
// passes on the user's choices and the port watch's news.

#include <QLineEdit>

#include "app/qt/PortCombo.h"
#include "app/qt/Unit1.h"

namespace galt {

void TForm1::RefreshPorts() { binding_->RefreshPorts(); }

void TForm1::cmbPortsChange() {
  if (const TSerPortEntry* chosen = cmbPorts->Selected()) binding_->cmbPortsChange(chosen->Path);
}

void TForm1::PortTextEntered() {
  // The list's own Enter handling has chosen a row matching the short name
  // already; a full path is the chooser's to find. Text that names no port
  // changes nothing and is put back.
  binding_->PortTextEntered(cmbPorts->lineEdit()->text().toStdString());
  cmbPorts->ShowSelected();
}

void TForm1::ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) {
  cmbPorts->SetEntries(Listed, SelectedPath);
}

}  // namespace galt
