// The window's title while an operation runs: its phase, how far it has got
// and an upper estimate of the time it may still take, in whole seconds.

#include <algorithm>

#include "sequences/InstallTiming.h"
#include "sequences/LoaderCore.h"

namespace galt {

namespace {

const std::string kTitle = "GALT-5R — загрузчик версии 0211";
const std::string kTitlePrefix = "GALT-5R — ";

std::string TimeLeft(std::int64_t ms) {
  // Rounded up: "0 s" only once nothing is left to wait for.
  const std::int64_t seconds = (std::max<std::int64_t>(ms, 0) + 999) / 1000;
  return "осталось " + std::to_string(seconds) + " с";
}

std::string BlockOf(int number, int count) {
  return "блок " + std::to_string(number) + " из " + std::to_string(count);
}

}  // namespace

std::string LoaderCore::WindowTitle() const {
  const int block = TextToInt(St_blk);

  if (Timer2->Enabled()) {
    // The limit is reached on the tick after the last retry.
    const int ticksLeft = kDeactivateRetries + 1 - DeactivateTries;
    return kTitlePrefix + "деактивизация: попытка " + std::to_string(DeactivateTries + 1) + " из " +
           std::to_string(kDeactivateRetries + 1) + ", " +
           TimeLeft(static_cast<std::int64_t>(ticksLeft) * Timer2->Interval());
  }

  if (Timer4->Enabled()) {
    const int count = std::max(SPBLH.Value() - writeFirstBlock_, 1);
    const int confirmed = std::clamp(block - writeFirstBlock_, 0, count - 1);
    std::string title = kTitlePrefix + "загрузка: " + BlockOf(confirmed + 1, count);
    // The pace so far, up to the last echo; none before the first.
    if (confirmed == 0) return title;
    const std::int64_t elapsed = writeEchoAt_ - writeStartedAt_;
    const std::int64_t writing = (elapsed * (count - confirmed) + confirmed - 1) / confirmed;
    return title + ", " + TimeLeft(writing + LadderBoundMs(Timer3->Interval()));
  }

  if (Timer3->Enabled()) {
    const std::int64_t left = LadderBoundMs(Timer3->Interval()) - (clock_.NowMs() - ladderStepAt_);
    return kTitlePrefix + "проверка запуска: " + TimeLeft(left);
  }

  if (blockReplyAwaited_) {
    // A verify always starts at block 0, a read at the first block.
    const int first = VerifyMode ? 0 : SPBLL.Value();
    const int count = std::max(SPBLH.Value() - first, 1);
    const int number = std::clamp(block - first + 1, 1, count);
    return kTitlePrefix + (VerifyMode ? "проверка FLASH: " : "считывание: ") + BlockOf(number, count);
  }

  return kTitle;
}

}  // namespace galt
