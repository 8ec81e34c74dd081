#include "app/cli/Session.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <utility>

#include "app/cli/JournalListing.h"
#include "frontend/FilePath.h"
#include "app/cli/PortArgument.h"
#include "app/cli/PortListing.h"
#include "frontend/PortAccess.h"
#include "frontend/PortTexts.h"
#include "frontend/ProgressText.h"
#include "image/HexExport.h"
#include "image/HexImport.h"
#include "records/FileWorker.h"
#include "records/RegularFile.h"
#include "records/UntrustedText.h"
#include "records/Outcome.h"
#include "sequences/InstallTiming.h"
#include "serial/PortName.h"

namespace galt::cli {

namespace {

using Stream = ConsoleOutput::Stream;

constexpr int kStopCheckMs = 100;

// What --read's output path is: only a regular file is replaced (through a
// link, the file it names), and a missing one made; a folder, a device, a
// FIFO, a socket or a link to nothing stays as it is.
struct Output {
  enum Kind { File, Folder, Other };
  Kind kind;
  std::filesystem::path file;  // where the image goes
};

Output OutputAt(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (fs::is_directory(status)) return {Output::Folder, path};
  if (fs::is_regular_file(status)) {
    const fs::path file = fs::is_symlink(fs::symlink_status(path, error)) ? fs::canonical(path, error) : path;
    return {error ? Output::Other : Output::File, file};
  }
  if (status.type() == fs::file_type::not_found) {
    return {fs::is_symlink(fs::symlink_status(path, error)) ? Output::Other : Output::File, path};
  }
  // Not to be looked at (no access): the probe's failure says so.
  return {status.type() == fs::file_type::none ? Output::File : Output::Other, path};
}

// A file to verify that has not come by then is not coming.
constexpr std::chrono::seconds kFileReadDeadline{10};
// After a stop request the journal's entry waits this long at most: the run
// ends within a second.
constexpr std::chrono::milliseconds kStoppedJournalWait{300};
// Beyond the longest run the sequence's own timers allow: only a device
// that keeps answering without ever finishing meets the overall guard.
constexpr int kGuardMarginMs = 60000;

}  // namespace

Session::Session(const CliOptions& options, ConsoleOutput& console, const TSerPortTable& ports,
                 std::function<bool()> stopRequested, std::optional<std::set<std::string>> consoles)
    : options_(options),
      console_(console),
      stopRequested_(std::move(stopRequested)),
      journal_(boxes_, "cli", ChosenJournal(options_), loop_, timers_,
               [this](const std::string& problem) { console_.Line(Stream::Err, problem); }),
      tracing_(port_, TraceFileOf(options.trace ? std::optional(FilePath(*options.trace)) : std::nullopt),
               "galt-loader-cli"),
      consoles_(std::move(consoles)) {
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
  handlers.Trace = &tracing_;
  binding_ = std::make_unique<CoreBinding>(core_, cp1_, std::move(handlers));
  // Journalled at the end itself, before its box's line.
  core_.OnEnding = [this](const OperationEnding& ending, const std::string& text) {
    if (!exit_) journal_.End(ending, core_, text);
  };
  core_.OnEnd = [this](const OperationEnding& ending) { Ended(ending); };
  boxes_.BeforeShow = [this] { ShowProgress(); };

  stopCheck_ = timers_.CreateTimer(kStopCheckMs);
  stopCheck_->OnTimer = [this] {
    if (stopRequested_ && stopRequested_() && !exit_) {
      const std::string text = StoppedText();
      outcome_ = Outcome::Stopped;
      Finish(kExitStopped, text);
      journal_.End(Outcome::Stopped, core_, text);
    }
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
  SayTraceFailure();
  if (options_.action == Action::Verify) {
    if (const std::optional<int> refused = ImportFileToVerify()) return *refused;
  }
  if (options_.action == Action::Read && !PrepareOutput()) return kExitFile;
  BeginJournal();
  if (Stopping()) {
    const std::string text = StoppedText();
    console_.Line(Stream::Err, text);
    journal_.End(Outcome::Stopped, core_, text);
    SettleJournal();
    return kExitStopped;
  }
  if (const std::string problem = OpenPort(); !problem.empty()) {
    console_.Line(Stream::Err, problem);
    journal_.End(Outcome::NoPort, core_, problem);
    tracing_.Ended(Outcome::NoPort);
    SettleJournal();
    tracing_.Drain();
    SayTraceFailure();
    return kExitPort;
  }
  stopCheck_->SetEnabled(true);
  Dispatch([this] { Start(); });
  const bool ended = RunLoop(loop_, timers_, [this] { return exit_.has_value(); },
                             std::chrono::milliseconds(GuardMs()));
  if (!ended) {
    const std::string text =
        "Операция не завершилась за " + std::to_string(GuardMs() / 1000) + " с. Проверьте устройство и повторите.";
    outcome_ = Outcome::Stopped;
    Finish(kExitFailed, text);
    journal_.End(Outcome::Stopped, core_, text);
  }
  console_.EndProgress();
  cp1_.Close();
  core_.StopTimers();
  stopCheck_->SetEnabled(false);
  if (outcome_) tracing_.Ended(*outcome_);
  SettleJournal();
  tracing_.Drain();
  SayTraceFailure();
  return *exit_;
}

bool Session::Stopping() const { return stopRequested_ && stopRequested_(); }

std::optional<int> Session::ImportFileToVerify() {
  // Read off this thread: a FIFO is refused at once, and a share that stops
  // answering still lets Ctrl+C end the run.
  struct Read {
    std::optional<std::string> bytes;
    FileProblem problem;
  };
  const std::optional<Read> read = RunWithin(
      [path = FilePath(options_.file)] {
        Read got;
        got.bytes = ReadRegularFile(path, kMaxHexFileBytes, got.problem);
        return got;
      },
      std::chrono::steady_clock::now() + kFileReadDeadline, [this] { return Stopping(); });
  const bool done = read.has_value();
  if (!done && Stopping()) return kExitStopped;
  if (done && read->bytes) {
    // The import reports a refused file in its own box.
    return core_.OpenHexBytes(*read->bytes) ? std::nullopt : std::optional<int>(kExitFile);
  }
  // The window's box text, then which file (as typed, shown harmless) and why.
  const bool tooLarge = done && read->problem.fault == FileFault::TooLarge;
  const std::string why = tooLarge ? std::string() : ": " + (done ? FileProblemText(read->problem) : "файл не отвечает");
  console_.Line(Stream::Err,
                HexImportErrorText({tooLarge ? HexImportErrorKind::TooLarge : HexImportErrorKind::CannotRead, 0}) + " " +
                    PrintableText(options_.file) + why + ".");
  return kExitFile;
}

void Session::SettleJournal() {
  // The entry's file may hang: it delays the end by the deadline at most,
  // and a stop asked for cuts that short.
  const auto wait = Stopping() ? kStoppedJournalWait : kRecordFileDeadline;
  journal_.Settle(std::chrono::steady_clock::now() + wait, [this] { return Stopping(); });
  loop_.ProcessPending();
}

std::string Session::OpenPort() {
  const auto path = cp1_.PortTable().Resolve(cp1_.FormattedDeviceName());
  if (path && IsKernelConsole(*path, consoles_)) {
    return "Порт " + portShown_ +
           " — консоль ядра: система пишет туда свои сообщения, загрузчик его не открывает. Укажите другой порт.";
  }
  const PortOpening opening = OpenUnlessHeld(cp1_);
  if (opening.Opened) return {};
  return OpenFailureText(portShown_, opening, kPortsBusyHintCli);
}

void Session::BeginJournal() {
  JournalOperation operation = JournalOperation::Install;
  if (options_.action == Action::Read) operation = JournalOperation::Read;
  if (options_.action == Action::Verify) operation = JournalOperation::Verify;
  // A read or verify addresses the device by the lowest number unless one
  // is given: the journal names only a number the user gave.
  std::optional<int> serial = options_.serial;
  if (operation == JournalOperation::Install) {
    serial = serial.value_or(kSerialMin);
    // Said, not asked: a device may be written again on purpose. A journal
    // that does not answer in time says nothing.
    const std::string before = journal_.WrittenBeforeTextNow(
        *serial, std::chrono::steady_clock::now() + kRecordFileDeadline, [this] { return Stopping(); });
    if (!before.empty()) console_.Line(Stream::Out, before);
  }
  const auto path = cp1_.PortTable().Resolve(cp1_.FormattedDeviceName());
  // The records name the port as the window and --list do, however it was
  // typed: support searches them by that one name.
  const std::string recorded = path ? PortUserName(*path) : portShown_;
  journal_.Begin(operation, serial, recorded, path ? AdapterTextOfPath(*path) : std::string(),
                 operation == JournalOperation::Install ? std::string() : options_.file);
  tracing_.Began(operation, options_.serial, recorded);
}

bool Session::PrepareOutput() {
  namespace fs = std::filesystem;
  const Output output = OutputAt(FilePath(options_.file));
  // A name of its own: a file of the user's is never overwritten half-way.
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".part%06x", random() & 0xFFFFFFu);
  fs::path part = output.file;
  part += suffix;
  if (output.kind == Output::File) {
    std::ofstream probe(part, std::ios::binary | std::ios::trunc);
    if (probe) {
      partFile_ = part;
      return true;
    }
  }
  const char* why = output.kind == Output::Folder ? ": это каталог" : output.kind == Output::Other ? ": это не обычный файл" : "";
  console_.Line(Stream::Err, "Не удалось записать файл " + PrintableText(options_.file) + why +
                                 ". Проверьте путь и права доступа; устройство не опрашивалось.");
  return false;
}

void Session::Start() {
  // A read needs no serial number of its own: the frames carry the lowest.
  const int serial = options_.serial.value_or(kSerialMin);
  switch (options_.action) {
    case Action::Install:
      core_.StartInstall(serial);
      break;
    case Action::Read:
      core_.StartRead(serial, options_.blocks);
      break;
    case Action::Verify:
      core_.StartVerify(serial, options_.blocks);
      break;
    case Action::List:
    case Action::Journal:
    case Action::Help:
    case Action::Version:
      break;
  }
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
  const std::optional<ProgressLine> line = OperationLine(core_);
  if (!loading_ && line && line->Label == texts::kLoadLabel) {
    // Acknowledged: the deactivation gauge jumps to its end.
    console_.Progress(texts::kDeactivationLabel, 100);
    loading_ = true;
  }
  if (line) {
    console_.Progress(line->Label, line->Percent, line->Detail);
  } else if (loading_) {
    // The install has ended: the load gauge where it stopped, at its end
    // only when the device confirmed.
    console_.Progress(texts::kLoadLabel, core_.Gauge2.Percent());
  }
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

void Session::Ended(const OperationEnding& ending) {
  if (exit_) return;
  const OperationEnd end = ending;
  outcome_ = OutcomeOf(ending);
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
  // Looked at again: the path may have become something else meanwhile.
  const Output output = OutputAt(FilePath(options_.file));
  const bool replaceable = output.kind == Output::File;
  if (file && replaceable) std::filesystem::rename(partFile_, output.file, error);
  if (!file || !replaceable || error) {
    Finish(kExitFile, "Не удалось записать файл " + PrintableText(options_.file) + ". Проверьте путь и права доступа.");
    return;
  }
  partFile_.clear();
  console_.Line(Stream::Out, "Считанные данные записаны в файл " + PrintableText(options_.file) + ".");
  Finish(kExitOk);
}

void Session::Finish(int code, const std::string& message) {
  if (exit_) return;
  if (!message.empty()) console_.Line(Stream::Err, message);
  exit_ = code;
}

void Session::SayTraceFailure() {
  if (const auto failure = tracing_.TakeFailure()) console_.Line(Stream::Err, *failure);
}

int Session::GuardMs() const {
  const int limit = core_.SPBLH.Value();
  return (options_.action == Action::Install ? InstallBoundMs(limit) : limit * kBlockReplyWaitMs) + kGuardMarginMs;
}

}  // namespace galt::cli
