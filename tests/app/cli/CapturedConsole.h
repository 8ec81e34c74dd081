#pragma once
// A ConsoleOutput whose two streams the test reads back.

#include <cstdio>
#include <string>

#include "app/cli/ConsoleOutput.h"

namespace galt::cli::testing {

struct CapturedConsole {
  explicit CapturedConsole(bool bar = false) : console(out, err, bar) {}
  ~CapturedConsole() {
    std::fclose(out);
    std::fclose(err);
  }
  static std::string Read(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text.push_back(static_cast<char>(c));
    return text;
  }
  std::string Out() { return Read(out); }
  std::string Err() { return Read(err); }

  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ConsoleOutput console;
};

}  // namespace galt::cli::testing
