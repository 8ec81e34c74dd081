#pragma once
// What every front end tells the install journal, alike: an operation
// begins (which, with which serial number, on which port and adapter) and
// ends (how, with the text of the last box the user saw), and its entry is
// appended after that box. The journal stands between the core and the
// front end's message boxes, so it knows each box as it is shown.
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
  OperationJournal(MessageBoxes& boxes, const std::string& program, std::filesystem::path file,
                   std::function<void(const std::string&)> tell);

  void Show(BoxIcon icon, const std::string& caption, const std::string& text) override;

  const std::filesystem::path& File() const { return file_; }

  // An operation starts on `port` (as the user names it) behind `adapter`.
  void Begin(JournalOperation operation, int serial, const std::string& port, const std::string& adapter);
  // One has begun and not yet ended.
  bool Running() const { return running_; }
  // The core's end: the outcome (a failed install during which the device
  // answered as another model is a model mismatch) and the blocks written.
  void End(OperationEnd end, const LoaderCore& core);
  // An end from outside the core (stopped, no port); `message`: what the
  // user was told instead of a box, else the last box's text.
  void End(Outcome outcome, const LoaderCore& core, const std::string& message = {});

  // "Серийный номер 237 уже записан 01.12.2026 14:02 через COM7" when the
  // journal has a confirmed install of `serial`, else empty. Looked up once
  // per number, and again after an entry is appended.
  const std::string& WrittenBeforeText(int serial);

 private:
  void Append(Outcome outcome, std::optional<int> blocks);

  MessageBoxes& boxes_;
  std::string program_;
  std::filesystem::path file_;
  std::function<void(const std::string&)> tell_;
  JournalEntry entry_;
  JournalOperation operation_ = JournalOperation::Install;
  bool running_ = false;
  bool wrongModel_ = false;
  bool told_ = false;
  std::chrono::steady_clock::time_point started_;
  std::optional<int> cachedSerial_;
  std::string cachedText_;
};

// The adapter as the port list shows it: its description, and its serial
// number unless the description holds it already.
std::string AdapterText(const TSerPortEntry& entry);
// The same for a port only named by its device path (the command line).
std::string AdapterTextOfPath(const std::string& path);

}  // namespace galt
