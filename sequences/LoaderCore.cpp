#include "sequences/LoaderCore.h"

namespace galt {

LoaderCore::LoaderCore(TimerSource& timers, MessageBoxes& boxes, SerialText& port,
                       const MonotonicClock& clock)
    : Timer2(timers.CreateTimer(kDeactivateIntervalMs)),
      Timer3(timers.CreateTimer(kLadderFirstStepMs)),
      Timer4(timers.CreateTimer(kWriteWatchdogMs)),
      ReplyWatchdog(timers.CreateTimer(kBlockReplyWaitMs)),
      boxes_(boxes),
      port_(port),
      clock_(clock) {
  Timer2->OnTimer = [this] { Timer2Timer(); };
  Timer3->OnTimer = [this] { Timer3Timer(); };
  Timer4->OnTimer = [this] { Timer4Timer(); };
  ReplyWatchdog->OnTimer = [this] { ReplyWatchdogTimer(); };
}

LoaderCore::~LoaderCore() = default;

void LoaderCore::FormCreateImage() { FillBlankImage(Memo1, kFullImageLines + 1); }

void LoaderCore::ArmWriteWatchdog() { Timer4->SetEnabled(true); }

bool LoaderCore::OperationRunning() const {
  return Timer2->Enabled() || Timer3->Enabled() || Timer4->Enabled() || ReplyWatchdog->Enabled();
}

void LoaderCore::LinkReset() {
  // The old line's reply will never come, and its silence is no fault of
  // the device.
  ReplyWatchdog->SetEnabled(false);
  link.ResetReceiver();
}

void LoaderCore::StopTimers() {
  for (Timer* timer : {Timer2.get(), Timer3.get(), Timer4.get(), ReplyWatchdog.get()}) timer->SetEnabled(false);
}

void LoaderCore::LinkLost(const std::string& portName) {
  LinkReset();
  End(OperationEnd::LinkLost, BoxIcon::Error, texts::kErrorCaption, texts::LinkLostText(portName));
}

void LoaderCore::End(OperationEnd end, BoxIcon icon, const std::string& caption, const std::string& text) {
  // Whatever ended it, nothing of the operation goes on: a retry left running
  // would hold the button and send frames after the end.
  StopTimers();
  const OperationEnding ending{end, anotherModel_};
  anotherModel_ = false;
  if (OnEnding) OnEnding(ending, text);
  boxes_.Show(icon, caption, text);
  if (OnEnd) OnEnd(ending);
}

void LoaderCore::DispatchTimerTicks(const std::function<void(const std::function<void()>&)>& dispatch) {
  Timer2->OnTimer = [this, dispatch] { dispatch([this] { Timer2Timer(); }); };
  Timer3->OnTimer = [this, dispatch] { dispatch([this] { Timer3Timer(); }); };
  Timer4->OnTimer = [this, dispatch] { dispatch([this] { Timer4Timer(); }); };
  ReplyWatchdog->OnTimer = [this, dispatch] { dispatch([this] { ReplyWatchdogTimer(); }); };
}

void LoaderCore::StartWritePass() {
  writeStartedAt_ = clock_.NowMs();
  writeFirstBlock_ = TextToInt(St_blk);
}

void LoaderCore::StartLadderStep() { ladderStepAt_ = clock_.NowMs(); }

}  // namespace galt
