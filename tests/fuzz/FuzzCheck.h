#pragma once
// A fuzz target's finding: the fuzzer stops on the abort and keeps the input.

#include <cstdlib>

namespace galt::fuzz {

inline void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace galt::fuzz
