// A property a fuzz target checks: a broken one aborts, which libFuzzer
// reports as a finding with the input that broke it.
#pragma once

#include <cstdlib>

namespace fuzz {

inline void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace fuzz
