#include "app/cli/JournalListing.h"

#include <algorithm>
#include <string>
#include <vector>

#include "frontend/FilePath.h"
#include "records/FileWorker.h"
#include "records/JournalFile.h"
#include "records/UntrustedText.h"
#include "serial/PortName.h"

namespace galt::cli {

namespace {

// A journal that has given nothing for so long has stopped answering.
constexpr std::chrono::seconds kListingDeadline{30};

// A message box's text on one line (the first journals kept its breaks).
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  return line;
}

}  // namespace

JournalPlace ChosenJournal(const CliOptions& options) {
  return ChooseJournal(options.journalFile.empty() ? std::nullopt : std::optional(FilePath(options.journalFile)));
}

int PrintJournal(const std::filesystem::path& path, ConsoleOutput& console, std::size_t last,
                 const std::function<bool()>& stopRequested) {
  using Stream = ConsoleOutput::Stream;
  console.Line(Stream::Out, "Журнал: " + JournalPathText(path));
  const std::optional<JournalRead> done =
      RunWithin([path, last] { return ReadJournal(path, last); }, std::chrono::steady_clock::now() + kListingDeadline,
                stopRequested);
  if (!done) {
    if (stopRequested && stopRequested()) return kExitStopped;
    console.Line(Stream::Err, "Журнал " + JournalPathText(path) + " не читается: файл не отвечает.");
    return kExitFile;
  }
  const JournalRead& read = *done;
  if (!read.error.empty()) {
    console.Line(Stream::Err, read.error);
    return kExitFile;
  }
  if (read.entries.empty()) {
    console.Line(Stream::Out, "Записей нет.");
    return kExitOk;
  }
  std::vector<std::vector<std::string>> rows = {{"Время", "Порт", "Операция", "Номер", "Итог", "Сек", "Сообщение"}};
  for (const JournalEntry& e : read.entries) {
    rows.push_back({ShortTimeText(e.time), RecordedPortUserName(e.port), e.operation, e.serial, e.outcome, e.seconds,
                    OneLine(e.message)});
  }
  // The file's text, so each cell's width is the columns it will take.
  for (auto& row : rows)
    for (std::string& cell : row) cell = PrintableText(cell);
  std::vector<std::size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows)
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Utf8Characters(row[i]));
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - Utf8Characters(row[i]) + 2, ' ');
    }
    console.Line(Stream::Out, line);
  }
  if (read.damaged > 0) console.Line(Stream::Out, "Повреждённых строк пропущено: " + std::to_string(read.damaged) + ".");
  return kExitOk;
}

}  // namespace galt::cli
