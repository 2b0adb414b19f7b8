#include "cli/route_lines.h"

#include "sailings/coordinates.hpp"
#include "sailings/text.hpp"

namespace sailings {

namespace {
constexpr std::string_view kDividers = " \t,";
constexpr const char* kNames[4] = {"LAT1", "LON1", "LAT2", "LON2"};
}  // namespace

bool IsBlankRouteLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

bool ReadRouteLine(std::string_view line, double degrees[4], std::string& reason) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  int count = 0;
  std::size_t i = 0;
  std::string_view tokens[4];
  for (;;) {
    i = line.find_first_not_of(kDividers, i);
    if (i == std::string_view::npos) break;
    std::size_t end = line.find_first_of(kDividers, i);
    if (end == std::string_view::npos) end = line.size();
    if (count == 4) {
      reason = "more than four coordinates (LAT1 LON1 LAT2 LON2): '" +
               PrintableText(line.substr(i, end - i)) + "'";
      return false;
    }
    tokens[count++] = line.substr(i, end - i);
    i = end;
  }
  if (count < 4) {
    reason = "expected four coordinates (LAT1 LON1 LAT2 LON2), found " + std::to_string(count);
    return false;
  }
  for (int k = 0; k < 4; ++k) {
    const Status status =
        ParseCoordinate(tokens[k], k % 2 == 0 ? Axis::latitude : Axis::longitude, degrees[k]);
    if (status != Status::ok) {
      reason = std::string(kNames[k]) + " '" + PrintableText(tokens[k]) + "': " + Describe(status);
      return false;
    }
  }
  return true;
}

}  // namespace sailings
