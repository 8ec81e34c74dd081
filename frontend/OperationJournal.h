#pragma once
// What every front end tells the install journal, alike: an operation
// begins (which, with which serial number, on which port and adapter, with
// which file) and ends (how, with the text of the box that says so), and its
// entry is made at the end itself, before that box: its seconds are the
// operation's, however long the box stays open. The journal stands between
// the core and the front end's message boxes, so it knows each box as it is
// shown.
//
// The file's work (the append, the "written before" lookup, the copy the
// menu item opens) runs on a worker of the journal's own; its results come
// back through the front end's hand-over, on the front end's thread. A
// journal that cannot be written, or does not answer within
// kRecordFileDeadline, changes nothing of the operation: the user is told
// once per run, after any box open at the time.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ports/PortDiscovery.h"
#include "records/FileWorker.h"
#include "records/JournalEntry.h"
#include "records/JournalFile.h"
#include "records/Outcome.h"
#include "sequences/LoaderCore.h"
#include "sequences/MessageBoxes.h"
#include "sequences/MonotonicClock.h"
#include "sequences/Timer.h"
#include "serial/SerDispatch.h"

namespace galt {

namespace texts {
// The windows' menu item that opens the journal.
inline const std::string kJournalMenuItem = "Журнал установок";
}  // namespace texts

class OperationJournal : public MessageBoxes {
 public:
  // `program`: "window" or "cli" (the version is added); `place`: the
  // journal and where its path came from; `boxes`: the front end's own,
  // every box goes on to them; `handOver`: brings the file work's
  // results to the front end's thread; `timers`: the front end's, for the
  // deadline; `tell`: how the user learns that the journal was not written;
  // `clock` times the operations.
  OperationJournal(MessageBoxes& boxes, const std::string& program, JournalPlace place,
                   TSerDispatcher& handOver, TimerSource& timers, std::function<void(const std::string&)> tell,
                   const MonotonicClock& clock = SteadyClock::Instance());
  // Waits for the entries asked for until kRecordFileDeadline at most.
  ~OperationJournal() override;
  OperationJournal(const OperationJournal&) = delete;
  OperationJournal& operator=(const OperationJournal&) = delete;

  void Show(BoxIcon icon, const std::string& caption, const std::string& text) override;

  const std::filesystem::path& File() const { return place_.path; }

  // An operation starts on `port` (as the user names it) behind `adapter`;
  // `serial` only when the user gave one, `file` the one read into or
  // compared with.
  void Begin(JournalOperation operation, std::optional<int> serial, const std::string& port,
             const std::string& adapter, const std::string& file = {});
  // One has begun and not yet ended.
  bool Running() const { return running_; }
  // The core's end (OnEnding), before its box says `text`: the outcome and
  // the blocks written.
  void End(const OperationEnding& ending, const LoaderCore& core, const std::string& text);
  // An end from outside the core (stopped, no port); `message`: what the
  // user is told of it, else the last box's text. `boxFollows`: a box saying
  // `message` comes through the journal next, and a journal that was not
  // written is told after it.
  void End(Outcome outcome, const LoaderCore& core, const std::string& message = {}, bool boxFollows = false);

  // "Серийный номер 237 уже записан 01.12.2026 14:02 через COM7" when the
  // journal has a confirmed install of `serial`, empty when it has none or
  // that is not known yet: then it is looked up, and OnWrittenBeforeKnown
  // told when it is. Numbers typed while one is looked up make one lookup,
  // of the last.
  const std::string& WrittenBeforeText(int serial);
  std::function<void()> OnWrittenBeforeKnown;
  // The same for the command line: looked up now, waiting until `deadline`
  // or `stop`; empty when not known by then.
  std::string WrittenBeforeTextNow(int serial, std::chrono::steady_clock::time_point deadline,
                                   const std::function<bool()>& stop);

  // Waits until the file work asked for so far is done (its answers may
  // still be on their way through the hand-over), or `deadline`.
  bool WaitForFile(std::chrono::steady_clock::time_point deadline) { return worker_.WaitIdle(deadline); }
  // The end of a command-line run: waits until the entries are written,
  // until `deadline` or `stop`; a journal that did not answer by then is
  // said once and left to itself. The results come through the hand-over.
  void Settle(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& stop);

  // The menu item: a read-only copy of the journal is made off this thread,
  // then handed to `opened`.
  void CopyToRead(std::function<void(const JournalCopy&)> opened);

 private:
  struct Shared;
  void Append(Outcome outcome, std::optional<int> blocks);
  void Appended(const std::string& problem);
  void Tell(const std::string& problem);
  void LookUp(int serial);
  // Runs `result` on the front end's thread later, unless the journal has
  // gone by then. Any thread.
  static void HandBack(const std::shared_ptr<Shared>& shared, std::function<void(OperationJournal&)> result);

  MessageBoxes& boxes_;
  std::string program_;
  JournalPlace place_;
  bool window_;  // told in a window, whose user sets no variables
  std::function<void(const std::string&)> tell_;
  std::shared_ptr<Shared> shared_;
  std::unique_ptr<Timer> overdue_;  // an append not answered in time
  JournalEntry entry_;
  JournalOperation operation_ = JournalOperation::Install;
  bool running_ = false;
  bool told_ = false;
  int boxesOpen_ = 0;
  std::string heldProblem_;  // to be told once no box is open
  bool boxComing_ = false;   // an end's box is still to come: told after it
  int appending_ = 0;        // appends not answered yet
  std::chrono::steady_clock::time_point appendAsked_;  // the first of them
  std::int64_t started_ = 0;
  struct Known {
    int serial;
    std::string text;
  };
  std::optional<Known> known_;
  std::optional<int> lookingUp_, wanted_;
  std::shared_ptr<WrittenBeforeIndex> index_;  // the worker's alone
  const MonotonicClock& clock_;
  FileWorker worker_;  // last: its end waits while the rest is still there
};

// "Журнал установок не записан (ПУТЬ из --journal-file): `reason`. Укажите
// другой файл в --journal-file.": which journal, where its path came from and
// where another is chosen. A window (`window`) names its shortcut's option:
// its user sets no variables.
std::string JournalProblemText(const JournalPlace& place, bool window, const std::string& reason);

// The adapter as the port list shows it: its description, and its serial
// number unless the description holds it already.
std::string AdapterText(const TSerPortEntry& entry);
// The same for a port only named by its device path (the command line).
std::string AdapterTextOfPath(const std::string& path);

}  // namespace galt
