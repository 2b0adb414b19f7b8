#include "sailings/coordinates.h"

#include <cmath>
#include <cstring>

#include "input/decimal.h"

namespace sailings {

namespace {

double FieldValue(std::string_view field) {
  std::size_t start = 0;
  while (start < field.size() &&
         (field[start] == '\t' || field[start] == '\r' || field[start] == '\v' ||
          field[start] == '\f' || field[start] == '\n')) {
    ++start;
  }
  std::size_t used = 0;
  return ParseDecimalPrefix(field.substr(start), used).value_or(0.0);
}

}  // namespace

double DegreesFromText(std::string_view text) {
  double slots[3] = {0.0, 0.0, 0.0};
  int filled = 0;
  std::size_t i = 0;
  while (filled < 3) {
    i = text.find_first_not_of(kCoordinateSeparators, i);
    if (i == std::string_view::npos) break;
    std::size_t end = text.find_first_of(kCoordinateSeparators, i);
    if (end == std::string_view::npos) end = text.size();
    slots[filled++] = FieldValue(text.substr(i, end - i));
    i = end;
  }
  const double degrees = (slots[1] / 60.0 + slots[0]) + slots[2] / 3600.0;
  // Three fields near the largest double can still sum beyond it.
  return std::isfinite(degrees) ? degrees : 0.0;
}

double degconverter(char* text) {
  const std::size_t length = std::strlen(text);
  const double degrees = DegreesFromText(std::string_view(text, length));
  for (std::size_t i = 0; i < length; ++i) {
    if (kCoordinateSeparators.find(text[i]) != std::string_view::npos) text[i] = '\0';
  }
  return degrees;
}

}  // namespace sailings
