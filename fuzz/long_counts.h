// Tables of up to 100,000 rows are legitimate but slow under the sanitizers,
// and a few of them would pass for a hang: inputs holding a number of five
// digits or more are left to the fault-case tests.
#pragma once

#include <string_view>

inline bool HoldsLongCount(std::string_view input) {
  for (std::size_t run = 0, i = 0; i < input.size(); ++i) {
    run = input[i] >= '0' && input[i] <= '9' ? run + 1 : 0;
    if (run >= 5) return true;
  }
  return false;
}
