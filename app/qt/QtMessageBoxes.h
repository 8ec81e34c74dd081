#pragma once
// Message boxes as the program shows them: application-modal, one OK button,
// the error or information icon and the caption given. Show returns when the
// user has closed the box; the event loop (timers included) runs meanwhile.

#include <string>

#include "sequences/MessageBoxes.h"

namespace galt {

class QtMessageBoxes : public MessageBoxes {
 public:
  void Show(BoxIcon icon, const std::string& caption, const std::string& text) override;
};

}  // namespace galt
