// The location list file "input.txt": one record per line,
//   name <tab> latitude <blanks or tabs> longitude
// each coordinate one token in the navigator's notation (decimal degrees,
// north and east positive, or 33:55:30S, 18d25'26.8"E ...). A carriage return before the
// line feed belongs to the line end, blanks and tabs after the longitude are
// ignored, and the last line counts whether or not it ends with a line end.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sailings/places.hpp"

namespace sailings {

struct LocationLine {
  enum Kind { kRecord, kBlank, kMalformed } kind = kBlank;
  std::string name;     // kRecord: the name, at most 255 characters
  double latitude = 0;  // kRecord: degrees, finite
  double longitude = 0;
  std::string problem;  // kMalformed: what is wrong, for the warning
};

// Parses one line (without its line feed; a final carriage return is dropped).
// A blank line holds nothing but blanks and tabs. Malformed: no tab, an empty
// name, a latitude or longitude missing or not a coordinate (the reason of the
// coordinate reader), or anything but blanks after the longitude. Latitudes
// beyond 90 degrees are kept (the position record folds them). Control characters of
// a name are shown as '?', so a file cannot send escape sequences to the
// console.
LocationLine ParseLocationLine(std::string_view line);

// Parses a whole location list line by line, handing every line with its
// number (from 1) to `visit`.
void ForEachLocationLine(std::istream& in,
                         const std::function<void(long, const LocationLine&)>& visit);

// LoadPlaces (sailings/places.hpp) reads a whole list.

}  // namespace sailings
