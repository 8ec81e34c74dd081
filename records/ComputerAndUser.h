#pragma once
// The computer an operation ran on and the account that ran it, as the
// journal names them (UTF-8; empty when the system does not say). Both are
// asked of the system, never of the environment, which anyone can set.

#include <string>

namespace galt {

std::string ComputerName();
std::string UserName();

}  // namespace galt
