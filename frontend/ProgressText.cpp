#include "frontend/ProgressText.h"

#include <algorithm>

namespace galt {

namespace {

using texts::kTitleSuffix;
const std::string kDot = " · ";

// How far the phase has got and the time it may still take:
// "57/233 · 35 с", "проверка запуска · 4 с".
std::string Detail(const OperationProgress& p) {
  std::string text = p.phase == OperationProgress::Confirming
                         ? "проверка запуска"
                         : std::to_string(p.step) + "/" + std::to_string(p.steps);
  if (p.secondsLeft) text += kDot + std::to_string(*p.secondsLeft) + " с";
  return text;
}

}  // namespace

std::string OperationTitle(const LoaderCore& Core) {
  const OperationProgress p = Core.Progress();
  // The install shows the serial number it writes, before the device has it.
  const std::string serial = "№ " + std::to_string(Core.zn.Value()) + kDot;
  switch (p.phase) {
    case OperationProgress::Deactivating: return serial + "останов " + Detail(p) + kTitleSuffix;
    case OperationProgress::Writing:
    case OperationProgress::Confirming: return serial + Detail(p) + kTitleSuffix;
    case OperationProgress::Reading: return "считывание " + Detail(p) + kTitleSuffix;
    case OperationProgress::Verifying: return "проверка FLASH " + Detail(p) + kTitleSuffix;
    case OperationProgress::Idle: break;
  }
  return "GALT-5R — загрузчик версии " + std::string(kFirmwareVersion);
}

std::optional<ProgressLine> OperationLine(const LoaderCore& Core) {
  const OperationProgress p = Core.Progress();
  const auto running = [](int percent) { return std::min(percent, 99); };
  switch (p.phase) {
    case OperationProgress::Deactivating:
      return ProgressLine{texts::kDeactivationLabel, running(Core.Gauge1.Percent()), "попытка " + Detail(p)};
    case OperationProgress::Writing:
    case OperationProgress::Confirming:
      return ProgressLine{texts::kLoadLabel, running(Core.Gauge2.Percent()), Detail(p)};
    case OperationProgress::Reading:
    case OperationProgress::Verifying:
      return ProgressLine{p.phase == OperationProgress::Reading ? texts::kReadLabel : texts::kVerifyLabel,
                          (p.step - 1) * 100 / p.steps, Detail(p)};
    case OperationProgress::Idle: break;
  }
  return std::nullopt;
}

}  // namespace galt
