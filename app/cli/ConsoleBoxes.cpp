#include "app/cli/ConsoleBoxes.h"

namespace galt::cli {

void ConsoleBoxes::Show(BoxIcon icon, const std::string&, const std::string& text) {
  if (BeforeShow) BeforeShow();
  // The captions name the operation or the maker; the texts say it all.
  console_.Line(icon == BoxIcon::Error ? ConsoleOutput::Stream::Err : ConsoleOutput::Stream::Out, text);
}

}  // namespace galt::cli
