#include "records/JournalFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "records/Outcome.h"

#ifdef _WIN32
#include <windows.h>

#include "winutil/WideText.h"
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace galt {

namespace {

namespace fs = std::filesystem;

std::string Problem(const fs::path& path, const std::string& reason) {
  return "Журнал установок не записан (" + JournalPathText(path) + "): " + reason +
         ". Укажите другой файл в GALT_JOURNAL.";
}

const std::string kForeign = "в файле не журнал загрузчика, он оставлен как есть";

// What the head says of the file: ours, new (empty), or someone else's.
enum class Head { Ours, Empty, Foreign };
Head HeadOf(const std::string& start, long long size) {
  if (size == 0) return Head::Empty;
  return start == JournalHead() ? Head::Ours : Head::Foreign;
}

#ifdef _WIN32

std::wstring Env(const wchar_t* name) {
  wchar_t buffer[32768];
  const DWORD n = ::GetEnvironmentVariableW(name, buffer, static_cast<DWORD>(std::size(buffer)));
  return n > 0 && n < std::size(buffer) ? std::wstring(buffer, n) : std::wstring();
}

std::string Reason(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return "нет прав на запись";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "файл открыт другой программой, закройте его";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_DIRECTORY: return "папка недоступна";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "нет места на диске";
    default: return "ошибка системы " + std::to_string(code);
  }
}

// Holds the journal's lock: one byte far beyond any journal's end, so that
// readers of the file are never kept out (a lock on Windows bars others
// from its bytes).
class Locked {
 public:
  explicit Locked(HANDLE file) : file_(file) {
    over_.OffsetHigh = 0x7FFFFFFF;
    held_ = ::LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &over_) != 0;
  }
  ~Locked() {
    if (held_) ::UnlockFileEx(file_, 0, 1, 0, &over_);
  }
  bool Held() const { return held_; }

 private:
  HANDLE file_;
  OVERLAPPED over_{};
  bool held_ = false;
};

std::string Append(const fs::path& path, const std::string& line) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Problem(path, Reason(::GetLastError()));
  std::string problem;
  {
    Locked lock(file);
    LARGE_INTEGER size{};
    if (!lock.Held() || !::GetFileSizeEx(file, &size)) {
      problem = Problem(path, Reason(::GetLastError()));
    } else {
      std::string start(JournalHead().size(), '\0');
      DWORD got = 0;
      OVERLAPPED at{};
      if (size.QuadPart > 0) ::ReadFile(file, start.data(), static_cast<DWORD>(start.size()), &got, &at);
      start.resize(got);
      const Head head = HeadOf(start, size.QuadPart);
      std::string text;
      if (head == Head::Foreign) {
        problem = Problem(path, kForeign);
      } else {
        if (head == Head::Empty) text = JournalHead();
        char last = '\n';
        OVERLAPPED end{};
        end.Offset = static_cast<DWORD>(size.QuadPart - 1);
        end.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
        if (size.QuadPart > 0) ::ReadFile(file, &last, 1, &got, &end);
        if (last != '\n') text += "\r\n";  // a line left unfinished stays apart from ours
        text += line;
        // At the end of the file, whatever its size is by now.
        OVERLAPPED append{};
        append.Offset = 0xFFFFFFFF;
        append.OffsetHigh = 0xFFFFFFFF;
        DWORD written = 0;
        if (!::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, &append) ||
            written != text.size()) {
          problem = Problem(path, Reason(::GetLastError()));
        }
      }
    }
  }
  ::CloseHandle(file);
  return problem;
}

#else

std::string Reason(int code) {
  switch (code) {
    case EACCES:
    case EPERM:
    case EROFS: return "нет прав на запись";
    case ENOENT:
    case ENOTDIR: return "папка недоступна";
    case EISDIR: return "это папка, а не файл";
    case ENOSPC:
    case EDQUOT: return "нет места на диске";
    default: return "ошибка системы " + std::to_string(code);
  }
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string Append(const fs::path& path, const std::string& line) {
  const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return Problem(path, Reason(errno));
  std::string problem;
  struct stat st{};
  int locked;
  while ((locked = ::flock(fd, LOCK_EX)) < 0 && errno == EINTR) {
  }
  if (locked < 0 || ::fstat(fd, &st) < 0) {
    problem = Problem(path, Reason(errno));
  } else if (!S_ISREG(st.st_mode)) {
    problem = Problem(path, kForeign);
  } else {
    std::string start(JournalHead().size(), '\0');
    const ssize_t got = st.st_size > 0 ? ::pread(fd, start.data(), start.size(), 0) : 0;
    start.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    const Head head = HeadOf(start, st.st_size);
    if (head == Head::Foreign) {
      problem = Problem(path, kForeign);
    } else {
      std::string text = head == Head::Empty ? JournalHead() : std::string();
      char last = '\n';
      if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) != 1) last = '\n';
      if (last != '\n') text += "\r\n";  // a line left unfinished stays apart from ours
      text += line;
      // One write on a file opened for appending: the line lands whole at
      // the end; the lock keeps a second writer from writing a second head.
      if (!WriteAll(fd, text)) problem = Problem(path, Reason(errno));
    }
  }
  ::close(fd);  // lets the lock go
  return problem;
}

