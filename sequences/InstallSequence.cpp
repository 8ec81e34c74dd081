// The one-button install: deactivate (retried by Timer2), write every block
// (each watched by Timer4), activate and confirm (the Timer3 query ladder).
// The reply-driven steps between them live in ReplyHandling.cpp.

#include "image/Firmware.h"
#include "sequences/LoaderCore.h"

namespace galt {

void LoaderCore::StartInstall(int serial) {
  zn.SetValue(serial);
  Button4Click();
}

void LoaderCore::Button4Click() {
  // A second press would restart deactivation under a running write pass
  // and leave the device half-written.
  if (OperationRunning()) return;
  // Ten seconds of deactivation into nothing would end in the device's
  // error, for a fault of the port.
  if (!port_.IsOpen()) {
    boxes_.Show(BoxIcon::Error, texts::kErrorCaption, texts::kNoPortOpen);
    return;
  }
  anotherModel_ = false;
  LoadEmbeddedFirmware(Memo1);
  AppendErasedDataLines(Memo1, kInstallFillLineCount);
  Timer3->SetInterval(kLadderFirstStepMs);
  DeactivateTries = 0;
  link.CurrentCommand = cmdDeactivate;
  SendCommand();
  Timer2->SetEnabled(true);
  Gauge1.SetProgress(0);
  Gauge2.SetProgress(0);
}

void LoaderCore::deactiveClick() {
  DeactivateTries = 0;
  link.CurrentCommand = cmdDeactivate;
  SendCommand();
  Timer2->SetEnabled(true);
  Gauge1.SetProgress(0);
}

void LoaderCore::Timer2Timer() {
  if (DeactivateTries < kDeactivateRetries) {
    ++DeactivateTries;
    link.CurrentCommand = cmdDeactivate;
    SendCommand();
  } else {
    DeactivateTries = 0;
    End(OperationEnd::DeactivationFailed, BoxIcon::Error, texts::kErrorCaption, texts::kDeactivateError);
  }
  Gauge1.SetProgress(DeactivateTries / 2);
}

void LoaderCore::Timer4Timer() {
  End(OperationEnd::EchoMissing, BoxIcon::Error, texts::kErrorCaption, texts::kLoadError);
}

void LoaderCore::Timer3Timer() {
  const int next = NextLadderStep(Timer3->Interval());
  if (next == 0) {  // the last query went unanswered
    End(OperationEnd::ConfirmationMissing, BoxIcon::Error, texts::kErrorCaption, texts::kLoadError);
    return;
  }
  Timer3->SetInterval(next);
  StartLadderStep();
  link.CurrentCommand = cmdQuery;
  SendCommand();
}

}  // namespace galt
