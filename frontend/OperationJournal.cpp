#include "frontend/OperationJournal.h"

#include <algorithm>

#include "ports/PortDescription.h"
#include "records/JournalFile.h"
#include "records/JournalPlace.h"
#include "sequences/InstallTiming.h"

namespace galt {

namespace {

// The install's blocks written by its end: none before the device
// acknowledged the deactivation, all once the activation went out, and
// otherwise those echoed before the block under way.
int BlocksWritten(const LoaderCore& core) {
  if (core.Gauge1.Progress() < core.Gauge1.MaxValue()) return 0;
  const int limit = core.SPBLH.Value() - core.SPBLL.Value();
  if (core.Gauge2.Progress() >= kLoadAllWritten) return limit;
  return std::clamp(TextToInt(core.St_blk) - core.SPBLL.Value(), 0, limit);
}

}  // namespace

OperationJournal::OperationJournal(MessageBoxes& boxes, const std::string& program, std::filesystem::path file,
                                   std::function<void(const std::string&)> tell, const MonotonicClock& clock)
    : boxes_(boxes),
      program_(program + " " GALT_VERSION),
      file_(std::move(file)),
      tell_(std::move(tell)),
      clock_(clock) {}

void OperationJournal::Show(BoxIcon icon, const std::string& caption, const std::string& text) {
  if (running_) {
    entry_.message = text;
    if (text == texts::kWrongModel) wrongModel_ = true;
  }
  boxes_.Show(icon, caption, text);
  SayProblem();
}

void OperationJournal::Begin(JournalOperation operation, int serial, const std::string& port,
                             const std::string& adapter) {
  entry_ = JournalEntry{};
  entry_.program = program_;
  entry_.port = port;
  entry_.adapter = adapter;
  operation_ = operation;
  entry_.operation = JournalOperationName(operation);
  entry_.serial = std::to_string(serial);
  entry_.version = kFirmwareVersion;
  running_ = true;
  wrongModel_ = false;
  started_ = clock_.NowMs();
}

void OperationJournal::End(OperationEnd end, const LoaderCore& core, const std::string& text) {
  if (!running_) return;
  entry_.message = text;
  const bool install = operation_ == JournalOperation::Install;
  Outcome outcome = OutcomeOf(end);
  if (install && wrongModel_ && !EndedWell(end)) outcome = Outcome::ModelMismatch;
  Append(outcome, install ? std::optional<int>(BlocksWritten(core)) : std::nullopt);
}

void OperationJournal::End(Outcome outcome, const LoaderCore& core, const std::string& message, bool boxFollows) {
  if (!running_) return;
  if (!message.empty()) entry_.message = message;
  const bool install = operation_ == JournalOperation::Install;
  Append(outcome, install ? std::optional<int>(outcome == Outcome::NoPort ? 0 : BlocksWritten(core))
                          : std::nullopt);
  if (!boxFollows) SayProblem();
}

void OperationJournal::Append(Outcome outcome, std::optional<int> blocks) {
  running_ = false;
  entry_.time = LocalTimeText(std::chrono::system_clock::now());
  entry_.computer = ComputerName();
  entry_.user = UserName();
  entry_.outcome = OutcomeName(outcome);
  entry_.seconds = SecondsText(static_cast<double>(clock_.NowMs() - started_) / 1000.0);
  entry_.blocks = blocks ? std::to_string(*blocks) : std::string();
  const std::string problem = AppendJournalEntry(file_, entry_);
  cachedSerial_.reset();  // the entry may be the number's first confirmation
  if (!problem.empty() && !told_) unsaid_ = problem;
}

void OperationJournal::SayProblem() {
  if (unsaid_.empty() || told_) return;
  told_ = true;
  const std::string problem = std::move(unsaid_);
  unsaid_.clear();
  if (tell_) tell_(problem);
}

const std::string& OperationJournal::WrittenBeforeText(int serial) {
  if (cachedSerial_ != serial) {
    cachedSerial_ = serial;
    cachedText_.clear();
    if (const std::optional<WrittenBefore> found = FindWrittenBefore(file_, serial)) {
      cachedText_ = "Серийный номер " + std::to_string(serial) + " уже записан " + ShortTimeText(found->time);
      if (!found->port.empty()) cachedText_ += " через " + found->port;
    }
  }
  return cachedText_;
}

std::string AdapterText(const TSerPortEntry& entry) {
  if (entry.AdapterSerial.empty() || entry.Description.find(entry.AdapterSerial) != std::string::npos) {
    return entry.Description;
  }
  return entry.Description.empty() ? entry.AdapterSerial : entry.Description + ", " + entry.AdapterSerial;
}

std::string AdapterTextOfPath(const std::string& path) {
  TSerPortEntry entry;
  const TSerPortFacts facts = PortFactsOf(path);
  entry.Description = facts.Description;
  entry.AdapterSerial = facts.AdapterSerial;
  return AdapterText(entry);
}

}  // namespace galt
