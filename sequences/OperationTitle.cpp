// The operation under way as the window's title and a console show it: its
// phase, how far it has got and an upper estimate of the time it may still
// take, in whole seconds.

#include <algorithm>

#include "sequences/LoaderCore.h"

namespace galt {

namespace {

const std::string kTitle = "GALT-5R — загрузчик версии 0211";
const std::string kTitlePrefix = "GALT-5R — ";

// Rounded up: 0 only once nothing is left to wait for.
int Seconds(std::int64_t ms) { return static_cast<int>((std::max<std::int64_t>(ms, 0) + 999) / 1000); }

std::string TimeLeft(int seconds) { return "осталось " + std::to_string(seconds) + " с"; }

std::string BlockOf(int number, int count) {
  return "блок " + std::to_string(number) + " из " + std::to_string(count);
}

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
  switch (p.phase) {
    case OperationProgress::Deactivating:
      return kTitlePrefix + "деактивизация: попытка " + std::to_string(p.step) + " из " + std::to_string(p.steps) +
             ", " + TimeLeft(*p.secondsLeft);
    case OperationProgress::Writing: {
      std::string title = kTitlePrefix + "загрузка: " + BlockOf(p.step, p.steps);
      if (p.secondsLeft) title += ", " + TimeLeft(*p.secondsLeft);
      return title;
    }
    case OperationProgress::Confirming:
      return kTitlePrefix + "проверка запуска: " + TimeLeft(*p.secondsLeft);
    case OperationProgress::Reading:
      return kTitlePrefix + "считывание: " + BlockOf(p.step, p.steps);
    case OperationProgress::Verifying:
      return kTitlePrefix + "проверка FLASH: " + BlockOf(p.step, p.steps);
    case OperationProgress::Idle:
      break;
  }
  return kTitle;
}

}  // namespace galt
