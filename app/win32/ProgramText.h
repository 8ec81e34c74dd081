#pragma once
// Text the program answers with instead of opening its window (the help,
// the version, a command line not understood). A GUI program has no console
// of its own: the text goes to the std handles it inherited when they lead
// somewhere (a pipe, a file), else to the console of the program that
// started it, else into a message box.

#include <string>

namespace galt::win32 {

// Text: UTF-8, ending in a newline; Error: it tells of a fault (stderr, the
// box's error icon).
void ShowProgramText(const std::string& Text, bool Error);

}  // namespace galt::win32
