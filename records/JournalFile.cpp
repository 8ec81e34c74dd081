#include "records/JournalFile.h"

#include <chrono>
#include <thread>

#include "records/FileWorker.h"
#include "records/LocalTime.h"
#include "records/Outcome.h"
#include "sequences/InstallTiming.h"

namespace galt {

namespace {

namespace fs = std::filesystem;

// A lock held elsewhere is asked for again this often until the deadline.
constexpr std::chrono::milliseconds kLockRetry{50};
// A head line longer than this is no journal's.
constexpr std::size_t kLongestHead = 4096;
constexpr std::size_t kChunk = 64 * 1024;

const std::string kForeign = "в файле не журнал загрузчика, он оставлен как есть";

// The layout of the journal in `file` of `size` bytes: nothing when it is
// someone else's file; the current one when it is empty.
std::optional<JournalLayout> LayoutOf(RegularFile& file, std::uint64_t size) {
  if (size == 0) return JournalLayout::Current();
  std::string start(static_cast<std::size_t>(std::min<std::uint64_t>(size, kLongestHead)), '\0');
  const std::ptrdiff_t got = file.ReadAt(0, start.data(), start.size());
  start.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  const std::size_t end = start.find('\n');
  if (end == std::string::npos) return std::nullopt;
  return JournalLayout::OfHead(std::string_view(start).substr(0, end));
}

// Feeds `reader` the rest of `file` (or until it stops) and finishes it;
// false on a read error (RegularFile::LastCode says which).
bool FeedAll(RegularFile& file, JournalReader& reader) {
  std::string chunk(kChunk, '\0');
  for (std::ptrdiff_t n; (n = file.Read(chunk.data(), chunk.size())) != 0;) {
    if (n < 0) return false;
    if (!reader.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)))) break;
  }
  reader.Finish();
  return true;
}

// Reads the journal at `path` through `reader`; the error, in the user's
// words, when it could not be read.
std::string ReadThrough(const fs::path& path, JournalReader& reader, bool& missing) {
  missing = false;
  FileProblem problem;
  RegularFile file = RegularFile::Open(path, RegularFile::Access::Read, problem);
  if (problem.fault == FileFault::Missing) {
    missing = true;
    return {};
  }
  const std::string unreadable = "Журнал " + JournalPathText(path) + " не читается: ";
  if (problem) return unreadable + FileProblemText(problem) + ".";
  if (!FeedAll(file, reader)) return unreadable + FileProblemText({FileFault::Other, RegularFile::LastCode()}) + ".";
  if (reader.Foreign()) return "В файле " + JournalPathText(path) + " не журнал загрузчика.";
  missing = reader.Empty();
  return {};
}

// Whether a record is a confirmed install, and of which serial number the
// loader writes (none for other text).
std::optional<int> ConfirmedSerial(const JournalRecord& record) {
  if (record.View(JournalColumn::Outcome) != OutcomeName(Outcome::Confirmed) ||
      record.View(JournalColumn::Operation) != JournalOperationName(JournalOperation::Install)) {
    return std::nullopt;
  }
  const std::string_view serial = record.View(JournalColumn::Serial);
  if (serial.empty() || serial.size() > 3 || serial[0] == '0') return std::nullopt;
  int value = 0;
  for (const char c : serial) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < kSerialMin || value > kSerialMax) return std::nullopt;
  return value;
}

}  // namespace

std::string AppendJournalEntry(const fs::path& path, const JournalEntry& entry) {
  if (path.empty()) return "система не назвала папку для него";
  if (const FileProblem problem = MakeJournalFolder(path)) return "папку не создать";
  FileProblem problem;
  RegularFile file = RegularFile::Open(path, RegularFile::Access::Append, problem);
  if (problem) return FileProblemText(problem);
  // Another loader appending holds it for moments; one that holds it longer
  // (a stale lock on a share) costs the journal's line, never the install.
  const auto deadline = std::chrono::steady_clock::now() + kRecordLockWait;
  while ((problem = file.TryLock()).fault == FileFault::Busy && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kLockRetry);
  }
  if (problem) return FileProblemText(problem);
  const std::optional<std::uint64_t> size = file.Size();
  if (!size) return FileProblemText({FileFault::Other, RegularFile::LastCode()});
  const std::optional<JournalLayout> layout = LayoutOf(file, *size);
  if (!layout) return kForeign;
  std::string text = *size == 0 ? layout->Head() : std::string();
  char last = '\n';
  if (*size > 0 && file.ReadAt(*size - 1, &last, 1) != 1) last = '\n';
  if (last != '\n') text += "\r\n";  // a line left unfinished stays apart from ours
  text += layout->Line(entry);
  // One write on a file opened for appending: the line lands whole at the
  // end, or is taken back; the lock keeps a second writer from writing a
  // second head.
  if (const FileProblem failed = file.Append(text, *size)) return FileProblemText(failed);
  return {};
}

