#include "app/cli/ConsoleOutput.h"

#include <algorithm>

#include "app/cli/Console.h"
#include "records/UntrustedText.h"

namespace galt::cli {

namespace {

constexpr int kBarCells = 30;
constexpr std::size_t kLabelColumns = 15;

}  // namespace

ConsoleOutput::ConsoleOutput(std::FILE* out, std::FILE* err, bool bar) : out_(out), err_(err), bar_(bar) {}

void ConsoleOutput::Line(Stream stream, const std::string& text) {
  EndProgress();
  std::FILE* to = stream == Stream::Out ? out_ : err_;
  // Lines quote a device's, an adapter's, a file's text: none of it may
  // steer the terminal.
  WriteText(to, PrintableText(text, LineBreaks::Kept) + "\n");
  std::fflush(to);
}

void ConsoleOutput::Progress(const std::string& shownLabel, int percent, const std::string& shownDetail) {
  const std::string label = PrintableText(shownLabel), detail = PrintableText(shownDetail);
  percent = std::clamp(percent, 0, 100);
  if (label != label_) {
    EndProgress();
    label_ = label;
    shown_ = -1;
  }
  if (bar_) {
    if (percent != shown_ || detail != detail_ || !barOpen_) DrawBar(percent, detail);
    return;
  }
  if (shown_ >= 0 && percent / 10 == shown_ / 10) return;
  shown_ = percent;
  WriteText(out_, label_ + " " + std::to_string(percent) + "%\n");
  std::fflush(out_);
}

void ConsoleOutput::DrawBar(int percent, const std::string& detail) {
  std::string line = "\r" + label_;
  line.append(kLabelColumns > Utf8Characters(label_) ? kLabelColumns - Utf8Characters(label_) : 1, ' ');
  const int filled = percent * kBarCells / 100;
  line += '[';
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarCells - filled), '.');
  char tail[16];
  std::snprintf(tail, sizeof tail, "] %3d%%", percent);
  line += tail;
  if (!detail.empty()) line += "  " + detail;
  // Blanks over what a longer line before left standing.
  const std::size_t columns = Utf8Characters(line) - 1;
  if (barOpen_ && columns < drawn_) line.append(drawn_ - columns, ' ');
  WriteText(out_, line);
  std::fflush(out_);
  shown_ = percent;
  detail_ = detail;
  drawn_ = std::max(columns, barOpen_ ? drawn_ : 0);
  barOpen_ = true;
}

void ConsoleOutput::EndProgress() {
  if (!barOpen_) return;
  WriteText(out_, "\n");
  std::fflush(out_);
  barOpen_ = false;
  shown_ = -1;
  detail_.clear();
  drawn_ = 0;
}

}  // namespace galt::cli
