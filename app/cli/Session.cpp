#include "app/cli/Session.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <utility>

#include "app/LoaderLine.h"
#include "app/PortTexts.h"
#include "app/cli/PortArgument.h"
#include "image/HexExport.h"

namespace galt::cli {

namespace {

using Stream = ConsoleOutput::Stream;

// A read or verify pass has no watchdog of its own; a block's reply comes
// within a fraction of this on a 14400-baud line.
constexpr int kReplyWaitMs = 1000;
constexpr int kStopCheckMs = 100;
// The overall guard: the longest run the sequence's own timers allow (201
// deactivation frames 50 ms apart, a second per block, the 4.2 s query
// ladder), plus a generous margin. Only a device that keeps answering
// without ever finishing meets it.
constexpr int kDeactivationMs = 201 * 50;
constexpr int kConfirmationMs = 4200;
constexpr int kGuardMarginMs = 60000;

const std::string kDeactivationLabel = "Деактивизация:";
const std::string kLoadLabel = "Загрузка:";
const std::string kReadLabel = "Считывание:";
const std::string kVerifyLabel = "Проверка:";

}  // namespace

Session::Session(const CliOptions& options, ConsoleOutput& console, const TSerPortTable& ports,
                 std::function<bool()> stopRequested)
    : options_(options), console_(console), stopRequested_(std::move(stopRequested)) {
  cp1_.SetPortTable(ports);
  UseLoaderLine(cp1_);
  const PortChoice port = ChoosePort(options_.port, ports);
  cp1_.SetDeviceName(port.deviceName);
  cp1_.SetPortNum(port.portNum);
  portShown_ = port.shown;

  cp1_.OnRxChar = [this](TSerCustomComm*, int count) { Dispatch([this, count] { core_.cp1RxChar(count); }); };
  ShowLineErrorsOnce(cp1_, lastSerialError_, [this](const std::exception& e) { console_.Line(Stream::Err, e.what()); });
  // The device has gone (an adapter pulled out): the core stops the sequence
  // and says so in its error box, which ends the run.
  cp1_.OnDeviceLost = [this](TSerCustomComm*) {
    cp1_.Close();
    Dispatch([this] { core_.LinkLost(portShown_); });
  };

  for (Timer* timer : {core_.Timer2.get(), core_.Timer3.get(), core_.Timer4.get()}) {
    timer->OnTimer = [this, tick = std::move(timer->OnTimer)] { Dispatch(tick); };
  }
  replyGuard_ = timers_.CreateTimer(kReplyWaitMs);
  replyGuard_->OnTimer = [this] {
    Finish(kExitFailed, "Устройство не ответило на чтение блока " + core_.St_blk +
                            ". Проверьте подключение и повторите.");
  };
  stopCheck_ = timers_.CreateTimer(kStopCheckMs);
  stopCheck_->OnTimer = [this] {
    if (stopRequested_ && stopRequested_()) Finish(kExitStopped, "Остановлено.");
  };
  boxes_.OnShown = [this](BoxIcon icon, const std::string& caption, const std::string& text) {
    BoxShown(icon, caption, text);
  };
  core_.FormCreateImage();
}

Session::~Session() {
  // No delivery or tick reaches a half-destroyed session.
  if (cp1_.IsOpen()) cp1_.Close();
}

int Session::Run() {
  if (options_.action == Action::Verify && !LoadVerifyImage()) return kExitFile;
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

bool Session::LoadVerifyImage() {
  // The import reports a refused file in an error box of its own.
  bool refused = false;
  auto shown = std::exchange(boxes_.OnShown,
                             [&refused](BoxIcon, const std::string&, const std::string&) { refused = true; });
  core_.OpenHexFile(options_.file);
  boxes_.OnShown = std::move(shown);
  return !refused;
}

bool Session::OpenPort() {
  // Another program on the same line would take the device's replies.
  if (const auto path = cp1_.PortTable().Resolve(cp1_.FormattedDeviceName())) {
    TSerPortEntry entry;
    entry.Holders = PortHoldersOf(*path);
    if (!entry.Holders.empty()) {
      console_.Line(Stream::Err, texts::kPortOpenError + " " + portShown_);
      console_.Line(Stream::Err, portShown_ + " — " + BusyText(entry) + ". " + texts::kPortsBusyHint);
      return false;
    }
  }
  try {
    cp1_.Open();
    return true;
  } catch (const std::exception& e) {
    console_.Line(Stream::Err, texts::kPortOpenError + " " + portShown_);
    console_.Line(Stream::Err, e.what());
    return false;
  }
}

void Session::Start() {
  core_.zn.SetValue(options_.serial.value_or(core_.zn.Value()));
  switch (options_.action) {
    case Action::Install:
      core_.Button4Click();
      break;
    case Action::Read:
      core_.SPBLH.SetValue(options_.blocks.value_or(kReadBlocksDefault));
      core_.rd_fClick();
      replyGuard_->SetEnabled(true);
      break;
    case Action::Verify:
      // The import set the limit to the blocks the file covers, plus two; the
      // flash has no blocks beyond its end to compare.
      core_.SPBLH.SetValue(options_.blocks.value_or(std::min(core_.SPBLH.Value(), kBlocksMax)));
      core_.ver_fClick();
      replyGuard_->SetEnabled(true);
      break;
    case Action::List:
    case Action::Help:
      break;
  }
  lastBlock_ = core_.St_blk;
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
  Observe();
}

void Session::Observe() {
  if (exit_) return;
  switch (options_.action) {
    case Action::Install:
      if (core_.Gauge2.Progress() == core_.Gauge2.MaxValue()) {
        Finish(kExitOk);  // the device answered with the serial number
        return;
      }
      if (!loading_ && core_.Gauge1.Progress() < core_.Gauge1.MaxValue()) {
        console_.Progress(kDeactivationLabel, core_.Gauge1.Percent());
        return;
      }
      if (!loading_) {
        // Acknowledged: the deactivation gauge jumps to its end.
        console_.Progress(kDeactivationLabel, 100);
        loading_ = true;
      }
      console_.Progress(kLoadLabel, core_.Gauge2.Percent());
      return;
    case Action::Read:
    case Action::Verify: {
      if (core_.St_blk != lastBlock_) {
        lastBlock_ = core_.St_blk;
        replyGuard_->SetInterval(kReplyWaitMs);  // a fresh wait for the next block
      }
      const int limit = std::max(core_.SPBLH.Value(), 1);
      console_.Progress(options_.action == Action::Read ? kReadLabel : kVerifyLabel,
                        TextToInt(core_.St_blk) * 100 / limit);
      return;
    }
    case Action::List:
    case Action::Help:
      return;
  }
}

void Session::BoxShown(BoxIcon icon, const std::string& caption, const std::string& text) {
  if (exit_) return;
  if (icon == BoxIcon::Error) {
    // The sequence's failures carry the error caption; the other-model
    // warning (no caption) stops nothing, as in the window.
    if (caption == texts::kErrorCaption) Finish(kExitFailed);
    return;
  }
  if (options_.action == Action::Read && text == texts::kReadDone) {
    SaveReadImage();
  } else if (options_.action == Action::Verify && text == texts::kVerifyDone) {
    Finish(kExitOk);
  }
}

void Session::SaveReadImage() {
  const std::optional<std::string> hex = ExportHexText(core_.Memo1, core_.SPBLH.Value());
  if (!hex) {
    Finish(kExitFailed, "Считаны не все блоки. Повторите считывание.");
    return;
  }
  std::ofstream file(options_.file, std::ios::binary | std::ios::trunc);
  file << *hex;
  file.close();
  if (!file) {
    Finish(kExitFile, "Не удалось записать файл " + options_.file + ". Проверьте путь и права доступа.");
    return;
  }
  Finish(kExitOk);
}

void Session::Finish(int code, const std::string& message) {
  if (exit_) return;
  if (!message.empty()) console_.Line(Stream::Err, message);
  exit_ = code;
}

int Session::GuardMs() const {
  const int perBlock = core_.SPBLH.Value() * kReplyWaitMs;
  return options_.action == Action::Install ? kDeactivationMs + perBlock + kConfirmationMs + kGuardMarginMs
                                            : perBlock + kGuardMarginMs;
}

}  // namespace galt::cli
