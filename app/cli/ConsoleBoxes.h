#pragma once
// The loader's message boxes as lines: an error goes to stderr, anything
// else to stdout, each preceded by its caption unless that is empty or the
// error caption every failure carries. Show returns at once, as if the user
// had closed the box.

#include <string>

#include "app/cli/ConsoleOutput.h"
#include "sequences/MessageBoxes.h"

namespace galt::cli {

class ConsoleBoxes : public MessageBoxes {
 public:
  explicit ConsoleBoxes(ConsoleOutput& console) : console_(console) {}

  void Show(BoxIcon icon, const std::string& caption, const std::string& text) override;

 private:
  ConsoleOutput& console_;
};

}  // namespace galt::cli
