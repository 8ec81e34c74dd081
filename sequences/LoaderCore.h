#pragma once
// The loader's working state and its handlers, free of widgets. Each front
// end owns one LoaderCore (a window through WindowBinding, the command line
// in its Session), shows its values and binds its events to the handlers
// below; tests drive it directly.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "image/HexImport.h"
#include "image/ImageBuffer.h"
#include "link/Link.h"
#include "sequences/Controls.h"
#include "sequences/InstallTiming.h"
#include "sequences/MessageBoxes.h"
#include "sequences/MonotonicClock.h"
#include "sequences/OperationEnd.h"
#include "sequences/SerialText.h"
#include "sequences/Timer.h"

namespace galt {

// The operation under way, as the title and a console show it
// (frontend/ProgressText.h).
struct OperationProgress {
  enum Phase { Idle, Deactivating, Writing, Confirming, Reading, Verifying };
  Phase phase = Idle;
  int step = 0;   // the attempt or block under way, from 1 (0 in Confirming and Idle)
  int steps = 0;  // of how many
  // An upper estimate of the time the operation may still take, rounded up to
  // whole seconds; nothing while it cannot be told (before the first echo,
  // and for a read or verify pass).
  std::optional<int> secondsLeft;
};

class LoaderCore : private LinkHost {
 public:
  // `clock` times the progress of a running operation for the progress shown (OperationTitle, OperationLine).
  LoaderCore(TimerSource& timers, MessageBoxes& boxes, SerialText& port,
             const MonotonicClock& clock = SteadyClock::Instance());
  ~LoaderCore() override;

  // --- state kept in the window's controls ---
  ImageBuffer Memo1;
  SpinValue zn{kSerialMin, kSerialMax, kSerialMin};
  SpinValue SPBLL{0, kFlashBlocks - 1, 0};
  SpinValue SPBLH{kBlockLimitMin, kBlockLimitMax, kBlockLimitDefault};
  std::string St_blk = "0";
  std::string st_txd = "0";
  std::string st_rxd = "0";
  std::string sized1;  // label caption
  GaugeValue Gauge1{0, 100};
  GaugeValue Gauge2{0, kLoadConfirmed};
  std::unique_ptr<Timer> Timer2;  // kDeactivateIntervalMs, deactivation retries
  std::unique_ptr<Timer> Timer3;  // kLadderFirstStepMs, confirmation ladder
  std::unique_ptr<Timer> Timer4;  // kWriteWatchdogMs, write watchdog
  // kBlockReplyWaitMs: a read or verify pass awaits its block's reply.
  std::unique_ptr<Timer> ReplyWatchdog;

  // --- link and sequence variables ---
  Link link{*this};
  bool VerifyMode = false;
  std::int32_t ReadLineCount = 0;
  std::int32_t DeactivateTries = 0;

  // --- what a front end starts ---
  // The install of the carried firmware with `serial` (brought into range
  // first); ignored while an operation runs.
  void StartInstall(int serial);
  // Reads blocks 0 to `blocks` - 1 into the image (kBlockLimitDefault when
  // not given), addressing the device by `serial`.
  void StartRead(int serial, std::optional<int> blocks = {});
  // Compares the flash with the image, stamped with `serial`, over blocks 0
  // to `blocks` - 1: when not given, the blocks an imported file covers as
  // far as the flash goes.
  void StartVerify(int serial, std::optional<int> blocks = {});

  // --- handlers ---
  void FormCreateImage();              // the blank image of 7937 lines
  void SendCommand() { link.SendCommand(); }
  void cp1RxChar(int count) { link.cp1RxChar(count); }
  void HandleReply() override;
  void Button4Click();
  void Timer2Timer();
  void Timer3Timer();
  void Timer4Timer();
  // service panel
  void rd_fClick();
  void ver_fClick();
  void wr_fClick();
  void activeClick();
  void deactiveClick();
  void Button2Click();
  void Button1Click();
  void Button3Click() {}
  // The HEX import of the open-file button, once the user has chosen a file:
  // a refused file changes nothing and is reported in an error box (false).
  bool OpenHexFile(const std::filesystem::path& path);
  // The same for a file's bytes the front end has read itself.
  bool OpenHexBytes(std::string_view bytes);

  // Every tick of the sequence's timers runs through `dispatch`, as the front
  // end runs each of its handlers.
  void DispatchTimerTicks(const std::function<void(const std::function<void()>&)>& dispatch);

  // Told of every end of an operation at the end itself, with the text of
  // the box about to say it: what records the operation times it, not the
  // user's reading of the box.
  std::function<void(const OperationEnding&, const std::string& text)> OnEnding;
  // Told of every end of an operation, after its box has been shown.
  std::function<void(const OperationEnding&)> OnEnd;

  // --- the operation under way ---
  // An install or service pass is running: a timer of the sequence is on or
  // a read or verify pass awaits its block reply. The install button does
  // not start a second sequence over it.
  bool OperationRunning() const;
  // The port was closed or opened anew: a reply half-collected from the old
  // line is dropped, and a read or verify pass no longer awaits its reply.
  void LinkReset();
  // The sequence's timers stop: nothing of a running operation ticks again.
  void StopTimers();
  // The device behind the open port has gone: whatever runs is stopped at
  // once (its timers would only report the silence later, and wrongly), and
  // one box says what happened and what to do. The gauges stay where they
  // stopped.
  void LinkLost(const std::string& portName);
  // The operation under way: its phase, progress and time left.
  OperationProgress Progress() const;

 private:
  // Applies an import of the HEX file into the image with the block limit
  // it found; a refused file changes nothing and is reported in a box.
  bool OpenHex(const std::function<std::optional<HexImportError>(int& blockLimit)>& import);
  // LinkHost
  int SerialNumber() override { return zn.Value(); }
  int BlockNumber() override { return TextToInt(St_blk); }
  const ImageBuffer& Image() override { return Memo1; }
  void ArmWriteWatchdog() override;
  bool WriteText(const std::string& bytes) override { return port_.WriteText(bytes); }
  void FrameSent() override { AdvanceCounterText(st_txd); }
  std::string ReadText() override { return port_.ReadText(); }

  void StartWritePass();
  void StartLadderStep();
  void ReplyWatchdogTimer();
  // Reports the end, shows the box that says it, then reports it again.
  void End(OperationEnd end, BoxIcon icon, const std::string& caption, const std::string& text);

  MessageBoxes& boxes_;
  SerialText& port_;
  const MonotonicClock& clock_;
  // The pace of the current write pass: when it sent its first block, which
  // block that was, and when the last echo came.
  std::int64_t writeStartedAt_ = 0;
  int writeFirstBlock_ = 0;
  std::int64_t writeEchoAt_ = 0;
  std::int64_t ladderStepAt_ = 0;  // the current ladder step started then
  bool anotherModel_ = false;      // since the operation started
};

}  // namespace galt
