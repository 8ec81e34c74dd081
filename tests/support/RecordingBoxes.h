#pragma once
// Message boxes that are recorded instead of shown. A test may give each box
// a time it stays open (the clock runs on meanwhile, as the event loop does
// under a modal box) or an action to run while it is open.

#include <functional>
#include <string>
#include <vector>

#include "sequences/MessageBoxes.h"

namespace galt::testing {

struct RecordedBox {
  BoxIcon icon;
  std::string caption;
  std::string text;
};

class RecordingBoxes : public MessageBoxes {
 public:
  void Show(BoxIcon icon, const std::string& caption, const std::string& text) override {
    boxes.push_back({icon, caption, text});
    ++open;
    if (WhileOpen) WhileOpen(boxes.back());
    --open;
  }
  std::size_t CountText(const std::string& text) const {
    std::size_t n = 0;
    for (const auto& b : boxes) n += b.text == text;
    return n;
  }

  std::vector<RecordedBox> boxes;
  int open = 0;
  std::function<void(const RecordedBox&)> WhileOpen;
};

}  // namespace galt::testing
