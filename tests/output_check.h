// A "nan" or "inf" standing as a word of its own (not in "information"): a
// number the program printed that is not finite.
#pragma once

#include <cctype>
#include <string_view>

namespace check {

inline bool HasNonFiniteNumber(std::string_view text) {
  for (std::string_view word : {std::string_view("nan"), std::string_view("inf")}) {
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + 1)) {
      const bool letterBefore = at > 0 && std::isalpha(static_cast<unsigned char>(text[at - 1]));
      const std::size_t end = at + word.size();
      const bool letterAfter = end < text.size() &&
                               std::isalpha(static_cast<unsigned char>(text[end])) &&
                               text.compare(end, 5, "inity") != 0;
      if (!letterBefore && !letterAfter) return true;
    }
  }
  return false;
}

}  // namespace check