#endif

// The journal's text, or why it could not be read.
struct FileText {
  std::string text;
  bool missing = false;
  std::string error;
};

FileText ReadText(const fs::path& path) {
  FileText result;
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    result.missing = true;
    return result;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.error = "Журнал " + JournalPathText(path) + " не читается.";
    return result;
  }
  // In one read: a journal of years is megabytes.
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  result.text.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  in.read(result.text.data(), static_cast<std::streamsize>(result.text.size()));
  result.text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  if (result.text.empty()) {
    result.missing = true;
  } else if (result.text.compare(0, JournalHead().size(), JournalHead()) != 0) {
    result.error = "В файле " + JournalPathText(path) + " не журнал загрузчика.";
  }
  return result;
}

std::string_view Body(const std::string& text) { return std::string_view(text).substr(JournalHead().size()); }

}  // namespace

fs::path JournalPath() {
#ifdef _WIN32
  if (const std::wstring chosen = Env(L"GALT_JOURNAL"); !chosen.empty()) return fs::path(chosen);
  return fs::path(Env(L"LOCALAPPDATA")) / L"GALT-5R" / L"journal.csv";
#else
  if (const char* chosen = std::getenv("GALT_JOURNAL"); chosen != nullptr && *chosen != '\0') return chosen;
  // A relative XDG_STATE_HOME is invalid and ignored, as the base directory
  // rules say.
  const char* state = std::getenv("XDG_STATE_HOME");
  fs::path base;
  if (state != nullptr && *state == '/') {
    base = state;
  } else {
    // Without HOME (a service, a cleared environment) the account's own home,
    // never a folder relative to wherever the program was started.
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') {
      const passwd* entry = ::getpwuid(::geteuid());
      home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    base = fs::path(home != nullptr ? home : "/") / ".local" / "state";
  }
  return base / "galt-loader" / "journal.csv";
#endif
}

std::string JournalPathText(const fs::path& path) {
#ifdef _WIN32
  return Utf8FromWide(path.wstring());
#else
  return path.string();
#endif
}

std::string AppendJournalEntry(const fs::path& path, const JournalEntry& entry) {
  std::error_code ec;
  if (path.has_parent_path() && !fs::is_directory(path.parent_path(), ec)) {
    fs::create_directories(path.parent_path(), ec);
    if (ec) return Problem(path, "папку не создать");
  }
  return Append(path, JournalLine(entry));
}

JournalRead ReadJournal(const fs::path& path, std::size_t last) {
  JournalRead result;
  FileText file = ReadText(path);
  result.missing = file.missing;
  result.error = std::move(file.error);
  if (file.missing || !result.error.empty()) return result;
  std::vector<JournalEntry> all;
  ForEachJournalRecord(Body(file.text), [&](std::vector<std::string>& fields) {
    all.push_back(EntryOfRecord(fields));
    return true;
  });
  const std::size_t from = all.size() > last ? all.size() - last : 0;
  result.entries.assign(std::make_move_iterator(all.begin() + static_cast<std::ptrdiff_t>(from)),
                        std::make_move_iterator(all.end()));
  return result;
}

std::optional<WrittenBefore> FindWrittenBefore(const fs::path& path, int serial) {
  const FileText file = ReadText(path);
  if (file.missing || !file.error.empty()) return std::nullopt;
  const std::string number = std::to_string(serial);
  const std::string_view confirmed = OutcomeName(Outcome::Confirmed);
  const std::string_view install = JournalOperationName(JournalOperation::Install);
  std::optional<WrittenBefore> found;
  ForEachJournalRecord(Body(file.text), [&](std::vector<std::string>& f) {
    if (f.size() > 9 && f[9] == confirmed && f[7] == number && f[6] == install) found = WrittenBefore{f[0], f[4]};
    return true;
  });
  return found;
}

}  // namespace galt
