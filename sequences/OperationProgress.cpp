// The operation under way: its phase, how far it has got and an upper
// estimate of the time it may still take, in whole seconds. The front ends
// put it in words (frontend/ProgressText.h).

#include <algorithm>

#include "sequences/LoaderCore.h"

namespace galt {

namespace {

// Rounded up: 0 only once nothing is left to wait for.
int Seconds(std::int64_t ms) { return static_cast<int>((std::max<std::int64_t>(ms, 0) + 999) / 1000); }

}  // namespace

OperationProgress LoaderCore::Progress() const {
  OperationProgress p;
  const int block = TextToInt(St_blk);

  if (Timer2->Enabled()) {
    // The limit is reached on the tick after the last retry.
    const int ticksLeft = kDeactivateRetries + 1 - DeactivateTries;
    p.phase = OperationProgress::Deactivating;
    p.step = DeactivateTries + 1;
    p.steps = kDeactivateRetries + 1;
    p.secondsLeft = Seconds(static_cast<std::int64_t>(ticksLeft) * Timer2->Interval());
    return p;
  }

  if (Timer4->Enabled()) {
    const int count = std::max(SPBLH.Value() - writeFirstBlock_, 1);
    const int confirmed = std::clamp(block - writeFirstBlock_, 0, count - 1);
    p.phase = OperationProgress::Writing;
    p.step = confirmed + 1;
    p.steps = count;
    // The pace so far, up to the last echo; none before the first.
    if (confirmed > 0) {
      const std::int64_t elapsed = writeEchoAt_ - writeStartedAt_;
      const std::int64_t writing = (elapsed * (count - confirmed) + confirmed - 1) / confirmed;
      p.secondsLeft = Seconds(writing + LadderBoundMs(Timer3->Interval()));
    }
    return p;
  }

  if (Timer3->Enabled()) {
    p.phase = OperationProgress::Confirming;
    p.secondsLeft = Seconds(LadderBoundMs(Timer3->Interval()) - (clock_.NowMs() - ladderStepAt_));
    return p;
  }

  if (ReplyWatchdog->Enabled()) {
    // A verify always starts at block 0, a read at the first block.
    const int first = VerifyMode ? 0 : SPBLL.Value();
    p.phase = VerifyMode ? OperationProgress::Verifying : OperationProgress::Reading;
    p.steps = std::max(SPBLH.Value() - first, 1);
    p.step = std::clamp(block - first + 1, 1, p.steps);
  }
  return p;
}

}  // namespace galt
