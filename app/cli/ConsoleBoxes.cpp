#include "app/cli/ConsoleBoxes.h"

namespace galt::cli {

void ConsoleBoxes::Show(BoxIcon icon, const std::string& caption, const std::string& text) {
  const bool plain = caption.empty() || caption == texts::kErrorCaption;
  console_.Line(icon == BoxIcon::Error ? ConsoleOutput::Stream::Err : ConsoleOutput::Stream::Out,
                plain ? text : caption + ": " + text);
}

}  // namespace galt::cli
