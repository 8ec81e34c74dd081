#include "app/cli/Session.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <random>
#include <fstream>
#include <utility>

#include "app/cli/FilePath.h"
#include "app/cli/PortArgument.h"
#include "frontend/PortAccess.h"
#include "frontend/PortTexts.h"
#include "image/HexExport.h"
#include "sequences/InstallTiming.h"

namespace galt::cli {

namespace {

using Stream = ConsoleOutput::Stream;

// A read or verify pass has no watchdog of its own; a block's reply comes
// within a fraction of the write watchdog's time on a 14400-baud line.
constexpr int kReplyWaitMs = kWriteWatchdogMs;
constexpr int kStopCheckMs = 100;
// Beyond the longest run the sequence's own timers allow: only a device
// that keeps answering without ever finishing meets the overall guard.
constexpr int kGuardMarginMs = 60000;

const std::string kDeactivationLabel = "Деактивизация:";
const std::string kLoadLabel = "Загрузка:";
const std::string kReadLabel = "Считывание:";
const std::string kVerifyLabel = "Проверка:";

}  // namespace

Session::Session(const CliOptions& options, ConsoleOutput& console, const TSerPortTable& ports,
                 std::function<bool()> stopRequested, std::optional<std::set<std::string>> consoles)
    : options_(options), console_(console), stopRequested_(std::move(stopRequested)), consoles_(std::move(consoles)) {
  cp1_.SetPortTable(ports);
  UseLoaderLine(cp1_);
  const PortChoice port = ChoosePort(options_.port, ports);
  cp1_.SetDeviceName(port.deviceName);
  cp1_.SetPortNum(port.portNum);
  portShown_ = port.shown;

  CoreBindingHandlers handlers;
  handlers.Dispatch = [this](const std::function<void()>& handler) { Dispatch(handler); };
  handlers.ShowError = [this](const std::exception& e) { console_.Line(Stream::Err, e.what()); };
  // The device has gone (an adapter pulled out): the core stops the sequence
  // and says so, which ends the run.
  handlers.DeviceLost = [this] {
    cp1_.Close();
    Dispatch([this] { core_.LinkLost(portShown_); });
  };
  binding_ = std::make_unique<CoreBinding>(core_, cp1_, std::move(handlers));
  core_.OnEnd = [this](OperationEnd end) { Ended(end); };
  boxes_.BeforeShow = [this] { ShowProgress(); };

  replyGuard_ = timers_.CreateTimer(kReplyWaitMs);
  replyGuard_->OnTimer = [this] {
    Finish(kExitFailed, "Устройство не ответило на чтение блока " + core_.St_blk +
                            ". Проверьте подключение и повторите.");
  };
  stopCheck_ = timers_.CreateTimer(kStopCheckMs);
  stopCheck_->OnTimer = [this] {
    if (stopRequested_ && stopRequested_()) Finish(kExitStopped, StoppedText());
    ShowProgress();  // the time left counts down between replies too
  };
  core_.FormCreateImage();
}

Session::~Session() {
  // No delivery or tick reaches a half-destroyed session.
  if (cp1_.IsOpen()) cp1_.Close();
  // A read that did not end leaves no half file behind.
  if (!partFile_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(partFile_, ignored);
  }
}

int Session::Run() {
  // The import reports a refused file in its own box.
  if (options_.action == Action::Verify && !core_.OpenHexFile(FilePath(options_.file))) return kExitFile;
  if (options_.action == Action::Read && !PrepareOutput()) return kExitFile;
  if (!OpenPort()) return kExitPort;
  stopCheck_->SetEnabled(true);
  Dispatch([this] { Start(); });
  const bool ended = RunLoop(loop_, timers_, [this] { return exit_.has_value(); },
                             std::chrono::milliseconds(GuardMs()));
  if (!ended) {
    Finish(kExitFailed, "Операция не завершилась за " + std::to_string(GuardMs() / 1000) +
                            " с. Проверьте устройство и повторите.");
  }
  console_.EndProgress();
  cp1_.Close();
  core_.StopTimers();
  replyGuard_->SetEnabled(false);
  stopCheck_->SetEnabled(false);
  return *exit_;
}

bool Session::OpenPort() {
  const auto path = cp1_.PortTable().Resolve(cp1_.FormattedDeviceName());
  if (path && IsKernelConsole(*path, consoles_)) {
    console_.Line(Stream::Err, "Порт " + portShown_ +
                                   " — консоль ядра: система пишет туда свои сообщения, загрузчик его не "
                                   "открывает. Укажите другой порт.");
    return false;
  }
  const PortOpening opening = OpenUnlessHeld(cp1_);
  if (opening.Opened) return true;
  console_.Line(Stream::Err, texts::kPortOpenError + " " + portShown_);
  console_.Line(Stream::Err, OpenFailureText(portShown_, opening, texts::kPortsBusyHintCli));
  return false;
}

bool Session::PrepareOutput() {
  namespace fs = std::filesystem;
  const fs::path target = FilePath(options_.file);
  std::error_code error;
  const bool folder = fs::is_directory(target, error);
  // A name of its own: a file of the user's is never overwritten half-way.
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".part%06x", random() & 0xFFFFFFu);
  fs::path part = target;
  part += suffix;
  if (!folder) {
    std::ofstream probe(part, std::ios::binary | std::ios::trunc);
    if (probe) {
      partFile_ = part;
      return true;
    }
  }
  console_.Line(Stream::Err, "Не удалось записать файл " + options_.file + (folder ? ": это каталог" : "") +
                                 ". Проверьте путь и права доступа; устройство не опрашивалось.");
  return false;
}

