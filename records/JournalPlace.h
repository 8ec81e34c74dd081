#pragma once
// Where an operation ran, as the journal names it: the computer and the
// user logged in (UTF-8; empty when the system does not say).

#include <string>

namespace galt {

std::string ComputerName();
std::string UserName();

}  // namespace galt