JournalRead ReadJournal(const fs::path& path, std::size_t last) {
  JournalRead result;
  JournalReader reader([&](const JournalRecord& record) {
    if (last == 0) return false;
    if (result.entries.size() == last) result.entries.pop_front();
    result.entries.push_back(record.Entry());
    return true;
  });
  result.error = ReadThrough(path, reader, result.missing);
  result.damaged = reader.Damaged();
  if (!result.error.empty()) result.entries.clear();
  return result;
}

std::optional<WrittenBefore> FindWrittenBefore(const fs::path& path, int serial) {
  return WrittenBeforeIndex(path).Find(serial);
}

std::optional<WrittenBefore> WrittenBeforeIndex::Find(int serial) {
  FileProblem problem;
  RegularFile file = RegularFile::Open(path_, RegularFile::Access::Read, problem);
  const std::optional<RegularFile::Stamp> stamp = file.IsOpen() ? file.Stamped() : std::nullopt;
  if (!stamp) {
    read_.reset();
    confirmed_.clear();
    return std::nullopt;
  }
  if (stamp != read_) {
    read_ = stamp;
    confirmed_.clear();
    JournalReader reader([&](const JournalRecord& record) {
      if (const std::optional<int> confirmed = ConfirmedSerial(record)) {
        confirmed_[*confirmed] = WrittenBefore{record.Field(JournalColumn::Time), record.Field(JournalColumn::Port)};
      }
      return true;
    });
    if (!FeedAll(file, reader) || reader.Foreign()) confirmed_.clear();
  }
  const auto found = confirmed_.find(serial);
  return found != confirmed_.end() ? std::optional(found->second) : std::nullopt;
}

JournalCopy CopyJournalToRead(const fs::path& path) {
  JournalCopy copy;
  FileProblem problem;
  RegularFile from = RegularFile::Open(path, RegularFile::Access::Read, problem);
  if (problem.fault == FileFault::Missing) {
    copy.missing = true;
    return copy;
  }
  if (problem) {
    copy.problem = FileProblemText(problem);
    return copy;
  }
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec);
  if (ec) {
    copy.problem = "нет временной папки";
    return copy;
  }
  // A name of its own for each copy: one still open in Excel is locked.
  std::string stamp = LocalTimeText(std::chrono::system_clock::now()).substr(0, 19);
  for (char& c : stamp)
    if (c == ':' || c == 'T') c = c == 'T' ? ' ' : '-';
  RegularFile to;
  for (int n = 1; n <= 20 && !to.IsOpen(); ++n) {
    const std::string name = "Журнал установок GALT-5R, копия " + stamp + (n > 1 ? " (" + std::to_string(n) + ")" : "");
    copy.file = folder / fs::path(std::u8string(name.begin(), name.end()) + u8".csv");
    to = RegularFile::Open(copy.file, RegularFile::Access::Create, problem);
    if (problem.fault != FileFault::Busy) break;
  }
  if (!to.IsOpen()) {
    copy.problem = FileProblemText(problem);
    return copy;
  }
  std::string chunk(kChunk, '\0');
  std::uint64_t written = 0;
  for (;;) {
    const std::ptrdiff_t n = from.Read(chunk.data(), chunk.size());
    if (n == 0) break;
    const FileProblem failed = n < 0 ? FileProblem{FileFault::Other, RegularFile::LastCode()}
                                     : to.Append(std::string_view(chunk.data(), static_cast<std::size_t>(n)), written);
    if (failed) {
      copy.problem = FileProblemText(failed);
      to = RegularFile();
      fs::remove(copy.file, ec);
      return copy;
    }
    written += static_cast<std::uint64_t>(n);
  }
  to.MakeReadOnly();
  if (written == 0) {
    to = RegularFile();
    fs::remove(copy.file, ec);
    copy.missing = true;
  }
  return copy;
}

}  // namespace galt