void Session::Start() {
  core_.zn.SetValue(options_.serial.value_or(core_.zn.Value()));
  switch (options_.action) {
    case Action::Install:
      core_.Button4Click();
      break;
    case Action::Read:
      core_.SPBLH.SetValue(options_.blocks.value_or(kBlockLimitDefault));
      core_.rd_fClick();
      replyGuard_->SetEnabled(true);
      break;
    case Action::Verify:
      // The import set the limit to the blocks the file covers, plus two; the
      // flash has no blocks beyond its end to compare.
      core_.SPBLH.SetValue(options_.blocks.value_or(std::min(core_.SPBLH.Value(), kFlashBlocks)));
      core_.ver_fClick();
      replyGuard_->SetEnabled(true);
      break;
    case Action::List:
    case Action::Help:
    case Action::Version:
      break;
  }
  lastBlock_ = core_.St_blk;
  started_ = std::chrono::steady_clock::now();
}

void Session::Dispatch(const std::function<void()>& handler) {
  if (exit_) return;  // the outcome is known: nothing more runs
  try {
    handler();
  } catch (const std::exception& e) {
    // As in the window: the handler ends, its error is shown, the run goes on
    // (the sequence's timers end it if the device is lost).
    console_.Line(Stream::Err, e.what());
  }
  ShowProgress();
}

void Session::ShowProgress() {
  if (exit_) return;
  const OperationProgress progress = core_.Progress();
  const std::string detail = ProgressDetail();
  switch (progress.phase) {
    case OperationProgress::Deactivating:
      console_.Progress(kDeactivationLabel, core_.Gauge1.Percent(), detail);
      return;
    case OperationProgress::Writing:
    case OperationProgress::Confirming:
      if (!loading_) {
        // Acknowledged: the deactivation gauge jumps to its end.
        console_.Progress(kDeactivationLabel, 100);
        loading_ = true;
      }
      console_.Progress(kLoadLabel, core_.Gauge2.Percent(), detail);
      return;
    case OperationProgress::Reading:
    case OperationProgress::Verifying:
      if (core_.St_blk != lastBlock_) {
        lastBlock_ = core_.St_blk;
        replyGuard_->SetInterval(kReplyWaitMs);  // a fresh wait for the next block
      }
      console_.Progress(progress.phase == OperationProgress::Reading ? kReadLabel : kVerifyLabel,
                        TextToInt(core_.St_blk) * 100 / std::max(core_.SPBLH.Value(), 1), detail);
      return;
    case OperationProgress::Idle:
      // Confirmed: the load gauge at its end, just before the box.
      if (loading_) console_.Progress(kLoadLabel, core_.Gauge2.Percent());
      return;
  }
}

std::string Session::ProgressDetail() const {
  // As the window's title has it: how far, and how long it may still take.
  const OperationProgress p = core_.Progress();
  std::string detail;
  if (p.phase == OperationProgress::Deactivating) detail = "попытка ";
  if (p.phase == OperationProgress::Confirming) {
    detail = "проверка запуска";
  } else if (p.steps > 0) {
    detail += std::to_string(p.step) + "/" + std::to_string(p.steps);
  }
  if (p.secondsLeft) detail += " · " + std::to_string(*p.secondsLeft) + " с";
  return detail;
}

std::string Session::StoppedText() const {
  switch (core_.Progress().phase) {
    case OperationProgress::Writing:
      return "Остановлено во время записи: в устройстве нет работающей программы. Повторите установку.";
    case OperationProgress::Confirming:
      return "Остановлено до подтверждения: запуск новой программы не проверен. Повторите установку.";
    default:
      return "Остановлено.";
  }
}

void Session::Ended(OperationEnd end) {
  if (exit_) return;
  if (!EndedWell(end)) {
    Finish(kExitFailed);
  } else if (end == OperationEnd::ReadDone && options_.action == Action::Read) {
    SaveReadImage();
  } else if (end == OperationEnd::Confirmed && options_.action == Action::Install) {
    console_.EndProgress();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    std::string shown = time;
    std::replace(shown.begin(), shown.end(), '.', ',');
    console_.Line(Stream::Out, "Серийный номер " + std::to_string(core_.zn.Value()) + " записан: " + portShown_ +
                                   ", " + shown + " с");
    Finish(kExitOk);
  } else {
    Finish(kExitOk);
  }
}

void Session::SaveReadImage() {
  const std::optional<std::string> hex = ExportHexText(core_.Memo1, core_.SPBLH.Value());
  if (!hex) {
    Finish(kExitFailed, "Считаны не все блоки. Повторите считывание.");
    return;
  }
  std::ofstream file(partFile_, std::ios::binary | std::ios::trunc);
  file << *hex;
  file.close();
  std::error_code error;
  if (file) std::filesystem::rename(partFile_, FilePath(options_.file), error);
  if (!file || error) {
    Finish(kExitFile, "Не удалось записать файл " + options_.file + ". Проверьте путь и права доступа.");
    return;
  }
  partFile_.clear();
  Finish(kExitOk);
}

void Session::Finish(int code, const std::string& message) {
  if (exit_) return;
  if (!message.empty()) console_.Line(Stream::Err, message);
  exit_ = code;
}

int Session::GuardMs() const {
  const int limit = core_.SPBLH.Value();
  return (options_.action == Action::Install ? InstallBoundMs(limit) : limit * kReplyWaitMs) + kGuardMarginMs;
}

}  // namespace galt::cli
