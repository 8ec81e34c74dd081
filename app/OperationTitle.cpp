// The window's title follows the operation under way: its phase, progress
// and the time left, which counts down between the sequence's own events.

#include "app/Unit1.h"

namespace galt {

void TForm1::ShowOperationTitle() {
  setWindowTitle(QString::fromStdString(core_.WindowTitle()));
  titleRefresh_->SetEnabled(core_.OperationRunning());
}

}  // namespace galt
