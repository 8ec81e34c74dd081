#include "records/TraceFile.h"

#include <chrono>

#include "records/RegularFile.h"

namespace galt {

namespace {

std::string Shown(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Past this many files the last one takes what comes, whatever it holds.
constexpr int kLastPart = 9999;

}  // namespace

std::filesystem::path TraceFilePart(const std::filesystem::path& path, int n) {
  if (n == 0) return path;
  std::filesystem::path part = path;
  part += "." + std::to_string(n);
  return part;
}

TraceFile::TraceFile(const std::filesystem::path& path, std::uintmax_t limit) {
  shared_->path = path;
  shared_->limit = limit;
  writer_ = std::thread([shared = shared_] {
    Shared& s = *shared;
    FileProblem problem;
    const bool opened = Open(s, PartWithRoom(s, 0), problem);
    {
      std::lock_guard<std::mutex> hold(s.lock);
      s.opened = true;
      if (!opened) {
        s.failed = s.openFailed = s.done = true;
        s.failedFile = TraceFilePart(s.path, s.part);
        if (problem) s.openProblem = FileProblemText(problem);
      }
    }
    s.drained.notify_all();
    if (opened) Write(shared);
  });
  std::unique_lock<std::mutex> hold(shared_->lock);
  shared_->drained.wait_for(hold, kOpenWait, [this] { return shared_->opened; });
}

int TraceFile::PartWithRoom(const Shared& s, int part) {
  for (; part < kLastPart; ++part) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(TraceFilePart(s.path, part), error);
    if (error || size < s.limit) break;
  }
  return part;
}

bool TraceFile::Open(Shared& s, int part, FileProblem& problem) {
  s.part = part;
  const std::filesystem::path name = TraceFilePart(s.path, part);
  // Only a plain file: a FIFO or a device there would hold the writer.
  s.file = RegularFile::Open(name, RegularFile::Access::Append, problem);
  s.size = s.file.IsOpen() ? s.file.Size().value_or(0) : 0;
  return s.file.IsOpen();
}

bool TraceFile::MakeRoom(Shared& s, std::size_t coming) {
  if (s.size == 0 || s.size + coming <= s.limit || s.part == kLastPart) return true;
  const std::filesystem::path from = TraceFilePart(s.path, s.part);
  const int next = PartWithRoom(s, s.part + 1);
  if (s.file.Append("# трасса продолжается в файле " + Shown(TraceFilePart(s.path, next)) + "\n", s.size)) return false;
  FileProblem problem;
  if (!Open(s, next, problem)) return false;
  const std::string head = "# продолжение трассы из файла " + Shown(from) + "\n";
  if (s.file.Append(head, s.size)) return false;
  s.size += head.size();
  return true;
}

TraceFile::~TraceFile() {
  if (!writer_.joinable()) return;
  Shared& s = *shared_;
  std::unique_lock<std::mutex> hold(s.lock);
  s.stop = true;
  s.wake.notify_one();
  if (!s.drained.wait_for(hold, std::chrono::seconds(2), [&s] { return s.done; })) {
    hold.unlock();
    writer_.detach();
    return;
  }
  hold.unlock();
  writer_.join();
}

void TraceFile::Append(std::string_view text) {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    if (s.failed) return;
    s.pending.append(text);
  }
  s.wake.notify_one();
}

void TraceFile::Drain() {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> hold(s.lock);
  // Bounded: a file on a share that hangs must not hold up the program's end.
  s.drained.wait_for(hold, std::chrono::seconds(2),
                     [&] { return s.failed || s.done || !writer_.joinable() || (s.pending.empty() && !s.writing); });
}

std::optional<std::string> TraceFile::TakeFailure() {
  std::lock_guard<std::mutex> hold(shared_->lock);
  if (!shared_->failed || said_) return std::nullopt;
  said_ = true;
  const std::string file = Shown(shared_->failedFile);
  if (shared_->openFailed) {
    const std::string& why = shared_->openProblem;
    return "Не удалось открыть файл трассы " + file + (why.empty() ? "" : " (" + why + ")") +
           ". Проверьте путь и права доступа; операция идёт без трассы.";
  }
  return "Трасса записана не полностью: файл " + file + " перестал записываться. Проверьте место на диске.";
}

void TraceFile::Write(const std::shared_ptr<Shared>& shared) {
  Shared& s = *shared;
  std::string batch;
  std::unique_lock<std::mutex> hold(s.lock);
  for (;;) {
    s.wake.wait(hold, [&s] { return s.stop || !s.pending.empty(); });
    if (s.pending.empty()) break;  // stopping, and all is written
    batch.swap(s.pending);
    s.writing = true;
    hold.unlock();
    bool ok = MakeRoom(s, batch.size());
    if (ok) {
      ok = !s.file.Append(batch, s.size);  // a batch cut off part-way is taken back
      s.size += batch.size();
    }
    batch.clear();
    hold.lock();
    s.writing = false;
    if (!ok) {
      s.failed = true;
      s.failedFile = TraceFilePart(s.path, s.part);  // the writer's own: it alone changes the part
      s.pending.clear();
    }
    s.drained.notify_all();
    if (s.failed) break;
  }
  s.done = true;
  s.drained.notify_all();
}

}  // namespace galt
