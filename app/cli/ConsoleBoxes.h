#pragma once
// The loader's message boxes as lines of their texts: an error goes to
// stderr, anything else to stdout. Show returns at once, as if the user had
// closed the box.

#include <functional>
#include <string>

#include "app/cli/ConsoleOutput.h"
#include "sequences/MessageBoxes.h"

namespace galt::cli {

class ConsoleBoxes : public MessageBoxes {
 public:
  explicit ConsoleBoxes(ConsoleOutput& console) : console_(console) {}

  void Show(BoxIcon icon, const std::string& caption, const std::string& text) override;

  // Runs before a box's line is printed (the progress shown up to it).
  std::function<void()> BeforeShow;

 private:
  ConsoleOutput& console_;
};

}  // namespace galt::cli
