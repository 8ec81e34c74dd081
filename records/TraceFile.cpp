#include "records/TraceFile.h"

#include <chrono>

#include "records/RegularFile.h"

namespace galt {

namespace {

std::string Shown(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

TraceFile::TraceFile(const std::filesystem::path& path) : path_(path) {
  // The writer opens the file: a share that stops answering holds up only
  // the writer. A plain file opens at once, and its failure is known here.
  writer_ = std::thread([shared = shared_, path] {
    FileProblem problem;
    const bool plain = RegularFile::Open(path, RegularFile::Access::Append, problem).IsOpen();
    if (plain) shared->file.open(path, std::ios::binary | std::ios::app);
    {
      std::lock_guard<std::mutex> hold(shared->lock);
      shared->opened = true;
      shared->failed = shared->openFailed = !shared->file.is_open();
      shared->done = shared->failed;
      if (problem) shared->openProblem = FileProblemText(problem);
    }
    shared->drained.notify_all();
    if (!shared->failed) Write(shared);
  });
  std::unique_lock<std::mutex> hold(shared_->lock);
  shared_->drained.wait_for(hold, kOpenWait, [this] { return shared_->opened; });
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
  if (shared_->openFailed) {
    const std::string& why = shared_->openProblem;
    return "Не удалось открыть файл трассы " + Shown(path_) + (why.empty() ? "" : " (" + why + ")") +
           ". Проверьте путь и права доступа; операция идёт без трассы.";
  }
  return "Трасса записана не полностью: файл " + Shown(path_) + " перестал записываться. Проверьте место на диске.";
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
    s.file.write(batch.data(), static_cast<std::streamsize>(batch.size()));
    s.file.flush();
    const bool ok = static_cast<bool>(s.file);
    batch.clear();
    hold.lock();
    s.writing = false;
    if (!ok) {
      s.failed = true;
      s.pending.clear();
    }
    s.drained.notify_all();
    if (s.failed) break;
  }
  s.done = true;
  s.drained.notify_all();
}

}  // namespace galt
