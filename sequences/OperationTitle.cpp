// The operation under way as the window's title and a console show it: its
// phase, how far it has got and an upper estimate of the time it may still
// take, in whole seconds.

#include <algorithm>

#include "sequences/LoaderCore.h"

namespace galt {

namespace {

const std::string kTitle = "GALT-5R — загрузчик версии 0211";
// A title bar of the window's width shows about 40 characters: what matters
// (the serial number, how far, how long) comes first, the program's name last.
const std::string kTitleSuffix = " — GALT-5R";
const std::string kDot = " · ";

// Rounded up: 0 only once nothing is left to wait for.
int Seconds(std::int64_t ms) { return static_cast<int>((std::max<std::int64_t>(ms, 0) + 999) / 1000); }

std::string Of(int step, int steps) { return std::to_string(step) + "/" + std::to_string(steps); }

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

  if (blockReplyAwaited_) {
    // A verify always starts at block 0, a read at the first block.
    const int first = VerifyMode ? 0 : SPBLL.Value();
    p.phase = VerifyMode ? OperationProgress::Verifying : OperationProgress::Reading;
    p.steps = std::max(SPBLH.Value() - first, 1);
    p.step = std::clamp(block - first + 1, 1, p.steps);
  }
  return p;
}

std::string LoaderCore::WindowTitle() const {
  const OperationProgress p = Progress();
  // The install shows the serial number it writes, before the device has it.
  const std::string serial = "№ " + std::to_string(zn.Value()) + kDot;
  const std::string left = p.secondsLeft ? kDot + std::to_string(*p.secondsLeft) + " с" : "";
  switch (p.phase) {
    case OperationProgress::Deactivating:
      return serial + "останов " + Of(p.step, p.steps) + left + kTitleSuffix;
    case OperationProgress::Writing:
      return serial + Of(p.step, p.steps) + left + kTitleSuffix;
    case OperationProgress::Confirming:
      return serial + "проверка запуска" + left + kTitleSuffix;
    case OperationProgress::Reading:
      return "считывание " + Of(p.step, p.steps) + kTitleSuffix;
    case OperationProgress::Verifying:
      return "проверка FLASH " + Of(p.step, p.steps) + kTitleSuffix;
    case OperationProgress::Idle:
      break;
  }
  return kTitle;
}

}  // namespace galt
