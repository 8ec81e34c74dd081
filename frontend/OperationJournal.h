#pragma once
// What every front end tells the install journal, alike: an operation
// begins (which, with which serial number, on which port and adapter) and
// ends (how, with the text of the box that says so), and its entry is
// appended at the end itself, before that box: its seconds are the
// operation's, however long the box stays open. The journal stands between
// the core and the front end's message boxes, so it knows each box as it is
// shown.
//
// A journal that cannot be written changes nothing of the operation: the
// user is told once per run, after the operation's own box, where and why.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "ports/PortDiscovery.h"
#include "records/JournalEntry.h"
#include "records/Outcome.h"
#include "sequences/LoaderCore.h"
#include "sequences/MessageBoxes.h"
#include "sequences/MonotonicClock.h"

namespace galt {

namespace texts {
// The windows' menu item that opens the journal.
inline const std::string kJournalMenuItem = "Журнал установок";
}  // namespace texts

class OperationJournal : public MessageBoxes {
 public:
  // `program`: "window" or "cli" (the version is added); `boxes`: the front
  // end's own, every box goes on to them; `tell`: how the user learns that
  // the journal was not written.
  // `clock` times the operations.
  OperationJournal(MessageBoxes& boxes, const std::string& program, std::filesystem::path file,
                   std::function<void(const std::string&)> tell,
                   const MonotonicClock& clock = SteadyClock::Instance());

  void Show(BoxIcon icon, const std::string& caption, const std::string& text) override;

  const std::filesystem::path& File() const { return file_; }

  // An operation starts on `port` (as the user names it) behind `adapter`.
  void Begin(JournalOperation operation, int serial, const std::string& port, const std::string& adapter);
  // One has begun and not yet ended.
  bool Running() const { return running_; }
  // The core's end (OnEnding), before its box says `text`: the outcome (a
  // failed install during which the device answered as another model is a
  // model mismatch) and the blocks written.
  void End(OperationEnd end, const LoaderCore& core, const std::string& text);
  // An end from outside the core (stopped, no port); `message`: what the
  // user is told of it, else the last box's text. `boxFollows`: a box saying
  // `message` comes through the journal next, and a journal that was not
  // written is told after it.
  void End(Outcome outcome, const LoaderCore& core, const std::string& message = {}, bool boxFollows = false);

  // "Серийный номер 237 уже записан 01.12.2026 14:02 через COM7" when the
  // journal has a confirmed install of `serial`, else empty. Looked up once
  // per number, and again after an entry is appended.
  const std::string& WrittenBeforeText(int serial);

 private:
  void Append(Outcome outcome, std::optional<int> blocks);
  // Tells the journal's problem, once per run.
  void SayProblem();

  MessageBoxes& boxes_;
  std::string program_;
  std::filesystem::path file_;
  std::function<void(const std::string&)> tell_;
  JournalEntry entry_;
  JournalOperation operation_ = JournalOperation::Install;
  bool running_ = false;
  bool wrongModel_ = false;
  bool told_ = false;
  std::string unsaid_;  // the problem, until the end's box has been shown
  const MonotonicClock& clock_;
  std::int64_t started_ = 0;
  std::optional<int> cachedSerial_;
  std::string cachedText_;
};

// The adapter as the port list shows it: its description, and its serial
// number unless the description holds it already.
std::string AdapterText(const TSerPortEntry& entry);
// The same for a port only named by its device path (the command line).
std::string AdapterTextOfPath(const std::string& path);

}  // namespace galt
