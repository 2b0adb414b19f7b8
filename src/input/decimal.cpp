#include "input/decimal.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace sailings {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::optional<double> ParseDecimalPrefix(std::string_view text, std::size_t& used) {
  std::size_t i = 0;
  used = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  std::size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      end = j;
    }
  }
  used = end;
  // The prefix is a plain decimal number, so strtod reads exactly it.
  const std::string number(text.substr(0, end));
  const double value = std::strtod(number.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace sailings
