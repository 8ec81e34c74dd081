#include "records/TraceFile.h"

#include <chrono>

namespace galt {

namespace {

std::string Shown(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

TraceFile::TraceFile(const std::filesystem::path& path)
    : path_(path), file_(path, std::ios::binary | std::ios::app) {
  if (!file_) {
    failed_ = openFailed_ = true;
    return;
  }
  writer_ = std::thread([this] { Write(); });
}

TraceFile::~TraceFile() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  wake_.notify_one();
  if (writer_.joinable()) writer_.join();
}

void TraceFile::Append(std::string_view text) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (failed_) return;
    pending_.append(text);
  }
  wake_.notify_one();
}

void TraceFile::Drain() {
  std::unique_lock<std::mutex> hold(lock_);
  // Bounded: a file on a share that hangs must not hold up the program's end.
  drained_.wait_for(hold, std::chrono::seconds(2),
                    [this] { return failed_ || !writer_.joinable() || (pending_.empty() && !writing_); });
}

std::optional<std::string> TraceFile::TakeFailure() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!failed_ || said_) return std::nullopt;
  said_ = true;
  if (openFailed_) {
    return "Не удалось открыть файл трассы " + Shown(path_) +
           ". Проверьте путь и права доступа; операция идёт без трассы.";
  }
  return "Трасса записана не полностью: файл " + Shown(path_) + " перестал записываться. Проверьте место на диске.";
}

void TraceFile::Write() {
  std::string batch;
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    wake_.wait(hold, [this] { return stop_ || !pending_.empty(); });
    if (pending_.empty()) break;  // stopping, and all is written
    batch.swap(pending_);
    writing_ = true;
    hold.unlock();
    file_.write(batch.data(), static_cast<std::streamsize>(batch.size()));
    file_.flush();
    const bool ok = static_cast<bool>(file_);
    batch.clear();
    hold.lock();
    writing_ = false;
    if (!ok) {
      failed_ = true;
      pending_.clear();
    }
    drained_.notify_all();
    if (failed_) break;
  }
}

}  // namespace galt
