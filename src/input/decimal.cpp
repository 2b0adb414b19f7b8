#include "sailings/text.hpp"

#include <charconv>
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
  // The prefix is a plain decimal number, so from_chars reads exactly it,
  // correctly rounded (after the sign it does not take).
  const std::size_t first = text[0] == '+' ? 1 : 0;
  double value = 0;
#if defined(_LIBCPP_VERSION) && !defined(__cpp_lib_to_chars)
  // A C++ library that reads no floating-point text (libc++ before 20, as
  // in the WebAssembly build): the C library's strtod, correctly rounded
  // too, reads the same checked text ("C" locale: the point is '.').
  const std::errc failed = std::errc::result_out_of_range;
  struct {
    std::errc ec;
  } result{failed};
  (void)first;
#else
  const auto result = std::from_chars(text.data() + first, text.data() + end, value);
#endif
  if (result.ec != std::errc()) {
    // Beyond the range of a double, or below its smallest value: strtod
    // tells which (an underflow reads as a zero or a subnormal).
    const std::string number(text.substr(0, end));
    value = std::strtod(number.c_str(), nullptr);
  }
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace sailings

namespace sailings {

std::optional<double> ParseDecimal(std::string_view text) {
  std::size_t used = 0;
  const std::optional<double> value = ParseDecimalPrefix(text, used);
  if (!value || used != text.size()) return std::nullopt;
  return value;
}

}  // namespace sailings
