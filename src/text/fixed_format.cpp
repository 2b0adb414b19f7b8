#include "sailings/text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace sailings {

char* FormatFixed(char* out, double value, int decimals) {
  static constexpr double kScale[] = {1e0, 1e1, 1e2, 1e3,  1e4,  1e5, 1e6,
                                      1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
  const double magnitude = std::fabs(value);
  const double scale = kScale[decimals];
  // Beyond 2^52 units of the last decimal (and for what is not a number) the
  // general conversion is used.
  if (!(magnitude * scale < 4503599627370496.0)) {
#if defined(_LIBCPP_VERSION) && !defined(__cpp_lib_to_chars)
    // A C++ library without floating-point to_chars (libc++ before 20, as in
    // the WebAssembly build): the C library's printf, exact as well.
    return out + std::snprintf(out, 400, "%.*f", decimals, value);
#else
    return std::to_chars(out, out + 400, value, std::chars_format::fixed, decimals).ptr;
#endif
  }
  // magnitude * scale exactly, as the rounded product p plus its error:
  // scale is exact, so fma gives the error without rounding.
  const double p = magnitude * scale;
  const double error = std::fma(magnitude, scale, -p);
  const double whole = std::floor(p);
  const double fraction = p - whole;  // exact: p and whole share their exponent range
  auto units = static_cast<std::uint64_t>(whole);
  // Round to nearest, ties (only when the product is exact) to even. A p
  // rounded onto an integer from just below it still rounds to that integer.
  if (fraction > 0.5 || (fraction == 0.5 && (error > 0 || (error == 0 && (units & 1))))) ++units;
  if (std::signbit(value)) *out++ = '-';
  // The digits after the point, from the end; then the whole part.
  char digits[24];
  char* first = digits + sizeof digits;
  for (int k = 0; k < decimals; ++k) {
    *--first = static_cast<char>('0' + units % 10);
    units /= 10;
  }
  out = std::to_chars(out, out + 24, units).ptr;
  if (decimals > 0) {
    *out++ = '.';
    for (int k = 0; k < decimals; ++k) *out++ = first[k];
  }
  return out;
}

char* FormatNumber(char* out, double value, int decimals) {
  char* end = FormatFixed(out, value, decimals);
  if (*out != '-') return end;
  for (const char* p = out + 1; p < end; ++p) {
    if (*p != '0' && *p != '.') return end;
  }
  std::memmove(out, out + 1, static_cast<std::size_t>(end - out - 1));
  return end - 1;
}

char* FormatTrimmed(char* out, double value, int decimals) {
  char* end = FormatNumber(out, value, decimals);
  if (decimals <= 0) return end;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  return end;
}

char* FormatAzimuth(char* out, double degrees, int decimals) {
  char* end = FormatNumber(out, degrees, decimals);
  const std::size_t n = static_cast<std::size_t>(end - out);
  if (n >= 3 && out[0] == '3' && out[1] == '6' && out[2] == '0' && (n == 3 || out[3] == '.')) {
    end = FormatNumber(out, 0.0, decimals);
  }
  return end;
}

}  // namespace sailings

namespace sailings {

std::string FixedText(double value, int decimals) {
  char digits[kNumberBuffer];
  return std::string(digits, FormatFixed(digits, value, decimals));
}

std::string NumberText(double value, int decimals) {
  char digits[kNumberBuffer];
  return std::string(digits, FormatNumber(digits, value, decimals));
}

std::string AzimuthText(double degrees, int decimals) {
  char digits[kNumberBuffer];
  return std::string(digits, FormatAzimuth(digits, degrees, decimals));
}

}  // namespace sailings
