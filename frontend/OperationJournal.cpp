#include "frontend/OperationJournal.h"

#include <algorithm>
#include <mutex>

#include "ports/PortDescription.h"
#include "records/ComputerAndUser.h"
#include "records/LocalTime.h"
#include "records/UntrustedText.h"
#include "sequences/InstallTiming.h"
#include "serial/PortName.h"

namespace galt {

namespace {

// How often an append not yet answered is looked at.
constexpr int kOverdueLookMs = 250;
const std::string kNotAnswering = "файл не отвечает";

// The install's blocks written by its end: none before the device
// acknowledged the deactivation, all once the activation went out, and
// otherwise those echoed before the block under way.
int BlocksWritten(const LoaderCore& core) {
  if (core.Gauge1.Progress() < core.Gauge1.MaxValue()) return 0;
  const int limit = core.SPBLH.Value() - core.SPBLL.Value();
  if (core.Gauge2.Progress() >= kLoadAllWritten) return limit;
  return std::clamp(TextToInt(core.St_blk) - core.SPBLL.Value(), 0, limit);
}

std::string WrittenBeforeWords(int serial, const std::optional<WrittenBefore>& found) {
  if (!found) return {};
  // The file's text, on one line of a title or a terminal.
  std::string text = "Серийный номер " + std::to_string(serial) + " уже записан " +
                     ShortTimeText(PrintableText(found->time));
  if (!found->port.empty()) text += " через " + PrintableText(RecordedPortUserName(found->port));
  return text;
}

}  // namespace

// What the worker's tasks reach of the journal: the way back to the front
// end's thread, closed when the journal goes.
struct OperationJournal::Shared {
  Shared(TSerDispatcher& to, OperationJournal& of) : handOver(&to), journal(&of) {}
  std::mutex lock;
  TSerDispatcher* handOver;
  OperationJournal* journal;
};

OperationJournal::OperationJournal(MessageBoxes& boxes, const std::string& program, JournalPlace place,
                                   TSerDispatcher& handOver, TimerSource& timers,
                                   std::function<void(const std::string&)> tell, const MonotonicClock& clock)
    : boxes_(boxes),
      program_(program + " " GALT_VERSION),
      place_(std::move(place)),
      window_(program == "window"),
      tell_(std::move(tell)),
      shared_(std::make_shared<Shared>(handOver, *this)),
      overdue_(timers.CreateTimer(kOverdueLookMs)),
      index_(std::make_shared<WrittenBeforeIndex>(place_.path)),
      clock_(clock) {
  overdue_->OnTimer = [this] {
    // Done, and its answer on its way; or not yet, but not for long.
    if (worker_.WaitIdle(std::chrono::steady_clock::now())) {
      overdue_->SetEnabled(false);
    } else if (std::chrono::steady_clock::now() - appendAsked_ >= kRecordFileDeadline) {
      overdue_->SetEnabled(false);
      Tell(JournalProblemText(place_, window_, kNotAnswering));
    }
  };
}

OperationJournal::~OperationJournal() {
  {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->journal = nullptr;
  }
  // Only an entry is worth waiting for; a lookup in a long journal is not.
  if (appending_ == 0) worker_.Abandon();
}

void OperationJournal::HandBack(const std::shared_ptr<Shared>& shared, std::function<void(OperationJournal&)> result) {
  std::lock_guard<std::mutex> hold(shared->lock);
  if (shared->journal == nullptr) return;
  shared->handOver->Post([shared, result = std::move(result)] {
    OperationJournal* journal;
    {
      std::lock_guard<std::mutex> held(shared->lock);
      journal = shared->journal;
    }
    // On the front end's thread, where the journal is destroyed too.
    if (journal != nullptr) result(*journal);
  });
}

void OperationJournal::Show(BoxIcon icon, const std::string& caption, const std::string& text) {
  if (running_) entry_.message = text;
  boxComing_ = false;
  ++boxesOpen_;
  boxes_.Show(icon, caption, text);
  --boxesOpen_;
  if (boxesOpen_ == 0 && !heldProblem_.empty()) {
    const std::string problem = std::move(heldProblem_);
    heldProblem_.clear();
    Tell(problem);
  }
}

void OperationJournal::Begin(JournalOperation operation, std::optional<int> serial, const std::string& port,
                             const std::string& adapter, const std::string& file) {
  entry_ = JournalEntry{};
  entry_.program = program_;
  entry_.port = port;
  entry_.adapter = adapter;
  operation_ = operation;
  entry_.operation = JournalOperationName(operation);
  entry_.serial = serial ? std::to_string(*serial) : std::string();
  entry_.version = kFirmwareVersion;
  entry_.file = file;
  running_ = true;
  started_ = clock_.NowMs();
}

void OperationJournal::End(const OperationEnding& ending, const LoaderCore& core, const std::string& text) {
  if (!running_) return;
  entry_.message = text;
  boxComing_ = true;  // the core's box for this end comes next
  const bool install = operation_ == JournalOperation::Install;
  Append(OutcomeOf(ending), install ? std::optional<int>(BlocksWritten(core)) : std::nullopt);
}

void OperationJournal::End(Outcome outcome, const LoaderCore& core, const std::string& message, bool boxFollows) {
  if (!running_) return;
  if (!message.empty()) entry_.message = message;
  boxComing_ = boxFollows;
  const bool install = operation_ == JournalOperation::Install;
  Append(outcome, install ? std::optional<int>(outcome == Outcome::NoPort ? 0 : BlocksWritten(core))
                          : std::nullopt);
}

void OperationJournal::Append(Outcome outcome, std::optional<int> blocks) {
  running_ = false;
  entry_.SetTime(LocalTimeText(std::chrono::system_clock::now()));
  entry_.outcome = OutcomeName(outcome);
  entry_.seconds = SecondsText(static_cast<double>(clock_.NowMs() - started_) / 1000.0);
  entry_.blocks = blocks ? std::to_string(*blocks) : std::string();
  if (appending_++ == 0) appendAsked_ = std::chrono::steady_clock::now();
  overdue_->SetEnabled(true);
  worker_.Post([shared = shared_, file = place_.path, entry = entry_]() mutable {
    // Asked of the system here: a directory service may be slow to answer.
    entry.computer = ComputerName();
    entry.user = UserName();
    std::string problem = AppendJournalEntry(file, entry);
    HandBack(shared, [problem = std::move(problem)](OperationJournal& journal) { journal.Appended(problem); });
  });
}

void OperationJournal::Appended(const std::string& problem) {
  if (--appending_ == 0) overdue_->SetEnabled(false);
  if (!problem.empty()) Tell(JournalProblemText(place_, window_, problem));
  // The entry may be the number's first confirmation.
  known_.reset();
  if (OnWrittenBeforeKnown) OnWrittenBeforeKnown();
}

void OperationJournal::Tell(const std::string& problem) {
  if (told_) return;
  if (boxesOpen_ > 0 || boxComing_) {
    if (heldProblem_.empty()) heldProblem_ = problem;
    return;
  }
  told_ = true;
  if (tell_) tell_(problem);
}

const std::string& OperationJournal::WrittenBeforeText(int serial) {
  static const std::string kNotKnown;
  if (known_ && known_->serial == serial) return known_->text;
  LookUp(serial);
  return kNotKnown;
}

void OperationJournal::LookUp(int serial) {
  wanted_ = serial;
  if (lookingUp_) return;  // the answer asks again for the number wanted by then
  lookingUp_ = serial;
  worker_.Post([shared = shared_, index = index_, serial] {
    std::string text = WrittenBeforeWords(serial, index->Find(serial));
    HandBack(shared, [serial, text = std::move(text)](OperationJournal& journal) {
      journal.lookingUp_.reset();
      journal.known_ = Known{serial, text};
      if (journal.wanted_ != serial) {
        journal.LookUp(*journal.wanted_);
        return;
      }
      if (journal.OnWrittenBeforeKnown) journal.OnWrittenBeforeKnown();
    });
  });
}

std::string OperationJournal::WrittenBeforeTextNow(int serial, std::chrono::steady_clock::time_point deadline,
                                                   const std::function<bool()>& stop) {
  const auto text = std::make_shared<std::string>();
  worker_.Post([file = place_.path, serial, text] {
    *text = WrittenBeforeWords(serial, FindWrittenBefore(file, serial));
  });
  if (worker_.WaitIdle(deadline, stop)) return *text;
  // The worker may write it still: `text` is its own copy's.
  return {};
}

void OperationJournal::Settle(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& stop) {
  if (worker_.WaitIdle(deadline, stop)) return;
  worker_.Abandon();
  if (appending_ > 0) Tell(JournalProblemText(place_, window_, kNotAnswering));
}

void OperationJournal::CopyToRead(std::function<void(const JournalCopy&)> opened) {
  worker_.Post([shared = shared_, file = place_.path, opened = std::move(opened)] {
    JournalCopy copy = CopyJournalToRead(file);
    HandBack(shared, [opened, copy = std::move(copy)](OperationJournal&) { opened(copy); });
  });
}

std::string JournalProblemText(const JournalPlace& place, bool window, const std::string& reason) {
  // The path may come from the environment: shown, never obeyed.
  std::string where = PrintableText(JournalPathText(place.path));
  switch (place.source) {
    case JournalSource::Option:
      where += " из --journal-file";
      break;
    case JournalSource::Environment:
      where += window ? ", заданный при запуске" : " из GALT_JOURNAL";
      break;
    case JournalSource::Default:
      where += ", место по умолчанию";
      break;
  }
  std::string change = "в --journal-file";
  if (window) {
    change = "параметром --journal-file в ярлыке загрузчика";
  } else if (place.source == JournalSource::Environment) {
    change = "в GALT_JOURNAL или --journal-file";
  }
  return "Журнал установок не записан (" + where + "): " + reason + ". Укажите другой файл " + change + ".";
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
