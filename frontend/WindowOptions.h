#pragma once
// The loader window's own command line, alike on every system: a small table
// of options (one more joins it in a few lines), what each one answers, and
// the texts printed instead of opening the window. The window programs only
// say where the texts go (a terminal, a console, a box).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace galt {

enum class WindowAction { OpenWindow, Help, Version, Usage };

// The exit codes of a window program that opens no window.
enum WindowExit : int { kWindowExitOk = 0, kWindowExitNoDisplay = 1, kWindowExitUsage = 2 };

struct WindowOptions {
  WindowAction action = WindowAction::OpenWindow;
  std::string error;  // with Usage: what was not understood
  std::optional<std::string> trace;  // --trace: the line trace's file, in UTF-8
  std::optional<std::string> journal;  // --journal-file: the install journal, in UTF-8
};

// One option of the table: its name, the value it takes (empty: none) and
// its line in the help.
struct WindowOption {
  std::string_view name;
  std::string_view value;
  std::string_view help;
};
const std::vector<WindowOption>& WindowOptionTable();

// Args without the program's name. --help and --version win over the rest.
WindowOptions ParseWindowOptions(const std::vector<std::string>& Args);

// The texts, each ending in a newline: the help, the version line (every
// program's, galt-loader-cli's too), a command line not understood, and a window
// started where there is no graphical session.
std::string WindowHelp(const std::string& Program);
std::string ProgramVersion(const std::string& Program);
std::string WindowUsageError(const std::string& Program, const std::string& Error);
std::string NoDisplayText(const std::string& Program);

}  // namespace galt
