#pragma once
// What the command-line loader prints: whole lines on stdout or stderr, and
// the progress of the running stage. On a terminal the progress is a bar
// redrawn in place, followed by a detail (the block and the time left); into
// a file or a pipe it is an occasional plain line ("Загрузка: 40%"), one per
// tenth.

#include <cstdio>
#include <string>

namespace galt::cli {

class ConsoleOutput {
 public:
  enum class Stream { Out, Err };

  ConsoleOutput(std::FILE* out, std::FILE* err, bool bar);

  // A line of text (lines of it), without the control characters text from
  // outside may hold; a bar being drawn keeps its line and the next progress
  // starts a new one below.
  void Line(Stream stream, const std::string& text);
  // `percent` (0..100) done of the stage named by `label`; `detail` follows
  // the bar on a terminal.
  void Progress(const std::string& label, int percent, const std::string& detail = {});
  // Ends the line of a bar being drawn.
  void EndProgress();

 private:
  void DrawBar(int percent, const std::string& detail);

  std::FILE* out_;
  std::FILE* err_;
  bool bar_;
  std::string label_;
  int shown_ = -1;         // percent last shown for label_, -1: none yet
  std::string detail_;     // detail last shown
  std::size_t drawn_ = 0;  // columns of the bar's line as last drawn
  bool barOpen_ = false;   // the cursor stands at the end of a bar
};

}  // namespace galt::cli
