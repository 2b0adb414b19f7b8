#include "writers/route_file.h"

#include <charconv>
#include <cstring>

#include "sailings/text.hpp"

namespace sailings {

char* Degrees8(char* out, double degrees) { return FormatNumber(out, degrees, 8); }

char* Longitude8(char* out, double degrees) {
  char* end = Degrees8(out, degrees);
  if (end - out == 12 && std::memcmp(out, "180.00000000", 12) == 0) {
    std::memcpy(out, "-180.00000000", 13);
    ++end;
  }
  return end;
}

char* WaypointName(char* out, long number) {
  std::memcpy(out, "WP", 2);
  char* label = out + 2;
  char* end = std::to_chars(label, label + 24, number).ptr;
  if (end - label < 3) {  // at least three digits
    const std::ptrdiff_t pad = 3 - (end - label);
    std::memmove(label + pad, label, static_cast<std::size_t>(end - label));
    std::memset(label, '0', static_cast<std::size_t>(pad));
    end += pad;
  }
  return end;
}

}  // namespace sailings
