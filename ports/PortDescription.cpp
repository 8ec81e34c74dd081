#include "ports/PortDescription.h"

namespace galt {

void AppendDescription(std::string& Description, const std::string& Part) {
  if (Part.empty() || Description.find(Part) != std::string::npos) return;
  if (!Description.empty()) Description += ", ";
  Description += Part;
}

}  // namespace galt
